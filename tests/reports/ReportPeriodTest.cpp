// The report builders' shared check of the date boxes and their period and department conditions.

#include "reports/ReportPeriod.h"
#include "common/TestProgram.h"

#include <gtest/gtest.h>

using namespace reports;

TEST(ReportPeriod, TheDateBoxesAreCheckedTrimmedEmptyFirst) {
    // from, to → the check
    const struct {
        const char* from;
        const char* to;
        PeriodCheck check;
    } cases[] = {
        {"2024/01/01", "2024/12/31", PeriodCheck::Ok},
        {" 2024/1/5 ", "2024-02-29", PeriodCheck::Ok},
        {"", "2024/12/31", PeriodCheck::Empty},
        {"2024/01/01", "   ", PeriodCheck::Empty},
        {"abc", "", PeriodCheck::Empty},
        {"2024/13/01", "2024/12/31", PeriodCheck::NotADate},
        {"2023/02/29", "2024/12/31", PeriodCheck::NotADate},
        {"2024/01/01", "31/12/2024", PeriodCheck::NotADate},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkPeriod(c.from, c.to), c.check) << c.from << " ~ " << c.to;

    ScriptedUi ui;
    ui.setProgramTitle("程式");
    EXPECT_FALSE(CheckReportPeriod(ui, "", "2024/01/01"));
    EXPECT_EQ(ui.shown.last().text, "未選定日期");
    EXPECT_EQ(ui.shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(ui.shown.last().title, "程式");
    EXPECT_FALSE(CheckReportPeriod(ui, "2024/01/01", "明天"));
    EXPECT_EQ(ui.shown.last().text, "日期範圍不為日期格式");
    EXPECT_EQ(ui.shown.last().icon, Ui::Icon::None);
    const auto p = CheckReportPeriod(ui, " 2024/1/5", "2024-02-29 ");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->from, "2024/01/05");
    EXPECT_EQ(p->to, "2024/02/29");
    EXPECT_EQ(p->text(), "2024/01/05 ~ 2024/02/29");
}

TEST(ReportPeriod, ConditionsBindThePeriodAndTheKeywordMeansWhatItSays) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.db().execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 所屬部門) VALUES (?, ?, ?)",
                      {{"a", "2024/01/01", "製造部"},
                       {"b", "2024/06/30", "50%部"},
                       {"c", "2024/06/30", "5000部"},
                       {"d", "2024/06/30", "O'Neil課"},
                       {"e", "2024/06/30", "A_B組"},
                       {"f", "2024/06/30", "AxB組"},
                       {"g", "2024/07/01", "製造部"}});
    auto serials = [&](const QString& keyword) {
        SqlCondition where = periodCondition("記錄日期", {"2024/01/01", "2024/06/30"});
        where.andAlso(departmentCondition("[NursingBook].[所屬部門]", keyword));
        const Recordset rs =
            tp.db().query("SELECT SerialX FROM NursingBook WHERE " + where.sql + " ORDER BY SerialX", where.params);
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r)
            out << rs.text(r, 0);
        return out.join("");
    };
    // keyword → the entries it selects within the period
    EXPECT_EQ(serials(""), "abcdef");
    EXPECT_EQ(serials("   "), "abcdef");
    EXPECT_EQ(serials("製造"), "a");
    EXPECT_EQ(serials("50%"), "b");
    EXPECT_EQ(serials("O'Neil"), "d");
    EXPECT_EQ(serials("A_B"), "e");
    EXPECT_EQ(serials(" 部 "), "abc");
    EXPECT_TRUE(departmentCondition("x", "").sql.isEmpty());
}
