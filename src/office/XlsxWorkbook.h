#pragma once
// A new workbook built in memory and written as one .xlsx at save time. Sheets are addressed by position and can
// be renamed, added, removed and written in any order; cells hold text or numbers with a style; a sheet carries
// column widths, merged ranges, notes, an AutoFilter, bar charts, pictures, print titles, header and footer and a
// protection password. Nothing touches the disk before save(), which writes a temporary file beside the target and
// renames it into place, so a failed save leaves no half file.

#include "office/OfficeStatus.h"
#include "office/XlsxCellRef.h"

#include <QRgb>
#include <QSize>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace office {

enum class XlsxHAlign : uint8_t { General, Left, Center, Right };
enum class XlsxVAlign : uint8_t { Bottom, Center, Top };

// A cell format. Unset fields take Excel's defaults; applying a style to a cell overlays only the fields set here.
struct XlsxStyle {
    std::optional<QString> fontName;
    std::optional<double> fontSize;
    std::optional<bool> bold;
    std::optional<QRgb> fontColor;
    std::optional<QRgb> fill; // a solid fill
    std::optional<bool> wrap;
    std::optional<XlsxHAlign> hAlign;
    std::optional<XlsxVAlign> vAlign;
    std::optional<QString> numberFormat; // "@" shows the cell as text

    XlsxStyle& overlay(const XlsxStyle& other);
    bool operator==(const XlsxStyle&) const = default;

    // Shortcuts: the text format "@", and a fill or font colour by Excel's legacy colour index.
    static XlsxStyle text();
    static XlsxStyle fillIndex(int colorIndex);
};

// A clustered bar chart of one series placed over the sheet. Ranges are on the chart's own sheet.
struct XlsxBarChart {
    XlsxRange categories;                  // one column of labels
    XlsxRange values;                      // one column of numbers
    std::optional<XlsxCellRef> seriesName; // the header cell naming the series
    QString title;                         // a line break starts a new title line
    bool dataLabels = true;                // the value beside each bar
    bool reverseCategories = true;         // the first row drawn at the top
    bool legend = false;
    QString fontName = QStringLiteral("新細明體");
    double fontSize = 10;
    std::optional<QRgb> plotBorder = 0xFF808080; // thin continuous line; no plot fill
    std::optional<QRgb> gridlines = 0xFFC0C0C0;  // hairline dotted major gridlines of the value axis
    std::optional<QRgb> barColor;                // default: the theme's first accent
    // Placement: the top-left corner at a cell (plus an offset in pixels) and the size in pixels.
    XlsxCellRef anchor;
    QSize offset;
    QSize size{480, 288};
};

// A picture placed over the sheet, from a PNG, JPEG, GIF or BMP file.
struct XlsxPicture {
    XlsxPicture() = default;
    XlsxPicture(QString f, XlsxCellRef at, double xs = 1.0, double ys = 1.0)
        : file(std::move(f)), anchor(at), xScale(xs), yScale(ys) {}
    QString file;
    XlsxCellRef anchor;
    QSize offset{0, 0}; // pixels right of and below the anchor cell's corner
    double xScale = 1.0;
    double yScale = 1.0;
};

struct XlsxNote {
    int row = 0;
    int col = 0;
    QString text;
    double widthPt = 0; // 0: Excel's default box
    double heightPt = 0;
};

class XlsxWorkbook;

class XlsxSheet {
public:
    enum class CellKind : uint8_t { Empty, Blank, Text, Number };

    XlsxSheet(const XlsxSheet&) = delete;
    XlsxSheet& operator=(const XlsxSheet&) = delete;

    XlsxWorkbook& workbook() { return *m_book; }
    // The position of the sheet in the workbook, from 0.
    int index() const;
    const QString& name() const { return m_name; }
    // Renames the sheet; the name is cleaned to Excel's rules and made unique (see xlsxCleanSheetName). Returns
    // the name given.
    QString setName(const QString& name);

    // Cells. A text longer than Excel's 32 767 characters is cut there. `style` is a style id of the workbook;
    // -1 keeps the cell's current style.
    void setText(int row, int col, const QString& text, int style = -1);
    void setNumber(int row, int col, double value, int style = -1);
    // Clears the value; the style stays.
    void clearValue(int row, int col);
    CellKind kind(int row, int col) const;
    // The cell as text: text as written, a number in general form, "" for an empty cell.
    QString text(int row, int col) const;
    double number(int row, int col) const;
    int styleOf(int row, int col) const;
    // The style a cell shows, resolved from its style id.
    XlsxStyle style(int row, int col) const;

