// The maternity case list over 2 000 cases with three assessment tables each: one statement, under 0.2 s, both the
// statement alone and through the panel's button into the list.

#include "Bench.h"

#include "app/Install.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "maternity/CaseList.h"

#include <QDate>
#include <QDateTime>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>

namespace {
void seed(Database& db) {
    std::vector<QVariantList> cases, t1, t2, t3;
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0));
    for (int i = 0; i < 2000; ++i) {
        const QString id = QStringLiteral("A%1").arg(i, 9, 10, QLatin1Char('0'));
        const QDateTime opened = start.addSecs(qint64(i) * 3600 * 20);
        const QString number = id + QLatin1Char('-') + opened.toString(QStringLiteral("yyyyMM"));
        cases.push_back({QStringLiteral("個案%1").arg(i), number,
                         opened.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), QStringLiteral("1990/01/01"),
                         QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0')), id,
                         i % 3 ? QVariant() : QVariant(QStringLiteral("2025/01/01 08:00:00")), QStringLiteral("-"),
                         QStringLiteral("-")});
        t1.push_back({QStringLiteral("T1-%1").arg(i), number});
        t2.push_back({QStringLiteral("T2-%1").arg(i), number});
        t3.push_back({QStringLiteral("T3-%1").arg(i), number});
    }
    db.execBatch(
        QStringLiteral("INSERT INTO MaternityHealth (姓名, 個案檔號, 個案建檔日, 出生年月日, 員工編號, 身份ID, "
                       "個案解除日, 手機號碼, 備註說明) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        cases);
    for (int t = 1; t <= 3; ++t)
        db.execBatch(QStringLiteral("INSERT INTO MHPT%1 (CaseKeyT%1, CaseKey) VALUES (?, ?)").arg(t), t == 1   ? t1
                                                                                                      : t == 2 ? t2
                                                                                                               : t3);
}
} // namespace

OSTIVA_BENCH("maternity-cases", "2 000 maternity cases with 3 assessment tables each: the case list") {
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    registerSubsystemTables(program);
    if (!StartProgram(program)) bench::fail("the program did not start");
    seed(program.DBConn);
    MainForm form(program);
    installSubsystems(form, program);
    form.Form_Load();
    const QDate today(2025, 6, 15);
    int rows = 0;
    const double everyone = bench::bestSeconds("the case list", context.repeats, [&] {
        rows = maternity::maternityCaseList(program.DBConn, QString(), today).recordCount();
        return rows == 50;
    });
    const double keyword = bench::bestSeconds("the case list with a keyword", context.repeats, [&] {
        return maternity::maternityCaseList(program.DBConn, QStringLiteral("E19"), today).recordCount() > 0;
    });
    form.ShowPersonQueryPanel();
    auto* button = form.findChild<QPushButton*>(QStringLiteral("MaternityHealthButton"));
    if (!button) bench::fail("the panel has no MaternityHealthButton");
    const auto& ui = static_cast<const ScriptedUi&>(program.ui());
    int listed = 0;
    const double throughList = bench::bestSeconds("the 母保對象 button", context.repeats, [&] {
        button->click();
        listed = form.PersonListView->topLevelItemCount();
        return listed == 50 && ui.messageTexts().isEmpty(); // a search that fails says why
    });
    std::printf("   case list, no keyword:             %.4f s (%d rows)\n", everyone, rows);
    std::printf("   case list, keyword \"E19\":          %.4f s\n", keyword);
    std::printf("   母保對象 button, into the list:     %.4f s (%d rows)\n", throughList, listed);
    return bench::judged(everyone < 0.2 && keyword < 0.2 && throughList < 0.2);
}
