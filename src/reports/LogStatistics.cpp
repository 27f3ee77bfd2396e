#include "reports/LogStatistics.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/VbRules.h"
#include "reports/LogSummary.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>
#include <set>

using office::XlsxSheet;

namespace reports {

namespace {

const QString kFromLogAndCodes =
    QStringLiteral(" FROM NursingBook INNER JOIN NursingCode ON NursingBook.事件代碼 = NursingCode.MainCode WHERE");

// The two cross tables are worksheets 9 and 10, unless the categories need those places.
constexpr int kFirstCrossSheet = 9;

// Turns the rows (label, "YYYY/MM", count) of a statement ordered by label into a cross table.
MonthCrossTable pivotByMonth(const Recordset& rs) {
    MonthCrossTable table;
    std::set<QString> months;
    for (int r = 0; r < rs.recordCount(); ++r)
        months.insert(rs.text(r, 1));
    std::map<QString, int> column;
    for (const QString& m : months) {
        column[m] = int(table.months.size());
        table.months << monthHeading(m);
    }
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString label = rs.text(r, 0);
        if (table.rows.empty() || table.rows.back().label != label)
            table.rows.push_back({label, std::vector<qint64>(months.size(), 0)});
        table.rows.back().counts[size_t(column[rs.text(r, 1)])] += rs.value(r, 2).toLongLong();
    }
    return table;
}

MonthCrossTable crossTable(const Database& db, const QString& labelSql, const SqlCondition& where) {
    // A month is the "YYYY/MM" of the stored date; grouping by it keeps one row per class and month.
    const QString sql =
        QStringLiteral("SELECT %1 AS label, substr(NursingBook.記錄日期, 1, 7) AS month, COUNT(*)").arg(labelSql) +
        kFromLogAndCodes + QLatin1Char(' ') + where.sql +
        QStringLiteral(" GROUP BY label, month ORDER BY label, month");
    return pivotByMonth(db.query(sql, where.params));
}

Recordset crossTableRecordset(const MonthCrossTable& table) {
    QStringList fields{QStringLiteral("傷害分類")};
    fields << table.months;
    std::vector<QVariantList> rows;
    rows.reserve(table.rows.size());
    for (const auto& row : table.rows) {
        QVariantList values{row.label};
        for (qint64 n : row.counts)
            values << (n ? QVariant(n) : QVariant());
        rows.push_back(std::move(values));
    }
    return Recordset(fields, std::move(rows));
}

// The bar chart of a category sheet: one bar per code (the Note column), the most frequent at the top, placed from
// column E as wide as columns A to F and as high as the table plus fifteen rows.
void AddBarChartToSheet(XlsxSheet& sheet, const QString& title, int rowCount) {
    office::XlsxBarChart chart;
    chart.categories = {1, 1, rowCount, 1};
    chart.values = {1, 2, rowCount, 2};
    chart.seriesName = office::XlsxCellRef{0, 2};
    chart.title = title;
    chart.anchor = {0, 4};
    chart.size = QSize(sheet.columnLeftPx(6), sheet.rowTopPx(rowCount + 14));
    sheet.addBarChart(chart);
}

void writeCategorySheet(Program& program, XlsxSheet& sheet, const CategoryStatistics& cat, const QString& period) {
    sheet.setName(cat.category.name());
    if (cat.items.empty()) return;
    std::vector<QVariantList> rows;
    rows.reserve(cat.items.size());
    for (const CategoryItem& item : cat.items)
        rows.push_back({item.code, item.note, item.count, vb::format(item.share, QStringLiteral("0.00%"))});
    const Recordset rs(
        {QStringLiteral("事件代碼"), QStringLiteral("Note"), QStringLiteral("人數"), QStringLiteral("百分比")},
        std::move(rows));
    WriteRecordsetToSheet(program, rs, sheet);
    // The chart reads the counts: they are numbers, not texts.
    for (int r = 0; r < int(cat.items.size()); ++r)
        sheet.setNumber(r + 1, 2, double(cat.items[size_t(r)].count));
    const QString title = QStringLiteral("【") + cat.category.type + QStringLiteral(" 】統計圖 (總人數: ") +
                          QString::number(cat.total) + QStringLiteral(")\n") + period;
    AddBarChartToSheet(sheet, title, int(cat.items.size()));
}

} // namespace

QString monthHeading(const QString& date) {
    return date.left(4) + QLatin1Char('.') + date.mid(5, 2) + QStringLiteral("月份");
}

std::vector<EventCategory> eventCategories(const Database& db) {
    const Recordset rs = db.query(
        QStringLiteral("SELECT substr(ifnull(MainCode, ''), 1, 1) AS letter, ifnull(Type, '') AS type FROM NursingCode "
                       "GROUP BY letter, type ORDER BY letter, type"));
    std::vector<EventCategory> list;
    list.reserve(size_t(rs.recordCount()));
    for (int r = 0; r < rs.recordCount(); ++r)
        list.push_back({rs.text(r, 0), rs.text(r, 1)});
    return list;
}

