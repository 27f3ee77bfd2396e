#include "office/Zip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <exception>

namespace office {

namespace {

constexpr qsizetype kChunk = 65536;

OfficeStatus failed(OfficeError fault, const QString& reason) {
    return OfficeStatus::failure(fault, reason);
}

QString codeText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

OfficeStatus oleFile(const QString& shown) {
    return failed(OfficeError::OleFile,
                  QStringLiteral("這是舊版 Office 97-2003 檔案或加密的檔案，無法讀取: %1").arg(shown));
}

// Why libzip could not open an archive, by its error code. libzip also says "no such file" for an archive whose
// entry sizes point past its end (sizes of 0xFFFFFFFF without their 64-bit values, say): when the file is there,
// that is a damaged archive.
OfficeStatus openFailure(int code, const QString& shown, bool exists) {
    if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS)
        return failed(OfficeError::NotZip, QStringLiteral("不是壓縮檔，或檔案已損毀: %1").arg(shown));
    if (code == ZIP_ER_NOENT && !exists)
        return failed(OfficeError::Missing, QStringLiteral("檔案不存在: %1").arg(shown));
    if (code == ZIP_ER_NOENT || code == ZIP_ER_SEEK || code == ZIP_ER_EOF)
        return failed(OfficeError::Damaged, QStringLiteral("檔案已損毀: %1 (%2)").arg(shown, codeText(code)));
    return failed(OfficeError::Unreadable, QStringLiteral("檔案無法讀取: %1 (%2)").arg(shown, codeText(code)));
}

// Reads the entries of an open archive and discards it, unless it is kept for the entries left packed (those stated
// larger than keepPackedAbove, when that is not negative).
OfficeStatus readEntries(zip_t* za, const QString& shown, std::vector<ZipEntry>* entries, qint64 maxTotalBytes,
                         const ZipEntryCut* cut = nullptr, qint64 keepPackedAbove = -1,
                         std::unique_ptr<ZipArchive>* kept = nullptr) {
    auto mayCut = [cut](const char* name) { return cut && cut->applies && cut->applies(QString::fromUtf8(name)); };
    auto packed = [keepPackedAbove](const zip_stat_t& st) {
        return keepPackedAbove >= 0 && (st.valid & ZIP_STAT_SIZE) && qint64(st.size) > keepPackedAbove;
    };
    const zip_int64_t n = zip_get_num_entries(za, 0);
    qint64 total = 0;
    OfficeStatus result = OfficeStatus::success();
    auto damaged = [&](const QString& what) {
        return failed(OfficeError::Damaged, QStringLiteral("檔案已損毀: %1 (%2)").arg(shown, what));
    };
    auto tooLarge = [&] { return failed(OfficeError::TooLarge, QStringLiteral("檔案過大，無法讀取: %1").arg(shown)); };
    // What the archive says its entries unpack to, summed before anything is unpacked: an archive of many entries is
    // refused at once rather than after it has filled memory. Entries left packed count as well: every read of them
    // later is held to the size stated here.
    qint64 declared = 0;
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
            !((st.valid & ZIP_STAT_NAME) && mayCut(st.name))) {
            if (st.size > zip_uint64_t(maxTotalBytes - declared)) {
                zip_discard(za);
                return tooLarge();
            }
            declared += qint64(st.size);
        }
    }
    for (zip_int64_t i = 0; i < n && result; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            result = damaged(QStringLiteral("壓縮目錄無法讀取"));
            break;
        }
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(u'/')) continue; // a folder entry carries nothing
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            result = failed(OfficeError::Encrypted, QStringLiteral("檔案已加密，無法讀取: %1").arg(shown));
            break;
        }
        // The stated size refuses a huge archive before anything is unpacked; the bytes actually unpacked are counted
        // too, and an entry may not unpack to more than it states, since the stated size may lie.
        const bool cutting = mayCut(st.name);
        const bool sized = st.valid & ZIP_STAT_SIZE;
        const qint64 stated = sized ? qint64(st.size) : 0;
        if (!cutting && stated > maxTotalBytes - total) {
            result = tooLarge();
            break;
        }
        if (packed(st)) {
            total += stated;
            entries->push_back({name, QByteArray(), qint64(i)});
            continue;
        }
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        if (!f) {
            result = zip_error_code_zip(zip_get_error(za)) == ZIP_ER_NOPASSWD
                         ? failed(OfficeError::Encrypted, QStringLiteral("檔案已加密，無法讀取: %1").arg(shown))
                         : damaged(QStringLiteral("%1 無法解壓縮").arg(name));
            break;
        }
        QByteArray data;
        data.reserve(qsizetype(cutting ? std::min<qint64>(stated, kChunk) : stated));
        char buf[kChunk];
        zip_int64_t got;
        bool ended = false;
        bool overlong = false;
        // Reading on to the end lets libzip compare the checksum.
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) {
            total += got;
            if (total > maxTotalBytes) break;
            overlong = sized && data.size() + got > stated;
            if (overlong) break;
            data.append(buf, qsizetype(got));
            if (cutting && cut->enough(name, &data)) {
                ended = true;
                break;
            }
        }
        zip_fclose(f);
        if (ended) got = 0;
        if (total > maxTotalBytes) {
            result = tooLarge();
            break;
        }
        if (got != 0 || overlong) {
            result = damaged(QStringLiteral("%1 無法解壓縮").arg(name));
            break;
        }
        entries->push_back({name, std::move(data)});
    }
    if (result && kept)
        *kept = std::make_unique<ZipArchive>(za, shown, maxTotalBytes);
    else
        zip_discard(za);
    if (!result) entries->clear();
    return result;
}

} // namespace

