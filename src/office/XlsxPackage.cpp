// The package: its parts in memory, opening a workbook, its sheets, saving it.

#include "office/FileWrite.h"
#include "office/XlsxPackageXml.h"
#include "office/XlsxPassword.h"
#include "office/XlsxSheetReader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace office {

using namespace pkg;

XlsxPackage::XlsxPackage(const XlsxReadLimits& limits) : m_limits(limits) {}
XlsxPackage::~XlsxPackage() = default;

// ---- parts ----

XlsxPackage::Part* XlsxPackage::part(const QString& name) {
    for (auto& p : m_parts)
        if (p->name.compare(name, Qt::CaseInsensitive) == 0) return p.get();
    return nullptr;
}

pugi::xml_document* XlsxPackage::xml(const QString& name, OfficeStatus* status) {
    Part* p = part(name);
    if (!p) {
        if (status)
            *status = OfficeStatus::failure(OfficeError::NotDocument, QStringLiteral("活頁簿缺少 %1").arg(name));
        return nullptr;
    }
    if (!p->doc) {
        if (const OfficeStatus unpacked = unpack(*p); !unpacked) {
            if (status) *status = unpacked;
            return nullptr;
        }
        auto doc = std::make_unique<pugi::xml_document>();
        const pugi::xml_parse_result r = doc->load_buffer(p->data.constData(), size_t(p->data.size()), kParseOptions,
                                                          xmlEncodingOf(p->data.constData(), size_t(p->data.size())));
        if (!r || !doc->document_element()) {
            if (status)
                *status =
                    OfficeStatus::failure(OfficeError::Damaged, QStringLiteral("活頁簿內容已損毀 (%1)").arg(name));
            return nullptr;
        }
        p->doc = std::move(doc);
    }
    return p->doc.get();
}

// A part left packed at opening is unpacked whole when it is first needed as XML or as bytes.
OfficeStatus XlsxPackage::unpack(Part& p) {
    if (p.packedIndex < 0) return OfficeStatus::success();
    const OfficeStatus read = m_archive->read(p.packedIndex, &p.data);
    if (read) p.packedIndex = -1;
    return read;
}

// The bytes of a part a chunk at a time, unpacked from the archive when it is still packed there.
OfficeStatus XlsxPackage::streamPart(Part& p, const std::function<bool(const char*, qsizetype)>& chunk) {
    if (p.packedIndex >= 0) return m_archive->stream(p.packedIndex, chunk);
    constexpr qsizetype kChunk = 65536;
    for (qsizetype at = 0; at < p.data.size(); at += kChunk)
        if (!chunk(p.data.constData() + at, std::min(kChunk, p.data.size() - at))) break;
    return OfficeStatus::success();
}

void XlsxPackage::markDirty(const QString& name) {
    if (Part* p = part(name)) p->dirty = true;
}

XlsxPackage::Part& XlsxPackage::addPart(const QString& name, const QByteArray& data) {
    auto p = std::make_unique<Part>();
    p->name = name;
    p->data = data;
    m_parts.push_back(std::move(p));
    return *m_parts.back();
}

void XlsxPackage::removePart(const QString& name) {
    m_parts.erase(std::remove_if(m_parts.begin(), m_parts.end(),
                                 [&](const auto& p) { return p->name.compare(name, Qt::CaseInsensitive) == 0; }),
                  m_parts.end());
}

// ---- opening ----

