// The whole program starting on an empty program folder: every subsystem installed, the shipped tables in place,
// nothing asked of the nurse.

#include "common/TestProgram.h"
#include "core/Startup.h"
#include "risk/WorkTables.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(StartupFlow, AFreshFolderGetsADatabaseWithEveryShippedTable) {
    TestProgram tp;
    MainForm& w = tp.window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty()) << tp.ui().messageTexts().join("|").toStdString();

    // The print table of the grading exists, empty, with the columns a grading run gives it.
    ASSERT_TRUE(tp.db().tableExists("ToWord"));
    EXPECT_EQ(tp.db().columns("ToWord"), risk::names(risk::toWordColumns()));
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM ToWord").toInt(), 0);
    // The question catalogue ships with its rows, once.
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM OnlineKeyIn WHERE xTopic = 'NMQ'").toInt(), 35);
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM OnlineKeyIn WHERE xTopic = 'OverLoading'").toInt(), 37);

    // The key-in menu offers both questionnaires; the period lists are filled at load.
    QMenu* keyIn = w.popupMenu("QVOnlineKeyIn");
    QStringList items;
    for (QAction* a : keyIn->actions())
        items << a->objectName();
    EXPECT_TRUE(items.contains("QVNewTopicErgonomicsIndividual"));
    EXPECT_TRUE(items.contains("QVNewTopicKaroshIndividualiInput"));
    auto* periods = w.findChild<QComboBox*>("SearchTypeCombo");
    ASSERT_NE(periods, nullptr);
    EXPECT_EQ(periods->count(), 12);
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 0);
}

TEST(StartupFlow, ASecondStartKeepsEverythingAndAddsNothingTwice) {
    TestProgram tp;
    tp.window();
    tp.db().exec("INSERT INTO EMPL (員工編號, 姓名) VALUES ('E1', '林小華')");
    tp.db().exec("UPDATE OnlineKeyIn SET xNote = '自訂說明' WHERE MainCode = 'A01' AND xTopic = 'NMQ'");
    tp.db().close();

    Program again(tp.folder(), std::make_unique<ScriptedUi>());
    ASSERT_TRUE(StartProgram(again));
    EXPECT_EQ(again.DBConn.scalar("SELECT 姓名 FROM EMPL WHERE 員工編號 = 'E1'").toString(), QStringLiteral("林小華"));
    EXPECT_EQ(again.DBConn.scalar("SELECT count(*) FROM OnlineKeyIn").toInt(), 72);
    EXPECT_EQ(again.DBConn.scalar("SELECT xNote FROM OnlineKeyIn WHERE MainCode = 'A01' AND xTopic = 'NMQ'").toString(),
              QStringLiteral("自訂說明"));
    EXPECT_EQ(again.DBConn.scalar("SELECT count(*) FROM NursingCode").toInt(), 45);
}
