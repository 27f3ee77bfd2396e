#pragma once
// The period and department keyword a statistics report of the health-service log runs on, checked once, and the
// SQL condition they give: the period includes both end dates, the keyword matches any part of the department with
// "'", "%" and "_" standing for themselves. Values are bound, never pasted into the statement.

#include <QString>
#include <QVariantList>
#include <optional>

class Ui;

namespace reports {

struct LogFilter {
    QString from;    // "YYYY/MM/DD"
    QString to;      // "YYYY/MM/DD"
    QString keyword; // trimmed; empty: every department

    // "from ~ to", the period as the workbooks name it.
    QString periodText() const { return from + QStringLiteral(" ~ ") + to; }
};

// The builders' date check on the two date boxes: an empty box (after trimming) shows "未選定日期" with the
// critical icon, a box that is not a date "日期範圍不為日期格式" in a plain box; nullopt then. The dates are
// normalised to "YYYY/MM/DD"; the keyword is trimmed.
std::optional<LogFilter> checkReportPeriod(Ui& ui, const QString& fromText, const QString& toText,
                                           const QString& keyword);

// " <dateColumn> BETWEEN ? AND ?" followed, for a keyword, by " AND <departmentColumn> LIKE ? ESCAPE '\'"; the
// values are appended to `params` in that order. The columns are SQL text chosen by the caller.
QString logCondition(const QString& dateColumn, const QString& departmentColumn, const LogFilter& filter,
                     QVariantList& params);

// The LIKE pattern that finds a keyword anywhere: "%" + the keyword with "\", "%" and "_" escaped by "\" + "%".
QString containsPattern(const QString& keyword);

} // namespace reports
