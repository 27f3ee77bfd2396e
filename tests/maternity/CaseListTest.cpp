// The maternity case list: the statement's ages, counts and status on a small register with known answers, the
// newest 50, the keyword, and the list mode "母保對象" of the person panel.

#include "maternity/CaseList.h"
#include "maternity/CaseTestSupport.h"

#include <QLineEdit>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace maternity;
using namespace maternity::test;

namespace {
const QDate kToday(2025, 6, 15);

void seedRegister(Database& db) {
    addCase(db, {"王小美", "A123456789-202401", "2024/01/10 09:05:00", "1990/12/01", "E001", "A123456789",
                 "2024/12/31 17:00:00", "0912-345-678", "第二胎"});
    addCase(db,
            {"陳美玲", "B223456789-202503", "2025/03/02 14:20:59", "1980/03/01", "E002", "B223456789", {}, "-", "-"});
    addCase(db, {"林_芳", "C223456789-202505", "2025/05/20 08:00:00", "1995-06-16", "E%03", "C223456789"});
    addTables(db, 1, "A123456789-202401", 2);
    addTables(db, 1, "B223456789-202503", 1);
    addTables(db, 2, "B223456789-202503", 3);
    addTables(db, 3, "B223456789-202503", 1);
    // Rows of a deleted case count for nobody.
    addTables(db, 3, "Z999999999-202001", 4);
}
} // namespace

TEST(CaseList, AgesCountsAndStatusOfEachCase) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    const Recordset rs = maternityCaseList(tp.db(), "", kToday);
    EXPECT_EQ(rs.fieldNames(), (QStringList{"姓名", "個案檔號", "個案建檔日", "出生年月日", "目前年齡", "員工編號",
                                            "身份ID", "附表一_危害評估", "附表二_健康評估", "附表三_工作適性",
                                            "個案解除日", "手機號碼", "備註說明"}));
    ASSERT_EQ(rs.recordCount(), 3);
    auto row = [&](int r) {
        QStringList out;
        for (int c = 0; c < rs.fieldCount(); ++c)
            out << rs.text(r, c);
        return out;
    };
    // Newest first; ages are whole months to today divided by 12 (45.25 rounds up); an open case is "列管中".
    EXPECT_EQ(row(0), (QStringList{"林_芳", "C223456789-202505", "2025/05/20 08:00", "1995/06/16", "30.0", "E%03",
                                   "C223456789", "0", "0", "0", "列管中", "-", "-"}));
    EXPECT_EQ(row(1), (QStringList{"陳美玲", "B223456789-202503", "2025/03/02 14:20", "1980/03/01", "45.3", "E002",
                                   "B223456789", "1", "3", "1", "列管中", "-", "-"}));
    EXPECT_EQ(row(2), (QStringList{"王小美", "A123456789-202401", "2024/01/10 09:05", "1990/12/01", "34.5", "E001",
                                   "A123456789", "2", "0", "0", "2024/12/31 17:00:00", "0912-345-678", "第二胎"}));
}

TEST(CaseList, KeywordMatchesNameOrEmployeeNumberLiterally) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    const struct {
        const char* keyword;
        QStringList names;
    } cases[] = {
        {"美", {"陳美玲", "王小美"}},  // anywhere in the name
        {"E00", {"陳美玲", "王小美"}}, // anywhere in the employee number
        {"_", {"林_芳"}},              // "_" matches itself
        {"%", {"林_芳"}},              // so does "%"
        {"王'", {}},                   // an apostrophe is a character like any other
        {"nobody", {}},
    };
    for (const auto& c : cases) {
        const Recordset rs = maternityCaseList(tp.db(), QString::fromUtf8(c.keyword), kToday);
        QStringList names;
        for (int r = 0; r < rs.recordCount(); ++r)
            names << rs.text(r, 0);
        EXPECT_EQ(names, c.names) << c.keyword;
        EXPECT_EQ(rs.fieldCount(), int(CaseColumnCount)) << c.keyword;
    }
}

TEST(CaseList, OnlyTheNewestFiftyAreListed) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    std::vector<QVariantList> rows;
    for (int i = 0; i < 51; ++i)
        rows.push_back({QStringLiteral("個案%1").arg(i), QStringLiteral("N%1-202501").arg(i),
                        QDateTime(QDate(2025, 1, 1), QTime(8, 0)).addSecs(i * 3600).toString("yyyy/MM/dd HH:mm:ss")});
    tp.db().execBatch("INSERT INTO MaternityHealth (姓名, 個案檔號, 個案建檔日) VALUES (?, ?, ?)", rows);
    const Recordset rs = maternityCaseList(tp.db(), "", kToday);
    ASSERT_EQ(rs.recordCount(), 50);
    EXPECT_EQ(rs.text(0, 0), "個案50");
    EXPECT_EQ(rs.text(49, 0), "個案1");
}

