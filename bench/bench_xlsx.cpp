// Workbook output and input. Writing: 100 000 and 1 000 000 rows of 10 text columns through WriteRecordsetToSheet
// and FinishExcel against the same cells written straight through libxlsxwriter in its constant-memory mode, the two
// alternated, each run in a process of its own; target at both sizes: the median time within 1.3 times
// libxlsxwriter's, and the median memory the write adds over the recordset within twice libxlsxwriter's plus 20 MiB.
// Reading: every cell of a 100 000 x 10 and of a 1 000 000 x 10 workbook made by libxlsxwriter, row by row, whole
// sheet as rows and cell by cell, against openpyxl's read-only mode on the same file (when Debian's python3-openpyxl
// is there), alternated, each run in a process of its own; target for the row by row read: at most half of
// openpyxl's time and at most twice its peak memory.

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
#include <optional>

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

namespace {

// Cell (r, c) of the log-like rows above, made one at a time so that a million rows never sit in memory.
QString logLikeCell(int r, int c) {
    static const char* const types[] = {"員工", "承攬商", "派遣"};
    static const char* const departments[] = {"製造部", "品保部", "研發中心", "人力資源處", "總務課"};
    static const char* const names[] = {"王小明", "李大華", "陳美玲", "林志豪", "張淑芬", "黃建國"};
    switch (c) {
    case 0:
        return QStringLiteral("2024/%1/%2")
            .arg(1 + r % 12, 2, 10, QLatin1Char('0'))
            .arg(1 + r % 28, 2, 10, QLatin1Char('0'));
    case 1:
        return QStringLiteral("%1:%2").arg(8 + r % 10, 2, 10, QLatin1Char('0')).arg(r % 60, 2, 10, QLatin1Char('0'));
    case 2:
        return QString::fromUtf8(types[r % 3]);
    case 3:
        return QStringLiteral("E%1").arg(r % 10000, 5, 10, QLatin1Char('0'));
    case 4:
        return QString::fromUtf8(names[r % 6]);
    case 5:
        return QString::fromUtf8(departments[r % 5]);
    case 6:
        return QStringLiteral("A%1").arg(r % 40, 2, 10, QLatin1Char('0'));
    case 7:
        return QString::number(1 + r % 3);
    case 8:
        return QStringLiteral("休息觀察，第 %1 次處置並衛教").arg(r);
    default:
        return QString::fromUtf8(names[(r / 7) % 6]);
    }
}

// A workbook of a header and `rows` log-like rows of 10 text cells, written by libxlsxwriter keeping every cell (so
// with shared strings, as Excel writes them).
bool makeReadWorkbook(const QString& path, int rows) {
    lxw_workbook* wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, "data");
    lxw_format* text = workbook_add_format(wb);
    format_set_num_format(text, "@");
    for (int c = 0; c < kCols; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), QStringLiteral("欄%1").arg(c + 1).toUtf8().constData(), text);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c)
            worksheet_write_string(ws, lxw_row_t(r + 1), lxw_col_t(c), logLikeCell(r, c).toUtf8().constData(), text);
    return workbook_close(wb) == LXW_NO_ERROR;
}

// openpyxl's read-only mode over every cell, in Debian's Python (the one with python3-openpyxl): its time and the
// peak memory it adds over the interpreter with openpyxl loaded, measured as bench::inChild measures ours.
const char* const kOpenpyxlRead = R"PY(
import sys, time, openpyxl
def kb(field):
    for line in open('/proc/self/status'):
        if line.startswith(field + ':'):
            return int(line.split()[1])
before = kb('VmRSS')
start = time.perf_counter()
wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
n = sum(1 for row in wb.worksheets[0].iter_rows(values_only=True) for v in row if v is not None)
print(time.perf_counter() - start, n, (kb('VmHWM') - before) / 1024.0)
)PY";

std::optional<bench::Measured> openpyxlRead(const QString& file, qint64 expectedCells) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kOpenpyxlRead), file});
    python.waitForFinished(-1);
    const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
    if (python.exitCode() != 0 || out.size() != 3 || out[1].toLongLong() != expectedCells) return std::nullopt;
    return bench::Measured{out[0].toDouble(), out[2].toDouble()};
}

struct Series {
    std::vector<double> seconds, mib;
    void add(const bench::Measured& m) {
        seconds.push_back(m.seconds);
        mib.push_back(m.addedMiB);
    }
    double time() const { return bench::median(seconds); }
    double memory() const { return bench::median(mib); }
};

