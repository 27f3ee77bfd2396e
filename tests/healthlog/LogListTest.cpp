// The log list: its refusals, its columns and the newest entries shown at start-up.

#include "healthlog/LogList.h"
#include "common/TestProgram.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

using healthlog::LogListResult;

namespace {
// n log entries, the i-th dated i days after 2024/01/01 (so the last is the newest).
void seedLog(Database& db, int n) {
    std::vector<QVariantList> rows;
    const QDate start(2024, 1, 1);
    for (int i = 0; i < n; ++i)
        rows.push_back({QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')), start.addDays(i).toString("yyyy/MM/dd"),
                        "E" + QString::number(i % 7), "員工"});
    db.execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號, 人員身份) VALUES (?, ?, ?, ?)", rows);
}
} // namespace

TEST(LogList, StartUpShowsTheNewest100EntriesNewestFirst) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedLog(tp.db(), 150);
    MainForm& w = tp.window();
    QTreeWidget* list = w.TraceLV;
    ASSERT_EQ(list->topLevelItemCount(), 100);
    EXPECT_EQ(list->headerItem()->text(0), "SerialX");
    EXPECT_EQ(list->headerItem()->text(1), "記錄日期");
    EXPECT_EQ(list->topLevelItem(0)->text(0), "S000149");
    EXPECT_EQ(list->topLevelItem(99)->text(0), "S000050");
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());
}

TEST(LogList, AnEmptyLogAtStartUpShowsTheColumnsWithoutAMessage) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 0);
    EXPECT_EQ(w.TraceLV->headerItem()->text(0), "SerialX");
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());
}

TEST(LogList, RefusalsLeaveTheListAsItWas) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedLog(tp.db(), 1200);
    MainForm& w = tp.window();
    Program& p = tp.program();
    ASSERT_EQ(w.TraceLV->topLevelItemCount(), 100);

    // Nothing found.
    EXPECT_EQ(healthlog::LoadNursingLogList(
                  p, "SELECT " + p.NursingBookColumns + " FROM NursingBook WHERE 員工編號 = ?", {"nobody"}),
              LogListResult::NoRows);
    EXPECT_EQ(tp.ui().messageTexts().last(), "無資料");
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 100);

    // 1000 rows are taken, 1001 are not.
    EXPECT_EQ(healthlog::LoadNursingLogList(p, "SELECT " + p.NursingBookColumns + " FROM NursingBook LIMIT 1001;"),
              LogListResult::TooManyRows);
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 100);
    EXPECT_EQ(healthlog::LoadNursingLogList(p, "SELECT " + p.NursingBookColumns + " FROM NursingBook LIMIT 1000"),
              LogListResult::Loaded);
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 1000);
    EXPECT_TRUE(w.StatusBar1->findChild<QLabel*>("StatusText")->text().contains("1000"));

    // A bound keyword with an apostrophe is only a value.
    EXPECT_EQ(healthlog::LoadNursingLogList(
                  p, "SELECT " + p.NursingBookColumns + " FROM NursingBook WHERE 員工編號 = ?", {"E1' OR '1'='1"}),
              LogListResult::NoRows);

    // A log table without its key column is refused before anything is read.
    tp.db().exec("ALTER TABLE NursingBook RENAME COLUMN SerialX TO OldKey");
    const int before = tp.ui().messageTexts().size();
    EXPECT_EQ(healthlog::LoadNursingLogList(p, "SELECT * FROM NursingBook"), LogListResult::NoSerialX);
    EXPECT_EQ(tp.ui().messageTexts().size(), before + 1);
    EXPECT_EQ(w.TraceLV->topLevelItemCount(), 1000);
}

TEST(EntryFrame, HoldsThePersonBoxesAndThePersonTypes) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    for (const char* name : {"Text4_1", "Text4_2", "Text4_3", "Text4_10", "TracDateText"})
        EXPECT_NE(w.FrameNursing->findChild<QWidget*>(name), nullptr) << name;
    auto* type = w.FrameNursing->findChild<QComboBox*>("SubjectTypeCombo");
    ASSERT_NE(type, nullptr);
    ASSERT_EQ(type->count(), 3);
    EXPECT_EQ(type->itemText(0), "員工");
    EXPECT_EQ(type->itemText(1), "承攬商");
    EXPECT_EQ(type->itemText(2), "派遣");
    EXPECT_FALSE(w.FrameNursing->isVisible());
}
