// The package's relationships: sheets added and renamed with the parts that name them, the calculation chain dropped.

#include "office/XlsxPackageXml.h"
#include "office/XlsxPassword.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace office {

using namespace pkg;

// ---- adding and renaming sheets ----

namespace {

const QByteArray kEmptyRelationships =
    QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>");
const QByteArray kEmptyWorksheet = QByteArrayLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
    "</worksheet>");

// An id no relationship of the part uses yet ("rId4").
QString unusedRelationshipId(pugi::xml_node relsRoot) {
    std::set<QString> ids;
    for (pugi::xml_node r = relsRoot.first_child(); r; r = r.next_sibling())
        if (is(r, "Relationship")) ids.insert(qs(r.attribute("Id").value()));
    int k = int(ids.size()) + 1;
    while (ids.count(QStringLiteral("rId%1").arg(k)))
        ++k;
    return QStringLiteral("rId%1").arg(k);
}

void appendRelationship(pugi::xml_node relsRoot, const QString& id, const char* type, const QString& target) {
    pugi::xml_node rel = relsRoot.append_child(qualified(relsRoot, "Relationship").c_str());
    rel.append_attribute("Id") = utf8(id).constData();
    rel.append_attribute("Type") = type;
    rel.append_attribute("Target") = utf8(target).constData();
}

void appendContentType(pugi::xml_node typesRoot, const QString& partName, const char* contentType) {
    pugi::xml_node ov = typesRoot.append_child(qualified(typesRoot, "Override").c_str());
    ov.append_attribute("PartName") = utf8(u'/' + partName).constData();
    ov.append_attribute("ContentType") = contentType;
}

// The prefix the workbook binds the relationships namespace to ("r" almost always); declared when missing.
std::string relationshipPrefix(pugi::xml_node root) {
    for (pugi::xml_attribute a = root.first_attribute(); a; a = a.next_attribute())
        if (std::string_view(a.value()) == kRelNs && std::string_view(a.name()).substr(0, 6) == "xmlns:")
            return a.name() + 6;
    root.append_attribute("xmlns:r") = kRelNs;
    return "r";
}

// The workbook's entry for a new sheet at a position of its tab order (0 ≤ index ≤ the sheets there are), with a
// fresh sheetId. Names local to a sheet are tied to positions: those after the new sheet move one place on.
void insertSheetEntry(pugi::xml_node root, int index, const QString& name, const QString& relId) {
    pugi::xml_node sheets = child(root, "sheets");
    unsigned maxId = 0;
    pugi::xml_node before;
    int pos = 0;
    for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling()) {
        if (!is(s, "sheet")) continue;
        maxId = std::max(maxId, s.attribute("sheetId").as_uint());
        if (pos++ == index) before = s;
    }
    const std::string idAttribute = relationshipPrefix(root) + ":id";
    const std::string tag = qualified(sheets, "sheet");
    pugi::xml_node s = before ? sheets.insert_child_before(tag.c_str(), before) : sheets.append_child(tag.c_str());
    s.append_attribute("name") = utf8(name).constData();
    s.append_attribute("sheetId") = maxId + 1;
    s.append_attribute(idAttribute.c_str()) = utf8(relId).constData();
    for (pugi::xml_node d = child(child(root, "definedNames"), "definedName"); d; d = d.next_sibling())
        if (is(d, "definedName") && d.attribute("localSheetId") && d.attribute("localSheetId").as_int() >= index)
            d.attribute("localSheetId") = d.attribute("localSheetId").as_int() + 1;
}

} // namespace

OfficeStatus XlsxPackage::addSheet(const QString& name, int index, int* position) {
    if (!isOpen()) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("活頁簿未開啟"));
    const QString relsPath = relsPathOf(m_workbookPart);
    OfficeStatus st = OfficeStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (wb && !part(relsPath)) addPart(relsPath, kEmptyRelationships);
    pugi::xml_document* rels = wb ? xml(relsPath, &st) : nullptr;
    pugi::xml_document* types = rels ? xml(QStringLiteral("[Content_Types].xml"), &st) : nullptr;
    if (!types) return OfficeStatus::failure(OfficeError::InvalidInput, st.message());
    const int previousWorksheets =
        int(std::count_if(m_sheets.begin(), m_sheets.end(), [](const SheetInfo& s) { return s.worksheet; }));

    // Names: the sheet's, the part's and the relationship's must all be new.
    QString wanted = name;
    for (int number = sheetCount() + 1; wanted.isEmpty(); ++number)
        if (sheetIndex(QStringLiteral("工作表%1").arg(number)) < 0) wanted = QStringLiteral("工作表%1").arg(number);
    const QString clean = xlsxCleanSheetName(wanted, sheetNames());
    const qsizetype slash = m_workbookPart.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? m_workbookPart.left(slash + 1) : QString();
    int n = 1;
    while (part(folder + QStringLiteral("worksheets/sheet%1.xml").arg(n)))
        ++n;
    const QString target = QStringLiteral("worksheets/sheet%1.xml").arg(n);
    const QString relId = unusedRelationshipId(rels->document_element());

    addPart(folder + target, kEmptyWorksheet);
    appendRelationship(rels->document_element(), relId, kWorksheetType, target);
    markDirty(relsPath);
    appendContentType(types->document_element(), folder + target, kWorksheetContent);
    markDirty(QStringLiteral("[Content_Types].xml"));
    if (index < 0 || index > sheetCount()) index = sheetCount();
    insertSheetEntry(wb->document_element(), index, clean, relId);
    markDirty(m_workbookPart);

    m_sheets.insert(m_sheets.begin() + index, SheetInfo{clean, folder + target, relId, true});
    updateAppTitles(previousWorksheets);
    if (position) *position = index;
    return OfficeStatus::success();
}

OfficeStatus XlsxPackage::renameSheet(int sheet, const QString& name, QString* given) {
    if (sheet < 0 || sheet >= sheetCount())
        return OfficeStatus::failure(OfficeError::NoSuchSheet,
                                     QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
    OfficeStatus st = OfficeStatus::success();
    pugi::xml_document* wb = xml(m_workbookPart, &st);
    if (!wb) return st;
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
    if (given) *given = clean;
    return OfficeStatus::success();
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
        if (!unpack(*p)) continue;
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

} // namespace office
