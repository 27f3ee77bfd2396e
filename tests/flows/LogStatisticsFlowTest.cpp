// The statistics of the health-service log through the real window: "報表" → "月季年報表" or
// "健康服務工作要項_統計分析", the period, the confirmation, the department keyword, and the workbooks read back.

#include "common/TestProgram.h"
#include "reports/LogReportTestSupport.h"

#include <QAction>
#include <QDir>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace reports::test;

namespace {

class LogStatisticsFlow : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 30, 0));
        ASSERT_TRUE(tp.start());
        seedSmallLog(tp.db());
        w = &tp.window();
        from = tp.find<QLineEdit>("Text5_0");
        to = tp.find<QLineEdit>("Text5_1");
        run = tp.find<QPushButton>("ButtonShowReport");
        ASSERT_TRUE(from && to && run);
    }
    // Presses "報表", picks a menu item and types the period.
    void open(const char* item, const QString& first, const QString& last) {
        w->toolbarButton("ShowReport")->trigger();
        QAction* a = tp.find<QAction>(QString::fromUtf8(item));
        ASSERT_TRUE(a) << item;
        a->trigger();
        ASSERT_TRUE(w->FrameReport->isVisible());
        from->setText(first);
        to->setText(last);
    }
    QStringList filesIn(const QString& folder) {
        return QDir(tp.folder() + "/" + folder).entryList(QDir::Files, QDir::Name);
    }
    TestProgram tp{true};
    MainForm* w = nullptr;
    QLineEdit* from = nullptr;
    QLineEdit* to = nullptr;
    QPushButton* run = nullptr;
};

} // namespace

TEST_F(LogStatisticsFlow, MonthlyReportForOneDepartment) {
    open("QVStatisticaRegulation", kFrom, kTo);

    // No: nothing is made and the frame waits.
    tp.ui().answerNext(Ui::Answer::No);
    run->click();
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_TRUE(w->FrameReport->isVisible());

    // Yes, and the keyword "製造部".
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().inputNext(QStringLiteral(" 製造部 "));
    run->click();
    EXPECT_TRUE(tp.ui().allAnswersUsed());
    EXPECT_EQ(tp.ui().shown.last().text, "月季年報表 完成");
    EXPECT_FALSE(w->FrameReport->isVisible());
    ASSERT_EQ(tp.ui().opened.size(), 2);
    EXPECT_EQ(filesIn("報表暫存"), QStringList{"健康日誌統計分析_20250601_093000.xlsx"});
    EXPECT_EQ(filesIn("DataBase/健康服務紀錄統計"), QStringList{"健康服務紀錄統計_20250601_093000.xlsx"});

    // The category workbook counts the department's entries only.
    const QJsonObject stats = readBack(localPath(tp.ui().opened[0]), {"A2", "C2", "D2", "A3"});
    QStringList sheets;
    for (const auto& v : stats["sheets"].toArray())
        sheets << v.toString();
    ASSERT_EQ(sheets.size(), 11);
    const QJsonObject a = stats["A_一般疾病（內科）"].toObject();
    EXPECT_EQ(a["cells"].toObject()["A2"].toString(), "A01");
    EXPECT_EQ(a["cells"].toObject()["C2"].toInt(), 2);
    EXPECT_EQ(a["cells"].toObject()["D2"].toString(), "100.00%"); // A02 belongs to 品保部
    EXPECT_FALSE(a["cells"].toObject().contains("A3"));
    EXPECT_EQ(a["charts"].toInt(), 1);
    EXPECT_EQ(stats["B_外傷處置（非職業）"].toObject()["charts"].toInt(), 0);
    EXPECT_EQ(sheets[8], "各月份大類比較");

    // The summary of the same period and department.
    const QJsonObject summary = readBack(localPath(tp.ui().opened[1]), {"A1", "C4", "C8", "A2"});
    const QJsonObject main = summary[" 健康服務紀錄分析總表"].toObject();
    EXPECT_EQ(main["cells"].toObject()["A1"].toString(), "健康服務紀錄分析總表 【2019/03/01 ~ 2020/01/31】");
    EXPECT_EQ(main["cells"].toObject()["C4"].toInt(), 1);
    EXPECT_FALSE(main["cells"].toObject().contains("C8")); // the contractor's A02 is in 品保部
    EXPECT_EQ(summary["職傷意外記錄"].toObject()["cells"].toObject()["A2"].toString(), "2020/01/15");

    // A second run in the same second keeps both earlier files.
    open("QVStatisticaRegulation", kFrom, kTo);
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().inputNext(std::nullopt);
    run->click();
    EXPECT_EQ(filesIn("報表暫存").size(), 2);
    EXPECT_EQ(filesIn("DataBase/健康服務紀錄統計"),
              (QStringList{"健康服務紀錄統計_20250601_093000.xlsx", "健康服務紀錄統計_20250601_093000_2.xlsx"}));
}

TEST_F(LogStatisticsFlow, WorkItemFormForEveryDepartment) {
    open("QVStatisticaOHS", "2019/3/1", "2020-01-31"); // typed dates in other forms mean the same days
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().inputNext(std::nullopt);
    run->click();
    EXPECT_TRUE(tp.ui().allAnswersUsed());
    const QStringList messages = tp.ui().messageTexts();
    ASSERT_GE(messages.size(), 2);
    EXPECT_EQ(messages[messages.size() - 2], "完成");
    EXPECT_EQ(messages.last(), "健康服務工作要項_統計分析 完成");
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QJsonObject wb = readBack(localPath(tp.ui().opened[0]), {"A1", "B16", "C16", "C4"});
    const QJsonObject form = wb["附表八 勞工健康服務執行紀錄表_3-5項"].toObject();
    EXPECT_EQ(form["cells"].toObject()["A1"].toString(), "三、臨場健康服務執行情形");
    EXPECT_EQ(form["cells"].toObject()["C16"].toInt(), 6); // both ends of the period
    EXPECT_EQ(form["cells"].toObject()["C4"].toInt(), 1);  // after the item without text
    EXPECT_EQ(form["merges"].toArray().size(), 3);
}

TEST_F(LogStatisticsFlow, AWrongDateStopsWithTheFrameOpen) {
    for (const char* item : {"QVStatisticaRegulation", "QVStatisticaOHS"}) {
        tp.ui().shown.clear();
        open(item, "2019/02/30", kTo);
        tp.ui().answerNext(Ui::Answer::Yes);
        tp.ui().inputNext(std::nullopt);
        run->click();
        EXPECT_EQ(tp.ui().messageTexts().last(), "日期範圍不為日期格式") << item;
        EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::None);
        EXPECT_TRUE(w->FrameReport->isVisible()) << item;
        EXPECT_TRUE(tp.ui().opened.isEmpty());
        w->toolbarButton("ShowReport")->trigger(); // closes the frame
    }
    EXPECT_FALSE(QDir(tp.folder() + "/報表暫存").exists());
}
