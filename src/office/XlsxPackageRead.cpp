// The package's reader over sheets that are not being edited: a pull parser over the worksheet's XML as it is
// unpacked, row by row, and the compact store of cells that it fills for reading cells by position.

#include "office/XlsxPackageXml.h"
#include "office/XlsxSheetReader.h"

#include <algorithm>

namespace office {

using namespace pkg;

// The sheet's part, when the sheet is a worksheet that is not known to be damaged.
XlsxPackage::Part* XlsxPackage::readablePart(int sheet, OfficeStatus* status) {
    auto fail = [status](OfficeError code, const QString& message) {
        if (status) *status = OfficeStatus::failure(code, message);
        return nullptr;
    };
    if (sheet < 0 || sheet >= sheetCount())
        return fail(OfficeError::NoSuchSheet, QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
    const SheetInfo& info = m_sheets[size_t(sheet)];
    if (!info.worksheet || info.part.isEmpty())
        return fail(OfficeError::NoSuchSheet, QStringLiteral("「%1」不是工作表").arg(info.name));
    Part* p = part(info.part);
    if (!p) return fail(OfficeError::NotDocument, QStringLiteral("活頁簿缺少 %1").arg(info.part));
    if (!p->damage.isEmpty()) return fail(p->damageCode, p->damage);
    return p;
}

// One pass over a worksheet's part as it is unpacked, its rows handed over in the order stored, each with its cells in
// order of column. Each row and cell gets the position every road gives it (SheetPlacer), of two cells of one column
// the later is kept (keepLaterOfEachColumn); a row number given twice is handed over the first time only.
// A position outside the sheet, broken XML or a damaged entry marks the sheet as damaged, as the tree reader does.
OfficeStatus XlsxPackage::streamSheet(Part& p, const std::function<bool(int, std::vector<RawCell>&)>& onRow,
                                      SheetExtent* extent) {
    SheetPlacer place;
    bool stopped = false;
    std::vector<bool> seen;
    SheetExtent found;
    std::vector<RawCell> cells;
    XmlChildReader reader(2, "sheetData", [&](pugi::xml_node r) {
        if (!is(r, "row")) return true;
        const int row = place.row(r);
        if (!row) return false;
        cells.clear();
        bool plain = true; // in order of column, none repeated
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (!is(c, "c")) continue;
            const int col = place.column(c);
            if (col < 0) return false;
            if (!cells.empty() && col <= cells.back().col) plain = false;
            cells.push_back(rawCellOf(c));
            cells.back().col = col;
        }
        if (!plain)
            cells.erase(keepLaterOfEachColumn(cells.begin(), cells.end(), [](const RawCell& c) { return c.col; }),
                        cells.end());
        if (!cells.empty()) {
            found.rows = std::max(found.rows, row);
            for (const RawCell& c : cells)
                found.columns = std::max(found.columns, c.col + 1);
        }
        if (seen.empty()) seen.resize(size_t(kXlsxMaxRows) + 1);
        if (seen[size_t(row)]) return true; // of two rows of one number the first counts
        seen[size_t(row)] = true;
        if (!cells.empty() && !onRow(row - 1, cells)) {
            stopped = true;
            return false;
        }
        return true;
    });
    const OfficeStatus read =
        streamPart(p, [&reader](const char* data, qsizetype size) { return reader.feed(data, size); });
    const XmlChildReader::Outcome outcome = reader.finish();
    if (!place.bad().isEmpty()) {
        p.damage =
            QStringLiteral("活頁簿內容已損毀 (%1 的儲存格位置 %2 超出工作表範圍)").arg(p.name, place.bad().left(40));
        return OfficeStatus::failure(OfficeError::Damaged, p.damage);
    }
    if (stopped) return OfficeStatus::success();
    if (outcome == XmlChildReader::Outcome::TooLarge) {
        const OfficeStatus refused = tooLarge();
        p.damage = refused.message();
        p.damageCode = refused.code();
        return refused;
    }
    if (!read) {
        p.damage = read.message();
        return OfficeStatus::failure(OfficeError::Damaged, p.damage);
    }
    if (outcome != XmlChildReader::Outcome::Whole) {
        p.damage = QStringLiteral("活頁簿內容已損毀 (%1)").arg(p.name);
        return OfficeStatus::failure(OfficeError::Damaged, p.damage);
    }
    if (extent) *extent = found;
    return OfficeStatus::success();
}

namespace {

// The texts of one row's cells within [firstCol, lastCol], from firstCol to the last of them; of two cells of one
// column the later counts, as readRows always had it. Empty when no cell lies in the range.
template <typename Cells, typename ColumnOf, typename TextOf>
QStringList rowTexts(const Cells& cells, int firstCol, int lastCol, ColumnOf columnOf, TextOf textOf) {
    int last = -1;
    for (const auto& c : cells) {
        const int col = columnOf(c);
        if (col >= firstCol && col <= lastCol) last = std::max(last, col);
    }
    QStringList texts;
    if (last < 0) return texts;
    texts.resize(last - firstCol + 1);
    for (const auto& c : cells) {
        const int col = columnOf(c);
        if (col >= firstCol && col <= lastCol) texts[col - firstCol] = textOf(c);
    }
    return texts;
}

} // namespace

OfficeStatus XlsxPackage::scanRows(int sheet, const std::function<bool(int, const QStringList&)>& row,
                                   const XlsxRange& range, SheetExtent* extent) {
    OfficeStatus st = OfficeStatus::success();
    Part* p = readablePart(sheet, &st);
    if (!p) return st;
    loadSharedStrings();
    if (!m_sharedStatus) return m_sharedStatus;
    const int firstRow = std::max(range.firstRow, 0), lastRow = range.lastRow;
    const int firstCol = std::max(range.firstCol, 0), lastCol = range.lastCol;
    if (p->doc) {
        // A sheet read as a tree (it is being edited): its rows in order of number.
        pugi::xml_document* doc = sheetXml(sheet, &st);
        if (!doc) return st;
        SheetExtent seen;
        bool going = true;
        int previous = -1;
        for (const auto& [number, node] : p->rows) {
            std::vector<pugi::xml_node> cells;
            for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
                if (is(c, "c")) cells.push_back(c);
            if (!cells.empty()) seen.rows = std::max(seen.rows, number);
            for (pugi::xml_node c : cells)
                seen.columns = std::max(seen.columns, columnOfRef(c.attribute("r").value()) + 1);
            if (!going || number == previous) continue; // a repeated row: the first counts
            previous = number;
            if (number - 1 < firstRow || number - 1 > lastRow) continue;
            const QStringList texts = rowTexts(
                cells, firstCol, lastCol, [](pugi::xml_node c) { return columnOfRef(c.attribute("r").value()); },
                [this](pugi::xml_node c) { return valueOf(c).text; });
            if (!texts.isEmpty()) going = row(number - 1, texts);
        }
        if (extent) *extent = seen;
        return st;
    }
    if (const SheetStore* store = p->store.get()) {
        for (const SheetStore::Row& r : store->rows) {
            if (r.number < firstRow || r.number > lastRow) continue;
            std::vector<size_t> cells(r.count);
            for (quint32 i = 0; i < r.count; ++i)
                cells[i] = r.first + i;
            const QStringList texts = rowTexts(
                cells, firstCol, lastCol, [store](size_t i) { return int(store->cells[i].col); },
                [this, store](size_t i) { return storedValue(*store, i).text; });
            if (!texts.isEmpty() && !row(r.number, texts)) break;
        }
        if (extent) *extent = {store->rowCount, store->columnCount};
        return st;
    }
    loadSharedStrings();
    loadStyles();
    return streamSheet(
        *p,
        [&](int number, std::vector<RawCell>& cells) {
            if (number < firstRow || number > lastRow) return true;
            const QStringList texts = rowTexts(
                cells, firstCol, lastCol, [](const RawCell& c) { return c.col; },
                [this](const RawCell& c) { return valueOf(c).text; });
            return texts.isEmpty() || row(number, texts);
        },
        extent);
}

OfficeStatus XlsxPackage::forEachRow(int sheet, const std::function<bool(int, const QStringList&)>& row,
                                     std::optional<XlsxRange> range) {
    return scanRows(sheet, row, range.value_or(XlsxRange{0, 0, kXlsxMaxRows - 1, kXlsxMaxColumns - 1}), nullptr);
}

// The cells of a sheet gathered for reading by position, built by one pass of the pull parser the first time; null
// for a sheet that cannot be read, `status` then saying why. A sheet past the store's limits is remembered as such,
// so that it is not read again.
XlsxPackage::SheetStore* XlsxPackage::sheetStore(int sheet, OfficeStatus* status) {
    Part* p = readablePart(sheet, status);
    if (!p) return nullptr;
    if (p->store) return p->store.get();
    loadSharedStrings();
    if (!m_sharedStatus) {
        if (status) *status = m_sharedStatus;
        return nullptr;
    }
    loadStyles();
    auto store = std::make_unique<SheetStore>();
    bool sorted = true;
    bool overLimits = false;
    SheetExtent extent;
    OfficeStatus read = streamSheet(
        *p,
        [&](int number, std::vector<RawCell>& cells) {
            overLimits = qint64(store->cells.size() + cells.size()) > m_limits.storedCells;
            if (overLimits) return false;
            if (!store->rows.empty() && number < store->rows.back().number) sorted = false;
            store->rows.push_back({number, quint32(store->cells.size()), quint32(cells.size())});
            for (const RawCell& raw : cells) {
                SheetStore::Cell c;
                c.col = quint16(raw.col);
                c.style = raw.style;
                c.number = 0;
                if (raw.type == RawCell::Type::Shared && raw.hasValue) {
                    const int index = raw.value.toInt();
                    if (index >= 0 && index < int(m_sharedEnds.size()) &&
                        m_sharedEnds[size_t(index)] > (index ? m_sharedEnds[size_t(index - 1)] : 0)) {
                        c.kind = quint8(XlsxCellValue::Kind::Text);
                        c.form = SheetStore::Shared;
                        c.shared = quint32(index);
                    }
                } else {
                    const XlsxCellValue v = valueOf(raw);
                    c.kind = quint8(v.kind);
                    const bool fromNumber = v.kind == XlsxCellValue::Kind::Number ||
                                            v.kind == XlsxCellValue::Kind::Boolean ||
                                            (v.kind == XlsxCellValue::Kind::Date && raw.type != RawCell::Type::IsoDate);
                    if (fromNumber) {
                        c.form = SheetStore::Number;
                        c.number = v.number;
                    } else if (v.kind != XlsxCellValue::Kind::Empty) {
                        overLimits = qint64(store->texts.size()) + v.text.size() > m_limits.storedChars;
                        if (overLimits) return false;
                        c.form = SheetStore::Text;
                        c.text = {quint32(store->texts.size()), quint32(v.text.size())};
                        store->texts += v.text;
                    }
                }
                store->cells.push_back(c);
            }
            return true;
        },
        &extent);
    if (overLimits) {
        read = tooLarge();
        p->damage = read.message();
        p->damageCode = read.code();
    }
    if (!read) {
        if (status) *status = read;
        return nullptr;
    }
    // The extent counts rows the store leaves out (a repeated row), as the tree reader counts them.
    store->rowCount = extent.rows;
    store->columnCount = extent.columns;
    if (!sorted)
        std::stable_sort(store->rows.begin(), store->rows.end(),
                         [](const SheetStore::Row& a, const SheetStore::Row& b) { return a.number < b.number; });
    store->texts.squeeze();
    store->rows.shrink_to_fit();
    p->store = std::move(store);
    return p->store.get();
}

XlsxCellValue XlsxPackage::storedValue(const SheetStore& store, size_t cell) const {
    const SheetStore::Cell& c = store.cells[cell];
    XlsxCellValue v;
    v.kind = XlsxCellValue::Kind(c.kind);
    switch (c.form) {
    case SheetStore::None:
        break;
    case SheetStore::Number:
        v.number = c.number;
        if (v.kind == XlsxCellValue::Kind::Date)
            v.text = xlsxSerialToText(c.number, m_date1904);
        else if (v.kind == XlsxCellValue::Kind::Boolean)
            v.text = c.number ? QStringLiteral("True") : QStringLiteral("False");
        else
            v.text = xlsxGeneralNumber(c.number);
        break;
    case SheetStore::Shared:
        v.text = sharedString(int(c.shared));
        break;
    case SheetStore::Text:
        v.text = store.texts.mid(c.text.offset, c.text.size);
        break;
    }
    return v;
}

XlsxCellValue XlsxPackage::valueOf(const RawCell& c) {
    XlsxCellValue value;
    if (c.type == RawCell::Type::Inline) {
        value.kind = XlsxCellValue::Kind::Text;
        value.text = xlsxDecodeEscapes(c.inlineText);
        if (value.text.isEmpty()) value.kind = XlsxCellValue::Kind::Empty;
        return value;
    }
    if (!c.hasValue) return value;
    const QString& vText = c.value;
    switch (c.type) {
    case RawCell::Type::Shared:
        loadSharedStrings();
        value.kind = XlsxCellValue::Kind::Text;
        value.text = sharedString(vText.toInt());
        break;
    case RawCell::Type::String:
        value.kind = XlsxCellValue::Kind::Text;
        value.text = xlsxDecodeEscapes(vText);
        break;
    case RawCell::Type::Boolean:
        value.kind = XlsxCellValue::Kind::Boolean;
        value.number = vText.trimmed() == QLatin1String("1") ? 1 : 0;
        value.text = value.number ? QStringLiteral("True") : QStringLiteral("False");
        break;
    case RawCell::Type::Error:
        value.kind = XlsxCellValue::Kind::Error;
        value.text = vText;
        break;
    case RawCell::Type::IsoDate:
        value.kind = XlsxCellValue::Kind::Date;
        value.text = isoDateText(vText.trimmed());
        break;
    case RawCell::Type::Inline:
    case RawCell::Type::Number: {
        bool ok = false;
        const double n = vText.trimmed().toDouble(&ok);
        if (!ok) {
            value.kind = XlsxCellValue::Kind::Text;
            value.text = vText;
            return value;
        }
        value.number = n;
        loadStyles();
        const int s = c.style;
        if (s >= 0 && s < int(m_dateXf.size()) && m_dateXf[size_t(s)]) {
            const QString d = xlsxSerialToText(n, m_date1904);
            if (!d.isEmpty()) {
                value.kind = XlsxCellValue::Kind::Date;
                value.text = d;
                return value;
            }
        }
        value.kind = XlsxCellValue::Kind::Number;
        value.text = xlsxGeneralNumber(n);
        break;
    }
    }
    if (value.text.isEmpty() && value.kind == XlsxCellValue::Kind::Text) value.kind = XlsxCellValue::Kind::Empty;
    return value;
}

} // namespace office
