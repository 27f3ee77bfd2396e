#pragma once
// The health log's controls on the main window: the log search frame (period list and the two search date boxes),
// the shell of the log-entry frame (the person boxes and the person-type list), and the calendar's date click.

#include <QString>

class MainForm;
class QDate;

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

// A date clicked on MonthView1: Tag 99 → the follow-up date box; Tag below 10 → the date box Text5_<Tag>; the date
// is written "YYYY/MM/DD". Then the calendar hides.
void MonthView1_DateClick(MainForm& form, const QDate& date);

} // namespace healthlog
