// The attached tables and the statistics through the real window: the case list of "母保對象", its submenu
// "母性保護" and the submenu "工作場所母性健康保護" of "新興議題", with the scripted Ui answering every box.

#include "maternity/CaseList.h"
#include "maternity/CaseTestSupport.h"
#include "maternity/MaternityTestSupport.h"

#include <QFileInfo>

using namespace maternity;
using namespace maternity::test;

namespace {

const QString kNumber = QStringLiteral("A123456789-202501");

// The case list with one case (employee A001) selected.
struct Journey {
    CaseWindow cw{QDateTime(QDate(2025, 6, 15), QTime(10, 30, 5)), true};
    Journey() {
        addCase(cw.tp.db(), StoredCase{"王小美", kNumber, "2025/01/02 08:00:00"});
        cw.open();
        cw.search("");
        cw.select(kNumber);
    }
    ScriptedUi& ui() { return cw.tp.ui(); }
    void importTable(int n, const QString& extra = {}) {
        ui().answerNext(Ui::Answer::Yes);
        ui().fileNext(fillTable(cw.tp, n, minimalFilling(n, "A001") + extra, QStringLiteral("t%1.xlsx").arg(n)));
        cw.choose("QVMaternityHealthProtectionTableLink");
    }
};

} // namespace

TEST(AttachedTableFlow, ImportExportDeleteAndStatisticsOfOneCase) {
    Journey j;
    // Three tables, a second apart; each is a new row of the selected case.
    for (int n = 1; n <= 3; ++n) {
        j.ui().clock = QDateTime(QDate(2025, 6, 15), QTime(10, 31, n));
        j.importTable(n, n == 1 ? "ws['B10'] = '有機溶劑'" : "");
    }
    EXPECT_EQ(j.cw.messagesSince(0).filter("【母保附表  匯入】 完成").size(), 3);
    EXPECT_TRUE(j.ui().shown[0].text.contains("個案工號 【A001】"));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(j.cw.tp.db()
                      .scalar(QStringLiteral("SELECT CaseKeyT%1 FROM MHPT%1 WHERE CaseKey = ?").arg(n), {kNumber})
                      .toString(),
                  QStringLiteral("T%1-25061510310%1").arg(n));
    // The export writes one workbook per table and opens the folder.
    j.cw.select(kNumber);
    j.ui().answerNext(Ui::Answer::Yes);
    j.cw.choose("QVMaternityHealthProtectionIndividualRepor");
    const QString folder = maternityOutputFolder(j.cw.tp.program());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(j.ui().opened.last(), folder);

    // Deleting table 2 by the key printed in C3; the next export no longer writes it.
    j.ui().inputNext(" T2-250615103102 ");
    j.ui().answerNext(Ui::Answer::Yes);
    j.cw.choose("QVMaternityHealthProtectionTableDeleteSelect");
    EXPECT_EQ(j.cw.messagesSince(0).last(), "附表2，T2-250615103102 已刪除");
    QDir(folder).removeRecursively();
    j.ui().answerNext(Ui::Answer::Yes);
    j.cw.choose("QVMaternityHealthProtectionIndividualRepor");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{"王小美_母保附表1_第二級管理_T1-250615103101.xlsx",
                           "王小美_母保附表3_妊娠中-第一級管理_T3-250615103103.xlsx"}));

    // The company statistics from the case list's submenu.
    j.ui().inputNext("2025/01/01");
    j.cw.choose("QVMaternityHealthProtectionCurrentSate");
    office::XlsxPackage stats;
    ASSERT_TRUE(bool(stats.open(folder + "/套表_母性保護_統計與執行紀錄表.xlsx")));
    EXPECT_EQ(stats.cellText(0, "C5"), "1"); // the chemical hazard
    EXPECT_EQ(stats.cellText(0, "C18"), "1 人；100.0%");
    EXPECT_EQ(stats.cellText(1, "N4"), "0"); // table 2 was deleted
}

