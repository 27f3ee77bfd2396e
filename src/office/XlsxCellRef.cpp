#include "office/XlsxCellRef.h"

#include <QStringList>
#include <algorithm>

namespace office {

QString xlsxColumnName(int col) {
    if (col < 0 || col >= kXlsxMaxColumns) return {};
    QString name;
    for (int n = col + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString xlsxCellName(int row, int col) {
    return xlsxColumnName(col) + QString::number(row + 1);
}

QString xlsxRangeName(const XlsxRange& range) {
    const QString first = xlsxCellName(range.firstRow, range.firstCol);
    if (range.firstRow == range.lastRow && range.firstCol == range.lastCol) return first;
    return first + u':' + xlsxCellName(range.lastRow, range.lastCol);
}

namespace {

// Reads "$AB" (letters) and "$12" (digits) parts; either may be missing. Returns false on any other character.
bool splitRef(const QString& text, int* col, int* row) {
    *col = -1;
    *row = -1;
    int i = 0;
    const int n = int(text.size());
    if (i < n && text[i] == u'$') ++i;
    long long c = 0;
    int letters = 0;
    while (i < n && text[i].isLetter() && text[i].unicode() < 128) {
        c = c * 26 + (text[i].toUpper().unicode() - u'A' + 1);
        if (++letters > 3) return false;
        ++i;
    }
    if (i < n && text[i] == u'$') ++i;
    long long r = 0;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        r = r * 10 + (text[i].unicode() - u'0');
        if (++digits > 7) return false;
        ++i;
    }
    if (i != n || (letters == 0 && digits == 0)) return false;
    if (letters) {
        if (c < 1 || c > kXlsxMaxColumns) return false;
        *col = int(c - 1);
    }
    if (digits) {
        if (r < 1 || r > kXlsxMaxRows) return false;
        *row = int(r - 1);
    }
    return true;
}

} // namespace

std::optional<XlsxCellRef> parseXlsxCell(const QString& text) {
    int col, row;
    if (!splitRef(text.trimmed(), &col, &row) || col < 0 || row < 0) return std::nullopt;
    return XlsxCellRef{row, col};
}

std::optional<XlsxRange> parseXlsxRange(const QString& text) {
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() == 1) {
        const auto cell = parseXlsxCell(parts[0]);
        if (!cell) return std::nullopt;
        return XlsxRange{cell->row, cell->col, cell->row, cell->col};
    }
    if (parts.size() != 2) return std::nullopt;
    int c1, r1, c2, r2;
    if (!splitRef(parts[0], &c1, &r1) || !splitRef(parts[1], &c2, &r2)) return std::nullopt;
    // Both corners must be of the same kind: cells, whole columns or whole rows.
    if ((c1 < 0) != (c2 < 0) || (r1 < 0) != (r2 < 0)) return std::nullopt;
    XlsxRange r;
    r.firstCol = c1 < 0 ? 0 : std::min(c1, c2);
    r.lastCol = c1 < 0 ? kXlsxMaxColumns - 1 : std::max(c1, c2);
    r.firstRow = r1 < 0 ? 0 : std::min(r1, r2);
    r.lastRow = r1 < 0 ? kXlsxMaxRows - 1 : std::max(r1, r2);
    return r;
}

} // namespace office
