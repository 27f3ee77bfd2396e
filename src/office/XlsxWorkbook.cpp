#include "office/XlsxWorkbook.h"

#include "office/XlsxText.h"

#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <cmath>

namespace office {

// ---- XlsxStyle ----

XlsxStyle& XlsxStyle::overlay(const XlsxStyle& o) {
    if (o.fontName) fontName = o.fontName;
    if (o.fontSize) fontSize = o.fontSize;
    if (o.bold) bold = o.bold;
    if (o.fontColor) fontColor = o.fontColor;
    if (o.fill) fill = o.fill;
    if (o.wrap) wrap = o.wrap;
    if (o.hAlign) hAlign = o.hAlign;
    if (o.vAlign) vAlign = o.vAlign;
    if (o.numberFormat) numberFormat = o.numberFormat;
    return *this;
}

XlsxStyle XlsxStyle::text() {
    XlsxStyle s;
    s.numberFormat = QStringLiteral("@");
    return s;
}

XlsxStyle XlsxStyle::fillIndex(int colorIndex) {
    XlsxStyle s;
    s.fill = xlsxColorIndex(colorIndex);
    return s;
}

// ---- XlsxSheet ----

int XlsxSheet::index() const {
    const auto& sheets = m_book->m_sheets;
    for (size_t i = 0; i < sheets.size(); ++i)
        if (sheets[i].get() == this) return int(i);
    return -1;
}

QString XlsxSheet::setName(const QString& name) {
    m_name = m_book->uniqueName(name, this);
    return m_name;
}

bool XlsxSheet::valid(int row, int col) const {
    return row >= 0 && row < kXlsxMaxRows && col >= 0 && col < kXlsxMaxColumns;
}

XlsxSheet::Cell* XlsxSheet::find(int row, int col) {
    return const_cast<Cell*>(std::as_const(*this).find(row, col));
}

const XlsxSheet::Cell* XlsxSheet::find(int row, int col) const {
    settle();
    if (row < 0 || row >= int(m_rows.size()) || col < 0) return nullptr;
    const auto& cells = m_rows[size_t(row)];
    auto it = std::lower_bound(cells.begin(), cells.end(), uint32_t(col),
                               [](const Cell& c, uint32_t k) { return c.col < k; });
    return it != cells.end() && it->col == uint32_t(col) ? &*it : nullptr;
}

XlsxSheet::Cell& XlsxSheet::touch(int row, int col) {
    settle();
    if (row >= int(m_rows.size())) m_rows.resize(size_t(row) + 1);
    m_columnCount = std::max(m_columnCount, col + 1);
    auto& cells = m_rows[size_t(row)];
    // Cells mostly arrive left to right: appending is the fast path.
    if (cells.empty() || cells.back().col < uint32_t(col)) {
        cells.emplace_back();
        cells.back().col = uint32_t(col);
        cells.back().style = columnStyle(col);
        return cells.back();
    }
    auto it = std::lower_bound(cells.begin(), cells.end(), uint32_t(col),
                               [](const Cell& c, uint32_t k) { return c.col < k; });
    if (it != cells.end() && it->col == uint32_t(col)) return *it;
    it = cells.emplace(it);
    it->col = uint32_t(col);
    it->style = columnStyle(col);
    return *it;
}

namespace {

// Appends a text as UTF-8 straight into the sheet's text store (no temporary buffer per cell); a lone surrogate
// becomes U+FFFD.
void appendUtf8(std::string& out, const QChar* p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        char32_t u = p[i].unicode();
        if (u < 0x80) {
            out.push_back(char(u));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < n && p[i + 1].isLowSurrogate()) {
            u = QChar::surrogateToUcs4(char16_t(u), p[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(u)) {
            u = 0xFFFD;
        }
        if (u < 0x800) {
            out.push_back(char(0xC0 | (u >> 6)));
        } else if (u < 0x10000) {
            out.push_back(char(0xE0 | (u >> 12)));
            out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (u >> 18)));
            out.push_back(char(0x80 | ((u >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((u >> 6) & 0x3F)));
        }
        out.push_back(char(0x80 | (u & 0x3F)));
    }
}

} // namespace

void XlsxSheet::storeText(Cell& cell, const QString& text) {
    qsizetype n = text.size();
    if (n > XlsxWorkbook::kMaxCellText) {
        n = XlsxWorkbook::kMaxCellText;
        if (text[n - 1].isHighSurrogate()) --n;
    }
    cell.kind = CellKind::Text;
    cell.text.offset = uint32_t(m_text.size());
    appendUtf8(m_text, text.constData(), n);
    cell.text.length = uint32_t(m_text.size() - cell.text.offset);
    m_text.push_back('\0');
}

QString XlsxSheet::cellText(const Cell& cell) const {
    switch (cell.kind) {
    case CellKind::Text:
        return QString::fromUtf8(m_text.data() + cell.text.offset, qsizetype(cell.text.length));
    case CellKind::Number:
        return xlsxGeneralNumber(cell.number);
    default:
        return {};
    }
}

void XlsxSheet::setText(int row, int col, const QString& text, int style) {
    if (!valid(row, col)) return;
    Cell& c = touch(row, col);
    storeText(c, text);
    if (style >= 0) c.style = uint16_t(style);
}

void XlsxSheet::setNumber(int row, int col, double value, int style) {
    if (!valid(row, col)) return;
    Cell& c = touch(row, col);
    c.kind = std::isfinite(value) ? CellKind::Number : CellKind::Blank;
    c.number = std::isfinite(value) ? value : 0;
    if (style >= 0) c.style = uint16_t(style);
}

void XlsxSheet::clearValue(int row, int col) {
    if (Cell* c = find(row, col)) c->kind = CellKind::Blank;
}

XlsxSheet::CellKind XlsxSheet::kind(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? c->kind : CellKind::Empty;
}

QString XlsxSheet::text(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? cellText(*c) : QString();
}

double XlsxSheet::number(int row, int col) const {
    const Cell* c = find(row, col);
    return c && c->kind == CellKind::Number ? c->number : 0.0;
}

int XlsxSheet::styleOf(int row, int col) const {
    const Cell* c = find(row, col);
    return c ? c->style : 0;
}

XlsxStyle XlsxSheet::style(int row, int col) const {
    return m_book->styleById(styleOf(row, col));
}

void XlsxSheet::writeTextBlock(int firstRow, int firstCol, int rows, int cols,
                               const std::function<QString(int, int)>& cell, int style, std::vector<int>* widths) {
    if (rows <= 0 || cols <= 0 || !valid(firstRow, firstCol)) return;
    settle();
    rows = std::min(rows, kXlsxMaxRows - firstRow);
    cols = std::min(cols, kXlsxMaxColumns - firstCol);
    if (widths && int(widths->size()) < cols) widths->resize(size_t(cols), 0);
    if (firstRow + rows > int(m_rows.size())) m_rows.resize(size_t(firstRow + rows));
    for (int r = 0; r < rows; ++r) {
        if (m_rows[size_t(firstRow + r)].empty()) m_rows[size_t(firstRow + r)].reserve(size_t(cols));
        for (int c = 0; c < cols; ++c) {
            const QString t = cell(r, c);
            Cell& target = touch(firstRow + r, firstCol + c);
            storeText(target, t);
            if (style >= 0) target.style = uint16_t(style);
            if (widths) {
                int& w = (*widths)[size_t(c)];
                // Only a text that could be wider needs measuring.
                if (t.size() * 2 > w) w = std::max(w, xlsxDisplayWidth(t));
            }
        }
    }
}

void XlsxSheet::streamTextBlock(int firstRow, int firstCol, int rows, int cols, std::function<QString(int, int)> cell,
                                int style, std::vector<int>* widths) {
    if (rows <= 0 || cols <= 0 || !valid(firstRow, firstCol)) return;
    if (firstRow < rowCount()) {
        writeTextBlock(firstRow, firstCol, rows, cols, cell, style, widths);
        return;
    }
    rows = std::min(rows, kXlsxMaxRows - firstRow);
    cols = std::min(cols, kXlsxMaxColumns - firstCol);
    if (widths) {
        if (int(widths->size()) < cols) widths->resize(size_t(cols), 0);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                const QString t = cell(r, c);
                int& w = (*widths)[size_t(c)];
                if (t.size() * 2 > w) w = std::max(w, xlsxDisplayWidth(t));
            }
    }
    // A style id of -1 keeps a new cell's style: its column's.
    m_streamed.push_back({firstRow, firstCol, rows, cols, std::move(cell), uint16_t(style >= 0 ? style : 0xFFFF)});
    m_streamedEnd = firstRow + rows;
    m_columnCount = std::max(m_columnCount, firstCol + cols);
}

void XlsxSheet::settle() const {
    if (m_streamed.empty()) return;
    std::vector<Streamed> blocks = std::move(m_streamed);
    m_streamed.clear();
    m_streamedEnd = 0;
    auto* self = const_cast<XlsxSheet*>(this);
    for (const Streamed& b : blocks)
        self->writeTextBlock(b.firstRow, b.firstCol, b.rows, b.cols, b.cell, b.style == 0xFFFF ? -1 : b.style);
}

void XlsxSheet::applyStyle(const XlsxRange& range, const XlsxStyle& style) {
    // Streamed blocks that take their columns' style follow a style laid over whole columns without being stored.
    const bool wholeColumns = range.firstRow == 0 && range.lastRow >= kXlsxMaxRows - 1;
    if (!wholeColumns ||
        std::any_of(m_streamed.begin(), m_streamed.end(), [](const Streamed& b) { return b.style != 0xFFFF; }))
        settle();
    if (wholeColumns) {
        setColumnStyle(range.firstCol, range.lastCol, style);
        // Cells already written in those columns take the style too, as in Excel.
        for (int r = 0; r < int(m_rows.size()); ++r)
            for (Cell& c : m_rows[size_t(r)])
                if (int(c.col) >= range.firstCol && int(c.col) <= range.lastCol)
                    c.style = uint16_t(m_book->combine(c.style, style));
        return;
    }
    const int lastRow = std::min(range.lastRow, kXlsxMaxRows - 1);
    const int lastCol = std::min(range.lastCol, kXlsxMaxColumns - 1);
    for (int r = range.firstRow; r <= lastRow; ++r) {
        for (int c = range.firstCol; c <= lastCol; ++c) {
            Cell& cell = touch(r, c);
            if (cell.kind == CellKind::Empty) cell.kind = CellKind::Blank;
            cell.style = uint16_t(m_book->combine(cell.style, style));
        }
    }
}

int XlsxSheet::applyStyleWhereTextContains(const QString& needle, const XlsxStyle& style) {
    settle();
    const QByteArray n = needle.toUtf8();
    const std::string_view key(n.constData(), size_t(n.size()));
    int count = 0;
    for (auto& row : m_rows) {
        for (Cell& c : row) {
            if (c.kind != CellKind::Text) continue;
            const std::string_view t(m_text.data() + c.text.offset, c.text.length);
            if (t.find(key) != std::string_view::npos) {
                c.style = uint16_t(m_book->combine(c.style, style));
                ++count;
            }
        }
    }
    return count;
}

int XlsxSheet::replaceText(const QString& from, const QString& to) {
    settle();
    if (from.isEmpty()) return 0;
    const QByteArray f = from.toUtf8();
    const std::string_view key(f.constData(), size_t(f.size()));
    int count = 0;
    for (auto& row : m_rows) {
        for (Cell& c : row) {
            if (c.kind != CellKind::Text) continue;
            const std::string_view t(m_text.data() + c.text.offset, c.text.length);
            if (t.find(key) == std::string_view::npos) continue;
            QString s = cellText(c);
            s.replace(from, to);
            storeText(c, s);
            ++count;
        }
    }
    return count;
}

void XlsxSheet::insertRows(int row, int count) {
    settle();
    if (count <= 0 || row < 0) return;
    if (row < int(m_rows.size())) m_rows.insert(m_rows.begin() + row, size_t(count), {});
    auto shift = [&](int& r) {
        if (r >= row) r = std::min(r + count, kXlsxMaxRows - 1);
    };
    for (XlsxRange& m : m_merges) {
        shift(m.firstRow);
        shift(m.lastRow);
    }
    for (XlsxNote& n : m_notes)
        shift(n.row);
    if (m_autoFilter) {
        shift(m_autoFilter->firstRow);
        shift(m_autoFilter->lastRow);
    }
    for (XlsxBarChart& ch : m_charts) {
        shift(ch.anchor.row);
        shift(ch.categories.firstRow);
        shift(ch.categories.lastRow);
        shift(ch.values.firstRow);
        shift(ch.values.lastRow);
        if (ch.seriesName) shift(ch.seriesName->row);
    }
    for (XlsxPicture& p : m_pictures)
        shift(p.anchor.row);
    std::map<int, double> heights;
    for (const auto& [r, h] : m_rowHeights) {
        int moved = r;
        shift(moved);
        heights[moved] = h;
    }
    m_rowHeights = std::move(heights);
}

void XlsxSheet::setRowHeight(int row, double points) {
    if (row >= 0 && row < kXlsxMaxRows && points > 0) m_rowHeights[row] = std::min(points, 409.0);
}

std::optional<double> XlsxSheet::rowHeight(int row) const {
    const auto it = m_rowHeights.find(row);
    if (it == m_rowHeights.end()) return std::nullopt;
    return it->second;
}

XlsxSheet::Column& XlsxSheet::column(int col) {
    auto it = m_columns.find(col);
    if (it == m_columns.end())
        it = m_columns.emplace(col, m_allColumns).first; // a column set on its own starts from the sheet's default
    return it->second;
}

uint16_t XlsxSheet::columnStyle(int col) const {
    auto it = m_columns.find(col);
    return it != m_columns.end() ? it->second.style : m_allColumns.style;
}

void XlsxSheet::setColumnWidth(int firstCol, int lastCol, double width) {
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, kXlsxMaxColumns - 1);
    width = std::clamp(width, 0.0, 255.0);
    if (firstCol == 0 && lastCol == kXlsxMaxColumns - 1) {
        // Every column: the sheet's default changes and the columns set on their own follow.
        m_allColumns.width = width;
        for (auto& [c, col] : m_columns)
            col.width = width;
        return;
    }
    for (int c = firstCol; c <= lastCol; ++c)
        column(c).width = width;
}

