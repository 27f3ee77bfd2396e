#pragma once
// Builds small Word packages for the mail-merge tests, and reads merged documents back with Debian's python-docx
// (an independent reader) into JSON.

#include "common/TestProgram.h"
#include "office/DocxPackage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace docxtest {

inline const char* kNamespaces = R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
                                 R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
                                 R"(xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" )"
                                 R"(xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml")";

// A one-pixel picture in the body, as Word writes an inline picture.
inline QString pictureRun() {
    return QStringLiteral(
        R"(<w:r><w:drawing><wp:inline distT="0" distB="0" distL="0" distR="0"><wp:extent cx="95250" cy="95250"/>)"
        R"(<wp:docPr id="1" name="Picture 1"/><a:graphic xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main">)"
        R"(<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture">)"
        R"(<pic:pic xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:nvPicPr>)"
        R"(<pic:cNvPr id="0" name="image1.png"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed="rId3"/>)"
        R"(<a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/>)"
        R"(<a:ext cx="95250" cy="95250"/></a:xfrm><a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr>)"
        R"(</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>)");
}

inline QByteArray png() {
    QImage img(1, 1, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// A template package: the body XML (without w:body), a header holding headerXml, a styles part, a picture, and
// settings that link a data source the way Word leaves them in a mail-merge main document.
inline office::DocxPackage makeTemplate(const QString& bodyXml, const QString& headerXml = {},
                                        const char* mainType = "document.main+xml") {
    office::DocxPackage pkg;
    auto set = [&](const char* name, const QString& xml) { pkg.set(QString::fromUtf8(name), xml.toUtf8()); };
    set("[Content_Types].xml",
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
            R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
            R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
            R"(<Default Extension="xml" ContentType="application/xml"/>)"
            R"(<Default Extension="png" ContentType="image/png"/>)"
            R"(<Override PartName="/word/document.xml" )"
            R"(ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.%1"/>)"
            R"(<Override PartName="/word/settings.xml" )"
            R"(ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/>)"
            R"(<Override PartName="/word/styles.xml" )"
            R"(ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>)"
            R"(<Override PartName="/word/header1.xml" )"
            R"(ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/>)"
            R"(</Types>)")
            .arg(QLatin1String(mainType)));
    set("_rels/.rels",
        QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                       R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                       R"(<Relationship Id="rId1" )"
                       R"(Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
                       R"(Target="word/document.xml"/></Relationships>)"));
    set("word/_rels/document.xml.rels",
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
            R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
            R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings" Target="settings.xml"/>)"
            R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/>)"
            R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/image1.png"/>)"
            R"(<Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
            R"(</Relationships>)"));
    set("word/document.xml",
        QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document %1><w:body>%2)"
                       R"(<w:sectPr><w:headerReference w:type="default" r:id="rId2"/><w:pgSz w:w="11906" w:h="16838"/>)"
                       R"(</w:sectPr></w:body></w:document>)")
            .arg(QLatin1String(kNamespaces), bodyXml));
    set("word/header1.xml", QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:hdr %1>)"
                                           R"(<w:p><w:r><w:t xml:space="preserve">Header </w:t></w:r>%2</w:p></w:hdr>)")
                                .arg(QLatin1String(kNamespaces), headerXml));
    set("word/styles.xml",
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:styles %1>)"
            R"(<w:style w:type="paragraph" w:styleId="Title"><w:name w:val="Title"/><w:rPr><w:sz w:val="40"/>)"
            R"(</w:rPr></w:style></w:styles>)")
            .arg(QLatin1String(kNamespaces)));
    set("word/settings.xml",
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:settings %1><w:zoom w:percent="100"/>)"
            R"(<w:mailMerge><w:mainDocumentType w:val="formLetters"/><w:linkToQuery/>)"
            R"(<w:dataType w:val="native"/><w:query w:val="SELECT * FROM `ToWord`"/>)"
            R"(<w:dataSource r:id="rId1"/></w:mailMerge><w:defaultTabStop w:val="720"/></w:settings>)")
            .arg(QLatin1String(kNamespaces)));
    set("word/_rels/settings.xml.rels",
        QStringLiteral(
            R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
            R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
            R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/mailMergeSource" )"
            R"(Target="file:///C:/Program/DataBase/TolvarenDB.mdb" TargetMode="External"/></Relationships>)"));
    pkg.set(QStringLiteral("word/media/image1.png"), png());
    return pkg;
}

// The package as .docx bytes; fails the test when they cannot be built.
inline QByteArray bytesOf(const office::DocxPackage& pkg) {
    QByteArray bytes;
    const office::OfficeStatus built = pkg.toBytes(&bytes);
    EXPECT_TRUE(built) << built.message().toStdString();
    return bytes;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What python-docx (and Python's own zip and text handling) sees in a document.
inline QJsonObject readWithPythonDocx(const QString& path) {
    static const char* script = R"PY(
import docx, json, re, sys, zipfile
d = docx.Document(sys.argv[1])
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
body = z.read('word/document.xml').decode('utf-8')
settings = z.read('word/settings.xml').decode('utf-8') if 'word/settings.xml' in names else ''
srels = z.read('word/_rels/settings.xml.rels').decode('utf-8') if 'word/_rels/settings.xml.rels' in names else ''
def cells(t):
    return [[c.text for c in r.cells] for r in t.rows]
out = {
    'paragraphs': [p.text for p in d.paragraphs],
    'bold': [[bool(r.bold) for r in p.runs if r.text] for p in d.paragraphs],
    'italic': [[bool(r.italic) for r in p.runs if r.text] for p in d.paragraphs],
    'breakBefore': [bool(p.paragraph_format.page_break_before) for p in d.paragraphs],
    'pageBreaks': body.count('w:type="page"'),
    'tables': [cells(t) for t in d.tables],
    'pictures': len(d.inline_shapes),
    'drawingIds': re.findall(r'<wp:docPr id="(\d+)"', body),
    'mergeFields': body.count('MERGEFIELD'),
    'fieldChars': body.count('<w:fldChar '),
    'bookmarks': body.count('bookmarkStart'),
    'sections': len(d.sections),
    'header': '\n'.join(p.text for p in d.sections[0].header.paragraphs),
    'mailMerge': 'mailMerge' in settings,
    'dataSourceLink': 'mailMergeSource' in srels,
    'contentTypes': z.read('[Content_Types].xml').decode('utf-8'),
}
print(json.dumps(out, ensure_ascii=False))
)PY";
    const QString json = runPython(QString::fromUtf8(script), {path});
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

inline QStringList strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& x : v.toArray())
        out.append(x.toString());
    return out;
}

} // namespace docxtest
