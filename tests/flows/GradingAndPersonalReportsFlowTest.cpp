// Through the real window: the standards imported from the report menu, the year graded from the report frame and
// its workbook read back; the consultation form and the NMQ history from the person panel's right click, with and
// without a selected row.

#include "common/TestProgram.h"
#include "office/XlsxWorkbook.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class Flow : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 7, 1), QTime(8, 0, 0));
        ASSERT_TRUE(tp.start());
        Database& db = tp.db();
        db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日, 收縮壓, 舒張壓, BMI, "
                "Framingham_Risk_Score) VALUES ('2024_A1', 'A1', '2024', '王一', '1', '1980/02/01', 165, 95, 31.2, "
                "'12%'), ('2024_B2', 'B2', '2024', '李二', '2', '1990/05/05', 118, 70, 22, '1%')");
        db.exec("INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼, 工作負荷等級) VALUES ('2024_A1', 'A1', '2024', "
                "'1')");
        db.exec("INSERT INTO PersonalNMQ (XID, 員工編號, 年度代碼, Basic02, Q001) VALUES ('n1', 'A1', '2024', "
                "'2024/04/01', '3')");
        w = &tp.window();
    }
    void pick(const char* item) {
        w->toolbarButton("ShowReport")->trigger();
        QAction* a = tp.find<QAction>(QString::fromUtf8(item));
        ASSERT_TRUE(a) << item;
        a->trigger();
    }
    // Her standards sheet saved as a workbook and imported from the report menu, its question answered Yes.
    template <std::size_t N> void importStandards(const char* const (&rows)[N][7]) {
        office::XlsxWorkbook book;
        office::XlsxSheet& sheet = book.addSheet("我的標準");
        for (std::size_t r = 0; r < N; ++r)
            for (int c = 0; c < 7; ++c)
                sheet.setText(int(r), c, QString::fromUtf8(rows[r][c]));
        const QString file = tp.folder() + "/mine.xlsx";
        ASSERT_TRUE(book.save(file).ok());
        tp.ui().fileNext(file);
        tp.ui().answerNext(Ui::Answer::Yes);
        pick("QVStatisticaMultipleLevelImport");
    }
    void rightClick(const char* item) {
        emit w->PersonListView->customContextMenuRequested(QPoint(3, 3));
        for (QAction* a : w->popupMenu("QVPersonalToWord")->actions())
            if (a->objectName() == item) {
                ASSERT_TRUE(a->isVisible() && a->isEnabled()) << item;
                a->trigger();
                return;
            }
        FAIL() << "no item " << item;
    }
    TestProgram tp;
    MainForm* w = nullptr;
};

