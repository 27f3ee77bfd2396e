// The package's sheet data: rows and cells found, read and written; columns, tables and filters.

#include "office/XlsxPackageXml.h"
#include "office/XlsxPassword.h"
#include "office/XlsxSheetReader.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace office {

using namespace pkg;

// Opens a worksheet for reading. The first time, rows and cells without a reference are given the one that follows
// their predecessor (so that edits can find them), every reference is checked against the sheet's limits (one past
// XFD1048576 marks the file as damaged), and the rows are indexed by number: looking up a cell then costs no walk
// over the rows before it.
pugi::xml_document* XlsxPackage::sheetXml(int sheet, OfficeStatus* status) {
    if (sheet < 0 || sheet >= sheetCount()) {
        if (status)
            *status = OfficeStatus::failure(OfficeError::NoSuchSheet,
                                            QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
        return nullptr;
    }
    const SheetInfo& info = m_sheets[size_t(sheet)];
    if (!m_streamed.empty()) settleStreamed(info.part);
    if (!info.worksheet || info.part.isEmpty()) {
        if (status)
            *status =
                OfficeStatus::failure(OfficeError::NoSuchSheet, QStringLiteral("「%1」不是工作表").arg(info.name));
        return nullptr;
    }
    Part* p = part(info.part);
    if (p && !p->damage.isEmpty()) {
        if (status) *status = OfficeStatus::failure(OfficeError::Damaged, p->damage);
        return nullptr;
    }
    pugi::xml_document* doc = xml(info.part, status);
    if (!doc) return nullptr;
    p->store.reset(); // from now on the tree is what is read
    // The first time, whoever parsed the part (renaming a sheet reads the formulas of every sheet).
    if (!p->indexed) {
        SheetPlacer place;
        pugi::xml_node sd = child(doc->document_element(), "sheetData");
        for (pugi::xml_node r = sd.first_child(); r && place.bad().isEmpty(); r = r.next_sibling()) {
            if (!is(r, "row")) continue;
            const int row = place.row(r);
            if (!row) break;
            if (!*r.attribute("r").value()) (r.attribute("r") ? r.attribute("r") : r.append_attribute("r")) = row;
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                if (!is(c, "c")) continue;
                const int col = place.column(c);
                if (col < 0) break;
                if (!*c.attribute("r").value())
                    (c.attribute("r") ? c.attribute("r") : c.append_attribute("r")) =
                        utf8(xlsxCellName(row - 1, col)).constData();
            }
        }
        if (!place.bad().isEmpty()) {
            p->doc.reset();
            p->damage = QStringLiteral("活頁簿內容已損毀 (%1 的儲存格位置 %2 超出工作表範圍)")
                            .arg(info.part, place.bad().left(40));
            if (status) *status = OfficeStatus::failure(OfficeError::Damaged, p->damage);
            return nullptr;
        }
        indexRows(*p, doc);
    }
    return doc;
}

