#pragma once
// The four-level grading ("多項四段分級") of one health-check year: every standard row of MultipleLevel (an item, a
// sex, one criterion per level 0 to 4) grades the year's values of that item. A value takes the label of the lowest
// level whose criterion it meets ("150【Level_2】"); a labelled value no longer meets any later criterion, so later
// rows of the same item only grade what earlier rows left. Every standard is checked before anything is graded: one
// that does not parse or names an unknown sex refuses the whole run; one whose item is no column of PersonalHealth
// is left out and the others are graded.

#include "core/GradingCriteria.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class Database;

namespace reports {

using grading::Criterion;
using grading::CriterionParse;
using grading::CriterionPart;
using grading::isTextItem;
using grading::kLevelCount;
using grading::parseCriterion;
using grading::Standard;
using grading::StandardProblem;
using grading::StandardRow;

// "【Level_0】" … "【Level_4】".
QString levelLabel(int level);
// rules::isNumeric and rules::val in one pass, without a regular expression (the grading asks it of every value):
// blanks around, an optional sign, digits with at most one point (at least one digit), an optional exponent. Returns
// whether the whole text is numeric and, if so, its value.
bool numericValue(const QString& text, double* value);

// The standards table as the grading reads it: its column names in table order (the count table's header) and its
// rows ordered by 項目名稱 (rows of one item in the order they were stored), each with its place in the order the rows
// were stored (the order of the imported sheet) as its position. Missing grading columns are problems.
struct StandardsTable {
    QStringList columns;
    std::vector<StandardRow> rows;
};
StandardsTable readStandards(const Database& db, std::vector<StandardProblem>* problems);

// The count table: row 0 the column names of MultipleLevel in their order, then one row per graded standard
// (項目名稱, 性別 and the number of persons at each level, each placed in the column of that name; a level not used
// stays empty); a standard without any value of its item for the year (and sex) gets no row, so the table keeps
// R + 1 rows and ends with empty ones.
struct CountTable {
    std::vector<QVariantList> rows;
    int columnCount() const { return rows.empty() ? 0 : int(rows.front().size()); }
};

// The year's health checks being graded, one text per cell (null: no value), in the columns of X_Temp.
struct GradingTable {
    QStringList columns;
    std::vector<std::vector<std::optional<QString>>> rows;
    int column(const QString& name) const { return int(columns.indexOf(name)); }
};

// The columns X_Temp adds to those of PersonalHealth, in order.
QStringList gradingColumns(); // 最高等級, 目前等級, 個人分級彙整, Level_2_分級彙整, Level_3_分級彙整, Level_4_分級彙整

// Grades the table in place (labels, the summaries and 最高等級; 目前等級 stays null) and returns the count table.
// `table` must hold SEX and the columns gradingColumns() names. progress gets 0 and then, before each standard row,
// its position ÷ the number of rows × 100.
CountTable gradeTable(GradingTable& table, const std::vector<Standard>& standards, const QStringList& headerColumns,
                      int standardRowCount, const std::function<void(int)>& progress = {});

// The outcome of a grading run.
struct MultipleLevelRun {
    std::vector<StandardProblem> problems; // not empty: nothing was graded and X_Temp is as it was
    std::vector<StandardProblem> skipped;  // rows whose item is no column of PersonalHealth: not graded
    CountTable counts;
    int healthChecks = 0; // the rows of the year
};

// Checks the standards and, when all are sound, rebuilds X_Temp (one transaction) with the graded rows of the year:
// every column of PersonalHealth in table order, single-precision columns as Varchar(100), then the grading columns
// and the row number NOindex. Throws DbError.
MultipleLevelRun runMultipleLevelGrading(Database& db, const QString& yearCode,
                                         const std::function<void(int)>& progress = {});

} // namespace reports