TEST_F(Flow, ImportTheStandardsThenGradeAYear) {
    // The nurse imports standards of her own: blood pressure only, columns in her order.
    const char* const rows[][7] = {{"項目名稱", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4", "性別"},
                                   {"收縮壓", "<120", "<130", "<140", "<160", ">=160", "0"},
                                   {"舒張壓", "<80", "NA", "<90", "<100", ">=100", "0"}};
    importStandards(rows);
    EXPECT_EQ(tp.ui().messageTexts().last(), "多項四段分級標準 匯入完成, 共 2 筆");
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM MultipleLevel").toInt(), 2);
    EXPECT_FALSE(w->toolbarButton("ShowReport")->isChecked()) << "the report button is raised again";
    EXPECT_TRUE(w->toolbarButton("PersonalHealth")->isEnabled());

    // The grading from the report frame.
    pick("QVStatisticaMultipleLevel");
    auto* years = tp.find<QComboBox>("ReportTypeCombo");
    ASSERT_EQ(years->count(), 1);
    years->setCurrentIndex(0);
    emit years->activated(0);
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().shown.clear();
    tp.find<QPushButton>("ButtonShowReport")->click();
    // After the confirmation: the workbook's "完成", then the frame's.
    EXPECT_EQ(tp.ui().messageTexts().mid(1), (QStringList{"完成", "健檢資料_四段分級 完成"}));
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QString out = runPython("import openpyxl,sys\n"
                                  "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                  "s=wb.worksheets[0]\n"
                                  "for r in s.iter_rows(values_only=True): print(r)\n"
                                  "g=wb.worksheets[2]\n"
                                  "h=[c.value for c in g[1]]\n"
                                  "print(g.cell(2,h.index('收縮壓')+1).value, g.cell(2,h.index('最高等級')+1).value)\n",
                                  {tp.ui().opened[0]});
    EXPECT_EQ(out.toStdString(), "('項目名稱', 'Level_0', 'Level_1', 'Level_2', 'Level_3', 'Level_4', '性別')\n"
                                 "('收縮壓', 1, 0, 0, 0, 1, '0')\n"
                                 "('舒張壓', 1, None, 0, 1, 0, '0')\n"
                                 "165【Level_4】 4\n");
}

TEST_F(Flow, AStandardLeftOutIsNamedByItsPlaceInTheImportedSheet) {
    // The sixth standard of her sheet (row 7) names no health-check column; graded by item, it comes second.
    const char* const rows[][7] = {{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"},
                                   {"收縮壓", "0", "<120", "<130", "<140", "<160", ">=160"},
                                   {"舒張壓", "0", "<80", "NA", "<90", "<100", ">=100"},
                                   {"BMI", "0", "18.5~23.9", "<27", "<30", "<35", ">=35"},
                                   {"腰圍", "0", "<90", ">=90", "NA", "NA", "NA"},
                                   {"總膽固醇", "0", "<200", ">=200", "NA", "NA", "NA"},
                                   {"尿酸", "0", "<7", ">=7", "NA", "NA", "NA"}};
    importStandards(rows);
    ASSERT_EQ(tp.ui().messageTexts().last(), "多項四段分級標準 匯入完成, 共 6 筆");

    pick("QVStatisticaMultipleLevel");
    auto* years = tp.find<QComboBox>("ReportTypeCombo");
    ASSERT_EQ(years->count(), 1);
    years->setCurrentIndex(0);
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().shown.clear();
    tp.find<QPushButton>("ButtonShowReport")->click();
    EXPECT_EQ(tp.ui().messageTexts().mid(1),
              (QStringList{"以下分級標準的項目名稱不是健檢資料的欄位, 未分級; 其他標準照常分級:\r\n\r\n"
                           "匯入的第 6 筆 尿酸 (性別 0)",
                           "完成", "健檢資料_四段分級 完成"}));
    ASSERT_EQ(tp.ui().opened.size(), 1);
    // The other standards are graded in the order of their items.
    const QString out = runPython("import openpyxl,sys\n"
                                  "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                  "for r in wb.worksheets[0].iter_rows(min_row=2,max_row=4,values_only=True): "
                                  "print(r)\n"
                                  "print([r[0] for r in wb.worksheets[1].iter_rows(min_row=2,values_only=True)])\n",
                                  {tp.ui().opened[0]});
    EXPECT_EQ(out.toStdString(), "('BMI', '0', 1, 0, 0, 1, 0)\n"
                                 "('收縮壓', '0', 1, 0, 0, 0, 1)\n"
                                 "('舒張壓', '0', 1, None, 0, 1, 0)\n"
                                 "['BMI', '尿酸', '收縮壓', '總膽固醇', '腰圍', '舒張壓']\n");
}

TEST_F(Flow, TheExampleStandardsOpenFromTheReportMenu) {
    pick("QVStatisticaMultipleLevelExample");
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_TRUE(tp.ui().opened[0].endsWith("DataBase/DOC/範例_多項四段分級標準.xlsx"));
    EXPECT_TRUE(tp.ui().messageTexts().last().endsWith("範例檔案已呼叫, 請先另存新檔後, 再進行編輯"));
    EXPECT_FALSE(w->toolbarButton("ShowReport")->isChecked());
    // A cancelled file dialog imports nothing and says nothing.
    tp.ui().shown.clear();
    tp.ui().fileNext("");
    pick("QVStatisticaMultipleLevelImport");
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());
}

TEST_F(Flow, AStandardThatDoesNotParseStopsTheRunAndTheFrameStaysOpen) {
    tp.db().exec("UPDATE MultipleLevel SET Level_1 = '120-129' WHERE 項目名稱 = '收縮壓'");
    pick("QVStatisticaMultipleLevel");
    auto* years = tp.find<QComboBox>("ReportTypeCombo");
    years->setCurrentIndex(0);
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().shown.clear();
    tp.find<QPushButton>("ButtonShowReport")->click();
    ASSERT_EQ(tp.ui().shown.size(), 2) << "the confirmation, then the one summary";
    EXPECT_TRUE(tp.ui().shown[1].text.startsWith("多項四段分級標準有 1 處無法使用"));
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_TRUE(tp.ui().opened[0].endsWith("DebugStr.html"));
    EXPECT_TRUE(w->FrameReport->isVisible());
    EXPECT_FALSE(tp.db().tableExists("X_Temp"));
}

TEST_F(Flow, ThePersonPanelsTwoPersonalReports) {
    w->toolbarButton("PersonalHealth")->trigger();
    QTest::mouseClick(tp.find<QPushButton>("FindPersonButton"), Qt::LeftButton);
    ASSERT_EQ(w->PersonListView->topLevelItemCount(), 2);

    // Nothing selected: said, nothing made.
    rightClick("PersonalReportAll");
    rightClick("PersonalReportNMQ");
    EXPECT_EQ(tp.ui().messageTexts(), (QStringList{"請先在清單中選取一筆資料", "請先在清單中選取一筆資料"}));
    EXPECT_TRUE(tp.ui().opened.isEmpty());

    QTreeWidgetItem* first = nullptr;
    QTreeWidgetItem* second = nullptr;
    for (int i = 0; i < 2; ++i) {
        QTreeWidgetItem* it = w->PersonListView->topLevelItem(i);
        (it->text(3) == "A1" ? first : second) = it;
    }
    ASSERT_TRUE(first && second);

    // 李二 has a health check only: the form names the first kind missing.
    tp.ui().shown.clear();
    w->PersonListView->setCurrentItem(second);
    rightClick("PersonalReportAll");
    rightClick("PersonalReportNMQ");
    EXPECT_EQ(tp.ui().messageTexts(), (QStringList{"【過勞量表筆數】 無資料，無法套印", "此人無 NMQ 資料， 無法套印"}));

    tp.ui().shown.clear();
    w->PersonListView->setCurrentItem(first);
    rightClick("PersonalReportAll");
    rightClick("PersonalReportNMQ");
    EXPECT_EQ(tp.ui().messageTexts(), (QStringList{"個人健康諮詢單，套印完成", "完成"}));
    ASSERT_EQ(tp.ui().opened.size(), 2);
    EXPECT_TRUE(QFileInfo(tp.ui().opened[0]).fileName().startsWith("健康諮詢單_A1_20250701_080000"));
    EXPECT_TRUE(QFileInfo(tp.ui().opened[1]).fileName().startsWith("NMQ個人列表_A1_20250701_080000"));
    const QString out = runPython("import openpyxl,sys\n"
                                  "a=openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                  "b=openpyxl.load_workbook(sys.argv[2]).worksheets[0]\n"
                                  "print(a['B8'].value, a['B24'].value, a['E24'].value, a['H12'].value)\n"
                                  "print(b['A20'].value, b['B20'].value, len(b._images))\n",
                                  {tp.ui().opened[0], tp.ui().opened[1]});
    EXPECT_EQ(out.toStdString(), "1980/02/01【目前 45 歲】 第【1】級 【2】_建議面談 3\n頸 3 1\n");
}

} // namespace
