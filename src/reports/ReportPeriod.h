#pragma once
// What every report builder of the report frame shares: the check of the two report date boxes, and the period and
// department conditions of a statement over the log, as SQL text with "?" and the values to bind.
//
// Dates are stored as "YYYY/MM/DD" text, so a period is compared as text after both ends were normalised to that
// form; both ends are included. A department keyword matches what it says: "%", "_" and "'" are plain characters.

#include <QString>
#include <QVariantList>
#include <optional>

class Ui;

namespace reports {

// A checked report period: both ends as "YYYY/MM/DD".
struct ReportPeriod {
    QString from;
    QString to;
    // "from ~ to", the text a workbook shows beside its table.
    QString text() const;
};

// How the two date boxes stand.
enum class PeriodCheck { Ok, Empty, NotADate };
// Both texts are trimmed first; an empty one is Empty (checked before the form), one that is no date NotADate.
PeriodCheck checkPeriod(const QString& from, const QString& to);
// The period of two date box texts, or nullopt after telling the nurse: an empty box gives "未選定日期" (critical
// icon), a box that is not a date "日期範圍不為日期格式" (plain box), both under the program's title.
std::optional<ReportPeriod> CheckReportPeriod(Ui& ui, const QString& from, const QString& to);

// A piece of a WHERE clause and the values its "?" take, in order.
struct SqlCondition {
    QString sql;
    QVariantList params;
    // Appends another condition with " AND " (an empty one adds nothing).
    SqlCondition& andAlso(const SqlCondition& other);
};

// "<column> BETWEEN ? AND ?" over the period, both ends included. The column is SQL text the caller writes itself
// ("[NursingBook].[記錄日期]"), never a typed value.
SqlCondition periodCondition(const QString& column, const ReportPeriod& period);
// "<column> LIKE ? ESCAPE '\'" with the trimmed keyword between "%"s, its "%", "_" and "\" escaped; an empty or
// blank keyword gives the empty condition (every department).
SqlCondition departmentCondition(const QString& column, const QString& keyword);

} // namespace reports
