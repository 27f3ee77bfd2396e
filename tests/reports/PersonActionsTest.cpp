// The person panel's actions: taking a person into the log entry, the personal report's sections (workbook columns
// and the one web page), the whole-list web page and the overwork print's list of persons.

#include "reports/PersonActions.h"
#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "people/PersonPanel.h"
#include "reports/OverworkPrint.h"
#include "reports/PersonalRecords.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
QString readPage(TestProgram& tp) {
    QFile f(htmlPagePath(tp.program()));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

void seedPerson(Database& db) {
    db.exec("INSERT INTO EMPL (姓名, 性別, 員工編號, 部門中文名稱, 手機號碼) VALUES ('王小明', '1', 'A001', '品保部', "
            "'0912-345')");
    db.exec(
        "INSERT INTO EMPL (姓名, 性別, 員工編號, 部門中文名稱, 手機號碼) VALUES ('陳美', '2', 'B100', '製造部', '')");
    db.exec(
        "INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, 部門名稱, SEX, 出生年月日, 身高, 體重, 腰圍, BMI, "
        "收縮壓, Framingham_Risk_Score, 成人血壓分級) VALUES ('2023_A001', 'A001', '2023', '王小明', '品保部', '1', "
        "'1980/01/01', 170.25, 65, 80.5, 22.49, 120.5, '5%', '正常')");
    db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, 部門名稱, SEX, 出生年月日, 既往病歷) VALUES "
            "('2024_A001', 'A001', '2024', '王小明', '品保部', '', '1980/01/01', '<b>高血壓</b> & 糖尿病')");
    db.exec("INSERT INTO PersonalNMQ (XID, 員工編號, 年度代碼, 姓名, Basic09, Q001) VALUES ('n1', 'A001', '2024', "
            "'王小明', '男', '3')");
    db.exec("INSERT INTO NursingBook (SerialX, 員工編號, 記錄日期, 記錄時間, 人員姓名, xPDF, xSaveTime) VALUES ('S1', "
            "'A001', '2024/05/01', '09:30', '王小明', 'S1_報告.pdf', '2024/05/01 09:31:00')");
    db.exec("INSERT INTO NursingBook (SerialX, 員工編號, 記錄日期, 記錄時間, 人員姓名, xPDF) VALUES ('S2', 'A001', "
            "'2024/06/01', '10:00', '王小明', '-')");
    // Another person's rows never show.
    db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名) VALUES ('2024_B100', 'B100', '2024', '陳美')");
}

struct Actions {
    TestProgram tp{false};
    MainForm* w = nullptr;
    Actions() {
        tp.ui().clock = QDateTime(QDate(2025, 6, 15), QTime(10, 0));
        tp.start();
        seedPerson(tp.db());
        w = &tp.window();
        w->toolbarButton("PersonalHealth")->trigger();
    }
    void search(const QString& button, const QString& keyword = {}) {
        tp.find<QLineEdit>("KeyNameTxt")->setText(keyword);
        QTest::mouseClick(tp.find<QPushButton>(button), Qt::LeftButton);
    }
    void select(std::initializer_list<int> rows) {
        w->PersonListView->clearSelection();
        for (int r : rows)
            w->PersonListView->topLevelItem(r)->setSelected(true);
    }
    void trigger(const QString& item) {
        for (QAction* a : w->popupMenu("QVPersonalToWord")->actions())
            if (a->objectName() == item) a->trigger();
    }
};
} // namespace

TEST(PersonSelected, FillsTheOpenEntryFrameAndNothingWhileItIsHidden) {
    Actions a;
    a.search("PersonSelectButton", "A001");
    auto* name = a.tp.find<QLineEdit>("Text4_1");
    auto* type = a.tp.find<QComboBox>("SubjectTypeCombo");
    type->setCurrentIndex(2);

    // Hidden frame: nothing changes, nothing is said.
    a.select({0});
    a.trigger("QVPersonalSelected");
    EXPECT_EQ(name->text(), "");
    EXPECT_TRUE(a.tp.ui().messageTexts().isEmpty());

    a.w->FrameNursing->show();
    a.select({});
    a.trigger("QVPersonalSelected");
    EXPECT_EQ(a.tp.ui().messageTexts(), QStringList{reports::kNothingSelected});
    EXPECT_EQ(name->text(), "");

    a.select({0});
    a.trigger("QVPersonalSelected");
    EXPECT_EQ(name->text(), "王小明");
    EXPECT_EQ(a.tp.find<QLineEdit>("Text4_2")->text(), "A001");
    EXPECT_EQ(a.tp.find<QLineEdit>("Text4_3")->text(), "品保部");
    EXPECT_EQ(a.tp.find<QLineEdit>("Text4_10")->text(), "0912-345");
    EXPECT_EQ(type->currentText(), "員工");
}