void XlsxPackage::indexRows(Part& p, pugi::xml_document* doc) {
    p.rows.clear();
    p.cellsOfRow = {};
    p.cells.clear();
    bool sorted = true;
    for (pugi::xml_node r = sheetData(doc).first_child(); r; r = r.next_sibling()) {
        if (!is(r, "row")) continue;
        const int n = r.attribute("r").as_int();
        if (!p.rows.empty() && n < p.rows.back().first) sorted = false;
        p.rows.emplace_back(n, r);
    }
    // A row given out of order is found all the same; of two rows of one number the first counts.
    if (!sorted)
        std::stable_sort(p.rows.begin(), p.rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    p.indexed = true;
}

OfficeStatus XlsxPackage::writableSheet(int sheet, pugi::xml_document** doc) {
    OfficeStatus st = OfficeStatus::success();
    *doc = sheetXml(sheet, &st);
    if (*doc) {
        markDirty(m_sheets[size_t(sheet)].part);
        if (!child((*doc)->document_element(), "sheetData"))
            insertInOrder((*doc)->document_element(), "sheetData", kWorksheetOrder);
    }
    return st;
}

pugi::xml_node XlsxPackage::sheetData(pugi::xml_document* doc) {
    return child(doc->document_element(), "sheetData");
}

XlsxPackage::Part* XlsxPackage::sheetPart(int sheet) {
    return sheet >= 0 && sheet < sheetCount() ? part(m_sheets[size_t(sheet)].part) : nullptr;
}

pugi::xml_node XlsxPackage::findRow(Part& p, pugi::xml_node sd, int row, bool create) {
    const int wanted = row + 1;
    auto it = std::lower_bound(p.rows.begin(), p.rows.end(), wanted,
                               [](const auto& entry, int n) { return entry.first < n; });
    if (it != p.rows.end() && it->first == wanted) return it->second;
    if (!create) return {};
    const std::string name = qualified(sd, "row");
    // Placed before the row that follows it in the file; a file with rows out of order keeps them so.
    pugi::xml_node added =
        it != p.rows.end() ? sd.insert_child_before(name.c_str(), it->second) : sd.append_child(name.c_str());
    added.append_attribute("r") = wanted;
    p.rows.emplace(it, wanted, added);
    return added;
}

pugi::xml_node XlsxPackage::findCell(Part& p, pugi::xml_node rowNode, int row, int col, bool create) {
    if (!rowNode) return {};
    // The cells of the row last looked in are kept by column, of two cells of one column the later, as every road
    // reads them: reading a row cell by cell stays linear, and a cell written is the one read.
    if (p.cellsOfRow != rowNode) {
        p.cells.clear();
        bool plain = true; // in order of column, none repeated
        for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
            if (!is(c, "c")) continue;
            const int n = columnOfRef(c.attribute("r").value());
            if (!p.cells.empty() && n <= p.cells.back().first) plain = false;
            p.cells.emplace_back(n, c);
        }
        if (!plain)
            p.cells.erase(
                keepLaterOfEachColumn(p.cells.begin(), p.cells.end(), [](const auto& cell) { return cell.first; }),
                p.cells.end());
        p.cellsOfRow = rowNode;
    }
    auto it =
        std::lower_bound(p.cells.begin(), p.cells.end(), col, [](const auto& entry, int n) { return entry.first < n; });
    if (it != p.cells.end() && it->first == col) return it->second;
    if (!create) return {};
    pugi::xml_node before;
    for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
        if (is(c, "c") && columnOfRef(c.attribute("r").value()) > col) {
            before = c;
            break;
        }
    }
    p.cellsOfRow = {};
    // The row's span hint no longer holds once a cell is added.
    rowNode.remove_attribute("spans");
    const std::string name = qualified(rowNode, "c");
    pugi::xml_node added =
        before ? rowNode.insert_child_before(name.c_str(), before) : rowNode.append_child(name.c_str());
    added.append_attribute("r") = utf8(xlsxCellName(row, col)).constData();
    return added;
}

// ---- reading ----

// The position of a cell in a sheet's store, or -1.
qsizetype XlsxPackage::findStored(const SheetStore& store, int row, int col) {
    auto r = std::lower_bound(store.rows.begin(), store.rows.end(), row,
                              [](const auto& entry, int n) { return entry.number < n; });
    if (r == store.rows.end() || r->number != row) return -1;
    const auto begin = store.cells.begin() + qsizetype(r->first);
    const auto end = begin + qsizetype(r->count);
    auto c = std::lower_bound(begin, end, col, [](const auto& entry, int n) { return int(entry.col) < n; });
    return c != end && int(c->col) == col ? qsizetype(c - store.cells.begin()) : -1;
}

XlsxCellValue XlsxPackage::cell(int sheet, int row, int col) {
    const Part* p = readablePart(sheet, nullptr);
    if (p && !p->doc) {
        const SheetStore* store = sheetStore(sheet);
        const qsizetype at = store ? findStored(*store, row, col) : -1;
        return at >= 0 ? storedValue(*store, size_t(at)) : XlsxCellValue();
    }
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return {};
    Part& tree = *sheetPart(sheet);
    return valueOf(findCell(tree, findRow(tree, sheetData(doc), row, false), row, col, false));
}

XlsxCellValue XlsxPackage::valueOf(pugi::xml_node c) {
    return c ? valueOf(rawCellOf(c)) : XlsxCellValue();
}

QString XlsxPackage::cellText(int sheet, const QString& a1) {
    const auto ref = parseXlsxCell(a1);
    return ref ? cellText(sheet, ref->row, ref->col) : QString();
}

