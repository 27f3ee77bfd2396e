// Workbook output: 100 000 rows of 10 text columns through WriteRecordsetToSheet and FinishExcel, against the same
// cells written straight through libxlsxwriter. Target: less than twice the direct time.

#include "Bench.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"

#include <QFile>

#include <xlsxwriter.h>

#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

// Rows that look like a log list: dates, times, person types, numbers, names, departments, codes and free text,
// some repeating (as real columns do) and some unique.
Recordset logLikeRows() {
    static const char* const types[] = {"員工", "承攬商", "派遣"};
    static const char* const departments[] = {"製造部", "品保部", "研發中心", "人力資源處", "總務課"};
    static const char* const names[] = {"王小明", "李大華", "陳美玲", "林志豪", "張淑芬", "黃建國"};
    QStringList fields{"記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名",
                       "所屬部門", "事件代碼", "嚴重代碼", "處理措施", "醫護人員"};
    std::vector<QVariantList> rows;
    rows.reserve(kRows);
    for (int r = 0; r < kRows; ++r) {
        rows.push_back(
            {QStringLiteral("2024/%1/%2")
                 .arg(1 + r % 12, 2, 10, QLatin1Char('0'))
                 .arg(1 + r % 28, 2, 10, QLatin1Char('0')),
             QStringLiteral("%1:%2").arg(8 + r % 10, 2, 10, QLatin1Char('0')).arg(r % 60, 2, 10, QLatin1Char('0')),
             QString::fromUtf8(types[r % 3]), QStringLiteral("E%1").arg(r % 10000, 5, 10, QLatin1Char('0')),
             QString::fromUtf8(names[r % 6]), QString::fromUtf8(departments[r % 5]),
             QStringLiteral("A%1").arg(r % 40, 2, 10, QLatin1Char('0')), QString::number(1 + r % 3),
             QStringLiteral("休息觀察，第 %1 次處置並衛教").arg(r), QString::fromUtf8(names[(r / 7) % 6])});
    }
    return Recordset(fields, std::move(rows));
}

// The same cells straight through libxlsxwriter: a header format, a text format, one string per cell.
bool writeDirect(const Recordset& rs, const QString& path) {
    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "data");
    lxw_format* text = workbook_add_format(wb);
    format_set_num_format(text, "@");
    lxw_format* header = workbook_add_format(wb);
    format_set_num_format(header, "@");
    format_set_bold(header);
    format_set_font_name(header, "Arial");
    format_set_font_size(header, 12);
    format_set_font_color(header, 0xFFFFFF);
    format_set_pattern(header, LXW_PATTERN_SOLID);
    format_set_bg_color(header, 0x008000);
    for (int c = 0; c < rs.fieldCount(); ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), rs.fieldName(c).toUtf8().constData(), header);
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < rs.fieldCount(); ++c)
            worksheet_write_string(ws, lxw_row_t(r + 1), lxw_col_t(c), rs.text(r, c).toUtf8().constData(), text);
    worksheet_autofilter(ws, 0, 0, lxw_row_t(rs.recordCount()), lxw_col_t(rs.fieldCount() - 1));
    return workbook_close(wb) == LXW_NO_ERROR;
}

} // namespace

OSTIVA_BENCH("xlsx-recordset", "100 000 rows x 10 text columns: WriteRecordsetToSheet + FinishExcel vs libxlsxwriter") {
    const Recordset rs = logLikeRows();
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    bool ok = true;
    const double ours = bench::bestSeconds(context.repeats, [&] {
        ExcelSession& session = CreateExcelWorkbook(program, 0);
        WriteRecordsetToSheet(program, rs, session.activate(1));
        ok = ok && !FinishExcel(program, false).isEmpty();
    });
    const QString direct = context.scratch.filePath("direct.xlsx");
    const double straight = bench::bestSeconds(context.repeats, [&] { ok = ok && writeDirect(rs, direct); });
    const double ratio = ours / straight;
    std::printf("   WriteRecordsetToSheet + FinishExcel: %.3f s\n", ours);
    std::printf("   libxlsxwriter directly:              %.3f s\n", straight);
    std::printf("   ratio:                               %.2f (target < 2)\n", ratio);
    if (!ok) std::printf("   a workbook could not be written\n");
    return ok && ratio < 2.0;
}
