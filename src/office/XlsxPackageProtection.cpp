// The package's sheet protection.

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

// ---- protection ----

bool XlsxPackage::isProtected(int sheet) {
    pugi::xml_document* doc = sheetXml(sheet);
    if (!doc) return false;
    pugi::xml_node p = child(doc->document_element(), "sheetProtection");
    const std::string_view on = p.attribute("sheet").value();
    return p && (on == "1" || on == "true");
}

OfficeStatus XlsxPackage::unprotectSheet(int sheet, const QString& password) {
    OfficeStatus st = OfficeStatus::success();
    pugi::xml_document* doc = sheetXml(sheet, &st);
    if (!doc) return st;
    pugi::xml_node root = doc->document_element();
    pugi::xml_node p = child(root, "sheetProtection");
    if (!p) return OfficeStatus::success();
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
        return OfficeStatus::failure(
            OfficeError::WrongPassword,
            QStringLiteral("工作表「%1」的保護密碼不符，無法解除保護").arg(m_sheets[size_t(sheet)].name));
    root.remove_child(p);
    markDirty(m_sheets[size_t(sheet)].part);
    return OfficeStatus::success();
}

OfficeStatus XlsxPackage::protectSheet(int sheet, const QString& password) {
    pugi::xml_document* doc = nullptr;
    OfficeStatus st = writableSheet(sheet, &doc);
    if (!doc) return st;
    pugi::xml_node root = doc->document_element();
    if (pugi::xml_node old = child(root, "sheetProtection")) root.remove_child(old);
    pugi::xml_node p = insertInOrder(root, "sheetProtection", kWorksheetOrder);
    if (!password.isEmpty()) p.append_attribute("password") = utf8(xlsxLegacyPasswordHash(password)).constData();
    p.append_attribute("sheet") = 1;
    p.append_attribute("objects") = 1;
    p.append_attribute("scenarios") = 1;
    return OfficeStatus::success();
}

} // namespace office
