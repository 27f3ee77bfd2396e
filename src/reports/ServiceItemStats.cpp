#include "reports/ServiceItemStats.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "reports/LogStatistics.h"

#include <QHash>

#include <string>
#include <unordered_map>

using office::XlsxRange;
using office::XlsxSheet;
using office::XlsxStyle;

namespace reports {

namespace {

const XlsxRange kAllCells{0, 0, office::kXlsxMaxRows - 1, office::kXlsxMaxColumns - 1};
constexpr int kFirstItemRow = 2; // row 3, below the two heading rows

XlsxStyle fillOf(int r, int g, int b) {
    XlsxStyle s;
    s.fill = qRgb(r, g, b);
    return s;
}

XlsxStyle noWrap() {
    XlsxStyle s;
    s.wrap = false;
    return s;
}

XlsxStyle centred() {
    XlsxStyle s;
    s.hAlign = office::XlsxHAlign::Center;
    s.vAlign = office::XlsxVAlign::Center;
    return s;
}

void writeForm(Program& program, XlsxSheet& sheet, const ServiceItemStats& stats) {
    std::vector<QVariantList> rows;
    rows.reserve(stats.items.size());
    for (const ServiceItemCount& item : stats.items)
        rows.push_back({item.type, item.item});
    WriteRecordsetToSheet(
        program, Recordset({QStringLiteral("Type"), QStringLiteral("健康服務工作要項")}, std::move(rows)), sheet);
    sheet.setName(QStringLiteral("附表八 勞工健康服務執行紀錄表_3-5項"));
    sheet.applyStyle(kAllCells, noWrap());
    sheet.setColumnWidth(0, office::kXlsxMaxColumns - 1, 15);
    sheet.setText(0, 2, QStringLiteral("已完成案件數 "));
    sheet.setText(0, 3, QStringLiteral("發現問題 "));
    sheet.insertRows(0, 1);
    sheet.setText(0, 0, QStringLiteral("三、臨場健康服務執行情形"));
    // E and F are merged over both heading rows: their texts stand in the top cell, which the merge shows.
    sheet.setText(0, 4, QStringLiteral("四、建議採行措施\n(針對發現問題所採行之措施)  "));
    sheet.setText(0, 5, QStringLiteral("五、對於前次建議改善事項之追蹤辦理情形 "));
    sheet.mergeRange({0, 0, 0, 3});
    sheet.mergeRange({0, 4, 1, 4});
    sheet.mergeRange({0, 5, 1, 5});
    sheet.applyStyle({0, 0, 0, 3}, fillOf(0, 102, 102));
    sheet.applyStyle({1, 0, 1, 3}, fillOf(138, 149, 169));
    sheet.applyStyle({0, 4, 1, 4}, fillOf(171, 84, 90));
    sheet.applyStyle({0, 5, 1, 5}, fillOf(216, 156, 122));
    XlsxStyle heading = centred();
    heading.fontName = QStringLiteral("微軟正黑體");
    heading.fontSize = 14;
    heading.bold = true;
    heading.fontColor = qRgb(255, 255, 225);
    heading.wrap = true;
    sheet.applyStyle({0, 0, 1, 5}, heading);
    sheet.setColumnWidth(0, 0, 20);
    sheet.setColumnWidth(1, 1, 48);
    sheet.setColumnWidth(2, 2, 20);
    sheet.setColumnWidth(3, 5, 32);
    // The heading rows carry their height, so that the wrapped headings of E and F show whole where rows are not
    // sized on opening; the form prints across one landscape page.
    sheet.setRowHeight(0, 30);
    sheet.setRowHeight(1, 30);
    sheet.setLandscape(true);
    sheet.setFitToWidth(true);

    const int n = int(stats.items.size());
    for (int i = 0; i < n; ++i) {
        const int row = kFirstItemRow + i;
        sheet.setNumber(row, 2, double(stats.items[size_t(i)].count));
        for (int col = 3; col <= 5; ++col)
            sheet.setText(row, col, QStringLiteral("User 自填"));
    }
    if (n == 0) return;
    sheet.applyStyle({kFirstItemRow, 2, kFirstItemRow + n - 1, 2}, centred());
    XlsxStyle byHand = centred();
    byHand.fontColor = qRgb(174, 169, 166);
    sheet.applyStyle({kFirstItemRow, 3, kFirstItemRow + n - 1, 5}, byHand);
}

} // namespace

ServiceItemStats computeServiceItemStats(const Database& db, const ReportPeriod& period, const QString& keyword) {
    ServiceItemStats stats;
    stats.period = period;
    stats.keyword = keyword;
    // The entries of the period per code, counted in one pass over the log as the category statistics count them,
    // summed per work item of the code table.
    const SqlCondition where = periodCondition(QStringLiteral("+NursingBook.記錄日期"), period)
                                   .andAlso(departmentCondition(QStringLiteral("NursingBook.所屬部門"), keyword));
    const EventCodeTable codes = loadEventCodes(db);
    std::unordered_map<std::string, qint64> perCode;
    db.forEachRow(QStringLiteral("SELECT 事件代碼 FROM NursingBook WHERE ") + where.sql, where.params,
                  [&perCode](const RowView& row) {
                      const QByteArrayView code = row.utf8(0);
                      ++perCode[std::string(code.data(), size_t(code.size()))];
                  });
    QHash<QString, qint64> countOf;
    for (const auto& [text, n] : perCode) {
        const auto code = codes.find(QString::fromUtf8(text.data(), qsizetype(text.size())));
        if (code != codes.end() && !code->second.workItem.isEmpty()) countOf[code->second.workItem] += n;
    }

    // Every work item, also one after an item without text. A code names its item by the text alone, and two items
    // may share a wording: the entries count once, under the first item of that text in the form's order, and the
    // later items of the same text show 0.
    const Recordset items = db.query(QStringLiteral(
        "SELECT ifnull(Type, ''), ifnull(健康服務工作要項, '') FROM ListOHS ORDER BY MainCode, xAutoNumber"));
    stats.items.reserve(size_t(items.recordCount()));
    for (int r = 0; r < items.recordCount(); ++r) {
        const QString item = items.text(r, 1);
        stats.items.push_back({items.text(r, 0), item, item.isEmpty() ? 0 : countOf.take(item)});
    }
    return stats;
}

void writeServiceItemStats(Program& program, ExcelSession& session, const ServiceItemStats& stats) {
    writeForm(program, session.activate(1), stats);
    XlsxSheet& codes = session.activate(2);
    WriteCodeTableToSheet(program, codes, QStringLiteral("NursingCode"));
    codes.setName(QStringLiteral("健康服務工作要項"));
    codes.applyStyle(kAllCells, noWrap());
    codes.setColumnWidth(0, office::kXlsxMaxColumns - 1, 15);
    session.activate(1);
}

ReportOutcome BuildServiceItemStatsWorkbook(Program& program, const QString& fromText, const QString& toText,
                                            const QString& keyword) {
    const std::optional<ReportPeriod> period = CheckReportPeriod(program.ui(), fromText, toText);
    if (!period) return ReportOutcome::Stopped;
    const ServiceItemStats stats = computeServiceItemStats(program.DBConn, *period, keyword);
    ExcelSession& session = CreateExcelWorkbook(program, 0);
    session.name = QStringLiteral("健康服務工作要項_統計分析");
    writeServiceItemStats(program, session, stats);
    return FinishExcel(program, true).isEmpty() ? ReportOutcome::Stopped : ReportOutcome::Done;
}

} // namespace reports