bool isOleCompoundFile(const QByteArray& head) {
    static const QByteArray signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    return head.startsWith(signature);
}

OfficeStatus readZipFile(const QString& path, std::vector<ZipEntry>* entries, qint64 maxTotalBytes) {
    return readZipFile(path, entries, ZipEntryCut{}, maxTotalBytes);
}

namespace {
// Opens a file as a zip archive: a missing, unreadable or legacy Office file, and a file that is no archive, fail
// with their reason. libzip reads the file itself, so a big workbook is never held twice.
OfficeStatus openArchive(const QString& path, const QString& shown, zip_t** za) {
    *za = nullptr;
    if (!QFileInfo(path).isFile()) return failed(OfficeError::Missing, QStringLiteral("檔案不存在: %1").arg(shown));
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return failed(OfficeError::Unreadable, QStringLiteral("檔案無法讀取: %1 (%2)").arg(shown, f.errorString()));
        if (isOleCompoundFile(f.read(8))) return oleFile(shown);
    }
    int code = 0;
    *za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!*za) return openFailure(code, shown, QFileInfo(path).isFile());
    return OfficeStatus::success();
}
} // namespace

OfficeStatus readZipFile(const QString& path, std::vector<ZipEntry>* entries, const ZipEntryCut& cut,
                         qint64 maxTotalBytes) {
    entries->clear();
    const QString shown = QDir::toNativeSeparators(path);
    zip_t* za = nullptr;
    if (const OfficeStatus opened = openArchive(path, shown, &za); !opened) return opened;
    return readEntries(za, shown, entries, maxTotalBytes, &cut);
}

OfficeStatus openZipFile(const QString& path, std::vector<ZipEntry>* entries, qint64 keepPackedAbove,
                         std::unique_ptr<ZipArchive>* archive, qint64 maxTotalBytes) {
    entries->clear();
    archive->reset();
    const QString shown = QDir::toNativeSeparators(path);
    zip_t* za = nullptr;
    if (const OfficeStatus opened = openArchive(path, shown, &za); !opened) return opened;
    return readEntries(za, shown, entries, maxTotalBytes, nullptr, keepPackedAbove, archive);
}

