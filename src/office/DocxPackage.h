#pragma once
// The zip package of a Word document (.docx): every part read into memory in its stored order, parts replaced in
// memory, and the whole package written back as zip bytes. Knows nothing of Word's XML; DocxMailMerge does.

#include "office/Zip.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace office {

class DocxPackage {
public:
    using Part = ZipEntry;

    // Reads a package from a file. Fails with a reason when the file is missing, is a legacy Word 97-2003 (.doc) or
    // other OLE file, is not a zip archive, has a damaged or encrypted entry, or unpacks to more than
    // kZipMaxTotalBytes. Of a repeated entry name the later entry wins.
    OfficeStatus load(const QString& path);
    // The same from bytes already in memory; displayName names the file in messages.
    OfficeStatus loadBytes(const QByteArray& bytes, const QString& displayName);

    const std::vector<Part>& parts() const { return m_parts; }
    bool contains(const QString& name) const { return find(name) != nullptr; }
    // The part of that name (exact), or nullptr.
    const Part* find(const QString& name) const;
    // Replaces a part's bytes, or adds the part at the end when it does not exist.
    void set(const QString& name, const QByteArray& data);
    // Removes a part when present.
    void remove(const QString& name);

    // The whole package as zip bytes (deflated, big parts at the fastest level, parts in their order); fails with a
    // reason when libzip does.
    OfficeStatus toBytes(QByteArray* bytes) const;

    // The part a relationship of a "_rels/x.rels" file points at, resolved against the source part's folder:
    // resolveTarget("word/document.xml", "media/a.png") is "word/media/a.png"; a target starting with "/" is absolute.
    static QString resolveTarget(const QString& sourcePart, const QString& target);
    // The relationships part of a part: "word/document.xml" → "word/_rels/document.xml.rels"; "" → "_rels/.rels".
    static QString relsPartOf(const QString& part);

private:
    // Takes the entries of a read, or words why it failed.
    OfficeStatus adopt(const OfficeStatus& read, const QString& displayName, std::vector<ZipEntry> entries);

    std::vector<Part> m_parts;
};

} // namespace office