namespace {

// Ends a worksheet's XML after a number of rows: follows its markup as the bytes arrive, decoded as every reader
// decodes them, keeps the elements open around the rows, and once the last wanted row has ended cuts the part there
// and closes those elements, so that it stays well-formed. A part in another encoding than UTF-8 is cut as UTF-8
// behind a byte order mark, which every reader then follows.
class RowCut {
public:
    explicit RowCut(int maxRows) : m_maxRows(maxRows) {}
    bool enough(QByteArray* data) {
        m_decoder.feed(data->constData() + m_fed, data->size() - m_fed, &m_text);
        m_fed = data->size();
        qsizetype pos = 0;
        XmlMarkupScanner::Markup tag;
        for (;;) {
            qsizetype resume = 0;
            if (!m_scanner.next(m_text.constData(), m_text.size(), pos, &tag, &resume)) {
                pos = resume;
                break;
            }
            pos = tag.end;
            if (tag.kind == XmlMarkupScanner::Markup::Kind::Other) continue;
            const QByteArray name(m_text.constData() + tag.nameStart, tag.nameEnd - tag.nameStart);
            if (tag.kind == XmlMarkupScanner::Markup::Kind::Close) {
                if (!m_open.empty()) m_open.pop_back();
            } else if (tag.kind == XmlMarkupScanner::Markup::Kind::Open) {
                m_open.push_back(name);
            }
            const qsizetype colon = name.lastIndexOf(':');
            if (tag.kind != XmlMarkupScanner::Markup::Kind::Open && name.mid(colon + 1) == "row" &&
                ++m_rows >= m_maxRows) {
                cut(data, m_passed + tag.end);
                return true;
            }
        }
        // The text before an unfinished tag has been followed.
        m_text.remove(0, pos);
        m_passed += pos;
        return false;
    }

private:
    // Ends the part after the first `textSize` bytes of its text.
    void cut(QByteArray* data, qsizetype textSize) {
        if (m_decoder.passesThrough()) {
            data->truncate(textSize);
        } else {
            XmlUtf8Decoder again;
            QByteArray text;
            again.feed(data->constData(), data->size(), &text);
            text.truncate(textSize);
            if (!text.startsWith("\xEF\xBB\xBF")) text.prepend("\xEF\xBB\xBF");
            *data = std::move(text);
        }
        for (auto it = m_open.rbegin(); it != m_open.rend(); ++it)
            data->append("</" + *it + '>');
    }

    int m_maxRows;
    int m_rows = 0;
    XmlUtf8Decoder m_decoder;
    XmlMarkupScanner m_scanner;
    qsizetype m_fed = 0;    // the part's bytes decoded so far
    QByteArray m_text;      // their text from the first tag not yet followed whole
    qsizetype m_passed = 0; // the text before m_text
    std::vector<QByteArray> m_open;
};

// Parts larger than this stay packed at opening: a long sheet is read from the archive as a stream, never whole.
constexpr qint64 kKeepPackedAbove = qint64(1) << 20;

bool isWorksheetPart(const QString& name) {
    return name.contains(QLatin1String("worksheets/"), Qt::CaseInsensitive) &&
           name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive);
}

} // namespace

OfficeStatus XlsxPackage::open(const QString& path) {
    return open(path, 0);
}

bool XlsxPackage::rowsLeftOut(int sheet) const {
    return sheet >= 0 && sheet < int(m_sheets.size()) &&
           m_cutParts.contains(m_sheets[size_t(sheet)].part, Qt::CaseInsensitive);
}

OfficeStatus XlsxPackage::open(const QString& path, int maxSheetRows) {
    m_parts.clear();
    m_archive.reset();
    m_cutParts.clear();
    m_sheets.clear();
    m_sharedText.clear();
    m_sharedEnds.clear();
    m_sharedStatus = OfficeStatus::success();
    m_sharedLoaded = m_stylesLoaded = false;
    m_dateXf.clear();
    m_xfNumFmt.clear();
    m_textXf.clear();
    m_headerXf = -1;
    m_calcDirty = false;
    m_path = path;

    std::vector<ZipEntry> entries;
    ZipEntryCut cut;
    if (maxSheetRows > 0) {
        cut.applies = isWorksheetPart;
        auto current = std::make_shared<std::pair<QString, RowCut>>(QString(), RowCut(maxSheetRows));
        cut.enough = [this, current, maxSheetRows](const QString& name, QByteArray* data) {
            if (current->first != name) *current = {name, RowCut(maxSheetRows)};
            if (!current->second.enough(data)) return false;
            m_cutParts << name;
            return true;
        };
    }
    // A workbook cut short is read into memory as it is cut; a whole one leaves its large parts packed.
    const OfficeStatus read =
        maxSheetRows > 0 ? readZipFile(path, &entries, cut) : openZipFile(path, &entries, kKeepPackedAbove, &m_archive);
    if (!read) return openFailure(read);
    for (auto& e : entries)
        addPart(e.name, e.data).packedIndex = e.packedIndex;
    const OfficeStatus st = loadWorkbook();
    if (!st) {
        m_parts.clear();
        m_sheets.clear();
        m_archive.reset();
    }
    return st;
}

