// Workbook output and input. Writing: 100 000 and 1 000 000 rows of 10 text columns through WriteRecordsetToSheet
// and FinishExcel against the same cells, made UTF-8 C strings before its run, written straight through libxlsxwriter
// in its constant-memory mode, the two alternated, each run in a process of its own; target at both sizes: the median
// time within 1.3 times libxlsxwriter's, and the median memory the write adds over its input within twice
// libxlsxwriter's plus 20 MiB.
// Reading: every cell of a 100 000 x 10 and of a 1 000 000 x 10 workbook made by libxlsxwriter, row by row, whole
// sheet as rows and cell by cell, against openpyxl's read-only mode on the same file (Debian's python3-openpyxl;
// without it the case is not measured), alternated, each run in a process of its own; target: each read at most half
// of openpyxl's time, and the row by row read at most twice its peak memory added.

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
#include <string>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 10;

// Cell (r, c) of rows that look like a log list: dates, times, person types, numbers, names, departments, codes and
// free text, some repeating (as real columns do) and some unique. Made one at a time, so that a workbook of a million
// rows can be made without them all in memory.
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

// A recordset of those rows.
Recordset logLikeRows(int rowCount = kRows) {
    QStringList fields{"記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名",
                       "所屬部門", "事件代碼", "嚴重代碼", "處理措施", "醫護人員"};
    std::vector<QVariantList> rows;
    rows.reserve(size_t(rowCount));
    for (int r = 0; r < rowCount; ++r) {
        QVariantList row;
        for (int c = 0; c < kCols; ++c)
            row << logLikeCell(r, c);
        rows.push_back(std::move(row));
    }
    return Recordset(fields, std::move(rows));
}

// The cells as libxlsxwriter's users hold them before they write: UTF-8 C strings, the header's first, then row by row.
struct CStrings {
    std::string bytes;          // every cell's text and its NUL, one after another
    std::vector<size_t> starts; // where each cell begins in bytes
    int rows = 0, columns = 0;  // rows below the header
    const char* cell(int row, int column) const { return bytes.data() + starts[size_t(row) * columns + column]; }
};
CStrings cStrings(const Recordset& rs) {
    CStrings cells;
    cells.rows = rs.recordCount();
    cells.columns = rs.fieldCount();
    cells.starts.reserve(size_t(cells.rows + 1) * cells.columns);
    auto add = [&cells](const QString& text) {
        cells.starts.push_back(cells.bytes.size());
        cells.bytes += text.toUtf8().toStdString();
        cells.bytes += '\0';
    };
    for (int c = 0; c < rs.fieldCount(); ++c)
        add(rs.fieldName(c));
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int c = 0; c < rs.fieldCount(); ++c)
            add(rs.text(r, c));
    return cells;
}

// The same cells straight through libxlsxwriter in its constant-memory mode: a header format, a text format, one
// string per cell.
bool writeDirect(const CStrings& cells, const QString& path) {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
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
    for (int c = 0; c < cells.columns; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), cells.cell(0, c), header);
    for (int r = 1; r <= cells.rows; ++r)
        for (int c = 0; c < cells.columns; ++c)
            worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), cells.cell(r, c), text);
    worksheet_autofilter(ws, 0, 0, lxw_row_t(cells.rows), lxw_col_t(cells.columns - 1));
    return workbook_close(wb) == LXW_NO_ERROR;
}

