#pragma once
// The rules of the four-level grading standards ("多項四段分級標準"): the criterion grammar of one level and the check
// of a whole standard row. The import of the standards checks every row of its sheet with them before anything is
// replaced, and the grading checks the stored rows with them before anything is graded, so a standard the import
// accepts is one the grading can use.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace grading {

inline constexpr int kLevelCount = 5;

// The items graded by text equality instead of by number: exactly "PRO" and "UOB".
bool isTextItem(const QString& item);

// One alternative of a numeric criterion: a comparison with a value, or a range whose both ends are included.
struct CriterionPart {
    enum class Op { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual, Range };
    Op op = Op::Equal;
    double value = 0; // the compared value, or the low end of a range
    double high = 0;  // the high end of a range
    bool operator==(const CriterionPart&) const = default;
};

// A parsed criterion. Text items: the stored text must equal `text`. Numeric items: a stored text that is numeric as
// a whole (rules::isNumeric) meets the criterion when any part holds for its value.
struct Criterion {
    bool textItem = false;
    QString text;
    std::vector<CriterionPart> parts;
    bool holds(double value) const;
};

// The outcome of parsing one criterion: a criterion, a level not used ("NA" or null), or the reason it is refused.
struct CriterionParse {
    std::optional<Criterion> criterion;
    bool unused = false;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The grammar, blanks around the parts ignored; "OR" must be upper case, nothing else joins parts:
//   numeric item  op value           op one of < <= > >= = <>, value numeric (">=140")
//                 op value OR op value …                        ("<90 OR >=140")
//                 low~high [OR low~high …]  both ends numeric, low ≤ high ("120~139 OR 160~179")
//   text item     any text but the empty one: the stored text must equal it (trimmed)
// "NA" or null: the level is not used. Everything else is refused with a reason (an empty text, a lower-case "or",
// a value without an operator, a range mixed with a comparison ...); a sign written in full width ("～", "≧") is
// named as such.
CriterionParse parseCriterion(const std::optional<QString>& text, bool textItem);

// A standard row as stored or as read from a sheet.
struct StandardRow {
    int position = 0; // where the nurse finds the row: its place in the order she imported, or its row on the sheet
    QString item;
    QString sex;
    std::array<std::optional<QString>, kLevelCount> levels;
};

// A standard row ready to grade.
struct Standard {
    QString item;
    QString sex; // "0" both sexes, else compared with SEX
    bool textItem = false;
    std::array<std::optional<Criterion>, kLevelCount> levels; // empty: level not used
};

// Why a standard row cannot be graded, or why it is left out.
struct StandardProblem {
    int position = 0;
    QString item;
    QString sex;
    QString column; // "項目名稱", "性別" or "Level_N"
    QString text;   // the refused text
    QString reason;
};

// Checks one row by the rules of the standards themselves: an item name, the sex "0", "1" or "2", every level
// criterion parsing. Returns the standard when the row is sound; its problems are appended otherwise.
std::optional<Standard> checkStandardRow(const StandardRow& row, std::vector<StandardProblem>* problems);

// Checks every row; a sound row whose item is no column of PersonalHealth (letter case as written) cannot be placed
// and goes to `skipped`. Rows come back ready to grade in the same order.
std::vector<Standard> checkStandards(const std::vector<StandardRow>& rows, const QStringList& healthColumns,
                                     std::vector<StandardProblem>* problems, std::vector<StandardProblem>* skipped);

// The body of the page listing problem rows: a table headed by `positionHeading` (the column of the row's
// position), then the closing sentence.
QString standardProblemsHtml(const std::vector<StandardProblem>& problems, const QString& positionHeading,
                             const QString& closing);

} // namespace grading