TEST(AttachedTableFlow, AnImportSaysWhichTableItStoredUnderWhichKeyAndTheListCountsIt) {
    Journey j;
    j.ui().clock = QDateTime(QDate(2025, 6, 15), QTime(10, 31, 2));
    j.importTable(2);
    EXPECT_EQ(j.cw.messagesSince(0).last(), "【母保附表  匯入】 完成\r\n\r\n附表2，T2-250615103102 已存入\r\n"
                                            "附表二、妊娠及分娩後未滿 1 年之勞工健康情形自我評估表");
    EXPECT_EQ(j.cw.column(CaseTable2), QStringList{"1"});
}

TEST(AttachedTableFlow, ADeleteByKeyTakesTheTableOffTheListCountsAtOnce) {
    Journey j;
    j.ui().clock = QDateTime(QDate(2025, 6, 15), QTime(10, 31, 2));
    j.importTable(2);
    ASSERT_EQ(j.cw.column(CaseTable2), QStringList{"1"});
    j.ui().inputNext("T2-250615103102");
    j.ui().answerNext(Ui::Answer::Yes);
    j.cw.choose("QVMaternityHealthProtectionTableDeleteSelect");
    EXPECT_EQ(j.cw.messagesSince(0).last(), "附表2，T2-250615103102 已刪除");
    EXPECT_EQ(j.cw.column(CaseTable2), QStringList{"0"});
    // The case stays selected, ready for the next action.
    ASSERT_NE(j.cw.list()->currentItem(), nullptr);
    EXPECT_EQ(j.cw.list()->currentItem()->text(CaseNumber), kNumber);
}

TEST(AttachedTableFlow, TheMotherCareMenuOpensTheStatisticsAndTheExample) {
    Journey j;
    const int before = j.cw.messageCount();
    j.ui().inputNext("2025/01/01");
    j.cw.tp.find<QAction>("QVNewTopicMotherCareStatistica")->trigger();
    const QString folder = maternityOutputFolder(j.cw.tp.program());
    EXPECT_TRUE(QFileInfo::exists(folder + "/套表_母性保護_統計與執行紀錄表.xlsx"));
    EXPECT_EQ(j.cw.messagesSince(before), QStringList{"母性保護_統計與執行紀錄表，已存於 " + folder + "/  "});

    // Both example items open the same file.
    j.ui().opened.clear();
    j.cw.tp.find<QAction>("QVNewTopicMotherCareTable")->trigger();
    j.cw.choose("QVMaternityHealthProtectionTableExample");
    const QString example = QFileInfo(j.cw.tp.program().docFolder() + "範例_母性保護_匯入檔.xlsx").absoluteFilePath();
    EXPECT_EQ(j.ui().opened, (QStringList{example, example}));
}

TEST(AttachedTableFlow, AWrongWorkbookIsShownOnThePageAndNothingIsStored) {
    Journey j;
    j.ui().answerNext(Ui::Answer::Yes);
    j.ui().fileNext(fillTable(j.cw.tp, 2, "ws['B3'] = 'A002'\nws['B9'] = '分娩後'", "wrong.xlsx"));
    j.cw.choose("QVMaternityHealthProtectionTableLink");
    EXPECT_EQ(j.cw.messagesSince(0).last(),
              "【母保附表 匯入查驗】 完成, 但有部份檔案內容有誤, 暫不匯入，請參考除錯報告.");
    EXPECT_TRUE(j.ui().opened.last().endsWith("DebugStr.html"));
    EXPECT_EQ(j.cw.tp.db().scalar("SELECT count(*) FROM MHPT2").toInt(), 0);
}

TEST(AttachedTableFlow, WithoutASelectedCaseNothingIsAskedOfTheNurse) {
    CaseWindow cw(QDateTime(QDate(2025, 6, 15), QTime(10, 30, 5)), true);
    addCase(cw.tp.db(), StoredCase{"王小美", kNumber, "2025/01/02 08:00:00"});
    cw.open();
    cw.search("");
    cw.list()->clearSelection();
    cw.list()->setCurrentItem(nullptr);
    const int before = cw.messageCount();
    cw.choose("QVMaternityHealthProtectionTableLink");
    cw.choose("QVMaternityHealthProtectionIndividualRepor");
    EXPECT_EQ(cw.messagesSince(before), (QStringList{"請先在清單中選取一筆資料", "請先在清單中選取一筆資料"}));
    EXPECT_TRUE(cw.tp.ui().allAnswersUsed());
}
