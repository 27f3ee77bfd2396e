// Writes the database or the disk refuses: a commit another program blocks, a database that cannot be written, a web
// page that cannot be saved, or that the disk refuses only when it is flushed. Each is said, and nothing written before
// or after is lost.

#include "common/DiskFaults.h"
#include "common/TestProgram.h"
#include "common/WriteDenial.h"
#include "core/HtmlOutput.h"
#include "core/Startup.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {
int rowCount(Database& db) {
    return db.scalar("SELECT count(*) FROM Probe").toInt();
}

// The web page shown first, whole: what a page that cannot be written must leave as it is.
QByteArray firstPage(TestProgram& tp) {
    EXPECT_TRUE(ShowHtmlText(tp.program(), "前一頁", "<p>前一頁</p>"));
    QFile f(htmlPagePath(tp.program()));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray page = f.readAll();
    tp.ui().opened.clear();
    return page;
}

QByteArray pageNow(TestProgram& tp) {
    QFile f(htmlPagePath(tp.program()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(WriteFaults, ARefusedCommitIsRolledBackAndLaterWritesAreKept) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    db.exec("CREATE TABLE Probe (x TEXT)");
    db.setBusyTimeout(50);

    // Another program reads the file in its own transaction, so the commit cannot take the file.
    Database reader;
    ASSERT_TRUE(reader.open(tp.program().databasePath()));
    reader.begin();
    EXPECT_EQ(rowCount(reader), 0);
    {
        Transaction t(db);
        db.exec("INSERT INTO Probe (x) VALUES ('refused')");
        EXPECT_THROW(t.commit(), DbError);
    }
    EXPECT_EQ(db.transactionDepth(), 0);
    EXPECT_FALSE(db.inTransaction());
    reader.rollback();

    // The connection writes again: a transaction, and a plain statement.
    {
        Transaction t(db);
        db.exec("INSERT INTO Probe (x) VALUES ('second')");
        EXPECT_NO_THROW(t.commit());
    }
    db.exec("INSERT INTO Probe (x) VALUES ('third')");
    db.close();

    Database again;
    ASSERT_TRUE(again.open(tp.program().databasePath()));
    EXPECT_EQ(again.query("SELECT group_concat(x, ',') FROM Probe").text(0, 0), QStringLiteral("second,third"));
}

// A database file or its folder that cannot be written: the program starts, says so once, and keeps the rows.
TEST(WriteFaults, AnUnwritableDatabaseIsSaidAtStartUp) {
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "read-only folder" : "read-only file");
        TestProgram tp(false);
        ASSERT_TRUE(tp.start());
        tp.db().exec("CREATE TABLE Probe (x TEXT)");
        tp.db().exec("INSERT INTO Probe (x) VALUES ('kept')");
        tp.db().close();
        const QString path = folder ? tp.program().DBFolder() : tp.program().databasePath();
        WriteDenial denial;
        denial.deny(path);
        if (WriteDenial::writable(path)) GTEST_SKIP() << "this machine cannot make a file read-only for this test";

        ASSERT_TRUE(StartProgram(tp.program()));
        ASSERT_EQ(tp.ui().shown.size(), 1) << tp.ui().messageTexts().join(" | ").toStdString();
        EXPECT_EQ(tp.ui().shown.first().icon, Ui::Icon::Warning);
        const QString text = tp.ui().shown.first().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("資料庫無法寫入: "))) << text.toStdString();
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(tp.program().databasePath())));
        EXPECT_EQ(rowCount(tp.db()), 1);
        EXPECT_THROW(tp.db().exec("INSERT INTO Probe (x) VALUES ('lost')"), DbError);
        tp.db().close();
    }
}

TEST(WriteFaults, AWritableDatabaseStartsWithoutAWord) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    EXPECT_TRUE(tp.ui().shown.isEmpty());
    EXPECT_TRUE(tp.db().canWrite());
    // The check leaves no transaction behind and changes nothing.
    EXPECT_FALSE(tp.db().inTransaction());
}

// A page that cannot be written is said, the previous page stays whole, and nothing is opened.
TEST(WriteFaults, AWebPageThatCannotBeWrittenIsSaid) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    const QString page = htmlPagePath(tp.program());
    const QByteArray before = firstPage(tp);

    WriteDenial denial;
    denial.deny(tp.program().DBFolder());
    if (WriteDenial::writable(tp.program().DBFolder()))
        GTEST_SKIP() << "this machine cannot make a folder read-only for this test";
    EXPECT_FALSE(ShowHtmlText(tp.program(), "新的一頁", "<p>新的一頁</p>"));
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown.first().icon, Ui::Icon::Critical);
    EXPECT_TRUE(tp.ui().shown.first().text.startsWith(QStringLiteral("無法儲存網頁:\r\n\r\n")));
    EXPECT_TRUE(tp.ui().shown.first().text.endsWith(QDir::toNativeSeparators(page)));
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_EQ(pageNow(tp), before);
}

// A page of a few hundred bytes stays in the file's buffer until it is committed: a write refused there is said and
// the previous page stays whole.
TEST(WriteFaults, ASmallPageRefusedOnlyWhenFlushedIsSaid) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    const QByteArray before = firstPage(tp);
    ASSERT_GT(before.size(), 64);
    bool shown = true;
    {
        FileSizeLimit limit(64);
        ASSERT_TRUE(limit.active());
        shown = ShowHtmlText(tp.program(), "新的一頁", "<p>新的一頁</p>");
    }
    EXPECT_FALSE(shown);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_TRUE(
        tp.ui().shown.first().text.startsWith(QStringLiteral("無法儲存網頁:\r\n\r\n") + FileSizeLimit::reason()))
        << tp.ui().shown.first().text.toStdString();
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_EQ(pageNow(tp), before);
}

// The page's name taken by a folder: the page cannot replace it, whoever runs the program.
TEST(WriteFaults, AWebPageWhoseNameIsTakenIsSaid) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    ASSERT_TRUE(QDir().mkpath(htmlPagePath(tp.program())));
    EXPECT_FALSE(ShowRecordsetAsHtml(tp.program(), "清單", tp.db().query("SELECT 1 AS a")));
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(tp.ui().messageTexts().first().startsWith(QStringLiteral("無法儲存網頁:")));
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}
