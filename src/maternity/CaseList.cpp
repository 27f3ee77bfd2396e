#include "maternity/CaseList.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "people/PersonQueries.h"

namespace maternity {

namespace {
// A stored date and time as the list shows it ("YYYY/MM/DD hh:mm"); a text that is no date stays as it is.
QString minuteText(const QVariant& v) {
    const QString text = Recordset::toText(v);
    const auto dt = rules::parseDateTime(text);
    return dt ? dt->toString(QStringLiteral("yyyy/MM/dd HH:mm")) : text;
}

QString dayText(const QVariant& v) {
    const QString text = Recordset::toText(v);
    const auto d = rules::parseDate(text);
    return d ? rules::dateText(*d) : text;
}
} // namespace

Recordset maternityCaseList(const Database& db, const QString& keyword, const QDate& today) {
    // Each count is grouped by the case number once, so two rows sharing a number both show the true count.
    static const QString sql = QStringLiteral(
        "SELECT m.\"姓名\", m.\"個案檔號\", m.\"個案建檔日\", m.\"出生年月日\", m.\"出生年月日\" AS \"目前年齡\", "
        "m.\"員工編號\", m.\"身份ID\", "
        "ifnull(a.n, 0) AS \"附表一_危害評估\", ifnull(b.n, 0) AS \"附表二_健康評估\", "
        "ifnull(c.n, 0) AS \"附表三_工作適性\", "
        "CASE WHEN m.\"個案解除日\" IS NULL THEN '列管中' ELSE m.\"個案解除日\" END AS \"個案解除日\", "
        "m.\"手機號碼\", m.\"備註說明\" "
        "FROM \"MaternityHealth\" AS m "
        "LEFT JOIN (SELECT \"CaseKey\", COUNT(*) AS n FROM \"MHPT1\" GROUP BY \"CaseKey\") AS a "
        "  ON a.\"CaseKey\" = m.\"個案檔號\" "
        "LEFT JOIN (SELECT \"CaseKey\", COUNT(*) AS n FROM \"MHPT2\" GROUP BY \"CaseKey\") AS b "
        "  ON b.\"CaseKey\" = m.\"個案檔號\" "
        "LEFT JOIN (SELECT \"CaseKey\", COUNT(*) AS n FROM \"MHPT3\" GROUP BY \"CaseKey\") AS c "
        "  ON c.\"CaseKey\" = m.\"個案檔號\" "
        "WHERE m.\"姓名\" LIKE ? ESCAPE '\\' OR m.\"員工編號\" LIKE ? ESCAPE '\\' "
        "ORDER BY m.\"個案建檔日\" DESC, m.rowid DESC LIMIT %1");
    const QString pattern = likeContainsPattern(keyword);
    const Recordset raw = db.query(sql.arg(kCaseListLimit), {pattern, pattern});
    std::vector<QVariantList> rows;
    rows.reserve(size_t(raw.recordCount()));
    for (const QVariantList& r : raw.rows()) {
        QVariantList row = r;
        row[CaseOpened] = minuteText(r[CaseOpened]);
        row[CaseBirth] = dayText(r[CaseBirth]);
        row[CaseAge] = people::currentAge(Recordset::toText(r[CaseAge]), today);
        rows.push_back(std::move(row));
    }
    return Recordset(raw.fieldNames(), std::move(rows));
}

} // namespace maternity
