#pragma once
// Opening, editing, ending and deleting maternity cases from the case list's right-click menu. The rules (what a new
// case needs, its case number) are plain functions; the handlers talk to the nurse through the Ui services and
// rebuild the list after every change.

#include "core/Database.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

class MainForm;
class Program;
namespace people {
class ListMode;
}

namespace maternity {

// The six answers of a new case, as typed.
struct NewCase {
    QString name;
    QString birthDate;
    QString employeeNo;
    QString identity;
    QString phone;
    QString remarks;
};

// The refusal lines of a new case, in the order they are tested: empty name, "?" in the name, a birth date that is
// no year-first date, empty employee number, empty identity number. Empty when the case may be opened.
QStringList newCaseRefusals(const NewCase& c);
// 個案檔號: the identity number, "-" and the year and month of the day ("A123456789-202503").
QString caseNumberFor(const QString& identity, const QDate& day);
// The name of the case stored under a case number, or nullopt when there is none.
std::optional<QString> caseNameOf(const Database& db, const QString& caseNumber);
// Inserts an open case (the birth date normalised to "YYYY/MM/DD", an empty phone or remarks as "-", opened `now`)
// unless a case with that number exists already; whether it was inserted.
[[nodiscard]] bool insertCase(Database& db, const NewCase& c, const QString& caseNumber, const QDateTime& now);

// The two fields the one-line editor changes.
enum class CaseField { Phone = 0, Remarks = 1 };
QString columnOf(CaseField field);
// The caption of its menu item and of the editor: "編輯_個案資訊 (手機)", "編輯_個案資訊 (備註說明)".
QString editCaption(CaseField field);

// The case of the list the nurse works on: its name (the row text) and its case number (sub-item 1).
struct SelectedCase {
    QString name;
    QString caseNumber;
    QString employeeNumber;
};

// What the handlers work with: the window, the program, the case list mode and the number of the one-line editor's
// edit last opened on a case (cancelled when the selected row may change).
struct CaseRegister {
    MainForm& form;
    Program& program;
    people::ListMode& list;
    int pendingEdit = 0;
};

// The selected row of the case list; when the list shows no case list or no row is selected, says
// "請先在清單中選取一筆資料" and gives nullopt.
std::optional<SelectedCase> selectedCase(CaseRegister& r);

// The "母保對象" button: single selection, the trimmed keyword, the list rebuilt.
void MaternityHealthButton_Click(CaseRegister& r);
// Fills the person list with the case list for the keyword.
void LoadMaternityCaseList(CaseRegister& r, const QString& keyword);
// Rebuilds the list with the current keyword (new counts of attached tables show) and selects the case that was
// selected again, when it is still listed.
void RefreshMaternityCaseList(CaseRegister& r);
// "母性保護_個案管理": shows the person panel and runs the case search.
void QVNewTopicMotherCareManagement_Click(CaseRegister& r);

// "新增_母保個案": the question, six input boxes, the refusals (also of a case number that exists already), the
// confirmation, the insert and the rebuilt list.
void QVMaternityHealthProtectionNewCase_Click(CaseRegister& r);
// "編輯_個案資訊 (手機)" / "(備註說明)": the one-line editor with the stored value, naming the case; its OK stores
// the new value ("-" for an empty one) and rebuilds the list with the current keyword. The edit is cancelled when the
// selected row may change (CancelCaseEdit).
void QVMaternityHealthProtectionEdit_Click(CaseRegister& r, CaseField field);
// Cancels the edit the one-line editor holds for a case, if it is still pending: nothing is stored.
void CancelCaseEdit(CaseRegister& r);
// "解除_母保個案": stamps the end date and time after a question. An ended case is not ended again: the nurse is told
// when it was ended and nothing changes.
void QVMaternityHealthProtectionEndCase_Click(CaseRegister& r);
// "刪除_母保個案": removes the case row after a question whose default is No; its assessment rows stay.
void QVMaternityHealthProtectionDeleteCase_Click(CaseRegister& r);

} // namespace maternity
