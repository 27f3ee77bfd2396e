// Renders an XlsxWorkbook through libxlsxwriter into a temporary file beside the target, checks that every part
// reached it whole, then renames it into place. Inputs libxlsxwriter would refuse (and warn about on stderr) are made
// valid before they reach it.

#include "office/FileWrite.h"
#include "office/XlsxText.h"
#include "office/XlsxWorkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

namespace office {

namespace {

lxw_color_t rgb(QRgb c) {
    return lxw_color_t(c & 0xFFFFFF);
}

QString lxwMessage(lxw_error e) {
    QString head;
    switch (e) {
    case LXW_ERROR_CREATING_XLSX_FILE:
        head = QStringLiteral("無法建立檔案 (資料夾不存在、沒有寫入權限或檔案正被其他程式開啟)");
        break;
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
        head = QStringLiteral("無法建立或讀取暫存檔");
        break;
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_PARAMETER_ERROR:
    case LXW_ERROR_ZIP_BAD_ZIP_FILE:
    case LXW_ERROR_ZIP_INTERNAL_ERROR:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        head = QStringLiteral("寫入檔案時發生錯誤 (磁碟空間不足?)");
        break;
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        head = QStringLiteral("記憶體不足");
        break;
    default:
        head = QStringLiteral("無法產生活頁簿");
    }
    return head + QStringLiteral(" [") + QString::fromUtf8(lxw_strerror(e)) + u']';
}

// A cell's text as the library is to write it. The library escapes the characters XML cannot carry, but not an
// underscore that would begin an escape ("_x0041_" would read back as "A"): that is escaped here. A text that the
// escapes lengthen past the library's limit loses its end, as any text that long does.
QByteArray libraryText(const QString& text) {
    QString escaped = xlsxEscapeUnderscores(text);
    if (escaped.size() > XlsxWorkbook::kMaxCellText) {
        // The longest beginning of the text whose escaped form fits (it grows with the beginning taken).
        qsizetype fits = 0, over = text.size();
        while (over - fits > 1) {
            const qsizetype middle = (fits + over) / 2;
            (xlsxEscapeUnderscores(text.left(middle)).size() <= XlsxWorkbook::kMaxCellText ? fits : over) = middle;
        }
        if (fits > 0 && text[fits - 1].isHighSurrogate()) --fits;
        escaped = xlsxEscapeUnderscores(text.left(fits));
    }
    return escaped.toUtf8();
}

// Header and footer codes are limited to 255 characters by the file format.
QByteArray headerCodes(const QString& codes) {
    QString s = codes;
    if (s.size() > 255) s.truncate(s[254].isHighSurrogate() ? 254 : 255);
    return s.toUtf8();
}

// The library keeps every part in a temporary file before it packs it, and neither checks a write to those files
// nor says when one failed: a full temporary folder packs empty or cut parts into a workbook it calls written.
// These checks find that; the reason is then the system's for a probe written to the same folder.
const QString kTempWriteFailed = QStringLiteral("無法寫入暫存檔, 暫存資料夾: %1 (%2)");

// Why the folder refuses a file of a megabyte, "" when it takes one.
QString folderRefusal(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".~probe.XXXXXX")));
    QFile& plain = probe;
    if (!plain.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) return probe.errorString();
    return writeAll(probe, QByteArray(1 << 20, '\0')) ? QString() : probe.errorString();
}

QString tempWriteFailure(const QString& folder, const QString& reason) {
    const QString why = reason.isEmpty() ? folderRefusal(folder) : reason;
    return kTempWriteFailed.arg(QDir::toNativeSeparators(folder), why.isEmpty() ? QStringLiteral("暫存檔不完整") : why);
}

// Whether a packed XML part ends its root element: `head` holds its first bytes, `tail` its last ones.
bool xmlPartEnds(const QByteArray& head, QByteArray tail, qint64 size) {
    qsizetype at = 0;
    // The root is the first element: past the declaration, comments and a doctype.
    while ((at = head.indexOf('<', at)) >= 0 && at + 1 < head.size() && (head[at + 1] == '?' || head[at + 1] == '!'))
        ++at;
    if (at < 0 || at + 1 >= head.size()) return false;
    qsizetype end = at + 1;
    while (end < head.size() && !QByteArrayView(" \t\r\n/>").contains(head[end]))
        ++end;
    const QByteArray name = head.mid(at + 1, end - at - 1);
    tail = tail.trimmed();
    if (tail.endsWith("</" + name + '>')) return true;
    // A root without content closes itself, and nothing follows it.
    const qsizetype close = head.indexOf('>', end);
    return size <= head.size() && close > 0 && head[close - 1] == '/' && head.mid(close + 1).trimmed().isEmpty();
}

