// Database errors through the real window: each is said in a message box and the window stays usable.

#include "common/TestProgram.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Zeroes the first page of a table in the closed database file; SQLite still opens the file but the table is damaged.
void damageTable(Database& db, const QString& table) {
    const qint64 page = db.scalar("PRAGMA page_size").toLongLong();
    const qint64 root = db.scalar("SELECT rootpage FROM sqlite_master WHERE name = ?", {table}).toLongLong();
    const QString path = db.path();
    ASSERT_GT(root, 1);
    db.close();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek((root - 1) * page));
    ASSERT_EQ(f.write(QByteArray(int(page), '\0')), page);
    f.close();
    ASSERT_TRUE(db.open(path));
}
} // namespace

TEST(DatabaseErrorsFlow, ADamagedLogListIsSaidAndTheWindowStillOpens) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    tp.db().exec("INSERT INTO NursingBook (SerialX, 員工編號, 人員姓名) VALUES ('240101120000', 'A001', '甲君')");
    damageTable(tp.db(), "NursingBook");
    if (HasFatalFailure()) return;

    MainForm& w = tp.window();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown.first().title, QStringLiteral("資料庫錯誤"));
    const QString text = tp.ui().shown.first().text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("「載入最新的健康服務紀錄」無法完成, 資料庫回報:")))
        << text.toStdString();
    EXPECT_TRUE(text.contains("malformed")) << text.toStdString();
    EXPECT_EQ(w.windowTitle(), Program::caption());

    // The rest of the window works: the person panel opens and searches the personnel table, which is whole.
    w.toolbarButton("PersonalHealth")->trigger();
    EXPECT_TRUE(w.FindSomeoneFrame->isVisible());
    tp.find<QPushButton>("PersonSelectButton")->click();
    EXPECT_EQ(tp.ui().shown.size(), 1) << tp.ui().messageTexts().join(" | ").toStdString();
    EXPECT_TRUE(w.isVisible());
}