OfficeStatus XlsxPackage::loadCells(int sheet) {
    OfficeStatus st = OfficeStatus::success();
    const Part* p = readablePart(sheet, &st);
    if (!p) return st;
    if (p->doc) {
        loadSharedStrings();
        return m_sharedStatus;
    }
    sheetStore(sheet, &st);
    return st;
}

int XlsxPackage::rowCount(int sheet) {
    if (const Part* p = readablePart(sheet, nullptr); p && !p->doc) {
        const SheetStore* store = sheetStore(sheet);
        return store ? store->rowCount : 0;
    }
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    int last = 0;
    for (pugi::xml_node r = sheetData(doc).first_child(); r; r = r.next_sibling())
        if (is(r, "row") && child(r, "c")) last = std::max(last, r.attribute("r").as_int());
    return last;
}

int XlsxPackage::columnCount(int sheet) {
    if (const Part* p = readablePart(sheet, nullptr); p && !p->doc) {
        const SheetStore* store = sheetStore(sheet);
        return store ? store->columnCount : 0;
    }
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    int last = 0;
    for (pugi::xml_node r = sheetData(doc).first_child(); r; r = r.next_sibling())
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling())
            if (is(c, "c")) last = std::max(last, columnOfRef(c.attribute("r").value()) + 1);
    return last;
}

int XlsxPackage::cellStyle(int sheet, int row, int col) {
    if (const Part* p = readablePart(sheet, nullptr); p && !p->doc) {
        const SheetStore* store = sheetStore(sheet);
        const qsizetype at = store ? findStored(*store, row, col) : -1;
        return at >= 0 ? store->cells[size_t(at)].style : 0;
    }
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    Part& p = *sheetPart(sheet);
    return findCell(p, findRow(p, sheetData(doc), row, false), row, col, false).attribute("s").as_int();
}

OfficeStatus XlsxPackage::readRows(int sheet, std::vector<QStringList>* rows, std::optional<XlsxRange> range) {
    rows->clear();
    XlsxRange r = range.value_or(XlsxRange{0, 0, kXlsxMaxRows - 1, kXlsxMaxColumns - 1});
    r.firstRow = std::max(r.firstRow, 0);
    r.firstCol = std::max(r.firstCol, 0);
    // One pass over the rows, the texts of each kept; past kReadRowsMaxCells texts the range is too large (the
    // refusal below then says so) and the pass only measures the sheet.
    std::vector<std::pair<int, QStringList>> read;
    qint64 held = 0;
    bool tooMany = false;
    SheetExtent extent;
    OfficeStatus st = scanRows(
        sheet,
        [&](int row, const QStringList& texts) {
            if (tooMany) return true;
            held += texts.size();
            if (held > kReadRowsMaxCells) {
                tooMany = true;
                std::vector<std::pair<int, QStringList>>().swap(read);
                return true;
            }
            read.emplace_back(row, texts);
            return true;
        },
        r, &extent);
    if (!st) return st;
    // Cut to the cells the sheet holds.
    const int lastRow = std::min(r.lastRow, extent.rows - 1);
    const int lastCol = std::min(r.lastCol, extent.columns - 1);
    if (lastRow < r.firstRow || lastCol < r.firstCol) return st;
    const int width = lastCol - r.firstCol + 1;
    // A sheet whose cells lie far apart (A1 and XFD1048576) would need more texts than memory holds.
    if (tooMany || qint64(lastRow - r.firstRow + 1) * width > kReadRowsMaxCells)
        return OfficeStatus::failure(
            OfficeError::TooLarge,
            QStringLiteral("工作表「%1」的資料範圍 %2 過大，無法一次讀取")
                .arg(m_sheets[size_t(sheet)].name, xlsxRangeName({r.firstRow, r.firstCol, lastRow, lastCol})));
    rows->resize(size_t(lastRow - r.firstRow + 1));
    for (auto& [row, texts] : read) {
        QStringList& out = (*rows)[size_t(row - r.firstRow)];
        texts.resize(width);
        out = std::move(texts);
    }
    for (QStringList& row : *rows)
        row.resize(width);
    return st;
}

// ---- writing cells ----