    // Writes a block of text cells from (firstRow, firstCol): `rows` rows of `cols` columns whose texts `cell`
    // gives; the widest display width of every column is added to `widths` when not null (cols entries).
    void writeTextBlock(int firstRow, int firstCol, int rows, int cols,
                        const std::function<QString(int row, int col)>& cell, int style,
                        std::vector<int>* widths = nullptr);

    // The same, but the texts stay with `cell` until the workbook is saved, where they go to the file row by row
    // without being stored: `cell` must stay valid until then (capture by value what it reads) and give the same
    // texts each time it is asked. Widths are measured now. The block counts as written for everything else: a
    // call that reads, styles or moves cells, or a block written over rows already written, stores it first.
    void streamTextBlock(int firstRow, int firstCol, int rows, int cols, std::function<QString(int row, int col)> cell,
                         int style, std::vector<int>* widths = nullptr);

    // Overlays a style onto every cell of a range (cells without value become styled blanks). Whole-column
    // ranges style the columns instead.
    void applyStyle(const XlsxRange& range, const XlsxStyle& style);
    // Overlays a style onto every cell that has a value and whose text contains `needle`.
    int applyStyleWhereTextContains(const QString& needle, const XlsxStyle& style);
    // Replaces `from` by `to` in every text cell (parts of cells); the number of cells changed.
    int replaceText(const QString& from, const QString& to);

    // The used area: one past the last row and column holding a cell (0 when empty).
    int rowCount() const { return std::max(int(m_rows.size()), m_streamedEnd); }
    int columnCount() const { return m_columnCount; }
    // Inserts empty rows before `row`; cells, merges, notes, the AutoFilter, charts and pictures below move down.
    void insertRows(int row, int count = 1);

    // Columns: width in Excel's character units (default 8.43), a style for the whole column.
    void setColumnWidth(int firstCol, int lastCol, double width);
    double columnWidth(int col) const;
    void setColumnStyle(int firstCol, int lastCol, const XlsxStyle& style);
    // Fits the widths of the columns to their cells (display width, CJK counting double, fonts considered).
    void autoFitColumns(int firstCol, int lastCol);
    // Geometry in pixels at 96 dpi: the left edge of a column, the top edge of a row (rows are 20 pixels).
    int columnLeftPx(int col) const;
    int rowTopPx(int row) const;

    void mergeRange(const XlsxRange& range);
    const std::vector<XlsxRange>& merges() const { return m_merges; }

    // A note (comment) on a cell, replacing an earlier one; the size in points (Excel's default when 0).
    void setNote(int row, int col, const QString& text, double widthPt = 0, double heightPt = 0);
    const std::vector<XlsxNote>& notes() const { return m_notes; }

    // The AutoFilter: toggling sets it over the used columns when the sheet has none, and removes it otherwise.
    void toggleAutoFilter();
    void setAutoFilter(const XlsxRange& range) { m_autoFilter = range; }
    void clearAutoFilter() { m_autoFilter.reset(); }
    const std::optional<XlsxRange>& autoFilter() const { return m_autoFilter; }

    void addBarChart(const XlsxBarChart& chart) { m_charts.push_back(chart); }
    const std::vector<XlsxBarChart>& charts() const { return m_charts; }
    // A picture at a cell, scaled. Fails for a missing or unreadable picture file.
    OfficeStatus addPicture(const XlsxPicture& picture);
    // A picture at a cell, scaled to a size in pixels.
    OfficeStatus addPictureSized(const QString& file, XlsxCellRef anchor, QSize sizePx);
    const std::vector<XlsxPicture>& pictures() const { return m_pictures; }

    // A row's height in points, stored in the file: a reader that does not size rows to their wrapped text keeps
    // it. Rows not set take the default height.
    void setRowHeight(int row, double points);
    std::optional<double> rowHeight(int row) const;

    // Printing: landscape or portrait on A4, scaled so that the columns fit the page width (rows run on).
    void setLandscape(bool landscape) { m_landscape = landscape; }
    bool landscape() const { return m_landscape; }
    void setFitToWidth(bool fit) { m_fitToWidth = fit; }
    bool fitToWidth() const { return m_fitToWidth; }

    // Rows repeated at the top of every printed page.
    void setPrintTitleRows(int firstRow, int lastRow) { m_printTitles = {firstRow, lastRow}; }
    // Header and footer with Excel's codes ("&P/&N", "&\"Times New Roman,Bold\"&D"); at most 255 characters.
    void setHeader(const QString& codes) { m_header = codes; }
    void setFooter(const QString& codes) { m_footer = codes; }
    const QString& header() const { return m_header; }
    const QString& footer() const { return m_footer; }

