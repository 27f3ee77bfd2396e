// Qt's own texts in the program's language: the buttons of the boxes and the calendar.

#include "core/Language.h"

#include <QCalendarWidget>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(Language, BoxesAndTheCalendarSpeakTraditionalChinese) {
    // The test main has called useTraditionalChinese() as the program's main does.
    EXPECT_EQ(QLocale().name(), "zh_TW");

    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    struct Case {
        QMessageBox::StandardButton button;
        QString text;
    };
    for (const Case& c : {Case{QMessageBox::Ok, "確定"}, Case{QMessageBox::Cancel, "取消"},
                          Case{QMessageBox::Yes, "是"}, Case{QMessageBox::No, "否"}}) {
        ASSERT_TRUE(box.button(c.button));
        EXPECT_EQ(box.button(c.button)->text().remove('&').remove("(Y)").remove("(N)"), c.text)
            << box.button(c.button)->text().toStdString();
    }

    QCalendarWidget calendar;
    calendar.setSelectedDate(QDate(2026, 12, 7));
    calendar.show();
    auto* month = calendar.findChild<QToolButton*>("qt_calendar_monthbutton");
    ASSERT_TRUE(month);
    EXPECT_FALSE(month->text().contains("December"));
    EXPECT_EQ(month->text(), QLocale().standaloneMonthName(12));
    EXPECT_EQ(QLocale().standaloneMonthName(12), "12月");
    EXPECT_NE(QLocale().dayName(1, QLocale::ShortFormat), "Mon");
}