TEST(PersonalReport, WorkbookSectionsHaveTheirColumnsAndRows) {
    Actions a;
    const auto s = reports::personRecordSections(a.tp.program(), "A001", false);
    ASSERT_EQ(s.size(), 5u);
    QStringList sheets;
    for (const auto& sec : s)
        sheets.append(sec.sheetName);
    EXPECT_EQ(sheets, (QStringList{"健檢資料筆數", "過勞量表筆數", "NMQ資料筆數", "健康服務資料量", "特殊健檢筆數"}));
    EXPECT_EQ(
        s[0].fields,
        (QStringList{"年度代碼",     "姓名",         "員工編號",        "部門代號",     "部門名稱",
                     "性別",         "出生年月日",   "身高_cm",         "體重_kg",      "腰圍_cm",
                     "收縮壓",       "舒張壓",       "飯前血醣",        "總膽固醇",     "三酸甘油脂",
                     "高密度膽固醇", "低密度膽固醇", "抽菸習慣",        "既往病歷",     "健檢過程備註說明",
                     "BMI",          "成人血壓分級", "代謝症候群_分級", "三高族群分級", "Framingham_Risk_Score"}));
    // Later year code first; an empty SEX reads as female.
    ASSERT_EQ(s[0].rows.size(), 2u);
    EXPECT_EQ(s[0].rows[0][0], "2024");
    EXPECT_EQ(s[0].rows[0][5], "女");
    EXPECT_EQ(s[0].rows[1][5], "男");
    EXPECT_EQ(s[0].rows[1][7], "170.3"); // 身高 "0.0"
    EXPECT_EQ(s[0].rows[1][8], "65.0");  // 體重 "0.0"
    EXPECT_EQ(s[0].rows[1][9], "81");    // 腰圍 "0", half away from zero
    EXPECT_EQ(s[0].rows[1][10], "121");  // 收縮壓 "0"
    EXPECT_EQ(s[0].rows[1][20], "22.5"); // BMI "0.0"
    EXPECT_EQ(s[0].rows[0][7], "");      // no height stored

    EXPECT_EQ(s[1].fields.mid(9, 2), (QStringList{"個人過勞得分", "個人過勞等級"}));
    EXPECT_EQ(s[1].fields.size(), 3 + 6 + 2 + 7 + 2 + 2);
    EXPECT_TRUE(s[1].rows.empty()); // no overwork scale: the sheet is still there
    EXPECT_EQ(s[2].fields.size(), 3 + 34);
    EXPECT_EQ(s[2].fields[9], "性別");
    EXPECT_EQ(s[2].fields.last(), "匯入檔檔名");
    EXPECT_EQ(s[3].fields, (QStringList{"記錄日期", "記錄時間", "人員身份", "人員姓名", "員工編號", "聯絡分機",
                                        "所屬部門", "事件代碼", "嚴重代碼", "事件發生經過與症狀描述", "處理措施",
                                        "追蹤情況", "醫護人員", "寫入時間", "xPDF"}));
    ASSERT_EQ(s[3].rows.size(), 2u);
    EXPECT_EQ(s[3].rows[0][0], "2024/06/01");
    EXPECT_EQ(s[3].rows[1][13], "2024/05/01 09:31:00");
    EXPECT_EQ(s[4].fields, (QStringList{"年度代碼", "姓名", "員工編號", "健檢醫院代碼", "實際健檢日期",
                                        "特殊健檢代碼_僅兩碼", "特殊健檢管理等級", "健檢過程備註說明"}));
    // The employee number is a value, never SQL.
    EXPECT_TRUE(reports::personRecordSections(a.tp.program(), "A001' OR '1'='1", false)[0].rows.empty());
}