// "0.412 s (0.401-0.430), 21.3 MiB (20.9-22.0)": the median and the spread of the runs.
void printSeries(const char* what, const Series& s) {
    auto [t0, t1] = std::minmax_element(s.seconds.begin(), s.seconds.end());
    auto [m0, m1] = std::minmax_element(s.mib.begin(), s.mib.end());
    std::printf("   %-30s %7.3f s (%.3f-%.3f)  %7.1f MiB (%.1f-%.1f)\n", what, s.time(), *t0, *t1, s.memory(), *m0,
                *m1);
}

} // namespace

OSTIVA_BENCH("xlsx-read", "every cell of 100 000 and 1 000 000 rows x 10 columns made by libxlsxwriter: forEachRow, "
                          "readRows and cellText vs openpyxl read-only") {
    bool met = true;
    for (const int rows : {100000, 1000000}) {
        const QString file = context.scratch.filePath(QStringLiteral("made%1.xlsx").arg(rows));
        // Made in a process of its own: libxlsxwriter keeps every cell until it writes them.
        if (!bench::inChild([&] { return makeReadWorkbook(file, rows); })) {
            std::printf("   the workbook could not be made\n");
            return false;
        }
        const qint64 cells = qint64(rows + 1) * kCols;
        auto counted = [cells](qint64 n) { return n == cells; };
        auto byRow = [&] {
            office::XlsxPackage pkg;
            qint64 n = 0;
            const bool read = pkg.open(file) && pkg.forEachRow(0, [&n](int, const QStringList& texts) {
                for (const QString& text : texts)
                    n += text.isEmpty() ? 0 : 1;
                return true;
            });
            return read && counted(n);
        };
        auto whole = [&] {
            office::XlsxPackage pkg;
            std::vector<QStringList> sheet;
            if (!pkg.open(file) || !pkg.readRows(0, &sheet)) return false;
            qint64 n = 0;
            for (const QStringList& row : sheet)
                for (const QString& text : row)
                    n += text.isEmpty() ? 0 : 1;
            return counted(n);
        };
        auto byCell = [&] {
            office::XlsxPackage pkg;
            if (!pkg.open(file)) return false;
            const int rowCount = pkg.rowCount(0), columnCount = pkg.columnCount(0);
            qint64 n = 0;
            for (int r = 0; r < rowCount; ++r)
                for (int c = 0; c < columnCount; ++c)
                    n += pkg.cellText(0, r, c).isEmpty() ? 0 : 1;
            return counted(n);
        };
        Series rowSeries, wholeSeries, cellSeries, theirs;
        bool peer = true;
        // The sides alternate, each run in a process of its own.
        for (int i = 0; i < std::max(context.repeats, 3); ++i) {
            const auto a = bench::inChild(byRow);
            const auto b = bench::inChild(whole);
            const auto c = bench::inChild(byCell);
            if (!a || !b || !c) {
                std::printf("   the workbook of %d rows was not read whole\n", rows);
                return false;
            }
            rowSeries.add(*a);
            wholeSeries.add(*b);
            cellSeries.add(*c);
            const auto p = peer ? openpyxlRead(file, cells) : std::nullopt;
            if (p) theirs.add(*p);
            peer = peer && p;
        }
        std::printf("   %d x %d, medians of %zu alternated runs (min-max); peak memory added\n", rows, kCols,
                    rowSeries.seconds.size());
        printSeries("forEachRow, row by row:", rowSeries);
        printSeries("readRows, whole sheet:", wholeSeries);
        printSeries("cellText, cell by cell:", cellSeries);
        if (!peer) {
            std::printf("   openpyxl not available: no comparison\n");
            continue;
        }
        printSeries("openpyxl read-only:", theirs);
        const double t = theirs.time(), m = theirs.memory();
        std::printf("   forEachRow / openpyxl: time %.2f (target <= 0.5), memory %.2f (target <= 2)\n",
                    rowSeries.time() / t, rowSeries.memory() / m);
        std::printf("   readRows / openpyxl:   time %.2f, memory %.2f\n", wholeSeries.time() / t,
                    wholeSeries.memory() / m);
        std::printf("   cellText / openpyxl:   time %.2f, memory %.2f\n", cellSeries.time() / t,
                    cellSeries.memory() / m);
        met = met && rowSeries.time() <= 0.5 * t && rowSeries.memory() <= 2 * m;
    }
    return met;
}
