#pragma once
// An existing .xlsx workbook opened for reading and editing: a template to fill or a workbook the nurse filled in.
// Sheets by position (from 0) and by name; a cell's text as the program reads it; cells written keeping their
// style; sheets added and renamed; a table written into a sheet; sheet protection removed and set; saved under a
// new name atomically. Parts the program does not edit are written back byte for byte.

#include "office/OfficeStatus.h"
#include "office/XlsxCellRef.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

namespace office {

class ZipArchive;
namespace pkg {
struct RawCell;
}

// A cell's value as read. `text` is what the program works with: text unchanged, a number in general form, a
// date "YYYY/MM/DD" (with " hh:mm:ss" when it has a time), "True"/"False", an error as Excel shows it ("#N/A").
struct XlsxCellValue {
    enum class Kind { Empty, Text, Number, Date, Boolean, Error };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0; // numbers and dates (the serial)
};

// What the reader holds of one workbook at most; a workbook past a limit is refused (TooLarge). Each lies far above
// a workbook kept by hand (a sheet of 1 000 000 rows by 10 columns holds 10 million cells) and far below what
// exhausts a computer's memory.
struct XlsxReadLimits {
    qint64 sharedStrings = qint64(1) << 25; // shared strings: 33.5 million, 4 bytes each to find them
    qint64 sharedChars = qint64(1) << 29;   // their characters together: 512 Mi, 1 GiB of memory
    qint64 storedCells = qint64(1) << 25;   // cells of one sheet gathered for reading by position: 16 bytes each
    qint64 storedChars = qint64(1) << 28;   // characters of those cells' own texts (no shared strings): 512 MiB
};

class XlsxPackage {
public:
    static constexpr qint64 kReadRowsMaxCells = qint64(1) << 25;

    explicit XlsxPackage(const XlsxReadLimits& limits = {});
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    // Opens a workbook. A legacy .xls, an encrypted workbook, a file that is no workbook or a damaged one fails
    // with a reason the nurse can read; the package is then empty.
    OfficeStatus open(const QString& path);
    // Opens a workbook reading only the first maxSheetRows rows of each worksheet (as stored, empty rows included),
    // so that a huge sheet costs no more than its beginning: for an import that checks its header first. A package
    // that left rows out is for reading only (saveAs fails).
    OfficeStatus open(const QString& path, int maxSheetRows);
    // Whether rows of the sheet were left out by open(path, maxSheetRows).
    bool rowsLeftOut(int sheet) const;
    bool isOpen() const { return !m_parts.empty(); }
    const QString& path() const { return m_path; }

    // Sheets of the workbook in tab order (chart sheets included, as Excel counts them).
    int sheetCount() const { return int(m_sheets.size()); }
    QString sheetName(int index) const;
    QStringList sheetNames() const;
    // The position of a sheet by name (letter case ignored), or -1.
    int sheetIndex(const QString& name) const;

    // Reading. A reference outside the sheet, a sheet that is no worksheet or a damaged one reads as empty. A
    // sheet's cells are gathered into a compact index when it is first read (a sheet being edited is read from its
    // tree): reading cell after cell costs no walk over the rows before.
    XlsxCellValue cell(int sheet, int row, int col);
    QString cellText(int sheet, int row, int col) { return cell(sheet, row, col).text; }
    QString cellText(int sheet, const QString& a1);
    // A whole sheet, or a range of it, as rows of texts, each as cellText gives it (an empty cell reads ""): for
    // imports. The rows run from the range's first row to its last or to the sheet's last row holding a cell,
    // every row with one text per column from the range's first column to its last or to the sheet's last column
    // holding a cell. A sheet that is no worksheet or is damaged fails and gives no rows, as does a range of more
    // than kReadRowsMaxCells cells. Reading costs one pass over the sheet.
    [[nodiscard]] OfficeStatus readRows(int sheet, std::vector<QStringList>* rows,
                                        std::optional<XlsxRange> range = std::nullopt);
    // The rows of a sheet (or of a range of it) one at a time, in the order the sheet stores them (ascending in
    // every file Excel writes), each as the row's position and its texts as cellText gives them, from the range's
    // first column to the row's last cell in the range; rows without a cell in the range are left out. Only one row
    // is held at a time: for reading a sheet of any length. `row` returns false to stop (still a success). A sheet
    // that is no worksheet, or is damaged, fails; the damage may be found after some rows were handed over.
    [[nodiscard]] OfficeStatus forEachRow(int sheet, const std::function<bool(int row, const QStringList& texts)>& row,
                                          std::optional<XlsxRange> range = std::nullopt);
    // Gathers a sheet's cells for cell(), rowCount(), columnCount() and cellStyle(), as their first call would, and
    // says why the sheet cannot be read: no worksheet, damaged, or past the reader's limits (TooLarge); those calls
    // read such a sheet as empty.
    [[nodiscard]] OfficeStatus loadCells(int sheet);
    // One past the last row and column that hold a cell.
    int rowCount(int sheet);
    int columnCount(int sheet);
    // The style index (s) of a cell, 0 when it has none.
    int cellStyle(int sheet, int row, int col);

