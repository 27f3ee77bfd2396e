// The person search panel through the real window: opening and closing, both searches with their keyword match, the
// ToWord list, marking a row and the right-click menu of each list mode.

#include "people/PersonPanel.h"
#include "common/TestProgram.h"
#include "people/PersonQueries.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
void addEmployee(Database& db, const QString& name, const QString& no, const QString& dept = "品保部",
                 const QString& mobile = "0912") {
    db.exec("INSERT INTO EMPL (姓名, 性別, 出生年月日, 員工編號, 部門中文名稱, 手機號碼) VALUES (?, '1', '1980/01/01', "
            "?, ?, ?)",
            {name, no, dept, mobile});
}
void addHealth(Database& db, const QString& no, const QString& year, const QString& name, const QString& sex,
               const QString& birth) {
    db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日) VALUES (?, ?, ?, ?, ?, ?)",
            {year + "_" + no, no, year, name, sex, birth});
}

struct Panel {
    TestProgram tp{false};
    MainForm* w = nullptr;
    Panel() {
        tp.ui().clock = QDateTime(QDate(2025, 6, 15), QTime(10, 0));
        tp.start();
    }
    MainForm& open() {
        w = &tp.window();
        w->toolbarButton("PersonalHealth")->trigger();
        return *w;
    }
    void search(const QString& button, const QString& keyword) {
        tp.find<QLineEdit>("KeyNameTxt")->setText(keyword);
        QTest::mouseClick(tp.find<QPushButton>(button), Qt::LeftButton);
    }
    QTreeWidget* list() { return w->PersonListView; }
    QStringList column(int c) {
        QStringList out;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            out.append(list()->topLevelItem(i)->text(c));
        return out;
    }
    QStringList headers() {
        QStringList out;
        for (int c = 0; c < list()->columnCount(); ++c)
            out.append(list()->headerItem()->text(c));
        return out;
    }
    // The items a right click offers.
    QStringList offered() {
        emit list()->customContextMenuRequested(QPoint(5, 5));
        QStringList out;
        for (QAction* a : w->popupMenu("QVPersonalToWord")->actions())
            if (a->isVisible()) out.append(a->objectName().isEmpty() ? a->text() : a->objectName());
        out.sort();
        return out;
    }
};
} // namespace

TEST(PersonPanel, OpensOverTheLogListAndClosesGivingTheToolbarBack) {
    Panel p;
    MainForm& w = p.open();
    EXPECT_TRUE(w.FindSomeoneFrame->isVisible());
    EXPECT_FALSE(w.Toolbar1->isEnabled());
    EXPECT_FALSE(w.PersonListView->isVisible());
    EXPECT_EQ(w.FindSomeoneFrame->geometry(), w.TraceLV->geometry());
    auto* find = p.tp.find<QPushButton>("FindPersonButton");
    EXPECT_EQ(find->text(), "健康服務查詢");
    EXPECT_TRUE(find->toolTip().startsWith("至少要有一筆健康檢查資料"));
    EXPECT_EQ(p.tp.find<QPushButton>("PersonSelectButton")->text(), "人事資料查詢");
    EXPECT_EQ(p.tp.find<QPushButton>("MaternityHealthButton")->text(), "母保對象");
    EXPECT_EQ(p.tp.find<QPushButton>("ToWordPersonButton")->text(), "套表人員查詢");
    EXPECT_EQ(w.PersonListView->selectionMode(), QAbstractItemView::ExtendedSelection);

    QTest::mouseClick(p.tp.find<QPushButton>("ClosePanelButton"), Qt::LeftButton);
    EXPECT_FALSE(w.FindSomeoneFrame->isVisible());
    EXPECT_TRUE(w.Toolbar1->isEnabled());
    EXPECT_TRUE(w.toolbarButton("ShowReport")->isEnabled());
}