// The first part of a written package that is not whole: an XML part that does not end its root, another part that
// is empty, a part that cannot be unpacked, or a sheet shorter than the rows the library kept for it (minimumSizes
// by part name). "" when every part is whole.
QString incompletePart(const QByteArray& path, const std::map<QString, qint64>& minimumSizes) {
    int code = 0;
    zip_t* za = zip_open(path.constData(), ZIP_RDONLY, &code);
    if (!za) return QStringLiteral("(壓縮檔)");
    QString found;
    const zip_int64_t n = zip_get_num_entries(za, 0);
    constexpr qsizetype kHead = 4096;
    constexpr qsizetype kTail = 256;
    for (zip_int64_t i = 0; i < n && found.isEmpty(); ++i) {
        const char* rawName = zip_get_name(za, zip_uint64_t(i), 0);
        const QString name = rawName ? QString::fromUtf8(rawName) : QString::number(i);
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        if (!f) {
            found = name;
            break;
        }
        QByteArray head, tail;
        qint64 size = 0;
        char buf[65536];
        zip_int64_t got;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) {
            if (head.size() < kHead) head.append(buf, qsizetype(std::min<zip_int64_t>(got, kHead - head.size())));
            tail.append(buf + std::max<zip_int64_t>(0, got - kTail), qsizetype(std::min<zip_int64_t>(got, kTail)));
            if (tail.size() > kTail) tail.remove(0, tail.size() - kTail);
            size += got;
        }
        zip_fclose(f);
        const auto minimum = minimumSizes.find(name);
        const bool xml = name.endsWith(QLatin1String(".xml")) || name.endsWith(QLatin1String(".rels")) ||
                         name.endsWith(QLatin1String(".vml"));
        if (got != 0 || size == 0 || (xml && !xmlPartEnds(head, tail, size)) ||
            (minimum != minimumSizes.end() && size < minimum->second))
            found = name;
    }
    zip_discard(za);
    return found;
}

} // namespace

class XlsxRenderer {
public:
    XlsxRenderer(const XlsxWorkbook& book, lxw_workbook* wb)
        : m_book(book), m_wb(wb), m_formats(book.m_styles.size()) {}

    lxw_error render() {
        for (const auto& sheet : m_book.m_sheets)
            if (lxw_error e = renderSheet(*sheet)) return e;
        return LXW_NO_ERROR;
    }

    // Closes the rows files of the sheets added, for a workbook freed without being closed.
    void abandon() {
        for (lxw_worksheet* ws : m_added)
            if (ws->optimize_tmpfile) {
                std::fclose(ws->optimize_tmpfile);
                ws->optimize_tmpfile = nullptr;
            }
    }

