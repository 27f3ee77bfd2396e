#pragma once
// The work tables of a grading run: the two staging tables the key-in dialog and the batch import fill, the graded
// risk table Framingham and the print table ToWord; their columns in order, in one place.

#include "core/Schema.h"

#include <QString>
#include <QStringList>
#include <vector>

class Database;

namespace risk {

using ::ColumnDef;

inline const QString kInPutFramingham = QStringLiteral("InPutFramingham");
inline const QString kInPutBurnOut = QStringLiteral("InPutBurnOut");
inline const QString kFramingham = QStringLiteral("Framingham");
inline const QString kToWord = QStringLiteral("ToWord");

// InPutFramingham: 21 columns, health checks as text (年度代碼 … 健檢過程備註說明).
const std::vector<ColumnDef>& inPutFraminghamColumns();
// InPutBurnOut: 24 columns, overwork scales as text (年度代碼, 姓名, 員工編號, I01 … 工作負荷等級).
const std::vector<ColumnDef>& inPutBurnOutColumns();
// Framingham: the staged health check (性別 as SEX "1"/"2"; no 健檢日期) followed by the grades.
const std::vector<ColumnDef>& framinghamColumns();
// The overwork columns ToWord adds to every Framingham column.
const QStringList& toWordOverworkColumns();
// ToWord as the grading builds it: every Framingham column and the overwork columns, all text.
std::vector<ColumnDef> toWordColumns();

QStringList names(const std::vector<ColumnDef>& columns);

// Drops the table when it exists and creates it empty with its columns (one transaction).
void createInPutFramingham(Database& db);
void createInPutBurnOut(Database& db);
// Both staging tables.
void createStagingTables(Database& db);
using ::createTableSql;
using ::insertSql;

// The staged key of a row: who, which survey, and (for a scale) its workload level.
struct StagedKey {
    QString employee; // 員工編號
    QString year;     // 年度代碼
    QString workload; // 工作負荷等級 (scales only)
};
// For each graded health check, the index of the overwork scale it is read with, or -1 when the person has none.
// The scale has the same non-empty 員工編號 (blanks around ignored); one of the same 年度代碼 is preferred; among
// several candidates the one with the highest readable 工作負荷等級 wins (a duplicate never hides a heavier workload),
// then the last staged. Every health check gets at most one scale, so a duplicated 員工編號 never multiplies rows.
std::vector<int> pairOverworkScales(const std::vector<StagedKey>& healthChecks, const std::vector<StagedKey>& scales);

} // namespace risk