TEST(PersonPanel, EmployeeSearchMatchesNameOrNumberAnywhereWithLiteralWildcards) {
    Panel p;
    Database& db = p.tp.db();
    addEmployee(db, "王小明", "A001");
    addEmployee(db, "陳大文", "B100");
    addEmployee(db, "林_芳", "C%01");
    addEmployee(db, "O'Neil", "D001");
    p.open();

    p.search("PersonSelectButton", "");
    EXPECT_EQ(p.list()->property("Tag").toString(), "人事資料查詢");
    EXPECT_TRUE(p.list()->isVisible());
    EXPECT_EQ(p.headers(), (QStringList{"姓名", "性別", "出生年月日", "身份ID", "員工編號", "部門中文名稱", "到職日",
                                        "作業別", "職稱", "備註", "手機號碼", "電子郵件"}));
    EXPECT_EQ(p.column(0).size(), 4);

    p.search("PersonSelectButton", " 小明 ");
    EXPECT_EQ(p.column(0), QStringList{"王小明"});
    p.search("PersonSelectButton", "10");
    EXPECT_EQ(p.column(4), QStringList{"B100"});
    p.search("PersonSelectButton", "_");
    EXPECT_EQ(p.column(0), QStringList{"林_芳"});
    p.search("PersonSelectButton", "%");
    EXPECT_EQ(p.column(4), QStringList{"C%01"});
    p.search("PersonSelectButton", "O'N");
    EXPECT_EQ(p.column(0), QStringList{"O'Neil"});
    p.search("PersonSelectButton", "nobody");
    EXPECT_EQ(p.list()->topLevelItemCount(), 0);
    EXPECT_EQ(p.list()->columnCount(), 12);
}

TEST(PersonPanel, HealthServiceSearchCountsEachPersonsRecords) {
    Panel p;
    Database& db = p.tp.db();
    addHealth(db, "A001", "2023", "王舊名", "1", "1980/06/16");
    addHealth(db, "A001", "2024", "王小明", "1", "1980/06/16");
    addHealth(db, "B100", "2024", "陳美", "2", "1990/12/01");
    db.exec("INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼) VALUES ('2024_A001', 'A001', '2024')");
    for (int i = 0; i < 3; ++i)
        db.exec("INSERT INTO NursingBook (SerialX, 員工編號, 記錄日期) VALUES (?, 'B100', '2024/01/01')", {i});
    db.exec("INSERT INTO PersonalSpecialHealth (XID, 員工編號, 年度代碼) VALUES ('x', 'B100', '2024')");
    // A person with a log entry but no health check is not listed.
    db.exec("INSERT INTO NursingBook (SerialX, 員工編號, 記錄日期) VALUES ('z', 'Z9', '2024/01/01')");
    p.open();

    p.search("FindPersonButton", "");
    EXPECT_EQ(p.list()->property("Tag").toString(), "健康服務查詢");
    EXPECT_EQ(p.headers(), (QStringList{"姓名", "SEX", "目前年齡", "員工編號", "健檢資料筆數", "過勞量表筆數",
                                        "NMQ資料筆數", "健康服務資料量", "特殊健檢筆數"}));
    ASSERT_EQ(p.list()->topLevelItemCount(), 2);
    // The newest health check gives the name; whole months to today divided by 12.
    EXPECT_EQ(p.list()->topLevelItem(0)->text(0), "王小明");
    EXPECT_EQ(p.column(2), (QStringList{"45.0", "34.5"}));
    EXPECT_EQ(p.column(1), (QStringList{"1", "2"}));
    EXPECT_EQ(p.column(4), (QStringList{"2", "1"}));
    EXPECT_EQ(p.column(5), (QStringList{"1", "-"}));
    EXPECT_EQ(p.column(6), (QStringList{"-", "-"}));
    EXPECT_EQ(p.column(7), (QStringList{"-", "3"}));
    EXPECT_EQ(p.column(8), (QStringList{"-", "1"}));

    p.search("FindPersonButton", "陳");
    EXPECT_EQ(p.column(3), QStringList{"B100"});
}

TEST(PersonPanel, EveryMatchingPersonIsListed) {
    Panel p;
    std::vector<QVariantList> people, checks;
    for (int i = 0; i < 1500; ++i) {
        const QString no = QStringLiteral("N%1").arg(i, 4, 10, QLatin1Char('0'));
        people.push_back({QStringLiteral("人%1").arg(i), no});
        checks.push_back({"2024_" + no, no, "2024"});
    }
    p.tp.db().execBatch("INSERT INTO EMPL (姓名, 員工編號) VALUES (?, ?)", people);
    p.tp.db().execBatch("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼) VALUES (?, ?, ?)", checks);
    p.open();
    p.search("PersonSelectButton", "");
    EXPECT_EQ(p.list()->topLevelItemCount(), 1500);
    p.search("FindPersonButton", "");
    EXPECT_EQ(p.list()->topLevelItemCount(), 1500);
    EXPECT_TRUE(p.tp.ui().messageTexts().isEmpty());
    p.search("PersonSelectButton", "N100");
    EXPECT_EQ(p.column(4),
              (QStringList{"N1000", "N1001", "N1002", "N1003", "N1004", "N1005", "N1006", "N1007", "N1008", "N1009"}));
}

