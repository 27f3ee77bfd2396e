// The overwork questionnaires of the persons selected in the "套表人員查詢" list, printed by the mail merge and read
// back from the document.

#include "common/TestProgram.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class OverworkPrintFlow : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0));
        ASSERT_TRUE(tp.start());
        Database& db = tp.db();
        db.exec("DROP TABLE IF EXISTS ToWord");
        db.exec("CREATE TABLE ToWord (年度代碼 TEXT, 姓名 TEXT, 員工編號 TEXT, 部門代號 TEXT, 部門名稱 TEXT, SEX TEXT, "
                "工作負荷等級 TEXT)");
        // 甲君 was graded twice in the run; the list shows each ToWord row.
        const char* rows[][3] = {{"甲君", "A001", "低負荷"},
                                 {"乙君", "B002", "中負荷"},
                                 {"丙君", "C003", "高負荷"},
                                 {"甲君", "A001", "中負荷"},
                                 {"丁君", "D004", "低負荷"}};
        for (const auto& r : rows)
            db.exec("INSERT INTO ToWord VALUES ('2025', ?, ?, 'D1', '品保部', '男', ?)",
                    {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2])});
        MainForm& w = tp.window();
        w.toolbarButton("PersonalHealth")->trigger();
        QTest::mouseClick(tp.find<QPushButton>("ToWordPersonButton"), Qt::LeftButton);
        list = w.PersonListView;
        ASSERT_EQ(list->topLevelItemCount(), 5);
    }
    void select(std::initializer_list<int> rows) {
        list->clearSelection();
        for (int r : rows)
            list->topLevelItem(r)->setSelected(true);
    }
    void print() {
        emit list->customContextMenuRequested(QPoint(3, 3));
        QAction* item = nullptr;
        for (QAction* a : tp.window().popupMenu("QVPersonalToWord")->actions())
            if (a->objectName() == "QVPersonalToWordSelected") item = a;
        ASSERT_TRUE(item && item->isVisible());
        item->trigger();
    }
    TestProgram tp;
    QTreeWidget* list = nullptr;
};
} // namespace

TEST_F(OverworkPrintFlow, NothingSelectedIsSaidAndNothingPrinted) {
    select({});
    print();
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_NE(tp.ui().messageTexts()[0], "套印完成");
}

TEST_F(OverworkPrintFlow, OnePersonIsPrintedOncePerGradedRow) {
    select({1});
    print();
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"套印完成"});
    const QString path =
        QUrl(tp.ui().opened[0]).isLocalFile() ? QUrl(tp.ui().opened[0]).toLocalFile() : tp.ui().opened[0];
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("套表_過負荷評估問卷_"));
    const QString text = docxText(path);
    EXPECT_EQ(text.count("乙君"), 1);
    EXPECT_EQ(text.count("甲君"), 0);
}

TEST_F(OverworkPrintFlow, ThreeSelectedPersonsAndOneSelectedTwice) {
    // 甲君's two rows are both selected, with 乙君 and 丙君: 甲君 is printed once per graded row, not twice over.
    select({0, 1, 2, 3});
    print();
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QString path =
        QUrl(tp.ui().opened[0]).isLocalFile() ? QUrl(tp.ui().opened[0]).toLocalFile() : tp.ui().opened[0];
    const QString text = docxText(path);
    EXPECT_EQ(text.count("甲君"), 2);
    EXPECT_EQ(text.count("乙君"), 1);
    EXPECT_EQ(text.count("丙君"), 1);
    EXPECT_EQ(text.count("丁君"), 0);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM ToWordList").toInt(), 3);
}

TEST_F(OverworkPrintFlow, ALockedDatabaseIsSaidAndThePrintCanBeRepeated) {
    select({1});
    // Another program holds the write lock while the nurse prints.
    Database other;
    ASSERT_TRUE(other.open(tp.program().databasePath()));
    other.exec("BEGIN EXCLUSIVE");
    tp.db().setBusyTimeout(50);
    print();
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith(QStringLiteral("「套印目前選取項目 (Word)」無法完成, 資料庫回報:")))
        << tp.ui().shown[0].text.toStdString();
    EXPECT_TRUE(tp.ui().shown[0].text.contains("locked")) << tp.ui().shown[0].text.toStdString();
    EXPECT_EQ(tp.db().transactionDepth(), 0);
    EXPECT_TRUE(tp.window().isVisible());

    // The lock gone, the same print goes through.
    other.exec("ROLLBACK");
    print();
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_EQ(tp.ui().messageTexts().last(), "套印完成");
}
