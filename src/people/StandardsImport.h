#pragma once
// The data tool's import kind "多項四段分級標準": a workbook's first sheet staged into InPutTempTable (one text
// column per header cell), its columns checked against the seven of the grading standards (any order, no more, no
// fewer), and MultipleLevel rebuilt from it with the sheet's column order, all in one transaction.

#include <QString>
#include <QStringList>

class Database;
class Program;
namespace office {
class XlsxPackage;
}

namespace people {

// The staging table of every workbook import.
inline const QString kInputTempTable = QStringLiteral("InPutTempTable");

// The sheet as staged: its header texts (trimmed) and the number of rows below them (rows without any value are
// left out). error is not empty when the sheet cannot be staged (no header, an empty or repeated header cell); the
// table is then untouched.
struct StagedSheet {
    QStringList headers;
    int rows = 0;
    QString error;
};
// Drops and recreates InPutTempTable with one TEXT column per header cell and copies every row below (an empty cell
// is NULL), in one transaction. Throws DbError.
StagedSheet stageSheet(Database& db, office::XlsxPackage& package, int sheet);

// The columns of the grading standards: 項目名稱, 性別, Level_0 … Level_4.
QStringList multipleLevelColumns();
// "" when the headers are exactly those seven in any order; else what is missing, extra or repeated.
QString checkMultipleLevelColumns(const QStringList& headers);
// Drops MultipleLevel and rebuilds it from InPutTempTable with the columns in the staged order, all Varchar(50), in
// one transaction. Returns the rows written. A value longer than 50 characters refuses the whole rebuild (error says
// where) and nothing changes. Throws DbError.
int rebuildMultipleLevel(Database& db, const QStringList& stagedColumns, QString* error);

// The whole import of one workbook file, with the nurse's messages: a missing or unreadable file, columns that do
// not fit, the question before the standards are replaced, and the rows imported. Returns whether MultipleLevel was
// rebuilt.
bool importMultipleLevelStandards(Program& program, const QString& path);
// The menu item: asks for the workbook, then imports it (a cancelled dialog does nothing).
void MultipleLevelImport_Click(Program& program);

} // namespace people