ZipArchive::~ZipArchive() {
    zip_discard(m_za);
}

OfficeStatus ZipArchive::stream(qint64 index, const std::function<bool(const char*, qsizetype)>& chunk) const {
    auto damaged = [&] {
        const char* name = zip_get_name(m_za, zip_uint64_t(index), 0);
        return failed(OfficeError::Damaged, QStringLiteral("檔案已損毀: %1 (%2 無法解壓縮)")
                                                .arg(m_shown, name ? QString::fromUtf8(name) : QString::number(index)));
    };
    // An entry is held to the size the archive states for it (those sizes were summed against the limit when the
    // archive was opened): one that unpacks to more is damaged, and is stopped there.
    zip_stat_t st;
    zip_stat_init(&st);
    const qint64 most = zip_stat_index(m_za, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
                            ? qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(m_maxBytes)))
                            : m_maxBytes;
    zip_file_t* f = zip_fopen_index(m_za, zip_uint64_t(index), 0);
    if (!f) return damaged();
    char buf[kChunk];
    zip_int64_t got;
    bool stopped = false;
    qint64 unpacked = 0;
    while ((got = zip_fread(f, buf, sizeof buf)) > 0) {
        unpacked += got;
        if (unpacked > most) break;
        if (!chunk(buf, qsizetype(got))) {
            stopped = true;
            break;
        }
    }
    zip_fclose(f);
    return stopped || (got == 0 && unpacked <= most) ? OfficeStatus::success() : damaged();
}

OfficeStatus ZipArchive::read(qint64 index, QByteArray* data, qint64 maxBytes) const {
    data->clear();
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_za, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
        if (qint64(st.size) > maxBytes)
            return failed(OfficeError::TooLarge, QStringLiteral("檔案過大，無法讀取: %1").arg(m_shown));
        data->reserve(qsizetype(st.size));
    }
    bool tooLarge = false;
    const OfficeStatus read = stream(index, [&](const char* bytes, qsizetype size) {
        tooLarge = data->size() + size > maxBytes;
        if (!tooLarge) data->append(bytes, size);
        return !tooLarge;
    });
    if (tooLarge || !read) data->clear();
    if (tooLarge) return failed(OfficeError::TooLarge, QStringLiteral("檔案過大，無法讀取: %1").arg(m_shown));
    return read;
}

OfficeStatus readZipBytes(const QByteArray& bytes, const QString& displayName, std::vector<ZipEntry>* entries,
                          qint64 maxTotalBytes) {
    entries->clear();
    if (isOleCompoundFile(bytes)) return oleFile(displayName);
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* src = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &ze);
    zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY, &ze) : nullptr;
    if (!za) {
        if (src) zip_source_free(src);
        const int code = zip_error_code_zip(&ze);
        zip_error_fini(&ze);
        return openFailure(code, displayName, true);
    }
    zip_error_fini(&ze);
    return readEntries(za, displayName, entries, maxTotalBytes); // `bytes` outlives the archive
}

namespace {

// A libzip source reading an entry's pieces as the archive is written. A piece that could not be made (the maker
// threw) fails the read, and the exception waits in `thrown` for buildZip to rethrow: it never crosses libzip.
struct PieceSource {
    ZipPieces start;
    std::exception_ptr* thrown;
    std::function<QByteArray()> next;
    QByteArray piece;
    qsizetype at = 0;
    bool ended = false;
    zip_error_t error;

    static zip_int64_t callback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        auto* s = static_cast<PieceSource*>(state);
        try {
            return s->run(data, len, cmd);
        } catch (...) {
            if (!*s->thrown) *s->thrown = std::current_exception();
            zip_error_set(&s->error, ZIP_ER_READ, 0);
            return -1;
        }
    }

