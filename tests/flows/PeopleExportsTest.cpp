// The person panel from the toolbar to the files: both searches, the whole list and one person's records to a
// workbook and to the web page; the workbooks are read back with openpyxl.

#include "common/TestProgram.h"
#include "core/Helpers.h"
#include "maternity/AttachedTables.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
QString localPath(const QString& opened) {
    const QUrl url(opened);
    return url.isLocalFile() ? url.toLocalFile() : opened;
}

// Every sheet as "name|header1|header2...|rows=N", one line per sheet.
QStringList sheetsOf(const QString& path) {
    const QString out = runPython("import openpyxl,sys\n"
                                  "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                  "for ws in wb.worksheets:\n"
                                  "    rows=list(ws.iter_rows(values_only=True))\n"
                                  "    head=[str(v) for v in rows[0] if v is not None] if rows else []\n"
                                  "    print('|'.join([ws.title]+head+['rows=%d' % max(len(rows)-1,0)]))\n",
                                  {path});
    return out.trimmed().split(QLatin1Char('\n'));
}

QString cell(const QString& path, const QString& sheet, const QString& ref) {
    return runPython("import openpyxl,sys\n"
                     "wb=openpyxl.load_workbook(sys.argv[1])\n"
                     "v=wb[sys.argv[2]][sys.argv[3]].value\n"
                     "print('' if v is None else v)\n",
                     {path, sheet, ref})
        .trimmed();
}

class PanelExports : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0));
        ASSERT_TRUE(tp.start());
        Database& db = tp.db();
        db.exec("INSERT INTO EMPL (姓名, 性別, 員工編號, 部門中文名稱) VALUES ('王小明', '1', 'A001', '品保部')");
        db.exec("INSERT INTO EMPL (姓名, 性別, 員工編號, 部門中文名稱) VALUES ('陳美', '2', 'B100', '製造部')");
        db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日, 身高) VALUES "
                "('2023_A001', 'A001', '2023', '王小明', '1', '1980/01/01', 170.25)");
        db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日) VALUES "
                "('2024_A001', 'A001', '2024', '王小明', '1', '1980/01/01')");
        db.exec("INSERT INTO NursingBook (SerialX, 員工編號, 記錄日期, 記錄時間) VALUES ('S1', 'A001', '2024/05/01', "
                "'09:30')");
        w = &tp.window();
        w->toolbarButton("PersonalHealth")->trigger();
    }
    void search(const QString& button) { QTest::mouseClick(tp.find<QPushButton>(button), Qt::LeftButton); }
    void run(const QString& item) {
        emit w->PersonListView->customContextMenuRequested(QPoint(3, 3));
        for (QAction* a : w->popupMenu("QVPersonalToWord")->actions())
            if (a->objectName() == item) {
                ASSERT_TRUE(a->isVisible()) << item.toStdString();
                a->trigger();
                return;
            }
        FAIL() << "no item " << item.toStdString();
    }
    TestProgram tp;
    MainForm* w = nullptr;
};
} // namespace

TEST_F(PanelExports, OnePersonsRecordsMakeFiveSheets) {
    search("FindPersonButton");
    ASSERT_EQ(w->PersonListView->topLevelItemCount(), 1);
    w->PersonListView->topLevelItem(0)->setSelected(true);
    run("QVPersonalToExcelSelected");
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"完成"});
    const QString path = localPath(tp.ui().opened[0]);
    ASSERT_TRUE(path.endsWith(".xlsx"));
    const QStringList sheets = sheetsOf(path);
    ASSERT_GE(sheets.size(), 5);
    EXPECT_TRUE(sheets[0].startsWith("健檢資料筆數|年度代碼|姓名|員工編號|部門代號|部門名稱|性別|出生年月日|身高_cm|"
                                     "體重_kg|腰圍_cm|收縮壓|舒張壓|飯前血醣|總膽固醇|三酸甘油脂|高密度膽固醇|"
                                     "低密度膽固醇|抽菸習慣|既往病歷|健檢過程備註說明|BMI|成人血壓分級|"
                                     "代謝症候群_分級|三高族群分級|Framingham_Risk_Score|rows=2"))
        << sheets[0].toStdString();
    EXPECT_TRUE(sheets[1].startsWith("過勞量表筆數|年度代碼|姓名|員工編號|I01|I02|I03|I04|I05|I06|個人過勞得分|"
                                     "個人過勞等級|J01|J02|J03|J04|J05|J06|J07|工作過勞得分|工作過勞等級|"
                                     "月加班時數等級|工作負荷等級|rows=0"))
        << sheets[1].toStdString();
    EXPECT_TRUE(sheets[2].startsWith("NMQ資料筆數|年度代碼|姓名|員工編號|填表日期|廠區|部門|課_組|作業名稱|職稱|性別|"))
        << sheets[2].toStdString();
    EXPECT_TRUE(sheets[2].endsWith("|其他症狀或病史說明|等級3以上_酸痛部位累計|匯入檔檔名|rows=0"));
    EXPECT_EQ(sheets[3], "健康服務資料量|記錄日期|記錄時間|人員身份|人員姓名|員工編號|聯絡分機|所屬部門|事件代碼|"
                         "嚴重代碼|事件發生經過與症狀描述|處理措施|追蹤情況|醫護人員|寫入時間|xPDF|rows=1");
    EXPECT_EQ(sheets[4], "特殊健檢筆數|年度代碼|姓名|員工編號|健檢醫院代碼|實際健檢日期|特殊健檢代碼_僅兩碼|"
                         "特殊健檢管理等級|健檢過程備註說明|rows=0");
    // Newest year code first, values as text in their formats.
    EXPECT_EQ(cell(path, "健檢資料筆數", "A2"), "2024");
    EXPECT_EQ(cell(path, "健檢資料筆數", "H3"), "170.3");
    EXPECT_EQ(cell(path, "健檢資料筆數", "F3"), "男");
    EXPECT_EQ(cell(path, "健康服務資料量", "A2"), "2024/05/01");
}