double XlsxSheet::columnWidth(int col) const {
    auto it = m_columns.find(col);
    const Column& c = it != m_columns.end() ? it->second : m_allColumns;
    return c.width.value_or(8.43);
}

void XlsxSheet::setColumnStyle(int firstCol, int lastCol, const XlsxStyle& style) {
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, kXlsxMaxColumns - 1);
    if (firstCol == 0 && lastCol == kXlsxMaxColumns - 1) {
        m_allColumns.style = uint16_t(m_book->combine(m_allColumns.style, style));
        for (auto& [c, col] : m_columns)
            col.style = uint16_t(m_book->combine(col.style, style));
        return;
    }
    for (int c = firstCol; c <= lastCol; ++c) {
        Column& col = column(c);
        col.style = uint16_t(m_book->combine(col.style, style));
    }
}

void XlsxSheet::autoFitColumns(int firstCol, int lastCol) {
    settle();
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, m_columnCount - 1);
    if (lastCol < firstCol) return;
    std::vector<double> widths(size_t(lastCol - firstCol + 1), 0.0);
    for (const auto& row : m_rows) {
        for (const Cell& c : row) {
            if (int(c.col) < firstCol || int(c.col) > lastCol || c.kind == CellKind::Empty || c.kind == CellKind::Blank)
                continue;
            const XlsxStyle& s = m_book->styleById(c.style);
            const double w =
                xlsxFitWidth(xlsxDisplayWidth(cellText(c)), s.fontSize.value_or(11.0), s.bold.value_or(false));
            double& slot = widths[size_t(int(c.col) - firstCol)];
            slot = std::max(slot, w);
        }
    }
    for (int c = firstCol; c <= lastCol; ++c)
        if (widths[size_t(c - firstCol)] > 0) column(c).width = widths[size_t(c - firstCol)];
}

