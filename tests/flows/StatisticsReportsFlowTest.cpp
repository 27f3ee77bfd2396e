// The report frame's own builders run through the real window: the high-risk persons from the report menu, the
// medicine statistics and the personal-data correction from their toolbar buttons, with the workbooks read back.

#include "common/TestProgram.h"
#include "core/Database.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString sheetNames(const QString& path) {
    return runPython("import openpyxl,sys\n"
                     "wb=openpyxl.load_workbook(sys.argv[1])\n"
                     "print('|'.join(ws.title + '=' + str(ws.max_row) for ws in wb.worksheets[:4]))\n",
                     {path})
        .trimmed();
}

void seed(Database& db) {
    db.execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號, 人員姓名, 嚴重代碼, 事件代碼, 人員身份, 所屬部門) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        {{"s1", "2024/03/01", "E1", "王", "3", "A01", "承攬商", "舊部"},
         {"s2", "2024/03/02", "E1", "王", "1", "A01", "承攬商", "舊部"},
         {"s3", "2024/03/03", "E2", "李", "1", "A01", "員工", "品保部"},
         {"s4", "2019/03/03", "E1", "王", "1", "A01", "承攬商", "舊部"}});
    db.execBatch("INSERT INTO DrugUsing (NursingID, MedicineID, MedicineName, UsingAmount) VALUES (?, ?, ?, ?)",
                 {{"s1", "M1", "普拿疼", 2}, {"s3", "M1", "普拿疼", 1}, {"s2", "M2", "綠油精", 1}});
}

struct ReportRun {
    explicit ReportRun(TestProgram& tp) : tp(tp), w(tp.window()) {}
    void dates(const QString& from, const QString& to) {
        tp.find<QLineEdit>("Text5_0")->setText(from);
        tp.find<QLineEdit>("Text5_1")->setText(to);
    }
    void press() {
        tp.ui().answerNext(Ui::Answer::Yes);
        tp.find<QPushButton>("ButtonShowReport")->click();
    }
    QString lastWorkbook() const { return tp.ui().opened.isEmpty() ? QString() : tp.ui().opened.last(); }
    TestProgram& tp;
    MainForm& w;
};

} // namespace

TEST(StatisticsReportsFlow, HighRiskPersonsFromTheReportMenu) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    seed(tp.db());
    ReportRun run(tp);
    run.w.toolbarButton("ShowReport")->trigger();
    tp.find<QAction>("QVStatisticaAdvanceNursingRecord")->trigger();

    // A date that is no date is said, nothing is written, and the frame waits for a better one.
    run.dates("2024/01/01", "2024/13/01");
    run.press();
    EXPECT_EQ(tp.ui().shown.last().text, "日期範圍不為日期格式");
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_TRUE(run.w.FrameReport->isVisible());

    run.dates("2024/01/01", "2024/12/31");
    run.press();
    ASSERT_TRUE(run.lastWorkbook().endsWith(".xlsx"));
    EXPECT_EQ(sheetNames(run.lastWorkbook()).toStdString(),
              "健康日誌紀錄 TOP 30 員工名單=3|高風險人員_嚴重代碼曾出現 2 或 3 者=2|高風險人員_歷程記錄=4|工作表4=1");
    EXPECT_EQ(tp.ui().shown.last().text, "高風險人員統計分析 完成");
    EXPECT_FALSE(run.w.FrameReport->isVisible());
    EXPECT_TRUE(run.w.toolbarButton("FindRS")->isEnabled());
}

TEST(StatisticsReportsFlow, MedicineStatisticsFromTheToolbar) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    seed(tp.db());
    ReportRun run(tp);
    run.w.toolbarButton("MedicalDrug")->trigger();
    EXPECT_TRUE(run.w.FrameReport->isVisible());
    run.dates("2024/03/01", "2024/03/02");
    run.press();
    ASSERT_TRUE(run.lastWorkbook().endsWith(".xlsx"));
    EXPECT_EQ(sheetNames(run.lastWorkbook()).toStdString(),
              "醫藥品存量盤點=1|醫藥品用量排序=3|TOP_01 醫藥品=2|TOP_02 醫藥品=2");
    EXPECT_EQ(tp.ui().shown.last().text, "醫藥品統計 完成");
    // The button that opened the frame is up again, with the rest of the toolbar.
    EXPECT_FALSE(run.w.toolbarButton("MedicalDrug")->isChecked());
    EXPECT_TRUE(run.w.toolbarButton("ShowReport")->isEnabled());
    EXPECT_FALSE(run.w.FrameReport->isVisible());
}

TEST(StatisticsReportsFlow, PersonalDataCorrectionOnlyWithALinkedPersonnelFile) {
    {
        // Not linked: the button is not offered.
        TestProgram tp(false);
        EXPECT_FALSE(tp.window().toolbarButton("AddEmpl")->isVisible());
    }
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seed(tp.db());
    const QString vardel = tp.folder() + "/vardel.sqlite";
    {
        Database v;
        ASSERT_TRUE(v.open(vardel));
        v.exec("CREATE TABLE EMPL (EMPLNO TEXT, NAME TEXT, DepName TEXT, RealDepCode TEXT)");
        v.exec("INSERT INTO EMPL VALUES ('E1', '王大明', '製造部', 'M1')");
    }
    tp.program().VardelDBPath = vardel;
    ReportRun run(tp);
    EXPECT_TRUE(run.w.toolbarButton("AddEmpl")->isVisible());
    run.w.toolbarButton("AddEmpl")->trigger();
    EXPECT_TRUE(run.w.FrameReport->isVisible());
    run.dates("2024/03/01", "2024/03/31");
    run.press();
    EXPECT_EQ(tp.ui().shown.last().text, "個資填補 完成");
    const Recordset rs =
        tp.db().query("SELECT SerialX, 人員身份, 人員姓名, 所屬部門 FROM NursingBook ORDER BY SerialX");
    QStringList rows;
    for (int r = 0; r < rs.recordCount(); ++r)
        rows << QStringList{rs.text(r, 0), rs.text(r, 1), rs.text(r, 2), rs.text(r, 3)}.join(",");
    EXPECT_EQ(rows, (QStringList{"s1,員工,王大明,製造部_M1", "s2,員工,王大明,製造部_M1", "s3,員工,李,品保部",
                                 "s4,承攬商,王,舊部"}));
    // The log list shows the newest entries again, corrected.
    ASSERT_EQ(run.w.TraceLV->topLevelItemCount(), 4);
    EXPECT_FALSE(run.w.toolbarButton("AddEmpl")->isChecked());
    EXPECT_FALSE(run.w.FrameReport->isVisible());
}
