#include "reports/LogStatistics.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "office/XlsxText.h"
#include "reports/LogSummary.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>

using office::XlsxSheet;

namespace reports {

namespace {

// The two cross tables are worksheets 9 and 10, unless the categories need those places.
constexpr int kFirstCrossSheet = 9;

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

// The bar chart of a category sheet: one bar per code (the Note column) in one colour, the most frequent at the top,
// placed from column E as wide as columns A to F and as high as the table plus fifteen rows.
void AddBarChartToSheet(XlsxSheet& sheet, const QString& title, int rowCount) {
    office::XlsxBarChart chart;
    chart.categories = {1, 1, rowCount, 1};
    chart.values = {1, 2, rowCount, 2};
    chart.seriesName = office::XlsxCellRef{0, 2};
    chart.title = title;
    chart.barColor = office::xlsxColorIndex(55); // one colour for every bar
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
        rows.push_back({item.code, item.note, item.count, rules::format(item.share, QStringLiteral("0.00%"))});
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

EventCodeTable loadEventCodes(const Database& db) {
    const Recordset rs = db.query(
        QStringLiteral("SELECT MainCode, Type, Note, 健康服務工作要項 FROM NursingCode WHERE MainCode IS NOT NULL"));
    EventCodeTable codes;
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString code = rs.text(r, 0);
        codes.emplace(code, EventCode{{code.left(1), rs.text(r, 1)}, rs.text(r, 2), rs.text(r, 3)});
    }
    return codes;
}

std::vector<EventCategory> eventCategories(const EventCodeTable& codes) {
    std::set<EventCategory> set;
    for (const auto& [code, c] : codes)
        set.insert(c.category);
    return {set.begin(), set.end()};
}

std::vector<EventCategory> eventCategories(const Database& db) {
    return eventCategories(loadEventCodes(db));
}

SqlCondition logEntriesOf(const ReportPeriod& period, const QString& keyword) {
    return periodCondition(QStringLiteral("NursingBook.記錄日期"), period)
        .andAlso(departmentCondition(QStringLiteral("NursingBook.所屬部門"), keyword));
}

LogCounts countLogEntries(const Database& db, const ReportPeriod& period, const QString& keyword) {
    LogCounts counts{period, keyword, loadEventCodes(db), {}};
    // One pass over the log, summed in a hash. Through the date index every entry of the period costs a look-up of
    // its own, and a GROUP BY sorts them all: the pass is cheaper as soon as the period holds a fair part of the log,
    // and a short period costs no more than one pass (the "+" keeps the index out). The key holds each text with its
    // length in front.
    const SqlCondition where = periodCondition(QStringLiteral("+NursingBook.記錄日期"), period)
                                   .andAlso(departmentCondition(QStringLiteral("NursingBook.所屬部門"), keyword));
    std::unordered_map<std::string, size_t> rowOf;
    std::string key;
    db.forEachRow(
        QStringLiteral("SELECT 事件代碼, substr(記錄日期, 1, 7), 人員身份, 嚴重代碼 FROM NursingBook WHERE ") +
            where.sql,
        where.params, [&](const RowView& row) {
            key.clear();
            for (int c = 0; c < 4; ++c) {
                const QByteArrayView text = row.utf8(c);
                const auto size = quint32(text.size());
                key.append(reinterpret_cast<const char*>(&size), sizeof size);
                key.append(text.data(), size_t(text.size()));
            }
            const auto [it, added] = rowOf.try_emplace(key, counts.rows.size());
            if (added) counts.rows.push_back({row.text(0), row.text(1), row.text(2), row.text(3), 0});
            ++counts.rows[it->second].count;
        });
    std::sort(counts.rows.begin(), counts.rows.end(), [](const LogCount& a, const LogCount& b) {
        return std::tie(a.code, a.month, a.personType, a.severity) <
               std::tie(b.code, b.month, b.personType, b.severity);
    });
    return counts;
}

LogStatistics computeLogStatistics(const Database& db, const ReportPeriod& period, const QString& keyword) {
    return computeLogStatistics(countLogEntries(db, period, keyword));
}

LogStatistics computeLogStatistics(const LogCounts& counts) {
    LogStatistics stats;
    stats.period = counts.period;
    stats.keyword = counts.keyword;
    const EventCodeTable& codes = counts.codes;
    std::map<EventCategory, size_t> index;
    for (const EventCategory& c : eventCategories(codes)) {
        index.emplace(c, stats.categories.size());
        stats.categories.push_back({c, 0, {}});
    }

    std::map<QString, qint64> byCode;
    std::set<QString> months;
    std::map<QString, std::map<QString, qint64>> byCategoryMonth, byItemMonth;
    for (const LogCount& row : counts.rows) {
        const auto code = codes.find(row.code);
        if (code == codes.end()) continue;
        byCode[code->first] += row.count;
        months.insert(row.month);
        byCategoryMonth[code->second.category.name()][row.month] += row.count;
        byItemMonth[code->first + QLatin1Char('_') + code->second.note][row.month] += row.count;
    }

    // A category's total is the sum over its own codes, so its shares add up to the whole.
    for (const auto& [code, n] : byCode) {
        const EventCode& c = codes.at(code);
        CategoryStatistics& cat = stats.categories[index.at(c.category)];
        cat.items.push_back({code, c.note, n, 0});
        cat.total += n;
    }
    for (CategoryStatistics& cat : stats.categories) {
        std::stable_sort(cat.items.begin(), cat.items.end(),
                         [](const CategoryItem& a, const CategoryItem& b) { return a.count > b.count; });
        for (CategoryItem& item : cat.items)
            item.share = double(item.count) / double(cat.total);
    }

    const auto crossTable = [&months](const std::map<QString, std::map<QString, qint64>>& byLabel) {
        MonthCrossTable table;
        for (const QString& m : months)
            table.months << monthHeading(m);
        for (const auto& [label, perMonth] : byLabel) {
            MonthCrossTable::Row row{label, {}};
            row.counts.reserve(months.size());
            for (const QString& m : months) {
                const auto it = perMonth.find(m);
                row.counts.push_back(it == perMonth.end() ? 0 : it->second);
            }
            table.rows.push_back(std::move(row));
        }
        return table;
    };
    stats.byCategory = crossTable(byCategoryMonth);
    stats.byItem = crossTable(byItemMonth);
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
                     int(rules::roundHalfAway(100.0 * i / n, 0)));
        letEventsThrough();
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
    const LogCounts counts = countLogEntries(program.DBConn, *period, keyword);
    const LogStatistics stats = computeLogStatistics(counts);
    const int n = int(stats.categories.size());
    // Eleven worksheets as a rule; more when the categories and the two cross tables need them.
    ExcelSession& session = CreateExcelWorkbook(program, std::max(8, n - 1));
    session.name = QStringLiteral("健康日誌統計分析");
    writeLogStatistics(program, session, stats, progress);
    if (FinishExcel(program, false).isEmpty()) return ReportOutcome::Stopped; // already said why

    if (BuildNursingLogSummaryWorkbook(program, eventCategories(counts.codes), counts, progress).isEmpty())
        return ReportOutcome::Stopped;
    return ReportOutcome::Done;
}

} // namespace reports
