#pragma once
// The health log's controls on the main window: the log search frame (period list and the two search date boxes),
// the shell of the log-entry frame (the person boxes and the person-type list), and the calendar's date click.

#include <QString>

class MainForm;
class QComboBox;
class QDate;
class QLineEdit;

namespace healthlog {

// The entries of the person-type list, in order.
extern const char* const kSubjectTypes[3];
// The objectName of the entry frame's follow-up date box (the calendar fills it when its Tag is 99).
inline const QString kFollowUpDateBox = QStringLiteral("TracDateText");
// The calendar's Tag that sends a clicked date to the follow-up date box.
constexpr int kFollowUpTag = 99;

// FrameSearch: "日期篩選" SearchTypeCombo, "日期範圍" Text5_2 and Text5_3 (filled by the period rule).
void buildSearchFrame(MainForm& form);
// FrameNursing: Text4_1 人員姓名, Text4_2 員工編號, Text4_3 所屬部門, Text4_10 聯絡分機, the follow-up date box and
// SubjectTypeCombo ("員工", "承攬商", "派遣").
void buildEntryFrame(MainForm& form);

// The search frame's period list and its two date boxes, which the reports' period rule serves. Null before
// buildSearchFrame.
struct SearchPeriod {
    QComboBox* list = nullptr; // SearchTypeCombo
    QLineEdit* from = nullptr; // Text5_2
    QLineEdit* to = nullptr;   // Text5_3
};
SearchPeriod searchPeriod(const MainForm& form);

// A person taken into the entry frame (from the person list).
struct EntryPerson {
    QString name;       // Text4_1
    QString employeeNo; // Text4_2
    QString department; // Text4_3
    QString extension;  // Text4_10
};
// Sets the person type to "員工" and writes the person into the entry frame's boxes.
void setEntryPerson(MainForm& form, const EntryPerson& person);

// A date clicked on MonthView1: Tag 99 → the follow-up date box; Tag below 10 → the date box the calendar was opened
// over (MainForm::openCalendar); the date is written "YYYY/MM/DD". Then the calendar hides.
void MonthView1_DateClick(MainForm& form, const QDate& date);

} // namespace healthlog