namespace {

// Excel's column width to pixels: a digit of the default font is 7 pixels, plus 5 pixels of padding.
int widthToPixels(double width) {
    if (width <= 0) return 0;
    if (width < 1) return int(width * 12 + 0.5);
    return int(width * 7 + 0.5) + 5;
}

} // namespace

int XlsxSheet::columnLeftPx(int col) const {
    int px = 0;
    for (int c = 0; c < col; ++c)
        px += widthToPixels(columnWidth(c));
    return px;
}

int XlsxSheet::rowTopPx(int row) const {
    return std::max(row, 0) * 20;
}

void XlsxSheet::mergeRange(const XlsxRange& range) {
    if (range.firstRow == range.lastRow && range.firstCol == range.lastCol) return;
    // An overlapping merge replaces the earlier one, as a new merge does in Excel.
    auto overlaps = [&](const XlsxRange& m) {
        return !(m.lastRow < range.firstRow || m.firstRow > range.lastRow || m.lastCol < range.firstCol ||
                 m.firstCol > range.lastCol);
    };
    m_merges.erase(std::remove_if(m_merges.begin(), m_merges.end(), overlaps), m_merges.end());
    m_merges.push_back(range);
}

void XlsxSheet::setNote(int row, int col, const QString& text, double widthPt, double heightPt) {
    if (!valid(row, col)) return;
    for (XlsxNote& n : m_notes) {
        if (n.row == row && n.col == col) {
            n.text = text;
            n.widthPt = widthPt;
            n.heightPt = heightPt;
            return;
        }
    }
    m_notes.push_back({row, col, text, widthPt, heightPt});
}