    // Fails only for a sheet that could not be added, a rows file that could not be written or a picture the library
    // refused.
    QString detail;
    // The bytes the library holds in each sheet's rows file, by part name: the sheet's part holds at least as many.
    std::map<QString, qint64> keptRows;
    // Where the library keeps its temporary files.
    QString tempFolder;

private:
    lxw_format* format(uint16_t id) {
        if (id == 0 || id >= m_formats.size()) return nullptr;
        if (m_formats[id]) return m_formats[id];
        const XlsxStyle& s = m_book.m_styles[id];
        lxw_format* f = workbook_add_format(m_wb);
        if (s.fontName) {
            const QByteArray name = s.fontName->toUtf8().left(127);
            format_set_font_name(f, name.constData());
        }
        if (s.fontSize) format_set_font_size(f, *s.fontSize);
        if (s.bold && *s.bold) format_set_bold(f);
        if (s.fontColor) format_set_font_color(f, rgb(*s.fontColor));
        if (s.fill) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, rgb(*s.fill));
        }
        if (s.wrap && *s.wrap) format_set_text_wrap(f);
        if (s.hAlign) {
            switch (*s.hAlign) {
            case XlsxHAlign::Left:
                format_set_align(f, LXW_ALIGN_LEFT);
                break;
            case XlsxHAlign::Center:
                format_set_align(f, LXW_ALIGN_CENTER);
                break;
            case XlsxHAlign::Right:
                format_set_align(f, LXW_ALIGN_RIGHT);
                break;
            case XlsxHAlign::General:
                break;
            }
        }
        if (s.vAlign) {
            switch (*s.vAlign) {
            case XlsxVAlign::Center:
                format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
                break;
            case XlsxVAlign::Top:
                format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
                break;
            case XlsxVAlign::Bottom:
                format_set_align(f, LXW_ALIGN_VERTICAL_BOTTOM);
                break;
            }
        }
        if (s.numberFormat) {
            const QByteArray code = s.numberFormat->toUtf8();
            format_set_num_format(f, code.constData());
        }
        m_formats[id] = f;
        return f;
    }

    static void writeNote(lxw_worksheet* ws, const XlsxNote& n) {
        QString t = n.text;
        if (t.size() > XlsxWorkbook::kMaxCellText) t.truncate(XlsxWorkbook::kMaxCellText);
        const QByteArray utf8 = t.toUtf8();
        lxw_comment_options opt = {};
        if (n.widthPt > 0) opt.width = uint16_t(std::min(n.widthPt * 96.0 / 72.0 + 0.5, 65535.0));
        if (n.heightPt > 0) opt.height = uint16_t(std::min(n.heightPt * 96.0 / 72.0 + 0.5, 65535.0));
        worksheet_write_comment_opt(ws, lxw_row_t(n.row), lxw_col_t(n.col), utf8.constData(), &opt);
    }

    void renderColumns(const XlsxSheet& sheet, lxw_worksheet* ws) {
        using Column = XlsxSheet::Column;
        auto same = [](const Column& a, const Column& b) { return a.width == b.width && a.style == b.style; };
        auto emitRange = [&](int first, int last, const Column& c) {
            if (!c.width && c.style == 0) return;
            worksheet_set_column(ws, lxw_col_t(first), lxw_col_t(last), c.width.value_or(LXW_DEF_COL_WIDTH),
                                 format(c.style));
        };
        // Runs of equal columns become one range; the gaps take the sheet's default for every other column.
        int next = 0;
        int runFirst = -1;
        Column run;
        auto push = [&](int first, int last, const Column& c) {
            if (runFirst >= 0 && same(run, c) && first == next) {
                next = last + 1;
                return;
            }
            if (runFirst >= 0) emitRange(runFirst, next - 1, run);
            runFirst = first;
            run = c;
            next = last + 1;
        };
        int cursor = 0;
        for (const auto& [col, settings] : sheet.m_columns) {
            if (col > cursor) push(cursor, col - 1, sheet.m_allColumns);
            push(col, col, settings);
            cursor = col + 1;
        }
        if (cursor < kXlsxMaxColumns) push(cursor, kXlsxMaxColumns - 1, sheet.m_allColumns);
        if (runFirst >= 0) emitRange(runFirst, next - 1, run);
    }

    lxw_error renderSheet(const XlsxSheet& sheet) {
        const QByteArray name = sheet.name().toUtf8();
        lxw_worksheet* ws = workbook_add_worksheet(m_wb, name.constData());
        if (!ws) {
            // A valid name leaves the row file of the sheet, which could not be made.
            if (workbook_validate_sheet_name(m_wb, name.constData()) != LXW_NO_ERROR) {
                detail = QStringLiteral("工作表名稱無效: %1").arg(sheet.name());
                return LXW_ERROR_PARAMETER_VALIDATION;
            }
            return LXW_ERROR_CREATING_TMPFILE;
        }
        m_added.push_back(ws);
        renderColumns(sheet, ws);
        if (lxw_error e = renderCells(sheet, ws)) return e;
        if (lxw_error e = checkRowsFile(ws)) return e;
        if (sheet.m_autoFilter) {
            const XlsxRange& a = *sheet.m_autoFilter;
            worksheet_autofilter(ws, lxw_row_t(a.firstRow), lxw_col_t(a.firstCol), lxw_row_t(a.lastRow),
                                 lxw_col_t(a.lastCol));
        }
        for (const XlsxBarChart& chart : sheet.m_charts)
            renderChart(sheet, ws, chart, name);
        if (lxw_error e = renderPictures(sheet, ws)) return e;
        renderPageSetup(sheet, ws);
        return LXW_NO_ERROR;
    }

    // A row's height and notes are written as the row comes, before its cells (the library takes neither for a row
    // it has already written).
    class RowWriter {
    public:
        RowWriter(const XlsxSheet& sheet, lxw_worksheet* ws)
            : m_ws(ws), m_height(sheet.m_rowHeights.begin()), m_heightsEnd(sheet.m_rowHeights.end()) {
            for (const XlsxNote& n : sheet.m_notes)
                if (!n.text.isEmpty()) m_notes.push_back(&n);
            std::stable_sort(m_notes.begin(), m_notes.end(),
                             [](const XlsxNote* a, const XlsxNote* b) { return a->row < b->row; });
        }
        // Writes the heights and notes of the rows up to `row` not written yet.
        void upTo(int row) {
            for (; m_height != m_heightsEnd && m_height->first <= row; ++m_height)
                worksheet_set_row(m_ws, lxw_row_t(m_height->first), m_height->second, nullptr);
            for (; m_next < m_notes.size() && m_notes[m_next]->row <= row; ++m_next)
                writeNote(m_ws, *m_notes[m_next]);
        }

    private:
        lxw_worksheet* m_ws;
        std::map<int, double>::const_iterator m_height, m_heightsEnd;
        std::vector<const XlsxNote*> m_notes;
        size_t m_next = 0;
    };

    // The cells, row by row: the stored rows, then the streamed blocks below them, each row's notes before it.
    // Fails only when the library runs out of memory.
    lxw_error renderCells(const XlsxSheet& sheet, lxw_worksheet* ws) {
        // Rows go to the library in order and leave memory as soon as the next row begins (its constant-memory
        // mode). A sheet with merged ranges is the exception and is kept whole until the workbook closes: the library
        // writes the cells of a merged range when the range is added, which that mode cannot do out of row order.
        // Row heights go in row order too, each before its row's first cell, which that mode takes.
        if (!sheet.m_merges.empty()) keepWhole(sheet, ws);
        RowWriter rows(sheet, ws);
        if (lxw_error e = renderStoredRows(sheet, ws, rows)) return e;
        if (lxw_error e = renderStreamedBlocks(sheet, ws, rows)) return e;
        rows.upTo(kXlsxMaxRows - 1);
        return LXW_NO_ERROR;
    }

    // The rows written so far must be in the sheet's rows file: its stream is flushed and its error read.
    lxw_error checkRowsFile(lxw_worksheet* ws) {
        FILE* rows = ws->optimize ? ws->optimize_tmpfile : nullptr;
        if (!rows) return LXW_NO_ERROR;
        errno = 0;
        const bool flushed = std::fflush(rows) == 0;
        const QString reason = flushed || errno == 0 ? QString() : qt_error_string(errno);
        if (!flushed || std::ferror(rows)) {
            detail = tempWriteFailure(tempFolder, reason);
            return LXW_ERROR_CREATING_TMPFILE;
        }
        const long kept = std::ftell(rows);
        if (kept > 0) keptRows[QStringLiteral("xl/worksheets/sheet%1.xml").arg(m_added.size())] = qint64(kept);
        return LXW_NO_ERROR;
    }

    // Leaves the constant-memory mode for the sheet and adds its merged ranges.
    void keepWhole(const XlsxSheet& sheet, lxw_worksheet* ws) {
        // The row file the mode opened for the sheet goes unused; closed here, as the library would not.
        ws->optimize = LXW_FALSE;
        if (ws->optimize_tmpfile) {
            std::fclose(ws->optimize_tmpfile);
            ws->optimize_tmpfile = nullptr;
        }
        // Merged ranges first: the library writes an empty first cell, which the cells below then replace.
        for (const XlsxRange& m : sheet.m_merges) {
            worksheet_merge_range(ws, lxw_row_t(m.firstRow), lxw_col_t(m.firstCol), lxw_row_t(m.lastRow),
                                  lxw_col_t(m.lastCol), "", format(uint16_t(sheet.styleOf(m.firstRow, m.firstCol))));
        }
    }

    lxw_error renderStoredRows(const XlsxSheet& sheet, lxw_worksheet* ws, RowWriter& rows) {
        const char* text = sheet.m_text.data();
        for (size_t r = 0; r < sheet.m_rows.size(); ++r) {
            if (!sheet.m_rows[r].empty()) rows.upTo(int(r));
            for (const XlsxSheet::Cell& c : sheet.m_rows[r]) {
                lxw_error e = LXW_NO_ERROR;
                switch (c.kind) {
                case XlsxSheet::CellKind::Text: {
                    const char* t = text + c.text.offset;
                    const QByteArray escaped = QByteArrayView(t, qsizetype(c.text.length)).contains("_x")
                                                   ? libraryText(QString::fromUtf8(t, qsizetype(c.text.length)))
                                                   : QByteArray();
                    e = worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c.col),
                                               escaped.isNull() ? t : escaped.constData(), format(c.style));
                    break;
                }
                case XlsxSheet::CellKind::Number:
                    e = worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c.col), c.number, format(c.style));
                    break;
                case XlsxSheet::CellKind::Blank:
                    if (c.style) e = worksheet_write_blank(ws, lxw_row_t(r), lxw_col_t(c.col), format(c.style));
                    break;
                case XlsxSheet::CellKind::Empty:
                    break;
                }
                if (e == LXW_ERROR_MEMORY_MALLOC_FAILED) return e;
            }
        }
        return LXW_NO_ERROR;
    }

    // Streamed blocks: each text fetched, written and let go.
    lxw_error renderStreamedBlocks(const XlsxSheet& sheet, lxw_worksheet* ws, RowWriter& rows) {
        for (const XlsxSheet::Streamed& b : sheet.m_streamed) {
            for (int r = 0; r < b.rows; ++r) {
                const int row = b.firstRow + r;
                rows.upTo(row);
                for (int c = 0; c < b.cols; ++c) {
                    const int col = b.firstCol + c;
                    QString t = b.cell(r, c);
                    if (t.size() > XlsxWorkbook::kMaxCellText)
                        t.truncate(t[XlsxWorkbook::kMaxCellText - 1].isHighSurrogate() ? XlsxWorkbook::kMaxCellText - 1
                                                                                       : XlsxWorkbook::kMaxCellText);
                    const QByteArray utf8 = t.contains(QStringLiteral("_x")) ? libraryText(t) : t.toUtf8();
                    const uint16_t style = b.style == 0xFFFF ? sheet.columnStyle(col) : b.style;
                    if (worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(col), utf8.constData(), format(style)) ==
                        LXW_ERROR_MEMORY_MALLOC_FAILED)
                        return LXW_ERROR_MEMORY_MALLOC_FAILED;
                }
            }
        }
        return LXW_NO_ERROR;
    }

    lxw_error renderPictures(const XlsxSheet& sheet, lxw_worksheet* ws) {
        for (const XlsxPicture& p : sheet.m_pictures) {
            const QByteArray file = QFile::encodeName(p.file);
            // Checked here too: the file may have gone since it was added, and the library would complain on stderr.
            if (!QFileInfo(p.file).isReadable()) {
                detail = QStringLiteral("無法放入圖片 (檔案不存在): %1").arg(p.file);
                return LXW_ERROR_PARAMETER_VALIDATION;
            }
            lxw_image_options opt = {};
            opt.x_offset = p.offset.width();
            opt.y_offset = p.offset.height();
            opt.x_scale = p.xScale;
            opt.y_scale = p.yScale;
            if (worksheet_insert_image_opt(ws, lxw_row_t(p.anchor.row), lxw_col_t(p.anchor.col), file.constData(),
                                           &opt) != LXW_NO_ERROR) {
                detail = QStringLiteral("無法放入圖片: %1").arg(p.file);
                return LXW_ERROR_PARAMETER_VALIDATION;
            }
        }
        return LXW_NO_ERROR;
    }

    // Paper, orientation, print titles, header and footer, protection.
    static void renderPageSetup(const XlsxSheet& sheet, lxw_worksheet* ws) {
        if (sheet.m_landscape || sheet.m_fitToWidth) worksheet_set_paper(ws, 9); // A4
        if (sheet.m_landscape) worksheet_set_landscape(ws);
        if (sheet.m_fitToWidth) worksheet_fit_to_pages(ws, 1, 0);
        if (sheet.m_printTitles)
            worksheet_repeat_rows(ws, lxw_row_t(sheet.m_printTitles->first), lxw_row_t(sheet.m_printTitles->second));
        if (!sheet.m_header.isEmpty()) {
            const QByteArray h = headerCodes(sheet.m_header);
            worksheet_set_header(ws, h.constData());
        }
        if (!sheet.m_footer.isEmpty()) {
            const QByteArray f = headerCodes(sheet.m_footer);
            worksheet_set_footer(ws, f.constData());
        }
        if (sheet.m_protection) {
            const QByteArray pw = sheet.m_protection->toUtf8();
            worksheet_protect(ws, pw.isEmpty() ? nullptr : pw.constData(), nullptr);
        }
    }

    void renderChart(const XlsxSheet& sheet, lxw_worksheet* ws, const XlsxBarChart& c, const QByteArray& sheetName) {
        lxw_chart* chart = workbook_add_chart(m_wb, LXW_CHART_BAR);
        if (!chart) return;
        char* sname = const_cast<char*>(sheetName.constData());
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, sname, lxw_row_t(c.categories.firstRow), lxw_col_t(c.categories.firstCol),
                                    lxw_row_t(c.categories.lastRow), lxw_col_t(c.categories.lastCol));
        chart_series_set_values(series, sname, lxw_row_t(c.values.firstRow), lxw_col_t(c.values.firstCol),
                                lxw_row_t(c.values.lastRow), lxw_col_t(c.values.lastCol));
        if (c.seriesName)
            chart_series_set_name_range(series, sname, lxw_row_t(c.seriesName->row), lxw_col_t(c.seriesName->col));

        QByteArray fontName = c.fontName.toUtf8();
        lxw_chart_font font = {};
        font.name = fontName.data();
        font.size = c.fontSize;
        QString title = c.title;
        title.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_keep.push_back(title.toUtf8());
        if (!title.isEmpty()) {
            chart_title_set_name(chart, m_keep.back().constData());
            lxw_chart_font titleFont = font;
            titleFont.bold = 1;
            chart_title_set_name_font(chart, &titleFont);
        }
        if (!c.legend) chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
        if (c.dataLabels) {
            chart_series_set_labels(series);
            chart_series_set_labels_options(series, LXW_FALSE, LXW_FALSE, LXW_TRUE);
            chart_series_set_labels_font(series, &font);
        }
        // In a bar chart the library's x axis is the horizontal value axis and its y axis the categories.
        lxw_chart_axis* categoryAxis = chart->y_axis;
        lxw_chart_axis* valueAxis = chart->x_axis;
        chart_axis_set_num_font(categoryAxis, &font);
        chart_axis_set_num_font(valueAxis, &font);
        if (c.reverseCategories) chart_axis_set_reverse(categoryAxis);
        if (c.gridlines) {
            lxw_chart_line grid = {};
            grid.color = rgb(*c.gridlines);
            grid.width = 0.25f;
            grid.dash_type = LXW_CHART_LINE_DASH_ROUND_DOT;
            chart_axis_major_gridlines_set_visible(valueAxis, LXW_TRUE);
            chart_axis_major_gridlines_set_line(valueAxis, &grid);
        }
        if (c.plotBorder) {
            lxw_chart_line border = {};
            border.color = rgb(*c.plotBorder);
            border.width = 0.75f;
            chart_plotarea_set_line(chart, &border);
        }
        lxw_chart_fill noFill = {};
        noFill.none = LXW_TRUE;
        chart_plotarea_set_fill(chart, &noFill);
        lxw_chart_line noLine = {};
        noLine.none = LXW_TRUE;
        chart_series_set_line(series, &noLine);
        if (c.barColor) {
            lxw_chart_fill fill = {};
            fill.color = rgb(*c.barColor);
            chart_series_set_fill(series, &fill);
        }
        lxw_chart_options opt = {};
        opt.x_offset = c.offset.width();
        opt.y_offset = c.offset.height();
        opt.x_scale = c.size.width() > 0 ? c.size.width() / 480.0 : 1.0;
        opt.y_scale = c.size.height() > 0 ? c.size.height() / 288.0 : 1.0;
        worksheet_insert_chart_opt(ws, lxw_row_t(c.anchor.row), lxw_col_t(c.anchor.col), chart, &opt);
        Q_UNUSED(sheet);
    }

    const XlsxWorkbook& m_book;
    lxw_workbook* m_wb;
    std::vector<lxw_format*> m_formats;
    std::vector<QByteArray> m_keep;
    std::vector<lxw_worksheet*> m_added;
};