OfficeStatus XlsxPackage::loadWorkbook() {
    if (!part(QStringLiteral("[Content_Types].xml")))
        return OfficeStatus::failure(OfficeError::NotDocument,
                                     QStringLiteral("不是 Excel 活頁簿 (缺少 [Content_Types].xml)"));
    // The main part is named by the package relationships; "xl/workbook.xml" is the usual place.
    m_workbookPart.clear();
    if (part(QStringLiteral("_rels/.rels"))) {
        OfficeStatus st = OfficeStatus::success();
        pugi::xml_document* rels = xml(QStringLiteral("_rels/.rels"), &st);
        if (!rels) return st;
        for (pugi::xml_node r = rels->document_element().first_child(); r; r = r.next_sibling()) {
            if (is(r, "Relationship") && QString::fromUtf8(r.attribute("Type").value()).endsWith(u"/officeDocument")) {
                m_workbookPart = resolveTarget(QString(), qs(r.attribute("Target").value()));
                break;
            }
        }
    }
    if (m_workbookPart.isEmpty() || !part(m_workbookPart)) m_workbookPart = QStringLiteral("xl/workbook.xml");
    if (m_workbookPart.endsWith(QLatin1String(".bin"), Qt::CaseInsensitive))
        return OfficeStatus::failure(OfficeError::Unsupported,
                                     QStringLiteral("不支援二進位活頁簿 (.xlsb)；請在 Excel 另存為 .xlsx 後再試"));
    if (!part(m_workbookPart))
        return OfficeStatus::failure(OfficeError::NotDocument,
                                     QStringLiteral("不是 Excel 活頁簿 (找不到 workbook.xml)"));

    OfficeStatus st = OfficeStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (!wb) return st;
    pugi::xml_node root = wb->document_element();
    if (!is(root, "workbook"))
        return OfficeStatus::failure(OfficeError::NotDocument,
                                     QStringLiteral("不是 Excel 活頁簿 (workbook.xml 內容不符)"));
    const QString d1904 = qs(child(root, "workbookPr").attribute("date1904").value());
    m_date1904 = d1904 == QLatin1String("1") || d1904.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;

    std::map<QString, std::pair<QString, QString>> rels; // id → (target part, type)
    const QString relsPath = relsPathOf(m_workbookPart);
    if (part(relsPath)) {
        pugi::xml_document* r = xml(relsPath, &st);
        if (!r) return st;
        for (pugi::xml_node n = r->document_element().first_child(); n; n = n.next_sibling())
            if (is(n, "Relationship"))
                rels[qs(n.attribute("Id").value())] = {resolveTarget(m_workbookPart, qs(n.attribute("Target").value())),
                                                       qs(n.attribute("Type").value())};
    }
    for (pugi::xml_node s = child(child(root, "sheets"), "sheet"); s; s = s.next_sibling()) {
        if (!is(s, "sheet")) continue;
        SheetInfo info;
        info.name = qs(s.attribute("name").value());
        info.relId = qs(attrByLocal(s, "id").value());
        auto it = rels.find(info.relId);
        if (it != rels.end()) {
            info.part = it->second.first;
            info.worksheet = it->second.second.endsWith(u"/worksheet");
        } else {
            info.worksheet = false;
        }
        m_sheets.push_back(info);
    }
    if (m_sheets.empty())
        return OfficeStatus::failure(OfficeError::NotDocument, QStringLiteral("活頁簿沒有任何工作表"));
    return OfficeStatus::success();
}

// ---- sheets ----

QString XlsxPackage::sheetName(int index) const {
    return index >= 0 && index < sheetCount() ? m_sheets[size_t(index)].name : QString();
}

QStringList XlsxPackage::sheetNames() const {
    QStringList names;
    for (const auto& s : m_sheets)
        names << s.name;
    return names;
}

int XlsxPackage::sheetIndex(const QString& name) const {
    for (int i = 0; i < sheetCount(); ++i)
        if (xlsxSameSheetName(m_sheets[size_t(i)].name, name)) return i;
    return -1;
}

