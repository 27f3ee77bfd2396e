#include "office/XlsxPackage.h"

#include "office/XlsxPassword.h"
#include "office/XlsxText.h"
#include "office/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <pugixml.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <set>

namespace office {

struct XlsxPackage::Part {
    QString name;
    QByteArray data;
    std::unique_ptr<pugi::xml_document> doc;
    bool dirty = false;
};

namespace {

constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata | pugi::parse_comments | pugi::parse_pi;
const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char* const kWorksheetType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char* const kWorksheetContent = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

// The order of a worksheet's children that Excel insists on.
const char* const kWorksheetOrder[] = {"sheetPr",
                                       "dimension",
                                       "sheetViews",
                                       "sheetFormatPr",
                                       "cols",
                                       "sheetData",
                                       "sheetCalcPr",
                                       "sheetProtection",
                                       "protectedRanges",
                                       "scenarios",
                                       "autoFilter",
                                       "sortState",
                                       "dataConsolidate",
                                       "customSheetViews",
                                       "mergeCells",
                                       "phoneticPr",
                                       "conditionalFormatting",
                                       "dataValidations",
                                       "hyperlinks",
                                       "printOptions",
                                       "pageMargins",
                                       "pageSetup",
                                       "headerFooter",
                                       "rowBreaks",
                                       "colBreaks",
                                       "customProperties",
                                       "cellWatches",
                                       "ignoredErrors",
                                       "smartTags",
                                       "drawing",
                                       "legacyDrawing",
                                       "legacyDrawingHF",
                                       "drawingHF",
                                       "picture",
                                       "oleObjects",
                                       "controls",
                                       "webPublishItems",
                                       "tableParts",
                                       "extLst",
                                       nullptr};
const char* const kWorkbookOrder[] = {"fileVersion",    "fileSharing",
                                      "workbookPr",     "workbookProtection",
                                      "bookViews",      "sheets",
                                      "functionGroups", "externalReferences",
                                      "definedNames",   "calcPr",
                                      "oleSize",        "customWorkbookViews",
                                      "pivotCaches",    "smartTagPr",
                                      "smartTagTypes",  "webPublishing",
                                      "fileRecoveryPr", "webPublishObjects",
                                      "extLst",         nullptr};

const char* localName(const char* qname) {
    const char* colon = std::strchr(qname, ':');
    return colon ? colon + 1 : qname;
}

bool is(pugi::xml_node n, const char* local) {
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), local) == 0;
}

pugi::xml_node child(pugi::xml_node n, const char* local) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (is(c, local)) return c;
    return {};
}

// The qualified name for a new child, with the parent's namespace prefix.
std::string qualified(pugi::xml_node parent, const char* local) {
    const char* name = parent.name();
    const char* colon = std::strchr(name, ':');
    if (!colon) return local;
    return std::string(name, size_t(colon - name + 1)) + local;
}

int orderOf(const char* const* order, const char* local) {
    for (int i = 0; order[i]; ++i)
        if (std::strcmp(order[i], local) == 0) return i;
    return 1000;
}

// Adds a child where the schema's order puts it (before the first sibling that must follow it).
pugi::xml_node insertInOrder(pugi::xml_node parent, const char* local, const char* const* order) {
    const int mine = orderOf(order, local);
    const std::string name = qualified(parent, local);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && orderOf(order, localName(c.name())) > mine)
            return parent.insert_child_before(name.c_str(), c);
    }
    return parent.append_child(name.c_str());
}

pugi::xml_attribute attrByLocal(pugi::xml_node n, const char* local) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(localName(a.name()), local) == 0) return a;
    return {};
}

QString qs(const char* s) {
    return QString::fromUtf8(s);
}

QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// "worksheets/sheet1.xml" seen from "xl/workbook.xml" → "xl/worksheets/sheet1.xml"; "/xl/x.xml" → "xl/x.xml".
QString resolveTarget(const QString& sourcePart, const QString& target) {
    if (target.startsWith(u'/')) return QDir::cleanPath(target.mid(1));
    const qsizetype slash = sourcePart.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? sourcePart.left(slash + 1) : QString();
    return QDir::cleanPath(folder + target);
}

QString relsPathOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return (slash >= 0 ? part.left(slash + 1) : QString()) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

// Column of an A1 reference (0-based), or -1.
int columnOfRef(const char* ref) {
    int col = 0;
    int letters = 0;
    for (const char* p = ref; *p; ++p) {
        const char c = *p;
        if (c >= 'A' && c <= 'Z')
            col = col * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            col = col * 26 + (c - 'a' + 1);
        else if (c == '$')
            continue;
        else
            break;
        ++letters;
    }
    return letters ? col - 1 : -1;
}

