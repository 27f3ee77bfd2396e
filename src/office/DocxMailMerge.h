#pragma once
// Word mail merge without Word: a .docx template whose MERGEFIELDs (simple w:fldSimple and complex w:fldChar fields)
// name columns is filled from rows into a new .docx. The body is copied once per row and every copy but the first
// starts a new page (its first paragraph breaks the page before it, or a page-break paragraph precedes a leading
// table); the section properties stay once at the end; styles, pictures, headers and footers and every
// relationship of the template pass through; the template's data-source link (w:mailMerge) is dropped.

#include "office/OfficeStatus.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace office {

// The column a field instruction names when it is a MERGEFIELD (" MERGEFIELD  \"員工 編號\" \\* MERGEFORMAT " →
// "員工 編號"), or nullopt for any other field.
std::optional<QString> mergeFieldName(const QString& instruction);

class DocxMailMerge {
public:
    DocxMailMerge();
    ~DocxMailMerge();
    DocxMailMerge(const DocxMailMerge&) = delete;
    DocxMailMerge& operator=(const DocxMailMerge&) = delete;

    // Reads a template. Fails with a reason for a missing file, a Word 97-2003 .doc, a file that is not a Word
    // document (another zip, another format) or a damaged one.
    OfficeStatus load(const QString& templatePath);
    bool isLoaded() const;

    // The MERGEFIELD names of the body, headers and footers, each once (letter case ignored): simple fields first,
    // then complex ones.
    QStringList fieldNames() const;

    // The merged document as .docx bytes into `document`: one copy of the body per row. A field takes the value of the
    // column of its name (letter case ignored), "" when no column has that name or the row is shorter than the headers.
    // Line breaks in a value become line breaks in the document, tabs become tabs, other control characters are
    // dropped. Fields in headers and footers take the first row's values (the copies share one section). No rows: fails
    // with "沒有可套印的資料".
    OfficeStatus merge(const QStringList& headers, const std::vector<QStringList>& rows, QByteArray* document) const;
    // The same, written to outputPath atomically (a temporary file renamed into place); on any failure no file is
    // left behind and an existing file of that name is untouched.
    OfficeStatus mergeToFile(const QStringList& headers, const std::vector<QStringList>& rows,
                             const QString& outputPath) const;

private:
    struct Template;
    std::unique_ptr<Template> m;
};

// One call: loads the template and writes the merged document. Rows given as column → value maps use the union of
// their columns.
OfficeStatus MergeDocx(const QString& templatePath, const QStringList& headers, const std::vector<QStringList>& rows,
                       const QString& outputPath);
OfficeStatus MergeDocx(const QString& templatePath, const std::vector<QMap<QString, QString>>& rows,
                       const QString& outputPath);

// The text shown when a merge has no rows.
QString noMergeRowsText();

} // namespace office