    // Writing keeps the cell's style; a new cell takes its row's or column's style. A formula in the cell goes.
    OfficeStatus setCellText(int sheet, int row, int col, const QString& text);
    OfficeStatus setCellText(int sheet, const QString& a1, const QString& text);
    OfficeStatus setCellNumber(int sheet, int row, int col, double value);
    OfficeStatus setCellNumber(int sheet, const QString& a1, double value);

    // Renames a sheet; the name is cleaned to Excel's rules and made unique, references in formulas, defined
    // names and charts follow. `given` (when not null) receives the name given.
    OfficeStatus renameSheet(int sheet, const QString& name, QString* given = nullptr);
    // Adds an empty worksheet at a position (-1: after the last); `position` (when not null) receives its position.
    OfficeStatus addSheet(const QString& name = {}, int index = -1, int* position = nullptr);

    // Writes a table from A1: the header in row 1 (Arial 12 bold, white on green), `rows` rows below, every cell as
    // text (format "@"); fits the widths of the columns written and toggles the sheet's AutoFilter over the table.
    OfficeStatus writeTable(int sheet, const QStringList& header, int rows,
                            const std::function<QString(int row, int col)>& cell);
    // As writeTable, but the rows below the header stay with `cell` until the package is saved, where they go to the
    // file as text row after row without entering the sheet's tree: `cell` must stay valid until then (capture by
    // value what it reads) and give the same texts each time it is asked. `bodyWidths` (display widths, one per
    // column) spares measuring the body. A sheet that already holds rows is written as writeTable writes it; a later
    // call that reads or edits the sheet stores the rows in it first.
    OfficeStatus streamTable(int sheet, const QStringList& header, int rows,
                             std::function<QString(int row, int col)> cell,
                             const std::vector<int>* bodyWidths = nullptr);
    // Sets the AutoFilter when the sheet has none, removes it otherwise. `range` defaults to the used area.
    OfficeStatus toggleAutoFilter(int sheet, std::optional<XlsxRange> range = std::nullopt);
    bool hasAutoFilter(int sheet);
    // Column width in character units.
    OfficeStatus setColumnWidth(int sheet, int firstCol, int lastCol, double width);

    bool isProtected(int sheet);
    // Removes the sheet's protection; fails when the sheet has a password and `password` is not it.
    OfficeStatus unprotectSheet(int sheet, const QString& password);
    // Protects the sheet with Excel's default options (contents, objects, scenarios) and the password.
    OfficeStatus protectSheet(int sheet, const QString& password);

    // Writes the workbook to `path` atomically; the package stays open and may be saved again. An exception thrown by a
    // streamed table's `cell` reaches the caller, and nothing is written.
    OfficeStatus saveAs(const QString& path);

    // The raw bytes of a part (after edits are serialised), for checks; empty when there is no such part.
    QByteArray partData(const QString& name);

private:
    struct Part;
    struct SheetStore;
    struct SheetInfo {
        QString name;
        QString part; // "xl/worksheets/sheet1.xml"
        QString relId;
        bool worksheet = true;
    };

    Part* part(const QString& name);
    OfficeStatus unpack(Part& p);
    OfficeStatus streamPart(Part& p, const std::function<bool(const char*, qsizetype)>& chunk);
    pugi::xml_document* xml(const QString& name, OfficeStatus* status = nullptr);
    void markDirty(const QString& name);
    Part& addPart(const QString& name, const QByteArray& data);
    void removePart(const QString& name);

