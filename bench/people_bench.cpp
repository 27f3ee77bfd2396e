// The person panel's "健康服務查詢" search and the log list of start-up over 10 000 people and 100 000 log entries:
// one statement each, well under a second.

#include "Bench.h"

#include "app/Install.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "healthlog/LogList.h"
#include "people/PersonPanel.h"
#include "people/PersonQueries.h"

#include <QDate>
#include <QLineEdit>
#include <QTreeWidget>
#include <cstdio>

namespace {
void seed(Database& db) {
    std::vector<QVariantList> people, health, burnOut, log;
    for (int i = 0; i < 10000; ++i) {
        const QString no = QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
        const QString name = QStringLiteral("員工%1").arg(i);
        people.push_back({name, no});
        health.push_back({"2024_" + no, no, "2024", name, "1", "1980/01/01"});
        health.push_back({"2023_" + no, no, "2023", name, "1", "1980/01/01"});
        if (i % 2) burnOut.push_back({"2024_" + no, no, "2024"});
    }
    for (int i = 0; i < 100000; ++i)
        log.push_back({QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')),
                       QDate(2020, 1, 1).addDays(i / 50).toString(QStringLiteral("yyyy/MM/dd")),
                       QStringLiteral("E%1").arg(i % 10000, 5, 10, QLatin1Char('0'))});
    db.execBatch(QStringLiteral("INSERT INTO EMPL (姓名, 員工編號) VALUES (?, ?)"), people);
    db.execBatch(QStringLiteral("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日) "
                                "VALUES (?, ?, ?, ?, ?, ?)"),
                 health);
    db.execBatch(QStringLiteral("INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼) VALUES (?, ?, ?)"), burnOut);
    db.execBatch(QStringLiteral("INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號) VALUES (?, ?, ?)"), log);
}
} // namespace

OSTIVA_BENCH("people-search", "10 000 people, 100 000 log entries: 健康服務查詢 and the start-up log list") {
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(program)) bench::fail("the program did not start");
    seed(program.DBConn);
    MainForm form(program);
    installSubsystems(form, program);
    const QDate today(2025, 6, 15);
    int found = 0;
    const double keyword = bench::bestSeconds("健康服務查詢 with a keyword", context.repeats, [&] {
        found = people::searchHealthServices(program.DBConn, QStringLiteral("E0123"), today).recordCount();
        return found > 0;
    });
    int many = 0;
    const double bigList = bench::bestSeconds("健康服務查詢 with a keyword of 100 people", context.repeats, [&] {
        many = people::searchHealthServices(program.DBConn, QStringLiteral("E001"), today).recordCount();
        return many >= 100;
    });
    // Everyone, through the panel: the statement, the ages and the 10 000 rows of the list.
    auto* key = form.findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"));
    if (!key) bench::fail("the panel has no KeyNameTxt");
    key->clear();
    int listed = 0;
    const double everyone = bench::bestSeconds("健康服務查詢 with no keyword", context.repeats, [&] {
        listed = people::FindPersonButton_Click(form, program) ? form.PersonListView->topLevelItemCount() : 0;
        return listed == 10000;
    });
    const double logList = bench::bestSeconds("the newest log entries", context.repeats, [&] {
        return healthlog::LoadNewestNursingLog(program) == healthlog::LogListResult::Loaded &&
               form.TraceLV->topLevelItemCount() == healthlog::kNewestEntries;
    });
    std::printf("   健康服務查詢, keyword with %d people:   %.3f s\n", found, keyword);
    std::printf("   健康服務查詢, keyword with %d rows:    %.3f s\n", many, bigList);
    std::printf("   健康服務查詢, no keyword, into the list: %.3f s (%d rows)\n", everyone, listed);
    std::printf("   newest 100 log entries into TraceLV:   %.3f s (%d rows)\n", logList,
                form.TraceLV->topLevelItemCount());
    return bench::judged(keyword < 0.5 && bigList < 0.5 && everyone < 0.5 && logList < 0.5);
}