OfficeStatus XlsxWorkbook::save(const QString& path) const {
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    if (!dir.exists())
        return OfficeStatus::failure(OfficeError::WriteFailed,
                                     QStringLiteral("資料夾不存在: %1").arg(QDir::toNativeSeparators(dir.path())));
    if (m_sheets.empty())
        return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("活頁簿沒有任何工作表"));

    // A unique temporary name in the target's folder, so that the final rename never crosses file systems. It is
    // short whatever the target's name: a target name at the file system's limit must not make it too long.
    QTemporaryFile temp(dir.filePath(QStringLiteral(".~xlsx.XXXXXX")));
    if (!temp.open())
        return OfficeStatus::failure(OfficeError::WriteFailed,
                                     QStringLiteral("無法在此資料夾建立檔案: %1 (%2)")
                                         .arg(QDir::toNativeSeparators(dir.path()), temp.errorString()));
    const QString tempPath = temp.fileName();
    temp.close();

    const QByteArray tempName = QFile::encodeName(tempPath);
    // The library's own temporary files go to the temporary folder, named when they fail.
    const QString tempFolder = QDir::tempPath();
    QByteArray tempDir = QFile::encodeName(tempFolder);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tempDir.data();
    lxw_workbook* wb = workbook_new_opt(tempName.constData(), &options);
    if (!wb) return OfficeStatus::failure(OfficeError::WriteFailed, lxwMessage(LXW_ERROR_MEMORY_MALLOC_FAILED));

    XlsxRenderer renderer(*this, wb);
    renderer.tempFolder = tempFolder;
    lxw_error renderError = LXW_NO_ERROR;
    try {
        renderError = renderer.render();
    } catch (...) {
        // A streamed block's cell function threw: nothing is written, and the caller gets the exception.
        renderer.abandon();
        lxw_workbook_free(wb);
        QFile::remove(tempPath);
        throw;
    }
    lxw_error closeError = LXW_NO_ERROR;
    int closeErrno = 0;
    if (renderError) {
        // Nothing worth packing: the workbook is freed without being written.
        renderer.abandon();
        lxw_workbook_free(wb);
    } else {
        closeError = workbook_close(wb); // writes the package and frees the workbook in every case
        closeErrno = errno;
    }
    lxw_error e = renderError ? renderError : closeError;
    if (e == LXW_NO_ERROR) {
        const QString part = incompletePart(tempName, renderer.keptRows);
        if (!part.isEmpty()) {
            renderer.detail = tempWriteFailure(tempFolder, {});
            e = LXW_ERROR_READING_TMPFILE;
        }
    }
    if (e != LXW_NO_ERROR) {
        QFile::remove(tempPath);
        // A file that could not be made names the system's reason.
        const QString reason =
            e == LXW_ERROR_CREATING_XLSX_FILE ? QStringLiteral(" (%1)").arg(qt_error_string(closeErrno)) : QString();
        return OfficeStatus::failure(OfficeError::WriteFailed,
                                     renderer.detail.isEmpty() ? lxwMessage(e) + reason : renderer.detail);
    }
    // rename(2) replaces an existing target in one step; QFile::rename would refuse it.
    if (std::rename(tempName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const QString reason = qt_error_string(errno);
        QFile::remove(tempPath);
        return OfficeStatus::failure(
            OfficeError::WriteFailed,
            QStringLiteral("無法寫入檔案: %1 (%2)").arg(QDir::toNativeSeparators(target.absoluteFilePath()), reason));
    }
    temp.setAutoRemove(false); // the temporary name no longer exists
    QFile::setPermissions(target.absoluteFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                         QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return OfficeStatus::success();
}

} // namespace office