TEST(PersonalReport, TheWebReportIsOnePageWithTheFiveSectionsInOrder) {
    Actions a;
    a.search("FindPersonButton", "A001");
    a.select({});
    a.trigger("QVPersonalToWebSelected");
    EXPECT_EQ(a.tp.ui().messageTexts(), QStringList{reports::kNothingSelected});
    EXPECT_TRUE(a.tp.ui().opened.isEmpty());

    a.select({0});
    a.trigger("QVPersonalToWebSelected");
    ASSERT_EQ(a.tp.ui().opened.size(), 1);
    EXPECT_EQ(a.tp.ui().waitedMs, 0);
    const QString page = readPage(a.tp);
    int at = 0;
    for (const char* tail : {" [健檢資料] ", " [過勞量表] ", " [NMQ問卷] ", " [健康服務紀錄] ", " [特殊健檢] "}) {
        const int next = page.indexOf(QStringLiteral("員工編號: A001") + QString::fromUtf8(tail), at);
        EXPECT_GT(next, at) << tail;
        at = next;
    }
    // Composed columns, with values escaped and parts joined by <P>.
    EXPECT_TRUE(page.contains("<th>個人資料</th>"));
    EXPECT_TRUE(page.contains("王小明 (女性) <P>出生年月日︰ 1980/01/01"));
    EXPECT_TRUE(page.contains("王小明 (男性) "));
    EXPECT_TRUE(page.contains("既往病歷︰ &lt;b&gt;高血壓&lt;/b&gt; &amp; 糖尿病"));
    EXPECT_FALSE(page.contains("<b>高血壓"));
    EXPECT_TRUE(page.contains("01.【 5%】<P> 02.【 正常】"));
    EXPECT_TRUE(page.contains("身高︰170.25<P>體重︰65"));
    EXPECT_TRUE(page.contains("王小明 (男) <P>員工編號︰A001"));
    EXPECT_TRUE(page.contains("<th>日期與時間</th>"));
    EXPECT_TRUE(page.contains("2024/06/01<P>10:00"));
    EXPECT_TRUE(page.contains("S1_%E5%A0%B1%E5%91%8A.pdf\">S1_報告.pdf</a>"));
    // The legends follow their sections.
    const int legend1 = page.indexOf("01.【心血管疾病風險分級】");
    const int legend2 = page.indexOf("I01.你常覺得疲勞嗎?<P>");
    EXPECT_GT(legend1, page.indexOf(" [健檢資料] "));
    EXPECT_LT(legend1, page.indexOf(" [過勞量表] "));
    EXPECT_GT(legend2, page.indexOf(" [過勞量表] "));
    EXPECT_LT(legend2, page.indexOf(" [NMQ問卷] "));
    EXPECT_TRUE(page.contains(" 健康風險指標 分析完成日期:︰ 2025/06/15 10:00:00"));
    EXPECT_TRUE(page.contains("(5)從未或幾乎從未"));
    // Another person's records are not on the page.
    EXPECT_FALSE(page.contains("陳美"));
}

TEST(PersonList, TheWholeListGoesToTheWebPageUnderItsMode) {
    Actions a;
    a.search("PersonSelectButton");
    a.trigger("QVPersonalToWeb");
    ASSERT_EQ(a.tp.ui().opened.size(), 1);
    const QString page = readPage(a.tp);
    EXPECT_TRUE(page.contains("<title>人事資料查詢</title>"));
    EXPECT_TRUE(page.contains("<td>王小明</td>"));
    EXPECT_TRUE(page.contains("<td>陳美</td>"));
}

TEST(OverworkPrint, SelectedPersonsGoIntoTheListOnceEach) {
    Actions a;
    Database& db = a.tp.db();
    db.exec("DROP TABLE IF EXISTS ToWord");
    db.exec("CREATE TABLE ToWord (年度代碼 TEXT, 姓名 TEXT, 員工編號 TEXT, 部門代號 TEXT, 部門名稱 TEXT, SEX TEXT)");
    for (const char* no : {"A001", "B100", "C7", "A001"})
        db.exec("INSERT INTO ToWord VALUES ('2024', 'x', ?, 'D', 'd', '男')", {QString::fromUtf8(no)});
    a.search("ToWordPersonButton");
    ASSERT_EQ(a.w->PersonListView->topLevelItemCount(), 4);

    // Nothing selected: said, and nothing printed.
    a.select({});
    EXPECT_FALSE(reports::RAToWord(*a.w, a.tp.program()));
    EXPECT_EQ(a.tp.ui().messageTexts().size(), 1);
    EXPECT_FALSE(a.tp.ui().messageTexts().contains("套印完成"));

    a.select({0, 1, 3});
    EXPECT_EQ(reports::selectedToWordEmployees(*a.w), (QStringList{"A001", "B100"}));
    reports::rebuildToWordList(a.tp.program(), reports::selectedToWordEmployees(*a.w));
    const Recordset merged = db.query(reports::toWordMergeSql());
    EXPECT_EQ(merged.recordCount(), 3); // A001 graded twice, B100 once: each ToWord row once
    reports::rebuildToWordList(a.tp.program(), {"O'Neil"});
    EXPECT_EQ(db.scalar("SELECT 員工編號 FROM ToWordList").toString(), "O'Neil");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM ToWordList").toInt(), 1);
}
