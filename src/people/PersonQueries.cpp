#include "people/PersonQueries.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"

namespace people {

namespace {
QVariantList likeParams(const QString& keyword) {
    const QString pattern = likeContainsPattern(keyword);
    return {pattern, pattern};
}

// A count column: "-" where the person has no row in the table.
QVariant countOrDash(const QVariant& v) {
    if (v.isNull() || v.toLongLong() == 0) return QStringLiteral("-");
    return QString::number(v.toLongLong());
}
} // namespace

QString currentAge(const QString& birthDate, const QDate& today) {
    const auto birth = rules::parseDate(birthDate);
    if (!birth) return {};
    return rules::format(rules::monthDiff(*birth, today) / 12.0, QStringLiteral("0.0"));
}

Recordset searchEmployees(const Database& db, const QString& keyword) {
    QStringList cols;
    for (const QString& c : db.columns(QStringLiteral("EMPL")))
        cols.append(Database::quoteName(c));
    if (cols.isEmpty()) return {};
    return db.query(QStringLiteral("SELECT %1 FROM \"EMPL\" WHERE \"姓名\" LIKE ? ESCAPE '\\' OR \"員工編號\" LIKE ? "
                                   "ESCAPE '\\'")
                        .arg(cols.join(QStringLiteral(", "))),
                    likeParams(keyword));
}

Recordset searchHealthServices(const Database& db, const QString& keyword, const QDate& today) {
    // One grouped count per table, joined by employee number: the person's name, sex and birth date come from the
    // newest health check (SQLite takes the bare columns from the row of MAX).
    static const QString sql = QStringLiteral(
        "SELECT p.\"姓名\", p.\"SEX\", p.\"出生年月日\" AS \"目前年齡\", p.\"員工編號\", "
        "p.n AS \"健檢資料筆數\", b.n AS \"過勞量表筆數\", q.n AS \"NMQ資料筆數\", l.n AS \"健康服務資料量\", "
        "s.n AS \"特殊健檢筆數\" "
        "FROM (SELECT \"員工編號\", MAX(\"年度代碼\") AS y, \"姓名\", \"SEX\", \"出生年月日\", COUNT(*) AS n "
        "      FROM \"PersonalHealth\" GROUP BY \"員工編號\") AS p "
        "LEFT JOIN (SELECT \"員工編號\", COUNT(*) AS n FROM \"PersonalBurnOut\" GROUP BY \"員工編號\") AS b "
        "  ON b.\"員工編號\" = p.\"員工編號\" "
        "LEFT JOIN (SELECT \"員工編號\", COUNT(*) AS n FROM \"PersonalNMQ\" GROUP BY \"員工編號\") AS q "
        "  ON q.\"員工編號\" = p.\"員工編號\" "
        "LEFT JOIN (SELECT \"員工編號\", COUNT(*) AS n FROM \"NursingBook\" GROUP BY \"員工編號\") AS l "
        "  ON l.\"員工編號\" = p.\"員工編號\" "
        "LEFT JOIN (SELECT \"員工編號\", COUNT(*) AS n FROM \"PersonalSpecialHealth\" GROUP BY \"員工編號\") AS s "
        "  ON s.\"員工編號\" = p.\"員工編號\" "
        "WHERE p.\"姓名\" LIKE ? ESCAPE '\\' OR p.\"員工編號\" LIKE ? ESCAPE '\\' "
        "ORDER BY p.\"員工編號\"");
    const Recordset raw = db.query(sql, likeParams(keyword));
    std::vector<QVariantList> rows;
    rows.reserve(size_t(raw.recordCount()));
    for (const QVariantList& r : raw.rows()) {
        QVariantList row = r;
        row[HsAge] = currentAge(Recordset::toText(r[HsAge]), today);
        for (int c = HsHealthCount; c <= HsSpecialCount; ++c)
            row[c] = countOrDash(r[c]);
        rows.push_back(std::move(row));
    }
    return Recordset(raw.fieldNames(), std::move(rows));
}

Recordset searchToWord(const Database& db) {
    if (!db.tableExists(QStringLiteral("ToWord"))) return {};
    const QStringList have = db.columns(QStringLiteral("ToWord"));
    auto has = [&have](const QString& c) {
        for (const QString& h : have)
            if (h.compare(c, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    QStringList select;
    auto add = [&](const QString& column, const QString& alias) {
        select.append(has(column) ? Database::quoteName(column) + QStringLiteral(" AS ") + Database::quoteName(alias)
                                  : QStringLiteral("NULL AS ") + Database::quoteName(alias));
    };
    for (const char* c : {"年度代碼", "部門代號", "部門名稱", "姓名"})
        add(QString::fromUtf8(c), QString::fromUtf8(c));
    // The grading run writes the sex as "男"/"女" into SEX; a table that names it 性別 is read the same way.
    add(has(QStringLiteral("SEX")) ? QStringLiteral("SEX") : QStringLiteral("性別"), QStringLiteral("性別"));
    add(QStringLiteral("員工編號"), QStringLiteral("員工編號"));
    for (const char* g :
         {"BMI分級", "Framingham_Risk_Score", "心血管疾病風險等級", "成人血壓分級", "代謝症候群_分級", "三高族群分級",
          "I_Risk", "J_Risk", "月加班時數等級", "工作型態評估等級", "工作負荷等級", "異常工作負荷促發疾病_風險等級"}) {
        const QString grade = QString::fromUtf8(g);
        if (has(grade)) add(grade, grade);
    }
    return db.query(QStringLiteral("SELECT %1 FROM \"ToWord\"").arg(select.join(QStringLiteral(", "))));
}

} // namespace people
