// The period list and its date ranges, the calendar over a date box, and both through the real window.

#include "reports/Periods.h"
#include "common/TestProgram.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using reports::periodDateRange;

namespace {
struct RangeCase {
    const char* today;
    int position;
    const char* from; // nullptr: the boxes stay as they are
    const char* to;
    const char* why;
};

const RangeCase kCases[] = {
    {"2025/05/15", 0, "2025/04/01", "2025/04/30", "previous month"},
    {"2025/05/15", 1, "2025/05/01", "2025/05/31", "current month"},
    {"2025/05/15", 2, nullptr, nullptr, "hyphen row"},
    {"2025/05/15", 3, "2025/01/01", "2025/03/31", "first quarter"},
    {"2025/05/15", 4, "2025/04/01", "2025/06/30", "second quarter"},
    {"2025/05/15", 5, "2025/07/01", "2025/09/30", "third quarter"},
    {"2025/05/15", 6, "2025/10/01", "2025/12/31", "fourth quarter ends in the same year"},
    {"2025/05/15", 7, nullptr, nullptr, "hyphen row"},
    {"2025/05/15", 8, "2025/01/01", "2025/12/31", "this year"},
    {"2025/05/15", 9, "2024/01/01", "2024/12/31", "last year"},
    {"2025/05/15", 10, nullptr, nullptr, "hyphen row"},
    {"2025/05/15", 11, "", "", "custom dates empty both boxes"},
    {"2025/05/15", -1, nullptr, nullptr, "nothing selected"},
    {"2025/05/15", 12, nullptr, nullptr, "past the list"},
    {"2025/01/10", 0, "2024/12/01", "2024/12/31", "January: December of the year before"},
    {"2025/01/31", 1, "2025/01/01", "2025/01/31", "January's own month"},
    {"2025/12/31", 1, "2025/12/01", "2025/12/31", "December's month ends in the same year"},
    {"2024/03/05", 0, "2024/02/01", "2024/02/29", "leap year February"},
    {"2025/03/05", 0, "2025/02/01", "2025/02/28", "common year February"},
    {"2024/02/29", 1, "2024/02/01", "2024/02/29", "on the leap day"},
    {"2024/02/29", 3, "2024/01/01", "2024/03/31", "leap year first quarter"},
    {"2000/03/01", 0, "2000/02/01", "2000/02/29", "2000 is a leap year"},
    {"1900/03/01", 0, "1900/02/01", "1900/02/28", "1900 is not"},
};
} // namespace

TEST(PeriodRule, EveryPositionOnTheDays) {
    for (const RangeCase& c : kCases) {
        const QDate today = QDate::fromString(QString::fromLatin1(c.today), QStringLiteral("yyyy/MM/dd"));
        const auto r = periodDateRange(c.position, today);
        if (!c.from) {
            EXPECT_FALSE(r.has_value()) << c.why;
            continue;
        }
        ASSERT_TRUE(r.has_value()) << c.why;
        EXPECT_EQ(r->from, QString::fromLatin1(c.from)) << c.why;
        EXPECT_EQ(r->to, QString::fromLatin1(c.to)) << c.why;
    }
}

TEST(PeriodRule, LabelsAreComputedFromToday) {
    const QStringList l = reports::periodLabels(QDate(2025, 1, 10));
    const QString hyphens(32, QLatin1Char('-'));
    EXPECT_EQ(l, (QStringList{" 前一個月", "2025/01 當月", hyphens, "2025 (第一季)", "2025 (第二季)", "2025 (第三季)",
                              "2025 (第四季)", hyphens, "2025 年", "2024 年", hyphens, "自訂日期"}));
}