// Text for a <t> element: characters XML cannot carry, and an underscore that would read as an escape, are
// written as "_xHHHH_".
QString encodeCellText(const QString& text) {
    static const QRegularExpression escapeLike(QStringLiteral("_x[0-9A-Fa-f]{4}_"));
    QString s = text;
    if (s.contains(escapeLike)) {
        QString out;
        qsizetype last = 0;
        auto it = escapeLike.globalMatch(s);
        while (it.hasNext()) {
            const auto m = it.next();
            out += s.mid(last, m.capturedStart() - last) + QStringLiteral("_x005F_") + m.captured().mid(1);
            last = m.capturedEnd();
        }
        out += s.mid(last);
        s = out;
    }
    QString out;
    out.reserve(s.size());
    for (const QChar ch : s) {
        const char16_t u = ch.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
            out += QStringLiteral("_x%1_").arg(unsigned(u), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
        else
            out += ch;
    }
    return out;
}

QString collectText(pugi::xml_node si) {
    QString text;
    for (pugi::xml_node c = si.first_child(); c; c = c.next_sibling()) {
        if (is(c, "t")) {
            text += qs(c.text().get());
        } else if (is(c, "r")) {
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (is(t, "t")) text += qs(t.text().get());
        }
        // rPh (phonetic guides) and phoneticPr are not part of the text.
    }
    return xlsxDecodeEscapes(text);
}

QString isoDateText(const QString& iso) {
    QDateTime dt = QDateTime::fromString(iso, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(iso.left(10), Qt::ISODate);
        if (!d.isValid()) return iso;
        return d.toString(QStringLiteral("yyyy/MM/dd"));
    }
    const QTime t = dt.time();
    const QString date = dt.date().toString(QStringLiteral("yyyy/MM/dd"));
    return (t.hour() || t.minute() || t.second()) ? date + u' ' + t.toString(QStringLiteral("HH:mm:ss")) : date;
}

struct StringWriter : pugi::xml_writer {
    QByteArray out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
};

QByteArray serialise(const pugi::xml_document& doc) {
    StringWriter w;
    doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return w.out;
}

// Why a file could not be read as a workbook; a legacy or encrypted one and one that is no zip archive are told in
// a workbook's words.
QString openFailure(const ZipRead& read) {
    switch (read.fault) {
    case ZipFault::OleFile:
        return QStringLiteral("這是舊版 Excel 97-2003 活頁簿 (.xls) 或加密的活頁簿，無法讀取；"
                              "請在 Excel 另存為 .xlsx 活頁簿 (不設開啟密碼) 後再試");
    case ZipFault::NotZip:
        return QStringLiteral("檔案已損毀或不是 Excel 活頁簿 (.xlsx)");
    default:
        return read.reason;
    }
}

QString quoteSheetRef(const QString& name) {
    QString q = name;
    q.replace(u'\'', QStringLiteral("''"));
    return u'\'' + q + QStringLiteral("'!");
}

} // namespace

XlsxPackage::XlsxPackage() = default;
XlsxPackage::~XlsxPackage() = default;

// ---- parts ----

XlsxPackage::Part* XlsxPackage::part(const QString& name) {
    for (auto& p : m_parts)
        if (p->name.compare(name, Qt::CaseInsensitive) == 0) return p.get();
    return nullptr;
}