SqlCondition logEntriesOf(const ReportPeriod& period, const QString& keyword) {
    return periodCondition(QStringLiteral("NursingBook.記錄日期"), period)
        .andAlso(departmentCondition(QStringLiteral("NursingBook.所屬部門"), keyword));
}

LogStatistics computeLogStatistics(const Database& db, const ReportPeriod& period, const QString& keyword) {
    LogStatistics stats;
    stats.period = period;
    stats.keyword = keyword;
    const SqlCondition where = logEntriesOf(period, keyword);
    for (const EventCategory& c : eventCategories(db))
        stats.categories.push_back({c, 0, {}});
    std::map<std::pair<QString, QString>, size_t> byKey;
    for (size_t i = 0; i < stats.categories.size(); ++i)
        byKey[{stats.categories[i].category.letter, stats.categories[i].category.type}] = i;

    // Every code of the period with its category: the total of a category is the sum over its own codes.
    const Recordset rs =
        db.query(QStringLiteral("SELECT substr(NursingBook.事件代碼, 1, 1), ifnull(NursingCode.Type, ''), "
                                "NursingBook.事件代碼, ifnull(NursingCode.Note, ''), COUNT(*)") +
                     kFromLogAndCodes + QLatin1Char(' ') + where.sql + QStringLiteral(" GROUP BY 1, 2, 3, 4"),
                 where.params);
    for (int r = 0; r < rs.recordCount(); ++r) {
        const auto it = byKey.find({rs.text(r, 0), rs.text(r, 1)});
        if (it == byKey.end()) continue;
        CategoryStatistics& cat = stats.categories[it->second];
        cat.items.push_back({rs.text(r, 2), rs.text(r, 3), rs.value(r, 4).toLongLong(), 0});
        cat.total += cat.items.back().count;
    }
    for (CategoryStatistics& cat : stats.categories) {
        std::stable_sort(cat.items.begin(), cat.items.end(), [](const CategoryItem& a, const CategoryItem& b) {
            return a.count != b.count ? a.count > b.count : a.code < b.code;
        });
        for (CategoryItem& item : cat.items)
            item.share = double(item.count) / double(cat.total);
    }

    stats.byCategory = crossTable(
        db, QStringLiteral("substr(NursingBook.事件代碼, 1, 1) || '_' || ifnull(NursingCode.Type, '')"), where);
    stats.byItem = crossTable(db, QStringLiteral("NursingBook.事件代碼 || '_' || ifnull(NursingCode.Note, '')"), where);
    return stats;
}

void writeLogStatistics(Program& program, ExcelSession& session, const LogStatistics& stats,
                        const ReportProgress& progress) {
    const int n = int(stats.categories.size());
    const QString period = stats.period.text();
    for (int i = 1; i <= n; ++i) {
        const CategoryStatistics& cat = stats.categories[size_t(i - 1)];
        if (progress)
            progress(QStringLiteral("【") + cat.category.name() +
                         QStringLiteral(" 】統計圖\r\n\r\n系統正在執行 Excel 報表繪製, 請勿執行其它程式\r\n\r\n"
                                        "請勿點選正在進行中的 Excel"),
                     int(vb::roundHalfAway(100.0 * i / n, 0)));
        QCoreApplication::processEvents();
        writeCategorySheet(program, session.activate(i), cat, period);
    }
    const int crossSheet = std::max(kFirstCrossSheet, n + 1);
    if (!stats.byCategory.rows.empty()) {
        XlsxSheet& sheet = session.activate(crossSheet);
        sheet.setName(QStringLiteral("各月份大類比較"));
        WriteRecordsetToSheet(program, crossTableRecordset(stats.byCategory), sheet);
    }
    if (!stats.byItem.rows.empty()) {
        XlsxSheet& sheet = session.activate(crossSheet + 1);
        sheet.setName(QStringLiteral("各月份細類比較"));
        WriteRecordsetToSheet(program, crossTableRecordset(stats.byItem), sheet);
        sheet.toggleAutoFilter(); // this sheet ends without filter arrows
    }
}

ReportOutcome BuildNursingLogStatsWorkbook(Program& program, const QString& fromText, const QString& toText,
                                           const QString& keyword, const ReportProgress& progress) {
    const std::optional<ReportPeriod> period = CheckReportPeriod(program.ui(), fromText, toText);
    if (!period) return ReportOutcome::Stopped;
    const LogStatistics stats = computeLogStatistics(program.DBConn, *period, keyword);
    const int n = int(stats.categories.size());
    // Eleven worksheets as a rule; more when the categories and the two cross tables need them.
    ExcelSession& session = CreateExcelWorkbook(program, std::max(8, n - 1));
    session.name = QStringLiteral("健康日誌統計分析");
    writeLogStatistics(program, session, stats, progress);
    if (FinishExcel(program, false).isEmpty()) return ReportOutcome::Stopped; // already said why

    std::vector<EventCategory> categories;
    categories.reserve(stats.categories.size());
    for (const CategoryStatistics& c : stats.categories)
        categories.push_back(c.category);
    if (BuildNursingLogSummaryWorkbook(program, categories, *period, keyword, progress).isEmpty())
        return ReportOutcome::Stopped;
    return ReportOutcome::Done;
}

} // namespace reports
