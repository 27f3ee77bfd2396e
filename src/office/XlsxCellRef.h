#pragma once
// A1-style cell and range references. Rows and columns are counted from 0 here ("A1" is row 0, column 0); the
// limits are Excel's: 1 048 576 rows and 16 384 columns.

#include <QString>
#include <optional>

namespace office {

constexpr int kXlsxMaxRows = 1048576;
constexpr int kXlsxMaxColumns = 16384;

struct XlsxCellRef {
    int row = 0;
    int col = 0;
    bool operator==(const XlsxCellRef&) const = default;
};

// A rectangle of cells, both corners included.
struct XlsxRange {
    int firstRow = 0;
    int firstCol = 0;
    int lastRow = 0;
    int lastCol = 0;
    bool operator==(const XlsxRange&) const = default;
    bool contains(int row, int col) const {
        return row >= firstRow && row <= lastRow && col >= firstCol && col <= lastCol;
    }
    int rowCount() const { return lastRow - firstRow + 1; }
    int columnCount() const { return lastCol - firstCol + 1; }
};

// "A" for 0, "Z" for 25, "AA" for 26; "" outside the sheet.
QString xlsxColumnName(int col);
// "B3" for row 2, column 1.
QString xlsxCellName(int row, int col);
// "A1:F2" (a single cell gives "A1").
QString xlsxRangeName(const XlsxRange& range);
// "B12", "$B$12" or "b12"; nullopt for anything else or outside the sheet.
std::optional<XlsxCellRef> parseXlsxCell(const QString& text);
// "A1:F2", "B3" (one cell), "L:L" or "C:E" (whole columns), "1:1" (whole rows); corners in any order.
std::optional<XlsxRange> parseXlsxRange(const QString& text);

} // namespace office