// One size of the writing case: both sides alternated, `rounds` runs each, every run in a process of its own. The
// program writes from the recordset, libxlsxwriter from the cells made C strings before its run, as its users hold
// them.
bool writeRecordsetCase(bench::Context& context, int rowCount, int rounds) {
    const Recordset rs = logLikeRows(rowCount);
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    const QString direct = context.scratch.filePath("direct.xlsx");
    auto ours = [&] {
        ExcelSession& session = CreateExcelWorkbook(program, 0);
        WriteRecordsetToSheet(program, rs, session.activate(1));
        return !FinishExcel(program, false).isEmpty();
    };
    // The run before's workbook goes first, so that the scratch folder does not fill with workbooks of a million rows.
    auto emptied = [&] { return QDir(ReportOutputFolder(program)).removeRecursively(); };
    CStrings cells; // made in libxlsxwriter's process, before its run
    const std::vector<bench::SideFigures> sides =
        bench::alternate(rounds, {bench::forked("WriteRecordsetToSheet + FinishExcel", ours, emptied),
                                  bench::forked(
                                      "libxlsxwriter", [&] { return writeDirect(cells, direct); },
                                      [&] {
                                          cells = cStrings(rs);
                                          return true;
                                      })});
    const bench::Spread t1 = sides[0].seconds, t2 = sides[1].seconds;
    const bench::Spread m1 = sides[0].addedMiB, m2 = sides[1].addedMiB;
    const double memoryLimit = 2 * m2.median + 20;
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine(15).trimmed() : QByteArray("?");
    std::printf("   %d rows x %d columns, %d alternated runs each: median (min-max); load average at the end %s\n",
                rowCount, kCols, rounds, loadAverage.constData());
    std::printf("   WriteRecordsetToSheet + FinishExcel:            %s\n", bench::sideText(sides[0]).c_str());
    std::printf("   libxlsxwriter (constant memory, C strings):     %s\n", bench::sideText(sides[1]).c_str());
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
    return bench::judged(small && large);
}

namespace {

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

// The Python whose openpyxl the reading is compared with: Debian's, with python3-openpyxl.
const QString kPython = QStringLiteral("/usr/bin/python3");

// Whether openpyxl can be run at all.
bool openpyxlThere() {
    QProcess python;
    python.start(kPython, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
    return python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
}

// openpyxl's read-only mode over every cell: its time and the peak memory it adds over the interpreter with openpyxl
// loaded, measured as bench::forked measures ours.
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
    python.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kOpenpyxlRead), file});
    if (!python.waitForFinished(-1) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
    if (out.size() != 3 || out[1].toLongLong() != expectedCells) return std::nullopt;
    return bench::Measured{out[0].toDouble(), out[2].toDouble()};
}

} // namespace

OSTIVA_BENCH("xlsx-read", "every cell of 100 000 and 1 000 000 rows x 10 columns made by libxlsxwriter: forEachRow, "
                          "readRows and cellText vs openpyxl read-only") {
    if (!openpyxlThere()) {
        std::printf("   openpyxl cannot be run (%s with python3-openpyxl): no comparison\n", qPrintable(kPython));
        return bench::Outcome::notMeasured;
    }
    bool met = true;
    for (const int rows : {100000, 1000000}) {
        const QString file = context.scratch.filePath(QStringLiteral("made%1.xlsx").arg(rows));
        // Made in a process of its own: libxlsxwriter keeps every cell until it writes them.
        bench::alternate(1, {bench::forked("making the workbook", [&] { return makeReadWorkbook(file, rows); })});
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
        const int rounds = std::max(context.repeats, 3);
        const std::vector<bench::SideFigures> sides =
            bench::alternate(rounds, {bench::forked("forEachRow", byRow),
                                      bench::forked("readRows", whole),
                                      bench::forked("cellText", byCell),
                                      {"openpyxl read-only", [&] { return openpyxlRead(file, cells); }}});
        std::printf("   %d x %d, medians (min-max) of %d alternated runs, each in a process of its own; peak memory "
                    "added\n",
                    rows, kCols, rounds);
        const char* const names[] = {
            "forEachRow, row by row:", "readRows, whole sheet:", "cellText, cell by cell:", "openpyxl read-only:"};
        for (size_t i = 0; i < sides.size(); ++i)
            std::printf("   %-26s %s\n", names[i], bench::sideText(sides[i]).c_str());
        const double t = sides[3].seconds.median, m = sides[3].addedMiB.median;
        const double rowTime = sides[0].seconds.median / t, rowMemory = sides[0].addedMiB.median / m;
        const double wholeTime = sides[1].seconds.median / t, cellTime = sides[2].seconds.median / t;
        std::printf("   forEachRow / openpyxl: time %.2f (target <= 0.5), memory %.2f (target <= 2)\n", rowTime,
                    rowMemory);
        std::printf("   readRows / openpyxl:   time %.2f (target <= 0.5), memory %.2f\n", wholeTime,
                    sides[1].addedMiB.median / m);
        std::printf("   cellText / openpyxl:   time %.2f (target <= 0.5), memory %.2f\n", cellTime,
                    sides[2].addedMiB.median / m);
        met = met && rowTime <= 0.5 && rowMemory <= 2 && wholeTime <= 0.5 && cellTime <= 0.5;
    }
    return bench::judged(met);
}
