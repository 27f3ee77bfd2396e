#include "office/DocxPackage.h"

#include <QStringList>

namespace office {

namespace {

// Why a file could not be read as a Word document; a legacy or encrypted one and one that is no zip archive are told
// in a document's words.
OfficeStatus loadFailure(const OfficeStatus& read, const QString& displayName) {
    switch (read.code()) {
    case OfficeError::OleFile:
        return OfficeStatus::failure(
            read.code(), QStringLiteral("不是 .docx 格式 (Word 97-2003 文件或加密文件)，請以 Word 另存為 .docx: %1")
                             .arg(displayName));
    case OfficeError::NotZip:
        return OfficeStatus::failure(read.code(),
                                     QStringLiteral("不是 Word 文件 (.docx)，或檔案已損毀: %1").arg(displayName));
    default:
        return read;
    }
}

} // namespace

OfficeStatus DocxPackage::load(const QString& path) {
    std::vector<ZipEntry> entries;
    const OfficeStatus read = readZipFile(path, &entries);
    return adopt(read, path, std::move(entries));
}

OfficeStatus DocxPackage::loadBytes(const QByteArray& bytes, const QString& displayName) {
    std::vector<ZipEntry> entries;
    const OfficeStatus read = readZipBytes(bytes, displayName, &entries);
    return adopt(read, displayName, std::move(entries));
}

OfficeStatus DocxPackage::adopt(const OfficeStatus& read, const QString& displayName, std::vector<ZipEntry> entries) {
    m_parts.clear();
    if (!read) return loadFailure(read, displayName);
    m_parts.reserve(entries.size());
    for (ZipEntry& e : entries)
        set(e.name, std::move(e.data)); // a repeated entry: the later one wins, as in readers
    return OfficeStatus::success();
}

const DocxPackage::Part* DocxPackage::find(const QString& name) const {
    for (const Part& p : m_parts)
        if (p.name == name) return &p;
    return nullptr;
}

void DocxPackage::set(const QString& name, const QByteArray& data) {
    for (Part& p : m_parts)
        if (p.name == name) {
            p.data = data;
            return;
        }
    m_parts.push_back({name, data});
}

void DocxPackage::remove(const QString& name) {
    std::erase_if(m_parts, [&](const Part& p) { return p.name == name; });
}

OfficeStatus DocxPackage::toBytes(QByteArray* bytes) const {
    const OfficeStatus built = buildZip(m_parts, bytes);
    if (!built)
        return OfficeStatus::failure(built.code(), QStringLiteral("無法產生 Word 文件 (%1)").arg(built.message()));
    return built;
}

QString DocxPackage::resolveTarget(const QString& sourcePart, const QString& target) {
    if (target.startsWith(QLatin1Char('/'))) return target.mid(1);
    const int slash = sourcePart.lastIndexOf(QLatin1Char('/'));
    QStringList parts = slash < 0 ? QStringList() : sourcePart.left(slash).split(QLatin1Char('/'));
    for (const QString& seg : target.split(QLatin1Char('/'))) {
        if (seg == QLatin1String("..")) {
            if (!parts.isEmpty()) parts.removeLast();
        } else if (!seg.isEmpty() && seg != QLatin1String(".")) {
            parts.append(seg);
        }
    }
    return parts.join(QLatin1Char('/'));
}

QString DocxPackage::relsPartOf(const QString& part) {
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : part.left(slash + 1);
    return folder + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

} // namespace office
