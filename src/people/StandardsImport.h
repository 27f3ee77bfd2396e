#pragma once
// The data tool's import kind "多項四段分級標準": a workbook's first sheet read as grading standards (its columns
// exactly the seven of the standards, in any order), every row checked by the grading's own rules, and MultipleLevel
// rebuilt from it with the sheet's column order in one transaction. A sheet that cannot be used as a whole changes
// nothing: the header is checked first, a sheet of more rows than standards can be is not read on, and no row is
// stored anywhere before the nurse confirms.

#include "core/GradingCriteria.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Database;
class Program;
namespace office {
class XlsxPackage;
}

namespace people {

// The rows of standards a sheet may hold; the rest of a longer sheet is never read.
inline constexpr int kMaxStandardRows = 10000;

// The columns of the grading standards: 項目名稱, 性別, Level_0 … Level_4.
QStringList multipleLevelColumns();
// "" when the headers are exactly those seven in any order; else what is missing, extra or repeated (a long list of
// extra columns names the first ones and their number).
QString checkMultipleLevelColumns(const QStringList& headers);

// A sheet read as standards. error is not empty when the sheet cannot be used as a whole (its header, its size, no
// row at all); problems lists the rows that cannot be used, by the sheet's row number.
struct StandardsSheet {
    QStringList headers;                                    // trimmed, in the sheet's order
    std::vector<std::vector<std::optional<QString>>> cells; // per standard row, one text per header (empty cell: none)
    std::vector<grading::StandardProblem> problems;         // position: the row number Excel shows
    QString error;
    QString columns; // not empty: the header is not the seven columns (checkMultipleLevelColumns)
};
// Reads the first sheet of a package opened with at most kMaxStandardRows + 1 rows: the header first (an empty or
// repeated name, the wrong columns), then every row that holds a value, each checked as the grading checks it, and
// no text longer than 50 characters (Varchar(50)).
StandardsSheet readStandardsSheet(office::XlsxPackage& package, int sheet);
// Drops MultipleLevel and rebuilds it with the sheet's columns in its order, all Varchar(50), and its rows, in one
// transaction; a staging table an earlier version left behind goes too. Returns the rows written. Throws DbError.
int replaceMultipleLevel(Database& db, const StandardsSheet& sheet);

// The whole import of one workbook file, with the nurse's messages: a missing or unreadable file, a header that does
// not fit, a sheet without standards, unusable rows (listed on the page), the question before the standards are
// replaced, and the rows imported. Returns whether MultipleLevel was rebuilt.
bool importMultipleLevelStandards(Program& program, const QString& path);
// The menu item: asks for the workbook, then imports it (a cancelled dialog does nothing).
void MultipleLevelImport_Click(Program& program);

} // namespace people
