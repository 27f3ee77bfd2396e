#include "reports/ReportPeriod.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/Ui.h"

namespace reports {

QString ReportPeriod::text() const {
    return from + QStringLiteral(" ~ ") + to;
}

PeriodCheck checkPeriod(const QString& from, const QString& to) {
    const QString f = from.trimmed();
    const QString t = to.trimmed();
    if (f.isEmpty() || t.isEmpty()) return PeriodCheck::Empty;
    if (!rules::isDate(f) || !rules::isDate(t)) return PeriodCheck::NotADate;
    return PeriodCheck::Ok;
}

std::optional<ReportPeriod> CheckReportPeriod(Ui& ui, const QString& from, const QString& to) {
    switch (checkPeriod(from, to)) {
    case PeriodCheck::Empty:
        ui.message(QStringLiteral("未選定日期"), {}, Ui::Icon::Critical);
        return std::nullopt;
    case PeriodCheck::NotADate:
        ui.message(QStringLiteral("日期範圍不為日期格式"));
        return std::nullopt;
    case PeriodCheck::Ok:
        break;
    }
    // "2024/3/5" and "2024-03-05" are the same day as the stored "2024/03/05": compare the normalised form.
    return ReportPeriod{rules::normalizeDate(from.trimmed()), rules::normalizeDate(to.trimmed())};
}

SqlCondition& SqlCondition::andAlso(const SqlCondition& other) {
    if (other.sql.isEmpty()) return *this;
    sql = sql.isEmpty() ? other.sql : sql + QStringLiteral(" AND ") + other.sql;
    params += other.params;
    return *this;
}

SqlCondition periodCondition(const QString& column, const ReportPeriod& period) {
    return {column + QStringLiteral(" BETWEEN ? AND ?"), {period.from, period.to}};
}

SqlCondition departmentCondition(const QString& column, const QString& keyword) {
    const QString k = keyword.trimmed();
    if (k.isEmpty()) return {};
    return {column + QStringLiteral(" LIKE ? ESCAPE '\\'"), {likeContainsPattern(k)}};
}

} // namespace reports
