#include "office/DocxPackage.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <zip.h>

namespace office {

namespace {

QString zipErrorText(zip_error_t* e) {
    return QString::fromUtf8(zip_error_strerror(e));
}

// Frees a libzip archive opened for reading (discarding, never writing back).
struct ArchiveCloser {
    void operator()(zip_t* z) const {
        if (z) zip_discard(z);
    }
};

} // namespace

bool DocxPackage::load(const QString& path, QString* error) {
    QFile f(path);
    if (!QFileInfo(path).isFile()) {
        if (error) *error = QStringLiteral("檔案不存在: %1").arg(path);
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("檔案無法讀取: %1 (%2)").arg(path, f.errorString());
        return false;
    }
    return loadBytes(f.readAll(), path, error);
}

bool DocxPackage::loadBytes(const QByteArray& bytes, const QString& displayName, QString* error) {
    m_parts.clear();
    // An OLE compound file: a Word 97-2003 document, or a password-protected (encrypted) .docx.
    static const QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (bytes.startsWith(ole)) {
        if (error)
            *error = QStringLiteral("不是 .docx 格式 (Word 97-2003 文件或加密文件)，請以 Word 另存為 .docx: %1")
                         .arg(displayName);
        return false;
    }

    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* src = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &ze);
    if (!src) {
        if (error) *error = QStringLiteral("檔案無法讀取: %1 (%2)").arg(displayName, zipErrorText(&ze));
        zip_error_fini(&ze);
        return false;
    }
    std::unique_ptr<zip_t, ArchiveCloser> za(zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze));
    if (!za) {
        zip_source_free(src);
        if (error) *error = QStringLiteral("不是 Word 文件 (.docx)，或檔案已損毀: %1").arg(displayName);
        zip_error_fini(&ze);
        return false;
    }
    zip_error_fini(&ze);

    const zip_int64_t n = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za.get(), zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) continue;
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/'))) continue; // folder entries carry no part
        QByteArray data;
        zip_file_t* zf = zip_fopen_index(za.get(), zip_uint64_t(i), 0);
        bool ok = zf != nullptr;
        if (ok) {
            char buf[65536];
            zip_int64_t got;
            while ((got = zip_fread(zf, buf, sizeof buf)) > 0)
                data.append(buf, qsizetype(got));
            ok = got == 0;
            zip_fclose(zf);
        }
        if (!ok) {
            m_parts.clear();
            if (error) *error = QStringLiteral("檔案已損毀: %1 (%2 無法解壓縮)").arg(displayName, name);
            return false;
        }
        if (const Part* existing = find(name)) {
            const_cast<Part*>(existing)->data = data; // a repeated entry: the later one wins, as in readers
        } else {
            m_parts.push_back({name, data});
        }
    }
    return true;
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

std::optional<QByteArray> DocxPackage::toBytes(QString* error) const {
    zip_error_t ze;
    zip_error_init(&ze);
    auto fail = [&](const QString& why) -> std::optional<QByteArray> {
        if (error) *error = QStringLiteral("無法產生 Word 文件 (%1)").arg(why);
        zip_error_fini(&ze);
        return std::nullopt;
    };
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (!out) return fail(zipErrorText(&ze));
    zip_source_keep(out); // survives zip_close so the bytes can be read back
    zip_t* za = zip_open_from_source(out, ZIP_TRUNCATE, &ze);
    if (!za) {
        zip_source_free(out);
        return fail(zipErrorText(&ze));
    }
    for (const Part& p : m_parts) {
        // The part bytes stay alive in m_parts until zip_close has read them.
        zip_source_t* s = zip_source_buffer(za, p.data.constData(), zip_uint64_t(p.data.size()), 0);
        const QByteArray name = p.name.toUtf8();
        const zip_int64_t index = s ? zip_file_add(za, name.constData(), s, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) : -1;
        // A big merged body deflates several times faster at the lowest level and stays nearly as small, since
        // its copies repeat.
        if (index >= 0 && p.data.size() > (1 << 20))
            zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
        if (index < 0) {
            if (s) zip_source_free(s);
            const QString why = QString::fromUtf8(zip_strerror(za));
            zip_discard(za);
            zip_source_free(out);
            return fail(why);
        }
    }
    if (zip_close(za) != 0) {
        const QString why = QString::fromUtf8(zip_strerror(za));
        zip_discard(za);
        zip_source_free(out);
        return fail(why);
    }
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0) {
        bytes.resize(qsizetype(st.size));
        const zip_int64_t got = zip_source_read(out, bytes.data(), st.size);
        zip_source_close(out);
        if (got != zip_int64_t(st.size)) bytes.clear();
    }
    zip_source_free(out);
    if (bytes.isEmpty()) return fail(QStringLiteral("zip"));
    zip_error_fini(&ze);
    return bytes;
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
