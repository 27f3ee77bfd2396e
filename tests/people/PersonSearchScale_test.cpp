// How the two searches behind the panel and the start-up log list scale: 10 000 people and 100 000 log entries.
// Disabled under ctest (it measures, it does not judge); run it with --gtest_also_run_disabled_tests.

#include "common/TestProgram.h"
#include "healthlog/LogList.h"
#include "people/PersonQueries.h"

#include <QElapsedTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(PersonSearchScale, DISABLED_TenThousandPeopleAndAHundredThousandLogEntries) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    std::vector<QVariantList> people, health, burnOut, log;
    for (int i = 0; i < 10000; ++i) {
        const QString no = QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
        people.push_back({QStringLiteral("員工%1").arg(i), no});
        health.push_back({"2024_" + no, no, "2024", QStringLiteral("員工%1").arg(i), "1", "1980/01/01"});
        if (i % 2) burnOut.push_back({"2024_" + no, no, "2024"});
    }
    for (int i = 0; i < 100000; ++i)
        log.push_back({QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')),
                       QDate(2020, 1, 1).addDays(i / 50).toString("yyyy/MM/dd"),
                       QStringLiteral("E%1").arg(i % 10000, 5, 10, QLatin1Char('0'))});
    db.execBatch("INSERT INTO EMPL (姓名, 員工編號) VALUES (?, ?)", people);
    db.execBatch("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日) VALUES (?, ?, ?, ?, ?, ?)",
                 health);
    db.execBatch("INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼) VALUES (?, ?, ?)", burnOut);
    db.execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號) VALUES (?, ?, ?)", log);
    db.exec("ANALYZE");

    QElapsedTimer t;
    t.start();
    const Recordset one = people::searchHealthServices(db, "E0123", QDate(2025, 6, 15));
    const qint64 keyword = t.restart();
    const Recordset all = people::searchHealthServices(db, "", QDate(2025, 6, 15));
    const qint64 everyone = t.restart();
    const Recordset empl = people::searchEmployees(db, "員工12");
    const qint64 employees = t.restart();
    MainForm& w = tp.window(); // the start-up step loads the newest 100 entries
    const qint64 startUp = t.restart();
    healthlog::LoadNewestNursingLog(tp.program());
    const qint64 newest = t.elapsed();

    EXPECT_EQ(one.recordCount(), 10);
    EXPECT_EQ(all.recordCount(), people::kPersonListLimit + 1);
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 100);
    std::printf("health-service search, keyword: %lld ms; no keyword (stops at 1001): %lld ms; employee search: %lld ms;"
                " window with start-up log list: %lld ms; newest 100 again: %lld ms\n",
                keyword, everyone, employees, startUp, newest);
}