    zip_int64_t run(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        PieceSource* s = this;
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            s->next = s->start();
            s->piece.clear();
            s->at = 0;
            s->ended = false;
            return 0;
        case ZIP_SOURCE_READ: {
            auto* out = static_cast<char*>(data);
            zip_uint64_t done = 0;
            while (done < len && !s->ended) {
                if (s->at == s->piece.size()) {
                    s->piece = s->next();
                    s->at = 0;
                    s->ended = s->piece.isEmpty();
                    continue;
                }
                const auto n = std::min<zip_uint64_t>(len - done, zip_uint64_t(s->piece.size() - s->at));
                std::memcpy(out + done, s->piece.constData() + s->at, size_t(n));
                done += n;
                s->at += qsizetype(n);
            }
            return zip_int64_t(done);
        }
        case ZIP_SOURCE_CLOSE:
            s->next = nullptr;
            s->piece.clear();
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st); // the size is not known before the pieces are made
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&s->error);
            delete s;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

zip_source_t* pieceSource(zip_t* za, const ZipPieces& pieces, std::exception_ptr* thrown) {
    auto* state = new PieceSource{pieces, thrown, nullptr, {}, 0, false, {}};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function(za, &PieceSource::callback, state);
    if (!source) {
        zip_error_fini(&state->error);
        delete state;
    }
    return source;
}

} // namespace

OfficeStatus buildZip(const std::vector<ZipEntry>& entries, QByteArray* archive) {
    return buildZip(entries, {}, archive);
}

OfficeStatus buildZip(const std::vector<ZipEntry>& entries, const std::vector<ZipPieces>& pieces, QByteArray* archive) {
    auto fail = [](const QString& why) { return OfficeStatus::failure(OfficeError::WriteFailed, why); };
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &ze);
    zip_t* za = out ? zip_open_from_source(out, ZIP_TRUNCATE, &ze) : nullptr;
    if (!za) {
        const QString why = QStringLiteral("無法建立壓縮檔: %1").arg(QString::fromUtf8(zip_error_strerror(&ze)));
        if (out) zip_source_free(out);
        zip_error_fini(&ze);
        return fail(why);
    }
    zip_error_fini(&ze);
    zip_source_keep(out);      // the buffer outlives the archive: its bytes are the result
    std::exception_ptr thrown; // what a maker of pieces threw, rethrown once the archive is put away
    auto abandon = [&](const QString& why) {
        zip_discard(za);
        zip_source_free(out);
        if (thrown) std::rethrow_exception(thrown);
        return fail(why);
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipEntry& e = entries[i];
        const bool made = i < pieces.size() && pieces[i];
        // The entry bytes stay alive in `entries` until zip_close has read them.
        zip_source_t* data = made ? pieceSource(za, pieces[i], &thrown)
                                  : zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const QByteArray name = e.name.toUtf8();
        const zip_int64_t index = data ? zip_file_add(za, name.constData(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (data) zip_source_free(data);
            return abandon(QStringLiteral("無法加入 %1 到壓縮檔: %2").arg(e.name, QString::fromUtf8(zip_strerror(za))));
        }
        // A big merged body deflates several times faster at the lowest level and stays nearly as small, since its
        // copies repeat.
        const int level = made || e.data.size() > kZipFastDeflateAbove ? 1 : 6;
        zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(level));
    }
    if (zip_close(za) != 0)
        return abandon(QStringLiteral("無法建立壓縮檔: %1").arg(QString::fromUtf8(zip_strerror(za))));
    if (thrown) {
        zip_source_free(out);
        std::rethrow_exception(thrown);
    }
    QByteArray bytes;
    zip_stat_t st;
    zip_stat_init(&st);
    bool ok = zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0;
    if (ok) {
        bytes.resize(qsizetype(st.size));
        ok = zip_source_read(out, bytes.data(), st.size) == zip_int64_t(st.size);
        zip_source_close(out);
    }
    zip_source_free(out);
    if (!ok) return fail(QStringLiteral("無法建立壓縮檔"));
    *archive = std::move(bytes);
    return OfficeStatus::success();
}

} // namespace office
