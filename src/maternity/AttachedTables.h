#pragma once
// The assessment tables of one maternity case as workbooks: the import of a filled workbook as a new record, the
// export of every stored record into its template, the removal of one record by its key and the example workbook.
// The rules (reading and checking a workbook, storing a record, naming an output file) are plain functions; the
// procedures the menus run talk to the nurse through the program's Ui.

#include "maternity/CellMap.h"
#include "office/XlsxPackage.h"

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <vector>

class Database;
class Program;

namespace maternity {

// The password of the protected sheets of the maternity templates (the attached tables and the statistics).
inline const QString kSheetPassword = QStringLiteral("PZPZ");

// The case the nurse selected in the case list: the name is only shown, the employee number is compared with the
// workbook, the case number becomes the record's CaseKey.
struct MaternityCase {
    QString name;
    QString caseNumber;
    QString employeeNumber;
};

// The first worksheet of a filled workbook, read cell by cell. The one place that knows how a workbook is read.
class FilledWorkbook {
public:
    // Fails with a reason the nurse can read (no workbook, damaged, too large, legacy .xls).
    office::OfficeStatus open(const QString& path);
    // The value of a cell of the first worksheet by its A1 address; text as the program works with it.
    office::XlsxCellValue cell(const QString& a1);
    QString text(const QString& a1) { return cell(a1).text; }

private:
    office::XlsxPackage m_package;
};

// What the import makes of one workbook: the kind recognised by A1 (null when none), the problems found as the
// blocks of the message page (HTML; empty when the table may be stored) and the values to store by column (Name,
// EMPLNO and every mapped column; an empty cell gives the empty text).
struct AttachedTableReading {
    const AttachedTableKind* kind = nullptr;
    QString title;
    QString problems;
    std::map<QString, QString> values;
};

// Reads and checks a workbook for a case's employee number: the employee number in B3 (exact), the title in A1
// (exact), the required cells of the kind, every text within its column's width and no cell holding an error value.
// Every problem is collected; the employee block comes first.
AttachedTableReading readAttachedTable(FilledWorkbook& book, const QString& employeeNumber);

// The record key of a table stored at a moment: "T", the table number, "-" and "YYMMDDhhmmss".
QString attachedTableKey(int tableNumber, const QDateTime& at);
// Stores a checked reading as one new row of its table, in one statement inside one transaction: the case number,
// the record key and xSaveDate ("YYYY/MM/DD hh:mm:ss", so that the latest compares greatest as text) from `at`,
// and every value bound. Returns the key. Throws DbError (nothing is stored then).
QString storeAttachedTable(Database& db, const AttachedTableReading& reading, const QString& caseNumber,
                           const QDateTime& at);

// The menu's import: asks, lets the nurse choose one workbook, checks it against the case and stores it as a new
// record, saying which table was stored under which key, or shows every problem on the message page. The nurse's
// file is never changed. Whether a table was stored.
bool importAttachedTable(Program& program, const MaternityCase& selected);

// The name of the exported workbook of one stored row: name_母保附表n_status_key.xlsx, the status word being RiskT1
// (table 1), CurrentSate (table 2) or CurrentSate-RiskT3 (table 3), "未填" for a status that was never stored;
// every part cleaned, and the status, then the name shortened so the name stays within the 255 bytes a file system
// allows.
QString exportFileName(const QString& name, int tableNumber, const QString& status, const QString& key);

// The folder beside the program the export and the statistics save into.
QString maternityOutputFolder(Program& program);
// The same folder, made when missing; "" after saying that it cannot be made (a critical box under title).
QString makeMaternityOutputFolder(Program& program, const QString& title = {});
// Says in a critical box under title that a template could not be filled: its path and the reason.
void sayTemplateNotFilled(Program& program, const office::XlsxPackage& book, const office::OfficeStatus& status,
                          const QString& title = {});
// Says "<what>已存於 <folder>/  " and opens the folder with the desktop.
void sayStoredAndOpen(Program& program, const QString& what, const QString& folder);

// The menu's export: every stored table of the case written into its template and saved under
// 套表_母性保護_暫存/, one workbook per table, then the folder is opened.
void exportAttachedTables(Program& program, const MaternityCase& selected);

// The kind a record key names by its second character ("1" to "3"), or null for a text that is no key.
const AttachedTableKind* kindOfKey(const QString& key);
// A stored row of a table as the delete question names it: its case's name (the table's own Name when the case is
// gone), the case number and the table's save date.
struct StoredTableRow {
    QString caseName;
    QString caseNumber;
    QString savedAt;
};
// The rows stored under a key (normally one; none for a key that names no stored table or is no key).
std::vector<StoredTableRow> storedTableRows(const Database& db, const QString& key);
// The outcome of deleting a table by its key.
enum class DeleteOutcome { Deleted, NoSuchTable, NotAKey };
// Removes the rows of MHPTn whose key equals `key` (n = its second character, "1" to "3" only).
DeleteOutcome deleteAttachedTableRows(Database& db, const QString& key);
// The menu's delete: asks for the key, names the table, its case and its save date in a question whose default is
// No, removes that one table on Yes and says what happened. True when a table was removed.
bool deleteAttachedTable(Program& program);

// The menu's example: opens 範例_母性保護_匯入檔.xlsx of DataBase/DOC/.
void openMaternityExample(Program& program);

} // namespace maternity