void XlsxSheet::toggleAutoFilter() {
    if (m_autoFilter) {
        m_autoFilter.reset();
        return;
    }
    const int lastRow = std::max(rowCount() - 1, 0);
    const int lastCol = std::max(columnCount() - 1, 0);
    m_autoFilter = XlsxRange{0, 0, lastRow, lastCol};
}

OfficeStatus XlsxSheet::addPicture(const XlsxPicture& picture) {
    QImageReader reader(picture.file);
    const QByteArray format = reader.format().toLower();
    if (!QFileInfo(picture.file).isFile())
        return OfficeStatus::failure(OfficeError::Missing, QStringLiteral("圖片檔不存在: %1").arg(picture.file));
    if (format != "png" && format != "jpeg" && format != "jpg" && format != "gif" && format != "bmp")
        return OfficeStatus::failure(
            OfficeError::InvalidInput,
            QStringLiteral("無法讀取圖片檔 (只接受 PNG、JPEG、GIF、BMP): %1").arg(picture.file));
    if (!reader.size().isValid())
        return OfficeStatus::failure(OfficeError::Damaged, QStringLiteral("圖片檔已損毀: %1").arg(picture.file));
    m_pictures.push_back(picture);
    return OfficeStatus::success();
}

OfficeStatus XlsxSheet::addPictureSized(const QString& file, XlsxCellRef anchor, QSize sizePx) {
    QImageReader reader(file);
    const QSize natural = reader.size();
    XlsxPicture p;
    p.file = file;
    p.anchor = anchor;
    if (natural.isValid() && natural.width() > 0 && natural.height() > 0) {
        // The writer scales a picture by its own resolution first (96 dpi is one pixel per pixel).
        QImage probe;
        double dpiX = 96, dpiY = 96;
        if (reader.read(&probe)) {
            if (probe.dotsPerMeterX() > 0) dpiX = probe.dotsPerMeterX() * 0.0254;
            if (probe.dotsPerMeterY() > 0) dpiY = probe.dotsPerMeterY() * 0.0254;
        }
        p.xScale = double(sizePx.width()) / (natural.width() * 96.0 / dpiX);
        p.yScale = double(sizePx.height()) / (natural.height() * 96.0 / dpiY);
    }
    return addPicture(p);
}