TEST(PeriodRule, HyphenRowsLeaveTheBoxesAndCustomDatesEmptiesThem) {
    QComboBox list;
    QLineEdit from, to;
    reports::fillPeriodList(&list, QDate(2025, 5, 15));
    EXPECT_EQ(list.count(), reports::kPeriodCount);
    EXPECT_EQ(list.currentIndex(), -1);
    from.setText("2020/01/01");
    to.setText("2020/12/31");
    reports::GetPeriodDateRange(&list, &from, &to, QDate(2025, 5, 15)); // nothing selected
    for (int p : {2, 7, 10}) {
        list.setCurrentIndex(p);
        reports::GetPeriodDateRange(&list, &from, &to, QDate(2025, 5, 15));
    }
    EXPECT_EQ(from.text(), "2020/01/01");
    EXPECT_EQ(to.text(), "2020/12/31");
    list.setCurrentIndex(11);
    reports::GetPeriodDateRange(&list, &from, &to, QDate(2025, 5, 15));
    EXPECT_EQ(from.text(), "");
    EXPECT_EQ(to.text(), "");
    // The rule runs on positions: a list of something else (health-check years) still gives periods.
    list.clear();
    list.addItems({"2025", "2024", "2023"});
    list.setCurrentIndex(1);
    reports::GetPeriodDateRange(&list, &from, &to, QDate(2025, 5, 15));
    EXPECT_EQ(from.text(), "2025/05/01");
    EXPECT_EQ(to.text(), "2025/05/31");
}

TEST(PeriodFlow, TheSearchListFillsTheSearchDateBoxes) {
    TestProgram tp(false);
    tp.ui().clock = QDateTime(QDate(2024, 3, 5), QTime(9, 30));
    MainForm& w = tp.window();
    auto* list = tp.find<QComboBox>("SearchTypeCombo");
    auto* from = tp.find<QLineEdit>("Text5_2");
    auto* to = tp.find<QLineEdit>("Text5_3");
    ASSERT_TRUE(list && from && to);
    EXPECT_EQ(list->count(), 12);
    EXPECT_EQ(list->itemText(1), "2024/03 當月");
    EXPECT_EQ(list->currentIndex(), -1);

    // "紀錄查詢" shows the search frame while it is down.
    w.toolbarButton("FindRS")->trigger();
    EXPECT_TRUE(w.FrameSearch->isVisible());

    list->setCurrentIndex(0);
    emit list->activated(0);
    EXPECT_EQ(from->text(), "2024/02/01");
    EXPECT_EQ(to->text(), "2024/02/29");
    list->setCurrentIndex(7);
    emit list->activated(7);
    EXPECT_EQ(from->text(), "2024/02/01");
    list->setCurrentIndex(11);
    emit list->activated(11);
    EXPECT_EQ(from->text(), "");
    EXPECT_EQ(to->text(), "");

    w.toolbarButton("FindRS")->trigger();
    EXPECT_FALSE(w.FrameSearch->isVisible());
}

TEST(PeriodFlow, ADoubleClickOpensTheCalendarWhichWritesTheDateAsText) {
    TestProgram tp(false);
    tp.ui().clock = QDateTime(QDate(2024, 3, 5), QTime(9, 30));
    MainForm& w = tp.window();
    w.toolbarButton("FindRS")->trigger();
    auto* to = tp.find<QLineEdit>("Text5_3");
    QTest::mouseDClick(to, Qt::LeftButton);
    EXPECT_TRUE(w.MonthView1->isVisible());
    EXPECT_EQ(w.MonthView1->property("Tag").toString(), "3");
    EXPECT_EQ(w.MonthView1->selectedDate(), QDate(2024, 3, 5));

    emit w.MonthView1->clicked(QDate(2024, 7, 4));
    EXPECT_EQ(to->text(), "2024/07/04");
    EXPECT_FALSE(w.MonthView1->isVisible());

    // Tag 99 sends the date to the entry frame's follow-up box.
    w.MonthView1->setProperty("Tag", 99);
    emit w.MonthView1->clicked(QDate(2024, 12, 1));
    EXPECT_EQ(tp.find<QLineEdit>("TracDateText")->text(), "2024/12/01");
    EXPECT_EQ(to->text(), "2024/07/04");

    // A Tag that names no box writes nowhere (an empty one is not box 0).
    tp.find<QLineEdit>("Text5_2")->setText("2024/01/01");
    w.MonthView1->setProperty("Tag", "");
    w.MonthView1->show();
    emit w.MonthView1->clicked(QDate(2024, 12, 2));
    EXPECT_EQ(tp.find<QLineEdit>("Text5_2")->text(), "2024/01/01");
    EXPECT_EQ(tp.find<QLineEdit>("TracDateText")->text(), "2024/12/01");
    EXPECT_FALSE(w.MonthView1->isVisible());
}