    OfficeStatus loadWorkbook();
    void loadSharedStrings();
    void loadStyles();
    pugi::xml_document* sheetXml(int sheet, OfficeStatus* status = nullptr);
    OfficeStatus writableSheet(int sheet, pugi::xml_document** doc);
    pugi::xml_node sheetData(pugi::xml_document* doc);
    Part* sheetPart(int sheet);
    void indexRows(Part& p, pugi::xml_document* doc);
    pugi::xml_node findRow(Part& p, pugi::xml_node sheetData, int row, bool create);
    pugi::xml_node findCell(Part& p, pugi::xml_node rowNode, int row, int col, bool create);
    XlsxCellValue valueOf(pugi::xml_node c);
    XlsxCellValue valueOf(const pkg::RawCell& c);
    Part* readablePart(int sheet, OfficeStatus* status);
    struct SheetExtent {
        int rows = 0;
        int columns = 0;
    };
    OfficeStatus scanRows(int sheet, const std::function<bool(int row, const QStringList& texts)>& row,
                          const XlsxRange& range, SheetExtent* extent);
    OfficeStatus streamSheet(Part& p, const std::function<bool(int, std::vector<pkg::RawCell>&)>& row,
                             SheetExtent* extent);
    SheetStore* sheetStore(int sheet, OfficeStatus* status = nullptr);
    OfficeStatus tooLarge() const;
    XlsxCellValue storedValue(const SheetStore& store, size_t cell) const;
    static qsizetype findStored(const SheetStore& store, int row, int col);
    QString sharedString(int index) const;
    void setCellValue(pugi::xml_node c, const QString* text, const double* number);
    OfficeStatus writeCell(int sheet, int row, int col, const QString* text, const double* number);
    int styleForNewCell(pugi::xml_node sheetRoot, pugi::xml_node rowNode, int col);
    int textStyleFor(int baseXf);
    int headerStyle();
    void renameReferences(const QString& oldName, const QString& newName);
    void updateAppTitles(int previousWorksheets);
    void dropCalcChain();

    // A table's body left out of its sheet's tree (streamTable) until the package is saved.
    struct StreamedBody {
        QString part;
        int rows = 0;
        int cols = 0;
        std::function<QString(int, int)> cell;
        std::vector<int> xf; // the style of each column's cells
    };
    OfficeStatus writeTable(int sheet, const QStringList& header, int rows,
                            const std::function<QString(int, int)>& cell, bool streamBody,
                            const std::vector<int>* bodyWidths);
    // Stores a streamed body of the part in its tree.
    void settleStreamed(const QString& part);
    // The bytes of a worksheet part with a streamed body, made piece by piece; fails when the place of the body in
    // the part cannot be told.
    OfficeStatus streamedPart(Part& p, const StreamedBody& body, std::function<std::function<QByteArray()>()>* pieces);
    std::vector<StreamedBody> m_streamed;

    QString m_path;
    std::unique_ptr<ZipArchive> m_archive;      // holds the parts left packed until they are needed
    std::vector<std::unique_ptr<Part>> m_parts; // archive order
    QStringList m_cutParts;                     // worksheets whose later rows were not read
    QString m_workbookPart;                     // "xl/workbook.xml"
    std::vector<SheetInfo> m_sheets;
    bool m_date1904 = false;
    XlsxReadLimits m_limits;
    bool m_sharedLoaded = false;
    OfficeStatus m_sharedStatus = OfficeStatus::success(); // why the shared strings could not be read
    QString m_sharedText;                                  // the shared strings one after another
    std::vector<quint32> m_sharedEnds;                     // where each ends in m_sharedText
    bool m_stylesLoaded = false;
    std::vector<bool> m_dateXf; // per cellXfs index
    std::vector<int> m_xfNumFmt;
    std::map<int, int> m_textXf; // base xf → the same xf with the text format
    int m_headerXf = -1;
    bool m_calcDirty = false;      // values changed: formulas recalculate on opening
    bool m_formulaRemoved = false; // the calculation chain would name a cell without formula
};

} // namespace office
