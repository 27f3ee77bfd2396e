#pragma once
// The three maternity assessment tables (附表1 to 附表3) and the one cell map they travel by: which cell of the
// first worksheet holds which column of MHPT1, MHPT2 or MHPT3. The schema, the import, the export and the
// statistics all read this map; it comes from resources/maternity/cellmap.tsv, which the template generators read
// too, so a template and the program cannot disagree on a cell.

#include "core/Schema.h"

#include <QString>
#include <vector>

class Program;

namespace maternity {

// One mapped cell: its A1 address (row and column from 0), the column it fills, the column's SQL type, the
// longest text the column holds (0 for a memo column, which has no limit) and its label.
struct MappedCell {
    QString cell;
    int row = 0;
    int col = 0;
    QString column;
    QString type;
    int maxLength = 0;
    QString label; // what the template prints beside the cell ("部門名稱"), for the nurse's messages
};

// One kind of assessment table.
struct AttachedTableKind {
    int number = 0;                // 1, 2 or 3
    QString title;                 // the exact text of A1 that tells the kind
    QString table;                 // "MHPT1"
    QString keyColumn;             // "CaseKeyT1"
    std::vector<MappedCell> cells; // in column order: 21, 37 and 28 cells
};

// The cells every kind shares: B2 the woman's name, B3 her employee number, C3 the record key (written by the
// export only).
inline constexpr const char* kNameCell = "B2";
inline constexpr const char* kEmployeeCell = "B3";
inline constexpr const char* kKeyCell = "C3";
// The common columns' width: the key, the case number, the save time, the name and the employee number.
inline constexpr int kCommonColumnLength = 50;

// The three kinds, table 1 first.
const std::vector<AttachedTableKind>& attachedTableKinds();
// Kind n (1 to 3); throws std::out_of_range for any other number.
const AttachedTableKind& attachedTableKind(int number);
// The kind whose title equals the text exactly (no trimming, no case folding), or null.
const AttachedTableKind* kindByTitle(const QString& a1Text);

// The columns of a kind's table: CaseKeyTn, CaseKey, xSaveDate, Name, EMPLNO, then the mapped columns in order.
std::vector<ColumnDef> attachedTableColumns(const AttachedTableKind& kind);
// The table definitions of MHPT1 to MHPT3, with their search indexes.
std::vector<TableDef> attachedTableDefs();
// Adds MHPT1 to MHPT3 to the program's schema, so start-up creates them and completes older ones.
void addAttachedTables(Program& program);

// The longest text a column of the given SQL type holds: n for VARCHAR(n), 0 (no limit) otherwise.
int columnLength(const QString& sqlType);

} // namespace maternity