void XlsxPackage::setCellValue(pugi::xml_node c, const QString* text, const double* number) {
    for (pugi::xml_node n = c.first_child(); n;) {
        pugi::xml_node next = n.next_sibling();
        if (is(n, "f") || is(n, "v") || is(n, "is")) {
            if (is(n, "f")) m_formulaRemoved = true;
            c.remove_child(n);
        }
        n = next;
    }
    c.remove_attribute("t");
    m_calcDirty = true;
    pugi::xml_node ext = child(c, "extLst");
    auto add = [&](const char* local) {
        const std::string name = qualified(c, local);
        return ext ? c.insert_child_before(name.c_str(), ext) : c.append_child(name.c_str());
    };
    if (text) {
        QString t = *text;
        if (t.size() > 32767) t.truncate(t[32766].isHighSurrogate() ? 32766 : 32767);
        c.append_attribute("t") = "inlineStr";
        pugi::xml_node is = add("is");
        pugi::xml_node tn = is.append_child(qualified(c, "t").c_str());
        if (!t.isEmpty() && (t.front().isSpace() || t.back().isSpace() || t.contains(u'\n')))
            tn.append_attribute("xml:space") = "preserve";
        tn.text().set(utf8(encodeCellText(t)).constData());
    } else if (number) {
        pugi::xml_node v = add("v");
        v.text().set(utf8(QString::number(*number, 'g', 17)).constData());
    }
}

int XlsxPackage::styleForNewCell(pugi::xml_node sheetRoot, pugi::xml_node rowNode, int col) {
    const std::string_view custom = rowNode.attribute("customFormat").value();
    if ((custom == "1" || custom == "true") && rowNode.attribute("s")) return rowNode.attribute("s").as_int();
    for (pugi::xml_node c = child(child(sheetRoot, "cols"), "col"); c; c = c.next_sibling())
        if (is(c, "col") && col + 1 >= c.attribute("min").as_int() && col + 1 <= c.attribute("max").as_int())
            return c.attribute("style").as_int();
    return 0;
}

OfficeStatus XlsxPackage::setCellText(int sheet, int row, int col, const QString& text) {
    return writeCell(sheet, row, col, &text, nullptr);
}

OfficeStatus XlsxPackage::setCellText(int sheet, const QString& a1, const QString& text) {
    const auto ref = parseXlsxCell(a1);
    if (!ref) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("儲存格位置無效: %1").arg(a1));
    return setCellText(sheet, ref->row, ref->col, text);
}

OfficeStatus XlsxPackage::setCellNumber(int sheet, int row, int col, double value) {
    if (!std::isfinite(value)) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("數值無效"));
    return writeCell(sheet, row, col, nullptr, &value);
}

// Writes a text or a number into a cell; a new cell takes the style of its row or column, an existing one keeps its
// own.
OfficeStatus XlsxPackage::writeCell(int sheet, int row, int col, const QString* text, const double* number) {
    if (row < 0 || row >= kXlsxMaxRows || col < 0 || col >= kXlsxMaxColumns)
        return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("儲存格位置超出工作表範圍"));
    pugi::xml_document* doc = nullptr;
    OfficeStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    Part& p = *sheetPart(sheet);
    pugi::xml_node r = findRow(p, sheetData(doc), row, true);
    const bool existed = bool(findCell(p, r, row, col, false));
    pugi::xml_node c = findCell(p, r, row, col, true);
    if (!existed) {
        if (const int s = styleForNewCell(doc->document_element(), r, col)) c.append_attribute("s") = s;
    }
    setCellValue(c, text, number);
    return OfficeStatus::success();
}

OfficeStatus XlsxPackage::setCellNumber(int sheet, const QString& a1, double value) {
    const auto ref = parseXlsxCell(a1);
    if (!ref) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("儲存格位置無效: %1").arg(a1));
    return setCellNumber(sheet, ref->row, ref->col, value);
}

// ---- columns, tables, filters ----