namespace {

void updateDimension(pugi::xml_document* doc) {
    pugi::xml_node root = doc->document_element();
    int minRow = INT_MAX, maxRow = -1, minCol = INT_MAX, maxCol = -1;
    for (pugi::xml_node r = child(root, "sheetData").first_child(); r; r = r.next_sibling()) {
        if (!is(r, "row")) continue;
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
            if (!is(c, "c")) continue;
            const int row = r.attribute("r").as_int() - 1;
            const int col = columnOfRef(c.attribute("r").value());
            minRow = std::min(minRow, row);
            maxRow = std::max(maxRow, row);
            minCol = std::min(minCol, col);
            maxCol = std::max(maxCol, col);
        }
    }
    pugi::xml_node dim = child(root, "dimension");
    if (!dim) dim = insertInOrder(root, "dimension", kWorksheetOrder);
    const QString ref = maxRow < 0 ? QStringLiteral("A1") : xlsxRangeName({minRow, minCol, maxRow, maxCol});
    if (!dim.attribute("ref")) dim.append_attribute("ref");
    dim.attribute("ref") = utf8(ref).constData();
}

} // namespace

QByteArray XlsxPackage::partData(const QString& name) {
    if (!m_streamed.empty()) settleStreamed(name);
    Part* p = part(name);
    if (!p || !unpack(*p)) return {};
    if (p->dirty && p->doc) {
        p->data = serialise(*p->doc);
        p->dirty = false;
    }
    return p->data;
}

OfficeStatus XlsxPackage::saveAs(const QString& path) {
    if (!isOpen()) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("活頁簿未開啟"));
    if (!m_cutParts.isEmpty())
        return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("活頁簿只讀入部分內容, 不可儲存"));
    if (m_formulaRemoved) {
        dropCalcChain();
        m_formulaRemoved = false;
    }
    if (m_calcDirty) {
        // Formulas that read the cells written here show fresh results when the workbook opens.
        if (pugi::xml_document* wb = xml(m_workbookPart)) {
            pugi::xml_node root = wb->document_element();
            pugi::xml_node calc = child(root, "calcPr");
            if (!calc) calc = insertInOrder(root, "calcPr", kWorkbookOrder);
            if (!calc.attribute("fullCalcOnLoad")) calc.append_attribute("fullCalcOnLoad");
            calc.attribute("fullCalcOnLoad") = 1;
            markDirty(m_workbookPart);
        }
    }
    for (const SheetInfo& s : m_sheets) {
        Part* p = part(s.part);
        if (p && p->dirty && p->doc) updateDimension(p->doc.get());
    }
    std::vector<ZipEntry> entries;
    std::vector<ZipPieces> pieces; // the parts with a streamed body
    entries.reserve(m_parts.size());
    for (auto& p : m_parts) {
        if (const OfficeStatus unpacked = unpack(*p); !unpacked) return unpacked;
        const auto body = std::find_if(m_streamed.begin(), m_streamed.end(), [&](const StreamedBody& b) {
            return b.part.compare(p->name, Qt::CaseInsensitive) == 0;
        });
        if (body == m_streamed.end() || !p->doc) {
            entries.push_back({p->name, partData(p->name)});
            continue;
        }
        // The tree holds the header alone: the used area reaches down to the body's last row.
        pugi::xml_node dim = child(p->doc->document_element(), "dimension");
        if (dim && dim.attribute("ref"))
            dim.attribute("ref") = utf8(xlsxRangeName({0, 0, body->rows, body->cols - 1})).constData();
        pieces.resize(entries.size());
        pieces.emplace_back();
        if (const OfficeStatus placed = streamedPart(*p, *body, &pieces.back()); !placed) return placed;
        entries.push_back({p->name, {}});
    }
    // [Content_Types].xml first, as Office writes it; the order of the rest is kept.
    pieces.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].name == QLatin1String("[Content_Types].xml")) {
            std::rotate(entries.begin(), entries.begin() + qsizetype(i), entries.begin() + qsizetype(i) + 1);
            std::rotate(pieces.begin(), pieces.begin() + qsizetype(i), pieces.begin() + qsizetype(i) + 1);
            break;
        }
    QByteArray archive;
    if (const OfficeStatus built = buildZip(entries, pieces, &archive); !built) return built;
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        return OfficeStatus::failure(
            OfficeError::WriteFailed,
            QStringLiteral("資料夾不存在: %1").arg(QDir::toNativeSeparators(target.absolutePath())));
    if (QString why; !saveWhole(path, archive, &why))
        return OfficeStatus::failure(OfficeError::WriteFailed,
                                     QStringLiteral("無法寫入檔案: %1 (%2)").arg(QDir::toNativeSeparators(path), why));
    return OfficeStatus::success();
}

} // namespace office