// ---- XlsxWorkbook ----

XlsxWorkbook::XlsxWorkbook(const QString& defaultSheetName) : m_defaultName(defaultSheetName) {
    m_styles.emplace_back(); // id 0: Excel's default
}

XlsxWorkbook::~XlsxWorkbook() = default;

XlsxSheet* XlsxWorkbook::sheetByName(const QString& name) {
    for (auto& s : m_sheets)
        if (xlsxSameSheetName(s->name(), name)) return s.get();
    return nullptr;
}

QString XlsxWorkbook::uniqueName(const QString& wanted, const XlsxSheet* except) const {
    QStringList taken;
    for (const auto& s : m_sheets)
        if (s.get() != except) taken << s->name();
    return xlsxCleanSheetName(wanted, taken, m_defaultName);
}

XlsxSheet& XlsxWorkbook::addSheet(const QString& name, int index) {
    QString wanted = name;
    if (wanted.isEmpty()) {
        // The next free default name, numbered as Excel numbers new sheets.
        do
            wanted = m_defaultName + QString::number(m_nextNumber++);
        while (sheetByName(wanted));
    }
    std::unique_ptr<XlsxSheet> sheet(new XlsxSheet(this, uniqueName(wanted, nullptr)));
    XlsxSheet& ref = *sheet;
    if (index < 0 || index >= int(m_sheets.size()))
        m_sheets.push_back(std::move(sheet));
    else
        m_sheets.insert(m_sheets.begin() + index, std::move(sheet));
    return ref;
}

void XlsxWorkbook::removeSheet(int index) {
    if (index >= 0 && index < int(m_sheets.size())) m_sheets.erase(m_sheets.begin() + index);
}

QStringList XlsxWorkbook::sheetNames() const {
    QStringList names;
    for (const auto& s : m_sheets)
        names << s->name();
    return names;
}

int XlsxWorkbook::addStyle(const XlsxStyle& style) {
    for (size_t i = 0; i < m_styles.size(); ++i)
        if (m_styles[i] == style) return int(i);
    if (m_styles.size() >= 65535) return 0; // beyond any real workbook; the cell keeps the default look
    m_styles.push_back(style);
    return int(m_styles.size() - 1);
}

int XlsxWorkbook::combine(int baseId, const XlsxStyle& overlay) {
    XlsxStyle s = styleById(baseId);
    s.overlay(overlay);
    return addStyle(s);
}

} // namespace office
