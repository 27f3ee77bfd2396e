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

int XlsxPackage::addSheet(const QString& name, int index, XlsxStatus* status) {
    auto fail = [&](const QString& why) {
        if (status) *status = XlsxStatus::failure(OfficeError::InvalidInput, why);
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
        if (status)
            *status = XlsxStatus::failure(OfficeError::NoSuchSheet,
                                          QStringLiteral("活頁簿沒有第 %1 個工作表").arg(sheet + 1));
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

} // namespace office