pugi::xml_document* XlsxPackage::xml(const QString& name, XlsxStatus* status) {
    Part* p = part(name);
    if (!p) {
        if (status) *status = XlsxStatus::failure(QStringLiteral("活頁簿缺少 %1").arg(name));
        return nullptr;
    }
    if (!p->doc) {
        auto doc = std::make_unique<pugi::xml_document>();
        const pugi::xml_parse_result r = doc->load_buffer(p->data.constData(), size_t(p->data.size()), kParseOptions);
        if (!r || !doc->document_element()) {
            if (status) *status = XlsxStatus::failure(QStringLiteral("活頁簿內容已損毀 (%1)").arg(name));
            return nullptr;
        }
        p->doc = std::move(doc);
    }
    return p->doc.get();
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

XlsxStatus XlsxPackage::open(const QString& path) {
    m_parts.clear();
    m_sheets.clear();
    m_shared.clear();
    m_sharedLoaded = m_stylesLoaded = false;
    m_dateXf.clear();
    m_xfNumFmt.clear();
    m_textXf.clear();
    m_headerXf = -1;
    m_calcDirty = false;
    m_path = path;

    std::vector<ZipEntry> entries;
    const ZipRead read = readZipFile(path, &entries);
    if (!read) return XlsxStatus::failure(openFailure(read));
    for (auto& e : entries)
        addPart(e.name, e.data);
    const XlsxStatus st = loadWorkbook();
    if (!st) {
        m_parts.clear();
        m_sheets.clear();
    }
    return st;
}

XlsxStatus XlsxPackage::loadWorkbook() {
    if (!part(QStringLiteral("[Content_Types].xml")))
        return XlsxStatus::failure(QStringLiteral("不是 Excel 活頁簿 (缺少 [Content_Types].xml)"));
    // The main part is named by the package relationships; "xl/workbook.xml" is the usual place.
    m_workbookPart.clear();
    if (part(QStringLiteral("_rels/.rels"))) {
        XlsxStatus st = XlsxStatus::success();
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
        return XlsxStatus::failure(QStringLiteral("不支援二進位活頁簿 (.xlsb)；請在 Excel 另存為 .xlsx 後再試"));
    if (!part(m_workbookPart)) return XlsxStatus::failure(QStringLiteral("不是 Excel 活頁簿 (找不到 workbook.xml)"));

    XlsxStatus st = XlsxStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (!wb) return st;
    pugi::xml_node root = wb->document_element();
    if (!is(root, "workbook")) return XlsxStatus::failure(QStringLiteral("不是 Excel 活頁簿 (workbook.xml 內容不符)"));
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
    if (m_sheets.empty()) return XlsxStatus::failure(QStringLiteral("活頁簿沒有任何工作表"));
    return XlsxStatus::success();
}

void XlsxPackage::loadSharedStrings() {
    if (m_sharedLoaded) return;
    m_sharedLoaded = true;
    const QString relsPath = relsPathOf(m_workbookPart);
    pugi::xml_document* r = xml(relsPath);
    QString sstPart = QStringLiteral("xl/sharedStrings.xml");
    if (r) {
        for (pugi::xml_node n = r->document_element().first_child(); n; n = n.next_sibling())
            if (is(n, "Relationship") && qs(n.attribute("Type").value()).endsWith(u"/sharedStrings"))
                sstPart = resolveTarget(m_workbookPart, qs(n.attribute("Target").value()));
    }
    pugi::xml_document* sst = xml(sstPart);
    if (!sst) return;
    for (pugi::xml_node si = sst->document_element().first_child(); si; si = si.next_sibling())
        if (is(si, "si")) m_shared.push_back(collectText(si));
}

namespace {

QString stylesPartOf(XlsxPackage* pkg, const QString& workbookPart, pugi::xml_document* rels) {
    Q_UNUSED(pkg);
    if (rels) {
        for (pugi::xml_node n = rels->document_element().first_child(); n; n = n.next_sibling())
            if (is(n, "Relationship") && qs(n.attribute("Type").value()).endsWith(u"/styles"))
                return resolveTarget(workbookPart, qs(n.attribute("Target").value()));
    }
    return QStringLiteral("xl/styles.xml");
}

} // namespace

void XlsxPackage::loadStyles() {
    if (m_stylesLoaded) return;
    m_stylesLoaded = true;
    m_dateXf.clear();
    m_xfNumFmt.clear();
    pugi::xml_document* styles = xml(stylesPartOf(this, m_workbookPart, xml(relsPathOf(m_workbookPart))));
    if (!styles) return;
    pugi::xml_node root = styles->document_element();
    std::map<int, QString> codes;
    for (pugi::xml_node f = child(child(root, "numFmts"), "numFmt"); f; f = f.next_sibling())
        if (is(f, "numFmt")) codes[f.attribute("numFmtId").as_int()] = qs(f.attribute("formatCode").value());
    for (pugi::xml_node xf = child(child(root, "cellXfs"), "xf"); xf; xf = xf.next_sibling()) {
        if (!is(xf, "xf")) continue;
        const int id = xf.attribute("numFmtId").as_int();
        auto it = codes.find(id);
        m_xfNumFmt.push_back(id);
        m_dateXf.push_back(xlsxIsDateFormat(id, it != codes.end() ? it->second : QString()));
    }
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

pugi::xml_document* XlsxPackage::sheetXml(int sheet, XlsxStatus* status) {
    if (sheet < 0 || sheet >= sheetCount()) {
        if (status) *status = XlsxStatus::failure(QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
        return nullptr;
    }
    const SheetInfo& info = m_sheets[size_t(sheet)];
    if (!info.worksheet || info.part.isEmpty()) {
        if (status) *status = XlsxStatus::failure(QStringLiteral("「%1」不是工作表").arg(info.name));
        return nullptr;
    }
    const bool fresh = part(info.part) && !part(info.part)->doc;
    pugi::xml_document* doc = xml(info.part, status);
    if (doc && fresh) {
        // Rows and cells without a reference follow their predecessor; give them one so that edits can find them.
        pugi::xml_node sd = child(doc->document_element(), "sheetData");
        int row = 0;
        for (pugi::xml_node r = sd.first_child(); r; r = r.next_sibling()) {
            if (!is(r, "row")) continue;
            if (r.attribute("r"))
                row = r.attribute("r").as_int();
            else
                r.append_attribute("r") = ++row;
            int col = -1;
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                if (!is(c, "c")) continue;
                if (c.attribute("r")) {
                    col = columnOfRef(c.attribute("r").value());
                } else {
                    ++col;
                    c.append_attribute("r") = utf8(xlsxCellName(row - 1, col)).constData();
                }
            }
        }
    }
    return doc;
}

XlsxStatus XlsxPackage::writableSheet(int sheet, pugi::xml_document** doc) {
    XlsxStatus st = XlsxStatus::success();
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

pugi::xml_node XlsxPackage::findRow(pugi::xml_node sd, int row, bool create) {
    const int wanted = row + 1;
    for (pugi::xml_node r = sd.first_child(); r; r = r.next_sibling()) {
        if (!is(r, "row")) continue;
        const int n = r.attribute("r").as_int();
        if (n == wanted) return r;
        if (n > wanted) {
            if (!create) return {};
            pugi::xml_node added = sd.insert_child_before(qualified(sd, "row").c_str(), r);
            added.append_attribute("r") = wanted;
            return added;
        }
    }
    if (!create) return {};
    pugi::xml_node added = sd.append_child(qualified(sd, "row").c_str());
    added.append_attribute("r") = wanted;
    return added;
}

pugi::xml_node XlsxPackage::findCell(pugi::xml_node rowNode, int row, int col, bool create) {
    if (!rowNode) return {};
    pugi::xml_node before;
    for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
        if (!is(c, "c")) continue;
        const int n = columnOfRef(c.attribute("r").value());
        if (n == col) return c;
        if (n > col) {
            before = c;
            break;
        }
    }
    if (!create) return {};
    // The row's span hint no longer holds once a cell is added.
    rowNode.remove_attribute("spans");
    const std::string name = qualified(rowNode, "c");
    pugi::xml_node added =
        before ? rowNode.insert_child_before(name.c_str(), before) : rowNode.append_child(name.c_str());
    added.append_attribute("r") = utf8(xlsxCellName(row, col)).constData();
    return added;
}

// ---- reading ----

XlsxCellValue XlsxPackage::cell(int sheet, int row, int col) {
    XlsxCellValue value;
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return value;
    pugi::xml_node c = findCell(findRow(sheetData(doc), row, false), row, col, false);
    if (!c) return value;
    const std::string_view t = c.attribute("t").value();
    pugi::xml_node v = child(c, "v");
    const QString vText = qs(v.text().get());
    if (t == "inlineStr") {
        value.kind = XlsxCellValue::Kind::Text;
        value.text = collectText(child(c, "is"));
        if (value.text.isEmpty()) value.kind = XlsxCellValue::Kind::Empty;
        return value;
    }
    if (!v) return value;
    if (t == "s") {
        loadSharedStrings();
        const int idx = vText.toInt();
        value.kind = XlsxCellValue::Kind::Text;
        value.text = idx >= 0 && idx < int(m_shared.size()) ? m_shared[size_t(idx)] : QString();
    } else if (t == "str") {
        value.kind = XlsxCellValue::Kind::Text;
        value.text = xlsxDecodeEscapes(vText);
    } else if (t == "b") {
        value.kind = XlsxCellValue::Kind::Boolean;
        value.number = vText.trimmed() == QLatin1String("1") ? 1 : 0;
        value.text = value.number ? QStringLiteral("True") : QStringLiteral("False");
    } else if (t == "e") {
        value.kind = XlsxCellValue::Kind::Error;
        value.text = vText;
    } else if (t == "d") {
        value.kind = XlsxCellValue::Kind::Date;
        value.text = isoDateText(vText.trimmed());
    } else {
        bool ok = false;
        const double n = vText.trimmed().toDouble(&ok);
        if (!ok) {
            value.kind = XlsxCellValue::Kind::Text;
            value.text = vText;
            return value;
        }
        value.number = n;
        loadStyles();
        const int s = c.attribute("s").as_int();
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
    }
    if (value.text.isEmpty() && value.kind == XlsxCellValue::Kind::Text) value.kind = XlsxCellValue::Kind::Empty;
    return value;
}

QString XlsxPackage::cellText(int sheet, const QString& a1) {
    const auto ref = parseXlsxCell(a1);
    return ref ? cellText(sheet, ref->row, ref->col) : QString();
}

int XlsxPackage::rowCount(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    int last = 0;
    for (pugi::xml_node r = sheetData(doc).first_child(); r; r = r.next_sibling())
        if (is(r, "row") && child(r, "c")) last = std::max(last, r.attribute("r").as_int());
    return last;
}

int XlsxPackage::columnCount(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    int last = 0;
    for (pugi::xml_node r = sheetData(doc).first_child(); r; r = r.next_sibling())
        for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling())
            if (is(c, "c")) last = std::max(last, columnOfRef(c.attribute("r").value()) + 1);
    return last;
}

int XlsxPackage::cellStyle(int sheet, int row, int col) {
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return 0;
    return findCell(findRow(sheetData(doc), row, false), row, col, false).attribute("s").as_int();
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

XlsxStatus XlsxPackage::setCellText(int sheet, int row, int col, const QString& text) {
    return writeCell(sheet, row, col, &text, nullptr);
}

XlsxStatus XlsxPackage::setCellText(int sheet, const QString& a1, const QString& text) {
    const auto ref = parseXlsxCell(a1);
    if (!ref) return XlsxStatus::failure(QStringLiteral("儲存格位置無效: %1").arg(a1));
    return setCellText(sheet, ref->row, ref->col, text);
}

XlsxStatus XlsxPackage::setCellNumber(int sheet, int row, int col, double value) {
    if (!std::isfinite(value)) return XlsxStatus::failure(QStringLiteral("數值無效"));
    return writeCell(sheet, row, col, nullptr, &value);
}

// Writes a text or a number into a cell; a new cell takes the style of its row or column, an existing one keeps its
// own.
XlsxStatus XlsxPackage::writeCell(int sheet, int row, int col, const QString* text, const double* number) {
    if (row < 0 || row >= kXlsxMaxRows || col < 0 || col >= kXlsxMaxColumns)
        return XlsxStatus::failure(QStringLiteral("儲存格位置超出工作表範圍"));
    pugi::xml_document* doc = nullptr;
    XlsxStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    pugi::xml_node r = findRow(sheetData(doc), row, true);
    const bool existed = bool(findCell(r, row, col, false));
    pugi::xml_node c = findCell(r, row, col, true);
    if (!existed) {
        if (const int s = styleForNewCell(doc->document_element(), r, col)) c.append_attribute("s") = s;
    }
    setCellValue(c, text, number);
    return XlsxStatus::success();
}

XlsxStatus XlsxPackage::setCellNumber(int sheet, const QString& a1, double value) {
    const auto ref = parseXlsxCell(a1);
    if (!ref) return XlsxStatus::failure(QStringLiteral("儲存格位置無效: %1").arg(a1));
    return setCellNumber(sheet, ref->row, ref->col, value);
}

// ---- styles ----

namespace {

// The styles part, created with Excel's minimal content when the workbook has none.
pugi::xml_node stylesRoot(pugi::xml_document* doc) {
    return doc ? doc->document_element() : pugi::xml_node();
}

pugi::xml_node ensureList(pugi::xml_node root, const char* local) {
    static const char* const order[] = {"numFmts",    "fonts", "fills",       "borders", "cellStyleXfs", "cellXfs",
                                        "cellStyles", "dxfs",  "tableStyles", "colors",  "extLst",       nullptr};
    pugi::xml_node n = child(root, local);
    return n ? n : insertInOrder(root, local, order);
}

int countChildren(pugi::xml_node list, const char* local) {
    int n = 0;
    for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling())
        if (is(c, local)) ++n;
    return n;
}

void setCount(pugi::xml_node list, const char* local) {
    const int n = countChildren(list, local);
    if (list.attribute("count"))
        list.attribute("count") = n;
    else
        list.append_attribute("count") = n;
}

} // namespace

int XlsxPackage::textStyleFor(int baseXf) {
    loadStyles();
    if (baseXf >= 0 && baseXf < int(m_xfNumFmt.size()) && m_xfNumFmt[size_t(baseXf)] == 49) return baseXf;
    auto cached = m_textXf.find(baseXf);
    if (cached != m_textXf.end()) return cached->second;
    const QString stylesPart = stylesPartOf(this, m_workbookPart, xml(relsPathOf(m_workbookPart)));
    pugi::xml_node root = stylesRoot(xml(stylesPart));
    if (!root) return baseXf;
    pugi::xml_node xfs = ensureList(root, "cellXfs");
    pugi::xml_node base;
    int i = 0;
    for (pugi::xml_node xf = xfs.first_child(); xf; xf = xf.next_sibling())
        if (is(xf, "xf") && i++ == baseXf) base = xf;
    pugi::xml_node copy = base ? xfs.append_copy(base) : xfs.append_child(qualified(xfs, "xf").c_str());
    auto set = [&](const char* name, const char* value) {
        if (copy.attribute(name))
            copy.attribute(name) = value;
        else
            copy.append_attribute(name) = value;
    };
    set("numFmtId", "49");
    set("applyNumberFormat", "1");
    if (!base) {
        set("fontId", "0");
        set("fillId", "0");
        set("borderId", "0");
        set("xfId", "0");
    }
    setCount(xfs, "xf");
    markDirty(stylesPart);
    const int id = countChildren(xfs, "xf") - 1;
    m_xfNumFmt.push_back(49);
    m_dateXf.push_back(false);
    m_textXf[baseXf] = id;
    return id;
}

int XlsxPackage::headerStyle() {
    if (m_headerXf >= 0) return m_headerXf;
    loadStyles();
    const QString stylesPart = stylesPartOf(this, m_workbookPart, xml(relsPathOf(m_workbookPart)));
    pugi::xml_node root = stylesRoot(xml(stylesPart));
    if (!root) return 0;
    auto rgbText = [](unsigned rgb) {
        return utf8(QStringLiteral("FF%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper());
    };
    pugi::xml_node fonts = ensureList(root, "fonts");
    pugi::xml_node font = fonts.append_child(qualified(fonts, "font").c_str());
    if (m_headerStyle.bold) font.append_child(qualified(fonts, "b").c_str());
    font.append_child(qualified(fonts, "sz").c_str()).append_attribute("val") = m_headerStyle.fontSize;
    font.append_child(qualified(fonts, "color").c_str()).append_attribute("rgb") =
        rgbText(m_headerStyle.fontRgb).constData();
    font.append_child(qualified(fonts, "name").c_str()).append_attribute("val") =
        utf8(m_headerStyle.fontName).constData();
    setCount(fonts, "font");
    const int fontId = countChildren(fonts, "font") - 1;

    pugi::xml_node fills = ensureList(root, "fills");
    if (countChildren(fills, "fill") < 2) {
        // Excel reserves the first two fills (none and gray125); a styles part without them gets them first.
        while (countChildren(fills, "fill") < 2) {
            pugi::xml_node f = fills.append_child(qualified(fills, "fill").c_str());
            f.append_child(qualified(fills, "patternFill").c_str()).append_attribute("patternType") =
                countChildren(fills, "fill") == 1 ? "none" : "gray125";
        }
    }
    pugi::xml_node fill = fills.append_child(qualified(fills, "fill").c_str());
    pugi::xml_node pattern = fill.append_child(qualified(fills, "patternFill").c_str());
    pattern.append_attribute("patternType") = "solid";
    pattern.append_child(qualified(fills, "fgColor").c_str()).append_attribute("rgb") =
        rgbText(m_headerStyle.fillRgb).constData();
    pattern.append_child(qualified(fills, "bgColor").c_str()).append_attribute("indexed") = 64;
    setCount(fills, "fill");
    const int fillId = countChildren(fills, "fill") - 1;

    pugi::xml_node borders = ensureList(root, "borders");
    if (countChildren(borders, "border") == 0) {
        borders.append_child(qualified(borders, "border").c_str());
        setCount(borders, "border");
    }
    pugi::xml_node xfs = ensureList(root, "cellXfs");
    pugi::xml_node xf = xfs.append_child(qualified(xfs, "xf").c_str());
    xf.append_attribute("numFmtId") = 49;
    xf.append_attribute("fontId") = fontId;
    xf.append_attribute("fillId") = fillId;
    xf.append_attribute("borderId") = 0;
    xf.append_attribute("xfId") = 0;
    xf.append_attribute("applyNumberFormat") = 1;
    xf.append_attribute("applyFont") = 1;
    xf.append_attribute("applyFill") = 1;
    setCount(xfs, "xf");
    markDirty(stylesPart);
    m_headerXf = countChildren(xfs, "xf") - 1;
    m_xfNumFmt.push_back(49);
    m_dateXf.push_back(false);
    return m_headerXf;
}

// ---- columns, tables, filters ----

XlsxStatus XlsxPackage::setColumnWidth(int sheet, int firstCol, int lastCol, double width) {
    pugi::xml_document* doc = nullptr;
    XlsxStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    firstCol = std::max(firstCol, 0) + 1; // <col> counts from 1
    lastCol = std::min(lastCol, kXlsxMaxColumns - 1) + 1;
    if (lastCol < firstCol) return XlsxStatus::success();
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
    return XlsxStatus::success();
}

XlsxStatus XlsxPackage::writeTable(int sheet, const QStringList& header, int rows,
                                   const std::function<QString(int, int)>& cellText) {
    pugi::xml_document* doc = nullptr;
    XlsxStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    const int cols = std::min(int(header.size()), kXlsxMaxColumns);
    rows = std::clamp(rows, 0, kXlsxMaxRows - 1);
    if (cols == 0) return XlsxStatus::success();
    pugi::xml_node root = doc->document_element();
    pugi::xml_node sd = sheetData(doc);
    std::map<int, pugi::xml_node> existing; // row number from 1 → node
    for (pugi::xml_node r = sd.first_child(); r; r = r.next_sibling())
        if (is(r, "row")) existing[r.attribute("r").as_int()] = r;
    auto rowNode = [&](int rowIndex) {
        const int n = rowIndex + 1;
        auto it = existing.lower_bound(n);
        if (it != existing.end() && it->first == n) return std::make_pair(it->second, false);
        const std::string name = qualified(sd, "row");
        pugi::xml_node added =
            it != existing.end() ? sd.insert_child_before(name.c_str(), it->second) : sd.append_child(name.c_str());
        added.append_attribute("r") = n;
        existing.emplace_hint(it, n, added);
        return std::make_pair(added, true);
    };
    const int headerXf = headerStyle();
    std::vector<int> widths(size_t(cols), 0);
    std::map<int, int> columnXf; // style of a new body cell per column
    for (int r = 0; r <= rows; ++r) {
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
                const bool had = bool(findCell(node, r, c, false));
                cellNode = findCell(node, r, c, true);
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
    for (int c = 0; c < cols; ++c)
        setColumnWidth(sheet, c, c, xlsxFitWidth(widths[size_t(c)]));
    return toggleAutoFilter(sheet, XlsxRange{0, 0, rows, cols - 1});
}

bool XlsxPackage::hasAutoFilter(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    return doc && child(doc->document_element(), "autoFilter");
}

XlsxStatus XlsxPackage::toggleAutoFilter(int sheet, std::optional<XlsxRange> range) {
    pugi::xml_document* doc = nullptr;
    XlsxStatus st = writableSheet(sheet, &doc);
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
        return XlsxStatus::success();
    }
    XlsxRange r;
    if (range) {
        r = *range;
    } else {
        r = XlsxRange{0, 0, std::max(rowCount(sheet) - 1, 0), std::max(columnCount(sheet) - 1, 0)};
    }
    pugi::xml_node af = insertInOrder(root, "autoFilter", kWorksheetOrder);
    af.append_attribute("ref") = utf8(xlsxRangeName(r)).constData();
    return XlsxStatus::success();
}

// ---- protection ----

bool XlsxPackage::isProtected(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return false;
    pugi::xml_node p = child(doc->document_element(), "sheetProtection");
    const std::string_view on = p.attribute("sheet").value();
    return p && (on == "1" || on == "true");
}

XlsxStatus XlsxPackage::unprotectSheet(int sheet, const QString& password) {
    XlsxStatus st = XlsxStatus::success();
    pugi::xml_document* doc = sheetXml(sheet, &st);
    if (!doc) return st;
    pugi::xml_node root = doc->document_element();
    pugi::xml_node p = child(root, "sheetProtection");
    if (!p) return XlsxStatus::success();
    bool matches = true;
    if (p.attribute("password")) {
        matches = QString::fromUtf8(p.attribute("password").value())
                      .compare(xlsxLegacyPasswordHash(password), Qt::CaseInsensitive) == 0;
    } else if (p.attribute("hashValue")) {
        const QByteArray salt = QByteArray::fromBase64(p.attribute("saltValue").value());
        const int spin = p.attribute("spinCount").as_int();
        const QString algorithm = qs(p.attribute("algorithmName").value());
        const QString expected = qs(p.attribute("hashValue").value());
        // Writers differ in where the round counter goes; either order identifies the password.
        matches = !expected.isEmpty() && (xlsxModernPasswordHash(password, salt, spin, algorithm) == expected ||
                                          xlsxModernPasswordHash(password, salt, spin, algorithm, true) == expected);
    }
    if (!matches)
        return XlsxStatus::failure(
            QStringLiteral("工作表「%1」的保護密碼不符，無法解除保護").arg(m_sheets[size_t(sheet)].name));
    root.remove_child(p);
    markDirty(m_sheets[size_t(sheet)].part);
    return XlsxStatus::success();
}

XlsxStatus XlsxPackage::protectSheet(int sheet, const QString& password) {
    pugi::xml_document* doc = nullptr;
    XlsxStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    pugi::xml_node root = doc->document_element();
    if (pugi::xml_node old = child(root, "sheetProtection")) root.remove_child(old);
    pugi::xml_node p = insertInOrder(root, "sheetProtection", kWorksheetOrder);
    if (!password.isEmpty()) p.append_attribute("password") = utf8(xlsxLegacyPasswordHash(password)).constData();
    p.append_attribute("sheet") = 1;
    p.append_attribute("objects") = 1;
    p.append_attribute("scenarios") = 1;
    return XlsxStatus::success();
}

// ---- adding and renaming sheets ----

int XlsxPackage::addSheet(const QString& name, int index, XlsxStatus* status) {
    auto fail = [&](const QString& why) {
        if (status) *status = XlsxStatus::failure(why);
        return -1;
    };
    if (!isOpen()) return fail(QStringLiteral("活頁簿未開啟"));
    XlsxStatus st = XlsxStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (!wb) return fail(st.message());
    const QString relsPath = relsPathOf(m_workbookPart);
    if (!part(relsPath))
        addPart(relsPath,
                QByteArrayLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>"));
    pugi::xml_document* rels = xml(relsPath, &st);
    pugi::xml_document* types = xml(QStringLiteral("[Content_Types].xml"), &st);
    if (!rels || !types) return fail(st.message());
    const int previousWorksheets =
        int(std::count_if(m_sheets.begin(), m_sheets.end(), [](const SheetInfo& s) { return s.worksheet; }));

    // Names: the sheet's, the part's and the relationship's must all be new.
    QStringList taken = sheetNames();
    int number = sheetCount() + 1;
    QString wanted = name;
    if (wanted.isEmpty()) {
        while (sheetIndex(QStringLiteral("工作表%1").arg(number)) >= 0)
            ++number;
        wanted = QStringLiteral("工作表%1").arg(number);
    }
    const QString clean = xlsxCleanSheetName(wanted, taken);
    const qsizetype slash = m_workbookPart.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? m_workbookPart.left(slash + 1) : QString();
    int n = 1;
    while (part(folder + QStringLiteral("worksheets/sheet%1.xml").arg(n)))
        ++n;
    const QString partName = folder + QStringLiteral("worksheets/sheet%1.xml").arg(n);
    std::set<QString> ids;
    for (pugi::xml_node r = rels->document_element().first_child(); r; r = r.next_sibling())
        if (is(r, "Relationship")) ids.insert(qs(r.attribute("Id").value()));
    int k = int(ids.size()) + 1;
    while (ids.count(QStringLiteral("rId%1").arg(k)))
        ++k;
    const QString relId = QStringLiteral("rId%1").arg(k);

    addPart(partName,
            QByteArrayLiteral(
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
                "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
                "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
                "</worksheet>"));

    pugi::xml_node rel =
        rels->document_element().append_child(qualified(rels->document_element(), "Relationship").c_str());
    rel.append_attribute("Id") = utf8(relId).constData();
    rel.append_attribute("Type") = kWorksheetType;
    rel.append_attribute("Target") = utf8(QStringLiteral("worksheets/sheet%1.xml").arg(n)).constData();
    markDirty(relsPath);

    pugi::xml_node ov =
        types->document_element().append_child(qualified(types->document_element(), "Override").c_str());
    ov.append_attribute("PartName") = utf8(u'/' + partName).constData();
    ov.append_attribute("ContentType") = kWorksheetContent;
    markDirty(QStringLiteral("[Content_Types].xml"));

    pugi::xml_node root = wb->document_element();
    pugi::xml_node sheets = child(root, "sheets");
    unsigned maxId = 0;
    for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling())
        if (is(s, "sheet")) maxId = std::max(maxId, s.attribute("sheetId").as_uint());
    // The relationship prefix of the workbook ("r" almost always); declared when missing.
    std::string relPrefix;
    for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute())
        if (std::string_view(a.value()) == kRelNs && std::string_view(a.name()).substr(0, 6) == "xmlns:")
            relPrefix = a.name() + 6;
    if (relPrefix.empty()) {
        relPrefix = "r";
        root.append_attribute("xmlns:r") = kRelNs;
    }
    if (index < 0 || index > sheetCount()) index = sheetCount();
    pugi::xml_node before;
    int pos = 0;
    for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling())
        if (is(s, "sheet") && pos++ == index) before = s;
    const std::string sheetTag = qualified(sheets, "sheet");
    pugi::xml_node s =
        before ? sheets.insert_child_before(sheetTag.c_str(), before) : sheets.append_child(sheetTag.c_str());
    s.append_attribute("name") = utf8(clean).constData();
    s.append_attribute("sheetId") = maxId + 1;
    s.append_attribute((relPrefix + ":id").c_str()) = utf8(relId).constData();
    // Names local to a sheet are tied to positions: those after the new sheet move one place on.
    for (pugi::xml_node d = child(child(root, "definedNames"), "definedName"); d; d = d.next_sibling())
        if (is(d, "definedName") && d.attribute("localSheetId") && d.attribute("localSheetId").as_int() >= index)
            d.attribute("localSheetId") = d.attribute("localSheetId").as_int() + 1;
    markDirty(m_workbookPart);

    SheetInfo info;
    info.name = clean;
    info.part = partName;
    info.relId = relId;
    info.worksheet = true;
    m_sheets.insert(m_sheets.begin() + index, info);
    updateAppTitles(previousWorksheets);
    if (status) *status = XlsxStatus::success();
    return index;
}

QString XlsxPackage::renameSheet(int sheet, const QString& name, XlsxStatus* status) {
    if (sheet < 0 || sheet >= sheetCount()) {
        if (status) *status = XlsxStatus::failure(QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
        return {};
    }
    XlsxStatus st = XlsxStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (!wb) {
        if (status) *status = st;
        return {};
    }
    QStringList taken = sheetNames();
    taken.removeAt(sheet);
    const QString clean = xlsxCleanSheetName(name, taken);
    const QString old = m_sheets[size_t(sheet)].name;
    if (clean != old) {
        int pos = 0;
        for (pugi::xml_node s = child(child(wb->document_element(), "sheets"), "sheet"); s; s = s.next_sibling())
            if (is(s, "sheet") && pos++ == sheet) s.attribute("name") = utf8(clean).constData();
        markDirty(m_workbookPart);
        const int worksheets =
            int(std::count_if(m_sheets.begin(), m_sheets.end(), [](const SheetInfo& s) { return s.worksheet; }));
        m_sheets[size_t(sheet)].name = clean;
        renameReferences(old, clean);
        updateAppTitles(worksheets);
    }
    if (status) *status = XlsxStatus::success();
    return clean;
}

void XlsxPackage::renameReferences(const QString& oldName, const QString& newName) {
    // 'Old Name'!A1 and, where the name needs no quotes, Old!A1; both become 'New'!A1.
    QString quotedOld = oldName;
    quotedOld.replace(u'\'', QStringLiteral("''"));
    const QRegularExpression pattern(
        QStringLiteral("'%1'!|(?<![\\w.'])%2!")
            .arg(QRegularExpression::escape(quotedOld), QRegularExpression::escape(oldName)),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QString replacement = quoteSheetRef(newName);
    const QByteArray needle = oldName.toUtf8();
    auto rewrite = [&](pugi::xml_node n) {
        const QString before = qs(n.text().get());
        QString after = before;
        after.replace(pattern, replacement);
        if (after != before) {
            n.text().set(utf8(after).constData());
            return true;
        }
        return false;
    };
    for (auto& p : m_parts) {
        const bool candidate =
            p->name == m_workbookPart ||
            (p->name.endsWith(QLatin1String(".xml")) &&
             (p->name.contains(QLatin1String("worksheets/")) || p->name.contains(QLatin1String("charts/"))));
        if (!candidate) continue;
        // Only parts that mention the old name at all are parsed.
        if (!p->doc && !p->data.contains(needle) && !p->data.contains(quotedOld.toUtf8())) continue;
        pugi::xml_document* doc = xml(p->name);
        if (!doc) continue;
        bool changed = false;
        // Formulas of cells (f), of charts (c:f) and defined names.
        for (pugi::xpath_node x : doc->select_nodes("//*[local-name()='f' or local-name()='definedName']"))
            changed |= rewrite(x.node());
        if (changed) p->dirty = true;
    }
}

void XlsxPackage::updateAppTitles(int previousWorksheets) {
    pugi::xml_document* app = xml(QStringLiteral("docProps/app.xml"));
    if (!app) return;
    pugi::xml_node root = app->document_element();
    pugi::xml_node pairs = child(child(root, "HeadingPairs"), "vector");
    pugi::xml_node titles = child(child(root, "TitlesOfParts"), "vector");
    if (!pairs || !titles) return;
    // The first heading pair counts the worksheets, whose names open the list of titles.
    pugi::xml_node firstVariant = child(pairs, "variant");
    pugi::xml_node countVariant = firstVariant.next_sibling();
    while (countVariant && !is(countVariant, "variant"))
        countVariant = countVariant.next_sibling();
    pugi::xml_node countNode = child(countVariant, "i4");
    if (!countNode || countNode.text().as_int() != previousWorksheets)
        return; // a list we do not understand is left as it is
    std::vector<pugi::xml_node> names;
    for (pugi::xml_node t = titles.first_child(); t; t = t.next_sibling())
        if (is(t, "lpstr")) names.push_back(t);
    if (int(names.size()) < previousWorksheets) return;
    QStringList worksheetNames;
    for (const auto& s : m_sheets)
        if (s.worksheet) worksheetNames << s.name;
    for (int i = 0; i < previousWorksheets; ++i)
        titles.remove_child(names[size_t(i)]);
    pugi::xml_node anchor =
        previousWorksheets < int(names.size()) ? names[size_t(previousWorksheets)] : pugi::xml_node();
    const std::string tag = qualified(titles, "lpstr");
    for (const QString& n : worksheetNames) {
        pugi::xml_node t = anchor ? titles.insert_child_before(tag.c_str(), anchor) : titles.append_child(tag.c_str());
        t.text().set(utf8(n).constData());
    }
    countNode.text().set(int(worksheetNames.size()));
    const int total = int(names.size()) - previousWorksheets + int(worksheetNames.size());
    if (titles.attribute("size")) titles.attribute("size") = total;
    markDirty(QStringLiteral("docProps/app.xml"));
}

// ---- saving ----

void XlsxPackage::dropCalcChain() {
    const QString relsPath = relsPathOf(m_workbookPart);
    pugi::xml_document* rels = xml(relsPath);
    if (!rels) return;
    for (pugi::xml_node r = rels->document_element().first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        if (is(r, "Relationship") && qs(r.attribute("Type").value()).endsWith(u"/calcChain")) {
            const QString target = resolveTarget(m_workbookPart, qs(r.attribute("Target").value()));
            removePart(target);
            rels->document_element().remove_child(r);
            markDirty(relsPath);
            if (pugi::xml_document* types = xml(QStringLiteral("[Content_Types].xml"))) {
                for (pugi::xml_node o = types->document_element().first_child(); o;) {
                    pugi::xml_node n2 = o.next_sibling();
                    if (is(o, "Override") &&
                        qs(o.attribute("PartName").value()).compare(u'/' + target, Qt::CaseInsensitive) == 0) {
                        types->document_element().remove_child(o);
                        markDirty(QStringLiteral("[Content_Types].xml"));
                    }
                    o = n2;
                }
            }
        }
        r = next;
    }
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
    Part* p = part(name);
    if (!p) return {};
    if (p->dirty && p->doc) {
        p->data = serialise(*p->doc);
        p->dirty = false;
    }
    return p->data;
}

XlsxStatus XlsxPackage::saveAs(const QString& path) {
    if (!isOpen()) return XlsxStatus::failure(QStringLiteral("活頁簿未開啟"));
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
    entries.reserve(m_parts.size());
    for (auto& p : m_parts)
        entries.push_back({p->name, partData(p->name)});
    // [Content_Types].xml first, as Office writes it; the order of the rest is kept.
    std::stable_partition(entries.begin(), entries.end(),
                          [](const ZipEntry& e) { return e.name == QLatin1String("[Content_Types].xml"); });
    QString error;
    const std::optional<QByteArray> archive = buildZip(entries, &error);
    if (!archive) return XlsxStatus::failure(error);
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        return XlsxStatus::failure(
            QStringLiteral("資料夾不存在: %1").arg(QDir::toNativeSeparators(target.absolutePath())));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return XlsxStatus::failure(
            QStringLiteral("無法寫入檔案: %1 (%2)").arg(QDir::toNativeSeparators(path), file.errorString()));
    if (file.write(*archive) != archive->size()) {
        file.cancelWriting();
        return XlsxStatus::failure(
            QStringLiteral("無法寫入檔案: %1 (%2)").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    if (!file.commit())
        return XlsxStatus::failure(
            QStringLiteral("無法寫入檔案: %1 (%2)").arg(QDir::toNativeSeparators(path), file.errorString()));
    return XlsxStatus::success();
}

} // namespace office