OfficeStatus XlsxPackage::setColumnWidth(int sheet, int firstCol, int lastCol, double width) {
    pugi::xml_document* doc = nullptr;
    OfficeStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    firstCol = std::max(firstCol, 0) + 1; // <col> counts from 1
    lastCol = std::min(lastCol, kXlsxMaxColumns - 1) + 1;
    if (lastCol < firstCol) return OfficeStatus::success();
    width = std::clamp(width, 0.0, 255.0);
    pugi::xml_node root = doc->document_element();
    pugi::xml_node cols = child(root, "cols");
    if (!cols) cols = insertInOrder(root, "cols", kWorksheetOrder);
    // Every existing range is cut around [firstCol, lastCol]; the pieces inside take the new width.
    pugi::xml_document scratch;
    pugi::xml_node keep = scratch.append_child("keep");
    std::vector<std::pair<int, int>> covered;
    for (pugi::xml_node c = cols.first_child(); c; c = c.next_sibling()) {
        if (!is(c, "col")) continue;
        const int mn = c.attribute("min").as_int();
        const int mx = c.attribute("max").as_int();
        auto piece = [&](int a, int b, bool inside) {
            if (a > b) return;
            pugi::xml_node p = keep.append_copy(c);
            p.attribute("min") = a;
            p.attribute("max") = b;
            if (inside) {
                if (!p.attribute("width")) p.append_attribute("width");
                p.attribute("width") = width;
                if (!p.attribute("customWidth")) p.append_attribute("customWidth");
                p.attribute("customWidth") = 1;
                p.remove_attribute("bestFit");
                covered.emplace_back(a, b);
            }
        };
        if (mx < firstCol || mn > lastCol) {
            piece(mn, mx, false);
        } else {
            piece(mn, firstCol - 1, false);
            piece(std::max(mn, firstCol), std::min(mx, lastCol), true);
            piece(lastCol + 1, mx, false);
        }
    }
    // The columns no range covered yet.
    std::sort(covered.begin(), covered.end());
    int next = firstCol;
    auto fresh = [&](int a, int b) {
        if (a > b) return;
        pugi::xml_node p = keep.append_child(qualified(cols, "col").c_str());
        p.append_attribute("min") = a;
        p.append_attribute("max") = b;
        p.append_attribute("width") = width;
        p.append_attribute("customWidth") = 1;
    };
    for (const auto& [a, b] : covered) {
        fresh(next, a - 1);
        next = std::max(next, b + 1);
    }
    fresh(next, lastCol);
    std::vector<pugi::xml_node> pieces;
    for (pugi::xml_node p = keep.first_child(); p; p = p.next_sibling())
        pieces.push_back(p);
    std::sort(pieces.begin(), pieces.end(), [](pugi::xml_node a, pugi::xml_node b) {
        return a.attribute("min").as_int() < b.attribute("min").as_int();
    });
    while (cols.first_child())
        cols.remove_child(cols.first_child());
    for (pugi::xml_node p : pieces)
        cols.append_copy(p);
    return OfficeStatus::success();
}

OfficeStatus XlsxPackage::writeTable(int sheet, const QStringList& header, int rows,
                                     const std::function<QString(int, int)>& cellText) {
    return writeTable(sheet, header, rows, cellText, false, nullptr);
}

OfficeStatus XlsxPackage::streamTable(int sheet, const QStringList& header, int rows,
                                      std::function<QString(int, int)> cell, const std::vector<int>* bodyWidths) {
    return writeTable(sheet, header, rows, cell, true, bodyWidths);
}