TEST(PersonPanel, ToWordListsThePrintTable) {
    Panel p;
    Database& db = p.tp.db();
    db.exec("DROP TABLE IF EXISTS ToWord");
    p.open();
    p.search("ToWordPersonButton", "");
    EXPECT_EQ(p.tp.ui().messageTexts().size(), 1); // no grading run yet
    db.exec("CREATE TABLE ToWord (年度代碼 TEXT, 姓名 TEXT, 員工編號 TEXT, 部門代號 TEXT, 部門名稱 TEXT, SEX TEXT, "
            "BMI分級 TEXT, 身高 REAL, 工作負荷等級 TEXT)");
    db.exec("INSERT INTO ToWord VALUES ('2024', '王小明', 'A001', 'D1', '品保部', '男', '正常', 170, '低負荷')");
    p.search("ToWordPersonButton", "");
    EXPECT_EQ(p.list()->property("Tag").toString(), "套表人員查詢");
    EXPECT_EQ(p.headers(),
              (QStringList{"年度代碼", "部門代號", "部門名稱", "姓名", "性別", "員工編號", "BMI分級", "工作負荷等級"}));
    EXPECT_EQ(p.list()->topLevelItem(0)->text(5), "A001");
    EXPECT_EQ(p.list()->topLevelItem(0)->text(4), "男");
}

TEST(PersonPanel, AClickMarksTheRow) {
    Panel p;
    addEmployee(p.tp.db(), "甲", "1");
    addEmployee(p.tp.db(), "乙", "2");
    p.open();
    p.search("PersonSelectButton", "");
    QTreeWidget* list = p.list();
    EXPECT_EQ(people::rowIconName(list->topLevelItem(0)), "Non");
    auto click = [&](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
    };
    click(1);
    EXPECT_EQ(people::rowIconName(list->topLevelItem(1)), "SelectItem");
    EXPECT_EQ(people::rowIconName(list->topLevelItem(0)), "Non");
    click(0);
    EXPECT_EQ(people::rowIconName(list->topLevelItem(0)), "SelectItem");
    EXPECT_EQ(people::rowIconName(list->topLevelItem(1)), "Non");
    EXPECT_EQ(people::selectedPersonRow(*p.w), list->topLevelItem(0));
}

TEST(PersonPanel, TheRightClickOffersTheItemsOfTheMode) {
    Panel p;
    Database& db = p.tp.db();
    addEmployee(db, "王小明", "A001");
    addHealth(db, "A001", "2024", "王小明", "1", "1980/06/16");
    db.exec("DROP TABLE IF EXISTS ToWord");
    db.exec("CREATE TABLE ToWord (年度代碼 TEXT, 姓名 TEXT, 員工編號 TEXT, 部門代號 TEXT, 部門名稱 TEXT, SEX TEXT)");
    db.exec("INSERT INTO ToWord VALUES ('2024', '王小明', 'A001', 'D1', '品保部', '男')");
    MainForm& w = p.open();
    // A mode another subsystem registers offers its own items: some always, the others while the list has rows.
    people::ListModeSpec spec;
    spec.buttonName = "TestModeButton";
    spec.caption = "測試對象";
    spec.rows = [](const QString& keyword) {
        return keyword == "nobody" ? Recordset({"姓名"}, {}) : Recordset({"姓名"}, {{"王小明"}});
    };
    people::ListMode& mode = people::addListMode(w, spec);
    mode.addMenuItem("TestModeNew", "新增", people::Offer::Always);
    mode.addSubmenu("TestModeMenu", "子選單");
    QMenu* menu = w.popupMenu("QVPersonalToWord");

    const QStringList everyMode = {"QVPersonalToExcel", "QVPersonalToWeb"};
    p.search("PersonSelectButton", "");
    EXPECT_EQ(p.offered(), everyMode); // the entry frame is closed
    w.FrameNursing->show();
    EXPECT_EQ(p.offered(), (QStringList{"QVPersonalSelected", "QVPersonalToExcel", "QVPersonalToWeb"}));
    w.FrameNursing->hide();

    p.search("FindPersonButton", "");
    EXPECT_EQ(p.offered(), (QStringList{"PersonalReportAll", "PersonalReportNMQ", "QVPersonalToExcel",
                                        "QVPersonalToExcelSelected", "QVPersonalToWeb", "QVPersonalToWebSelected"}));
    // Every item offered can be chosen (the reports connect the two personal reports).
    for (QAction* a : menu->actions()) {
        if (a->isVisible()) {
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        }
    }
    p.search("ToWordPersonButton", "");
    EXPECT_EQ(p.offered(), (QStringList{"QVPersonalToExcel", "QVPersonalToWeb", "QVPersonalToWordSelected"}));

    // An empty list offers nothing, except the items a registered mode offers always.
    p.search("PersonSelectButton", "nobody");
    EXPECT_EQ(p.offered(), QStringList{});
    p.search("TestModeButton", "nobody");
    EXPECT_EQ(p.offered(), QStringList{"TestModeNew"});
    p.search("TestModeButton", "");
    EXPECT_EQ(p.offered(), (QStringList{"QVPersonalToExcel", "QVPersonalToWeb", "TestModeMenu", "TestModeNew"}));
    // The captions are the menu's own.
    QStringList captions;
    for (QAction* a : menu->actions())
        if (a->objectName() == "QVPersonalToExcel" || a->objectName() == "QVPersonalToWordSelected" ||
            a->objectName() == "PersonalReportAll")
            captions.append(a->text());
    EXPECT_EQ(captions, (QStringList{"套印目前選取項目 (Word)", "健康服務_個人化彙整套表", "輸出至 Ecxel"}));
}

