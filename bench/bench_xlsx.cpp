// Workbook output and input. Writing: 100 000 and 1 000 000 rows of 10 text columns through WriteRecordsetToSheet
// and FinishExcel against the same cells written straight through libxlsxwriter in its constant-memory mode, the two
// alternated, each run in a process of its own; target at both sizes: the median time within 1.3 times
// libxlsxwriter's, and the median memory the write adds over the recordset within twice libxlsxwriter's plus 20 MiB.
// Reading: every cell of a 100 000 x 10 workbook made by libxlsxwriter, whole sheet as rows and cell by cell, against
// openpyxl's read-only mode on the same file (when Debian's python3-openpyxl is there); target: at most half of
// openpyxl's time.

#include "Bench.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/WordOutput.h"
#include "office/XlsxPackage.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

// Rows that look like a log list: dates, times, person types, numbers, names, departments, codes and free text,
// some repeating (as real columns do) and some unique.
Recordset logLikeRows(int rowCount = kRows) {
    static const char* const types[] = {"員工", "承攬商", "派遣"};
    static const char* const departments[] = {"製造部", "品保部", "研發中心", "人力資源處", "總務課"};
    static const char* const names[] = {"王小明", "李大華", "陳美玲", "林志豪", "張淑芬", "黃建國"};
    QStringList fields{"記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名",
                       "所屬部門", "事件代碼", "嚴重代碼", "處理措施", "醫護人員"};
    std::vector<QVariantList> rows;
    rows.reserve(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r) {
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

// The same cells straight through libxlsxwriter: a header format, a text format, one string per cell; in its
// constant-memory mode or keeping every cell (which writes shared strings, as Excel does).
bool writeDirect(const Recordset& rs, const QString& path, bool constantMemory = true) {
    lxw_workbook_options options = {};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
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

// The median of a series of runs and its spread.
struct Spread {
    double median, min, max;
};
Spread spread(const std::vector<double>& v) {
    return {bench::median(v), *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end())};
}

// One size of the writing case: both sides alternated, `rounds` runs each, every run in a process of its own.
bool writeRecordsetCase(bench::Context& context, int rowCount, int rounds) {
    const Recordset rs = logLikeRows(rowCount);
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    const QString direct = context.scratch.filePath("direct.xlsx");
    auto ours = [&] {
        ExcelSession& session = CreateExcelWorkbook(program, 0);
        WriteRecordsetToSheet(program, rs, session.activate(1));
        return !FinishExcel(program, false).isEmpty();
    };
    auto straight = [&] { return writeDirect(rs, direct); };
    std::vector<double> ourTimes, directTimes, ourMemory, directMemory;
    for (int i = 0; i < rounds; ++i) {
        const auto a = bench::inChild(ours);
        const auto b = bench::inChild(straight);
        if (!a || !b) {
            std::printf("   a workbook could not be written\n");
            return false;
        }
        ourTimes.push_back(a->seconds);
        ourMemory.push_back(a->addedMiB);
        directTimes.push_back(b->seconds);
        directMemory.push_back(b->addedMiB);
        // Each run's file goes, so that the scratch folder does not fill with workbooks of a million rows.
        QDir(ReportOutputFolder(program)).removeRecursively();
    }
    const Spread t1 = spread(ourTimes), t2 = spread(directTimes);
    const Spread m1 = spread(ourMemory), m2 = spread(directMemory);
    const double memoryLimit = 2 * m2.median + 20;
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine(15).trimmed() : QByteArray("?");
    std::printf("   %d rows x %d columns, %d alternated runs each: median (min-max); load average at the end %s\n",
                rowCount, kCols, rounds, loadAverage.constData());
    std::printf("   WriteRecordsetToSheet + FinishExcel: %.3f s (%.3f-%.3f), %.1f MiB added (%.1f-%.1f)\n", t1.median,
                t1.min, t1.max, m1.median, m1.min, m1.max);
    std::printf("   libxlsxwriter (constant memory):     %.3f s (%.3f-%.3f), %.1f MiB added (%.1f-%.1f)\n", t2.median,
                t2.min, t2.max, m2.median, m2.min, m2.max);
    std::printf("   time ratio:   %.2f (target <= 1.3)\n", t1.median / t2.median);
    std::printf("   memory added: %.1f MiB (target <= 2 x %.1f + 20 = %.1f MiB)\n", m1.median, m2.median, memoryLimit);
    return t1.median <= 1.3 * t2.median && m1.median <= memoryLimit;
}

} // namespace

OSTIVA_BENCH("xlsx-recordset",
             "100 000 and 1 000 000 rows x 10 text columns: WriteRecordsetToSheet + FinishExcel vs libxlsxwriter") {
    const int rounds = std::max(context.repeats, 5);
    const bool small = writeRecordsetCase(context, kRows, rounds);
    const bool large = writeRecordsetCase(context, 10 * kRows, rounds);
    return small && large;
}

OSTIVA_BENCH("xlsx-read", "every cell of 100 000 rows x 10 columns made by libxlsxwriter: readRows vs openpyxl") {
    const QString file = context.scratch.filePath("made.xlsx");
    if (!writeDirect(logLikeRows(), file, false)) {
        std::printf("   the workbook could not be made\n");
        return false;
    }
    qint64 cells = 0;
    bool ok = true;
    std::vector<double> whole, oneByOne;
    for (int i = 0; i < std::max(context.repeats, 3); ++i) {
        whole.push_back(bench::bestSeconds(1, [&] {
            office::XlsxPackage pkg;
            std::vector<QStringList> rows;
            ok = ok && pkg.open(file) && pkg.readRows(0, &rows);
            cells = 0;
            for (const QStringList& row : rows)
                for (const QString& text : row)
                    cells += text.isEmpty() ? 0 : 1;
        }));
        oneByOne.push_back(bench::bestSeconds(1, [&] {
            office::XlsxPackage pkg;
            ok = ok && pkg.open(file);
            const int rowCount = pkg.rowCount(0), columnCount = pkg.columnCount(0);
            qint64 n = 0;
            for (int r = 0; r < rowCount; ++r)
                for (int c = 0; c < columnCount; ++c)
                    n += pkg.cellText(0, r, c).isEmpty() ? 0 : 1;
            ok = ok && n == cells;
        }));
    }
    const double ours = bench::median(whole), ourCells = bench::median(oneByOne);
    std::printf("   cells read:                %lld\n", static_cast<long long>(cells));
    std::printf("   readRows, whole sheet:     %.3f s\n", ours);
    std::printf("   cellText, cell by cell:    %.3f s\n", ourCells);
    if (!ok || cells != 1000010) {
        std::printf("   the workbook was not read whole\n");
        return false;
    }
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, time, openpyxl\n"
                                 "start = time.perf_counter()\n"
                                 "wb = openpyxl.load_workbook(sys.argv[1], read_only=True)\n"
                                 "n = sum(1 for row in wb.worksheets[0].iter_rows(values_only=True)"
                                 " for v in row if v is not None)\n"
                                 "print(time.perf_counter() - start, n)\n"),
                  file});
    python.waitForFinished(-1);
    const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
    if (python.exitCode() != 0 || out.size() != 2) {
        std::printf("   openpyxl not available: no comparison\n");
        return true;
    }
    const double theirs = out[0].toDouble();
    std::printf("   openpyxl read-only:        %.3f s (%s cells)\n", theirs, out[1].constData());
    std::printf("   ratio readRows / openpyxl: %.2f (target <= 0.5)\n", ours / theirs);
    std::printf("   ratio cellText / openpyxl: %.2f (target <= 0.5)\n", ourCells / theirs);
    return ours <= 0.5 * theirs && ourCells <= 0.5 * theirs;
}