OfficeStatus XlsxPackage::writeTable(int sheet, const QStringList& header, int rows,
                                     const std::function<QString(int, int)>& cellText, bool streamBody,
                                     const std::vector<int>* bodyWidths) {
    pugi::xml_document* doc = nullptr;
    OfficeStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    const int cols = std::min(int(header.size()), kXlsxMaxColumns);
    rows = std::clamp(rows, 0, kXlsxMaxRows - 1);
    if (cols == 0) return OfficeStatus::success();
    pugi::xml_node root = doc->document_element();
    pugi::xml_node sd = sheetData(doc);
    Part& p = *sheetPart(sheet);
    // Only a body of rows all new goes to the file as text: rows already there take their cells in the tree.
    streamBody = streamBody && rows > 0 && !child(sd, "row");
    QByteArray head, tail;
    if (streamBody && !splitAtBodyPlace(*doc, &head, &tail))
        return OfficeStatus::failure(OfficeError::Damaged, QStringLiteral("活頁簿內容已損毀 (%1)").arg(p.name));
    auto rowNode = [&](int rowIndex) {
        if (pugi::xml_node n = findRow(p, sd, rowIndex, false)) return std::make_pair(n, false);
        return std::make_pair(findRow(p, sd, rowIndex, true), true);
    };
    const int headerXf = headerStyle();
    std::vector<int> widths(size_t(cols), 0);
    std::map<int, int> columnXf; // style of a new body cell per column
    for (int r = 0; r <= (streamBody ? 0 : rows); ++r) {
        auto [node, fresh] = rowNode(r);
        for (int c = 0; c < cols; ++c) {
            const QString text = r == 0 ? header[c] : cellText(r - 1, c);
            pugi::xml_node cellNode;
            int base = 0;
            if (fresh) {
                // A new row receives its cells in order: appending is enough.
                cellNode = node.append_child(qualified(node, "c").c_str());
                cellNode.append_attribute("r") = utf8(xlsxCellName(r, c)).constData();
                auto it = columnXf.find(c);
                base = it != columnXf.end()
                           ? it->second
                           : columnXf.emplace(c, styleForNewCell(root, pugi::xml_node(), c)).first->second;
            } else {
                const bool had = bool(findCell(p, node, r, c, false));
                cellNode = findCell(p, node, r, c, true);
                base = had ? cellNode.attribute("s").as_int() : styleForNewCell(root, node, c);
            }
            const int xf = r == 0 ? headerXf : textStyleFor(base);
            if (cellNode.attribute("s"))
                cellNode.attribute("s") = xf;
            else if (xf)
                cellNode.append_attribute("s") = xf;
            setCellValue(cellNode, &text, nullptr);
            const int w = xlsxDisplayWidth(text);
            widths[size_t(c)] = std::max(widths[size_t(c)], r == 0 ? int(std::ceil(w * 12.0 / 11.0 * 1.1)) : w);
        }
    }
    std::optional<StreamedBody> streamed;
    if (streamBody) {
        StreamedBody body{p.name, rows, cols, cellText, {}};
        for (int c = 0; c < cols; ++c) {
            auto it = columnXf.find(c);
            body.xf.push_back(textStyleFor(it != columnXf.end() ? it->second : styleForNewCell(root, {}, c)));
        }
        for (int r = 0; r < rows && !bodyWidths; ++r)
            for (int c = 0; c < cols; ++c)
                widths[size_t(c)] = std::max(widths[size_t(c)], xlsxDisplayWidth(cellText(r, c)));
        for (int c = 0; bodyWidths && c < cols && c < int(bodyWidths->size()); ++c)
            widths[size_t(c)] = std::max(widths[size_t(c)], (*bodyWidths)[size_t(c)]);
        streamed = std::move(body);
    }
    for (int c = 0; c < cols; ++c)
        if (OfficeStatus widthSet = setColumnWidth(sheet, c, c, xlsxFitWidth(widths[size_t(c)])); !widthSet)
            return widthSet;
    const OfficeStatus filtered = toggleAutoFilter(sheet, XlsxRange{0, 0, rows, cols - 1});
    // Set aside last: the calls above open the sheet, which would store a body already set aside.
    if (streamed) m_streamed.push_back(std::move(*streamed));
    return filtered;
}

bool XlsxPackage::hasAutoFilter(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    return doc && child(doc->document_element(), "autoFilter");
}

OfficeStatus XlsxPackage::toggleAutoFilter(int sheet, std::optional<XlsxRange> range) {
    pugi::xml_document* doc = nullptr;
    OfficeStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    pugi::xml_node root = doc->document_element();
    if (pugi::xml_node af = child(root, "autoFilter")) {
        root.remove_child(af);
        // The hidden name Excel keeps for the filter range goes with it.
        if (pugi::xml_document* wb = xml(m_workbookPart)) {
            pugi::xml_node names = child(wb->document_element(), "definedNames");
            for (pugi::xml_node n = names.first_child(); n;) {
                pugi::xml_node next = n.next_sibling();
                if (is(n, "definedName") && std::string_view(n.attribute("name").value()) == "_xlnm._FilterDatabase" &&
                    n.attribute("localSheetId").as_int(-1) == sheet) {
                    names.remove_child(n);
                    markDirty(m_workbookPart);
                }
                n = next;
            }
            if (names && !child(names, "definedName")) wb->document_element().remove_child(names);
        }
        return OfficeStatus::success();
    }
    XlsxRange r;
    if (range) {
        r = *range;
    } else {
        r = XlsxRange{0, 0, std::max(rowCount(sheet) - 1, 0), std::max(columnCount(sheet) - 1, 0)};
    }
    pugi::xml_node af = insertInOrder(root, "autoFilter", kWorksheetOrder);
    af.append_attribute("ref") = utf8(xlsxRangeName(r)).constData();
    return OfficeStatus::success();
}

} // namespace office