    // Protects the sheet with Excel's default options and the password (empty: no password).
    void protect(const QString& password) { m_protection = password; }
    const std::optional<QString>& protection() const { return m_protection; }

private:
    friend class XlsxWorkbook;
    friend class XlsxRenderer;
    XlsxSheet(XlsxWorkbook* book, QString name) : m_book(book), m_name(std::move(name)) {}

    struct Cell {
        uint32_t col = 0;
        uint16_t style = 0;
        CellKind kind = CellKind::Empty;
        union {
            double number;
            struct {
                uint32_t offset; // into m_text, NUL-terminated UTF-8
                uint32_t length;
            } text;
        };
        Cell() : number(0) {}
    };
    struct Column {
        std::optional<double> width;
        uint16_t style = 0;
    };

    Column& column(int col);
    uint16_t columnStyle(int col) const;
    Cell* find(int row, int col);
    const Cell* find(int row, int col) const;
    Cell& touch(int row, int col);
    void storeText(Cell& cell, const QString& text);
    QString cellText(const Cell& cell) const;
    bool valid(int row, int col) const;
    // Stores the streamed blocks as cells.
    void settle() const;

    XlsxWorkbook* m_book;
    QString m_name;
    std::vector<std::vector<Cell>> m_rows; // each row sorted by column
    std::string m_text;                    // every text of the sheet, UTF-8, each followed by a NUL
    int m_columnCount = 0;
    // Blocks of text handed over by streamTextBlock, below every stored row, in row order; one past their last row.
    struct Streamed {
        int firstRow, firstCol, rows, cols;
        std::function<QString(int, int)> cell;
        uint16_t style;
    };
    mutable std::vector<Streamed> m_streamed;
    mutable int m_streamedEnd = 0;
    std::map<int, Column> m_columns; // columns set on their own
    Column m_allColumns;             // every other column
    std::vector<XlsxRange> m_merges;
    std::vector<XlsxNote> m_notes;
    std::optional<XlsxRange> m_autoFilter;
    std::vector<XlsxBarChart> m_charts;
    std::vector<XlsxPicture> m_pictures;
    std::map<int, double> m_rowHeights;
    bool m_landscape = false;
    bool m_fitToWidth = false;
    std::optional<std::pair<int, int>> m_printTitles;
    QString m_header;
    QString m_footer;
    std::optional<QString> m_protection;
};

class XlsxWorkbook {
public:
    // An empty workbook (no sheets yet); `defaultSheetName` is numbered for new sheets ("工作表1", ...).
    explicit XlsxWorkbook(const QString& defaultSheetName = QStringLiteral("工作表"));
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    int sheetCount() const { return int(m_sheets.size()); }
    // The sheet at a position from 0 (the reference stays valid until that sheet is removed).
    XlsxSheet& sheet(int index) { return *m_sheets.at(size_t(index)); }
    const XlsxSheet& sheet(int index) const { return *m_sheets.at(size_t(index)); }
    // The sheet of that name, letter case ignored, or null.
    XlsxSheet* sheetByName(const QString& name);
    // Adds a sheet at a position (-1: at the end); an empty name gives the next default name.
    XlsxSheet& addSheet(const QString& name = {}, int index = -1);
    void removeSheet(int index);
    QStringList sheetNames() const;

    // Registers a style and returns its id (0 is Excel's default style); equal styles share one id.
    int addStyle(const XlsxStyle& style);
    const XlsxStyle& styleById(int id) const { return m_styles.at(size_t(id)); }
    // The id of a style overlaid onto another one.
    int combine(int baseId, const XlsxStyle& overlay);

    // The cells are kept as text (rendered with the text format) beyond this many characters: Excel's cell limit.
    static constexpr int kMaxCellText = 32767;

    // Writes the workbook to `path` atomically (a temporary file in the same folder renamed into place). The parts
    // pass through temporary files in QDir::tempPath() first: one that could not be written whole fails the save,
    // naming that folder. An exception thrown by a streamed block's `cell` reaches the caller; nothing is written.
    OfficeStatus save(const QString& path) const;

private:
    friend class XlsxSheet;
    friend class XlsxRenderer;
    QString uniqueName(const QString& wanted, const XlsxSheet* except) const;

    std::vector<std::unique_ptr<XlsxSheet>> m_sheets;
    std::vector<XlsxStyle> m_styles;
    QString m_defaultName;
    int m_nextNumber = 1;
};

} // namespace office