TEST(PersonPanel, ARegisteredModeSearchesThroughItsButton) {
    Panel p;
    MainForm& w = p.open();
    QStringList keywords;
    bool fail = false;
    people::ListModeSpec spec;
    spec.buttonName = "TestModeButton";
    spec.caption = "測試對象";
    spec.selection = people::Selection::Single;
    spec.rows = [&](const QString& keyword) {
        keywords << keyword;
        if (fail) throw DbError("no such table: X", "SELECT");
        return Recordset({"姓名", "編號", "備註"}, {{"甲", "1", "a"}, {"乙", "2", "b"}});
    };
    people::ListMode& mode = people::addListMode(w, spec);
    // Its button stands in the panel's row after the panel's own buttons and shows with the panel.
    auto* button = p.tp.find<QPushButton>("TestModeButton");
    ASSERT_EQ(button, mode.button());
    EXPECT_EQ(button->text(), "測試對象");
    QTest::mouseClick(p.tp.find<QPushButton>("ClosePanelButton"), Qt::LeftButton);
    p.open();
    EXPECT_TRUE(button->isVisible());
    EXPECT_GT(button->x(), p.tp.find<QPushButton>("ToWordPersonButton")->x());
    EXPECT_LT(button->x(), p.tp.find<QPushButton>("ClosePanelButton")->x());

    p.search("TestModeButton", "  甲 ");
    EXPECT_EQ(keywords, QStringList{"甲"});
    EXPECT_TRUE(mode.isCurrent());
    EXPECT_EQ(people::listMode(w), "測試對象");
    EXPECT_EQ(p.list()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(p.column(1), (QStringList{"1", "2"}));
    EXPECT_EQ(people::keywordText(w), "甲");

    EXPECT_FALSE(people::selectedRow(w));
    p.list()->setCurrentItem(p.list()->topLevelItem(1));
    const auto row = people::selectedRow(w);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->name(), "乙");
    EXPECT_EQ(row->subItem(2), "b");
    EXPECT_EQ(row->subItem(7), "");

    // A database error is said in a box; the panel keeps its list.
    fail = true;
    p.search("TestModeButton", "");
    EXPECT_EQ(p.tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(p.tp.ui().messageTexts().value(0).endsWith("no such table: X"));
    EXPECT_EQ(p.list()->topLevelItemCount(), 2);
    // Another search gives the list another mode.
    p.search("PersonSelectButton", "");
    EXPECT_FALSE(mode.isCurrent());
}

TEST(PersonAge, WholeMonthsDividedByTwelve) {
    const QDate today(2025, 6, 15);
    EXPECT_EQ(people::currentAge("1980/06/30", today), "45.0"); // the day of the month does not count
    EXPECT_EQ(people::currentAge("1980/07/01", today), "44.9");
    EXPECT_EQ(people::currentAge("1990-12-01", today), "34.5");
    EXPECT_EQ(people::currentAge("1980/03/01", today), "45.3"); // 45.25: a half rounds away from zero
    EXPECT_EQ(people::currentAge("", today), "");
    EXPECT_EQ(people::currentAge("not a date", today), "");
}
