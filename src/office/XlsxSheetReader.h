#pragma once
// Pull readers over a worksheet's and the shared strings' XML as its bytes arrive: rows come one at a time, so a
// sheet of a million rows is read without holding its XML or a tree of it. Not part of the office layer's interface.

#include <QString>
#include <QXmlStreamReader>

#include <functional>
#include <vector>

namespace office::pkg {

// A cell as the sheet stores it, before its value is worked out (XlsxPackage::valueOf).
struct RawCell {
    enum class Type : quint8 { Number, Shared, String, Inline, Boolean, Error, IsoDate }; // t: none, s, str ...
    int col = 0;
    int style = 0;
    Type type = Type::Number;
    bool hasValue = false; // a <v> element
    QString value;         // the text of the first <v>
    QString inlineText;    // the text of <is>, its runs joined and "_xHHHH_" escapes left as they stand
};

// The type of a cell by its t attribute.
RawCell::Type rawCellType(QStringView t);

// The rows of sheetData in the order stored. Each row and cell gets the position the package's tree reader gives it:
// a row without r follows the row before it, a cell without r the cell before it; a position outside A1:XFD1048576
// stops the reading (badReference names it). A row number given twice is handed over the first time only.
class SheetXmlReader {
public:
    // Called for every row holding a cell; returns false to stop the reading.
    using RowFn = std::function<bool(int row, std::vector<RawCell>& cells)>;
    explicit SheetXmlReader(RowFn onRow);

    // Takes the next bytes; false once the reading has ended (the XML is broken, a position is outside the sheet, or
    // the row function stopped it).
    bool feed(const char* data, qsizetype size);
    enum class Outcome { Whole, Stopped, BrokenXml, BadReference };
    // After the last bytes: how the reading ended.
    Outcome finish();
    const QString& badReference() const { return m_bad; }
    // One past the last row and column holding a cell, over every row read (repeated ones included).
    int rowCount() const { return m_rowCount; }
    int columnCount() const { return m_columnCount; }

private:
    bool pump();
    void startElement();
    void endElement();

    QXmlStreamReader m_xml;
    RowFn m_onRow;
    int m_depth = 0;
    bool m_sheetDataSeen = false;
    bool m_inSheetData = false;
    bool m_inRow = false;
    bool m_inCell = false;
    bool m_vSeen = false;
    bool m_isSeen = false;
    int m_isDepth = 0; // depth of the <is> being read, 0 outside it
    bool m_inRun = false;
    bool m_rootClosed = false;
    QString* m_collect = nullptr;
    int m_row = 0;
    int m_col = -1;
    std::vector<RawCell> m_cells;
    RawCell m_cell;
    std::vector<bool> m_seenRows;
    bool m_stopped = false;
    QString m_bad;
    int m_rowCount = 0;
    int m_columnCount = 0;
};

// The texts of the shared strings part in order: each <si>'s text with its runs joined, phonetic runs left out and
// "_xHHHH_" escapes decoded.
class SharedStringsXmlReader {
public:
    explicit SharedStringsXmlReader(std::function<void(const QString& text)> onString);
    bool feed(const char* data, qsizetype size);
    // Whether the part was whole XML.
    bool finish();

private:
    bool pump();

    QXmlStreamReader m_xml;
    std::function<void(const QString&)> m_onString;
    int m_depth = 0;
    int m_siDepth = 0;
    QString m_text;
    bool m_inSi = false;
    bool m_inRun = false;
    bool m_inText = false;
    bool m_rootClosed = false;
};

} // namespace office::pkg
