#pragma once
// The twelve-entry period list that fills a pair of date boxes, and the calendar opened over a date box. An entry's
// meaning is its position, never its label; labels are computed from today when a list is filled.

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

class MainForm;
class Program;
class QComboBox;
class QLineEdit;

namespace reports {

// The positions of the period list.
enum Period {
    PreviousMonth = 0,
    CurrentMonth = 1,
    Separator1 = 2,
    Quarter1 = 3,
    Quarter2 = 4,
    Quarter3 = 5,
    Quarter4 = 6,
    Separator2 = 7,
    ThisYear = 8,
    LastYear = 9,
    Separator3 = 10,
    CustomDates = 11,
};
constexpr int kPeriodCount = 12;

// The labels of the period list for a day: " 前一個月", "YYYY/MM 當月", 32 hyphens, "YYYY (第一季)" .. "(第四季)",
// hyphens, "YYYY 年", "YYYY-1 年", hyphens, "自訂日期".
QStringList periodLabels(const QDate& today);

// The start and end dates ("YYYY/MM/DD") a position gives on a day. nullopt: the boxes stay as they are (a hyphen
// row, or a position outside 0..11); CustomDates gives two empty texts.
struct DateRange {
    QString from;
    QString to;
};
std::optional<DateRange> periodDateRange(int position, const QDate& today);

// Empties a list and fills it with the period labels of the day; no entry is selected.
void fillPeriodList(QComboBox* list, const QDate& today);
// Writes the range of the list's selected position into the two boxes (see periodDateRange).
void GetPeriodDateRange(QComboBox* list, QLineEdit* from, QLineEdit* to, const QDate& today);

// SearchTypeCombo → Text5_2, Text5_3 (ReportTypeCombo's own click is the report frame's, see ReportFrame.h).
void SearchTypeCombo_Click(MainForm& form, Program& program);
// Opens MonthView1 on today's date over the date box Text5_<index>, with the index as its Tag.
void Text5_DblClick(MainForm& form, Program& program, QLineEdit* box, int index);

// Connects the double click of the date box Text5_<index> to Text5_DblClick.
void connectDateBox(MainForm& form, Program& program, QLineEdit* box, int index);
// Fills the log search frame's period list (healthlog) and connects it and its two date boxes Text5_2 and Text5_3.
void connectSearchPeriod(MainForm& form, Program& program);

} // namespace reports
