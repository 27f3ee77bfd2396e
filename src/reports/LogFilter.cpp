#include "reports/LogFilter.h"

#include "core/Ui.h"
#include "core/VbRules.h"

namespace reports {

std::optional<LogFilter> checkReportPeriod(Ui& ui, const QString& fromText, const QString& toText,
                                           const QString& keyword) {
    const QString from = fromText.trimmed();
    const QString to = toText.trimmed();
    if (from.isEmpty() || to.isEmpty()) {
        ui.message(QStringLiteral("未選定日期"), {}, Ui::Icon::Critical);
        return std::nullopt;
    }
    if (!vb::isDate(from) || !vb::isDate(to)) {
        ui.message(QStringLiteral("日期範圍不為日期格式"));
        return std::nullopt;
    }
    return LogFilter{vb::normalizeDate(from), vb::normalizeDate(to), keyword.trimmed()};
}

QString containsPattern(const QString& keyword) {
    QString escaped;
    escaped.reserve(keyword.size() + 4);
    for (const QChar ch : keyword) {
        if (ch == u'\\' || ch == u'%' || ch == u'_') escaped += u'\\';
        escaped += ch;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

QString logCondition(const QString& dateColumn, const QString& departmentColumn, const LogFilter& filter,
                     QVariantList& params) {
    QString sql = QLatin1Char(' ') + dateColumn + QStringLiteral(" BETWEEN ? AND ?");
    params << filter.from << filter.to;
    if (!filter.keyword.isEmpty()) {
        sql += QStringLiteral(" AND ") + departmentColumn + QStringLiteral(" LIKE ? ESCAPE '\\'");
        params << containsPattern(filter.keyword);
    }
    return sql;
}

} // namespace reports