TEST_F(PanelExports, LongStoredNamesAreCutToFitTheFileSystemAndEveryFileIsWritten) {
    // The person's workbook under an employee number of 300 characters.
    const QString longNumber = QString(300, QChar(u'9'));
    tp.db().exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名) VALUES (?, ?, '2024', '林')",
                 {"2024_" + longNumber, longNumber});
    search("FindPersonButton");
    for (int i = 0; i < w->PersonListView->topLevelItemCount(); ++i)
        w->PersonListView->topLevelItem(i)->setSelected(w->PersonListView->topLevelItem(i)->text(3) == longNumber);
    run("QVPersonalToExcelSelected");
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"完成"});
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QString book = QFileInfo(localPath(tp.ui().opened[0])).fileName();
    EXPECT_EQ(book.toUtf8().size(), kMaxFileNameBytes);
    EXPECT_TRUE(book.startsWith("員工編號_999")) << book.toStdString();
    EXPECT_TRUE(book.endsWith("9_20250601_090000.xlsx")) << book.toStdString();

    // The maternity tables of a case named with 120 Chinese characters: one workbook for each table, the status word
    // and then the name cut, the table number and the key whole.
    const QString longName = QString(120, QChar(u'美'));
    tp.db().exec("INSERT INTO MaternityHealth (姓名, 個案檔號, 員工編號) VALUES (?, 'A1-202501', 'E1')", {longName});
    for (int n = 1; n <= 3; ++n)
        tp.db().exec(QString("INSERT INTO MHPT%1 (CaseKeyT%1, CaseKey, xSaveDate) VALUES ('T%1-250101000000', "
                             "'A1-202501', '2025/01/01 00:00:00')")
                         .arg(n));
    tp.ui().answerNext(Ui::Answer::Yes);
    maternity::exportAttachedTables(tp.program(), {longName, "A1-202501", "E1"});
    const QStringList files = QDir(maternity::maternityOutputFolder(tp.program())).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 3) << tp.ui().messageTexts().join("\n").toStdString();
    for (int n = 1; n <= 3; ++n) {
        const QString file = files[n - 1];
        EXPECT_LE(file.toUtf8().size(), kMaxFileNameBytes);
        EXPECT_TRUE(file.startsWith("美美美")) << file.toStdString();
        EXPECT_TRUE(file.endsWith(QString("美_母保附表%1__T%1-250101000000.xlsx").arg(n))) << file.toStdString();
    }
}

TEST_F(PanelExports, TheWholeListGoesToASheetNamedAfterTheMode) {
    search("PersonSelectButton");
    run("QVPersonalToExcel");
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QStringList sheets = sheetsOf(localPath(tp.ui().opened[0]));
    EXPECT_EQ(sheets[0], "人事資料查詢|姓名|性別|出生年月日|身份ID|員工編號|部門中文名稱|到職日|作業別|職稱|備註|"
                         "手機號碼|電子郵件|rows=2");
}

TEST_F(PanelExports, NoSelectedPersonIsSaidAndNoWorkbookIsMade) {
    search("FindPersonButton");
    run("QVPersonalToExcelSelected");
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_NE(tp.ui().messageTexts()[0], "完成");
}