TEST(CaseList, TwoCasesSharingANumberEachShowTheTrueCounts) {
    // An older register may hold a number twice; each row shows the number's rows once, not multiplied.
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    addCase(tp.db(), {"王小美", "A123456789-202501", "2025/01/02 08:00:00"});
    addCase(tp.db(), {"王小美", "A123456789-202501", "2025/01/20 08:00:00"});
    addTables(tp.db(), 1, "A123456789-202501", 2);
    const Recordset rs = maternityCaseList(tp.db(), "", kToday);
    ASSERT_EQ(rs.recordCount(), 2);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(rs.text(r, CaseTable1), "2");
        EXPECT_EQ(rs.text(r, CaseTable2), "0");
    }
}

TEST(CaseList, TheButtonFillsThePanelInItsMode) {
    CaseWindow cw;
    seedRegister(cw.tp.db());
    MainForm& w = cw.open();
    EXPECT_TRUE(w.FindSomeoneFrame->isVisible());
    EXPECT_FALSE(w.Toolbar1->isEnabled());
    auto* button = cw.tp.find<QPushButton>("MaternityHealthButton");
    EXPECT_EQ(button->text(), "母保對象");
    EXPECT_EQ(w.PersonListView->property("Tag").toString(), "母保對象");
    EXPECT_EQ(w.PersonListView->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(w.PersonListView->columnCount(), 13);
    EXPECT_EQ(w.PersonListView->headerItem()->text(CaseTable3), "附表三_工作適性");
    EXPECT_EQ(cw.column(CaseName), (QStringList{"林_芳", "陳美玲", "王小美"}));
    EXPECT_EQ(cw.column(CaseEnded), (QStringList{"列管中", "列管中", "2024/12/31 17:00:00"}));
    // Each column takes 7 % of the list's width.
    const int share = int(w.PersonListView->viewport()->width() * 0.07);
    EXPECT_EQ(w.PersonListView->columnWidth(0), std::max(share, 20));

    // The keyword is trimmed; a keyword matching nothing leaves the thirteen columns.
    cw.search("  陳 ");
    EXPECT_EQ(cw.column(CaseName), QStringList{"陳美玲"});
    cw.search("nobody");
    EXPECT_EQ(w.PersonListView->topLevelItemCount(), 0);
    EXPECT_EQ(w.PersonListView->columnCount(), 13);
    EXPECT_TRUE(cw.tp.ui().messageTexts().isEmpty());
}

TEST(CaseList, TheRightClickOffersANewCaseAlwaysAndTheCaseMenuWithCases) {
    CaseWindow cw;
    MainForm& w = cw.open();
    EXPECT_EQ(cw.offered(), QStringList{"QVMaternityHealthProtectionNewCase"});
    addCase(cw.tp.db(), {"王小美", "A123456789-202501", "2025/01/02 08:00:00"});
    cw.search("");
    EXPECT_EQ(cw.offered(), (QStringList{"QVMaternityHealthProtection", "QVMaternityHealthProtectionNewCase",
                                         "QVPersonalToExcel", "QVPersonalToWeb"}));
    // Another mode offers none of them.
    QTest::mouseClick(cw.tp.find<QPushButton>("PersonSelectButton"), Qt::LeftButton);
    EXPECT_FALSE(cw.offered().contains("QVMaternityHealthProtectionNewCase"));

    QStringList captions;
    for (QAction* a : cw.tp.find<QMenu>("QVMaternityHealthProtection")->actions())
        captions << a->objectName() + " " + a->text();
    EXPECT_EQ(captions, (QStringList{"QVMaternityHealthProtectionEndCase 解除_母保個案",
                                     "QVMaternityHealthProtectionEdit_0 編輯_個案資訊 (手機)",
                                     "QVMaternityHealthProtectionEdit_1 編輯_個案資訊 (備註說明)",
                                     "QVMaternityHealthProtectionDeleteCase 刪除_母保個案"}));
    EXPECT_EQ(cw.tp.find<QMenu>("QVMaternityHealthProtection")->title(), "母性保護");
    EXPECT_EQ(cw.tp.find<QAction>("QVMaternityHealthProtectionNewCase")->text(), "新增_母保個案");
    // "新興議題" holds "工作場所母性健康保護" with the case management.
    QMenu* careMenu = cw.tp.find<QMenu>("QVNewTopicMotherCare");
    ASSERT_TRUE(careMenu);
    EXPECT_EQ(careMenu->title(), "工作場所母性健康保護");
    EXPECT_TRUE(w.popupMenu("QVNewTopic")->actions().contains(careMenu->menuAction()));
    EXPECT_EQ(careMenu->actions().value(0)->text(), "母性保護_個案管理");
}
