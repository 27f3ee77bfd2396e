// The package's shared strings and styles: read for the cell reader, extended for the cells written.

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

// The shared strings are read as a stream into one buffer: a workbook of a million different texts costs their
// characters and an offset each, not a tree.
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
    Part* p = part(sstPart);
    if (!p) return;
    bool tooMany = false;
    XmlChildReader reader(1, "", [this, &tooMany](pugi::xml_node si) {
        if (is(si, "si")) {
            const QString text = collectText(si);
            tooMany = qint64(m_sharedEnds.size()) >= m_limits.sharedStrings ||
                      qint64(m_sharedText.size()) + text.size() > m_limits.sharedChars;
            if (tooMany) return false;
            m_sharedText += text;
            m_sharedEnds.push_back(quint32(m_sharedText.size()));
        }
        return true;
    });
    const OfficeStatus read =
        streamPart(*p, [&reader](const char* data, qsizetype size) { return reader.feed(data, size); });
    // Strings past the limits, or a part the archive cannot unpack, leave the sheets that would show them unread; a
    // part of broken XML gives no strings, as it did when it was read whole.
    const XmlChildReader::Outcome outcome = reader.finish();
    if (tooMany || outcome == XmlChildReader::Outcome::TooLarge)
        m_sharedStatus = tooLarge();
    else if (!read)
        m_sharedStatus = read;
    if (!m_sharedStatus || outcome != XmlChildReader::Outcome::Whole) {
        m_sharedText.clear();
        m_sharedEnds.clear();
    }
    m_sharedEnds.shrink_to_fit();
    m_sharedText.squeeze();
}

OfficeStatus XlsxPackage::tooLarge() const {
    return OfficeStatus::failure(OfficeError::TooLarge,
                                 QStringLiteral("檔案過大，無法讀取: %1").arg(QDir::toNativeSeparators(m_path)));
}

QString XlsxPackage::sharedString(int index) const {
    if (index < 0 || index >= int(m_sharedEnds.size())) return {};
    const quint32 start = index ? m_sharedEnds[size_t(index - 1)] : 0;
    return m_sharedText.mid(start, m_sharedEnds[size_t(index)] - start);
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
    // Arial 12 bold, white on green.
    pugi::xml_node fonts = ensureList(root, "fonts");
    pugi::xml_node font = fonts.append_child(qualified(fonts, "font").c_str());
    font.append_child(qualified(fonts, "b").c_str());
    font.append_child(qualified(fonts, "sz").c_str()).append_attribute("val") = 12;
    font.append_child(qualified(fonts, "color").c_str()).append_attribute("rgb") = "FFFFFFFF";
    font.append_child(qualified(fonts, "name").c_str()).append_attribute("val") = "Arial";
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
    pattern.append_child(qualified(fills, "fgColor").c_str()).append_attribute("rgb") = "FF008000";
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

} // namespace office
