#pragma once
// The zip container of an Office file (.xlsx, .docx): every entry read into memory in archive order, and a new
// archive built in memory from entries. libzip underneath; its failures become reasons the user can read.

#include <QByteArray>
#include <QString>

#include "office/OfficeStatus.h"
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct zip;

namespace office {

// An entry's bytes made while the archive is written, piece after piece, never all in memory: the function starts
// the entry (again, if asked twice) and returns the source of its pieces, which gives an empty piece at the end.
using ZipPieces = std::function<std::function<QByteArray()>()>;

struct ZipEntry {
    QString name; // the entry name, e.g. "word/document.xml"
    QByteArray data;
    qint64 packedIndex = -1; // left packed in the archive (openZipFile): its index there; data is then empty
};

// Together, the entries of one archive may unpack to this many bytes; more is refused before it exhausts memory.
inline constexpr qint64 kZipMaxTotalBytes = qint64(1) << 30;
// Entries larger than this deflate at the fastest level when an archive is built.
inline constexpr qint64 kZipFastDeflateAbove = qint64(1) << 20;

// True when the bytes begin an OLE compound file: a legacy Office 97-2003 file (.xls, .doc) or an Office file
// encrypted with an open password.
bool isOleCompoundFile(const QByteArray& head);

// Reads every entry of the archive at `path` in archive order; folder entries are skipped, a repeated name is kept
// as often as it occurs. A missing or unreadable file, an OLE compound file, a file that is no zip archive, a damaged
// (checksum included) or encrypted entry, and entries unpacking to more than maxTotalBytes fail with `entries` empty;
// the sizes the archive declares are summed before anything is unpacked, and an entry unpacking to more than its
// declared size is damaged. The codes of a failed read: Missing,
// Unreadable, OleFile, NotZip, Damaged, Encrypted or TooLarge; OleFile and NotZip are usually reworded by the caller,
// which knows what the file should have been.
OfficeStatus readZipFile(const QString& path, std::vector<ZipEntry>* entries, qint64 maxTotalBytes = kZipMaxTotalBytes);

// Ends the reading of some entries early, for a reader that needs only their beginning. `applies` names the entries
// it may end (their stated sizes do not count against the limit; the bytes unpacked do); `enough` sees the bytes
// unpacked so far after every chunk and returns true to stop there, the entry keeping the bytes as it left them.
// An entry ended early is not checked against its checksum.
struct ZipEntryCut {
    std::function<bool(const QString& name)> applies;
    std::function<bool(const QString& name, QByteArray* data)> enough;
};
OfficeStatus readZipFile(const QString& path, std::vector<ZipEntry>* entries, const ZipEntryCut& cut,
                         qint64 maxTotalBytes = kZipMaxTotalBytes);
// The same for an archive already in memory; displayName names the file in reasons.
OfficeStatus readZipBytes(const QByteArray& bytes, const QString& displayName, std::vector<ZipEntry>* entries,
                          qint64 maxTotalBytes = kZipMaxTotalBytes);

// An archive kept open so that its large entries are unpacked only when asked for, whole or chunk by chunk. Every
// read of an entry, whole or streamed, is held to the size the archive states for it (and to maxBytes): an entry that
// unpacks to more is damaged and is stopped there, so that the sizes summed against the limit at opening bound every
// read.
class ZipArchive {
public:
    ZipArchive(struct zip* za, const QString& shown, qint64 maxBytes = kZipMaxTotalBytes)
        : m_za(za), m_shown(shown), m_maxBytes(maxBytes) {}
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;
    // Unpacks an entry whole, its checksum checked; more than maxBytes is refused (TooLarge), a damaged entry fails
    // (Damaged) and `data` is then empty.
    OfficeStatus read(qint64 index, QByteArray* data, qint64 maxBytes = kZipMaxTotalBytes) const;
    // Unpacks an entry a chunk at a time, handing each to `chunk`, which returns false to stop there. Read to its end,
    // the entry's checksum is checked (Damaged).
    OfficeStatus stream(qint64 index, const std::function<bool(const char* data, qsizetype size)>& chunk) const;

private:
    struct zip* m_za;
    QString m_shown;
    qint64 m_maxBytes;
};

// Reads the archive at `path` as readZipFile does, except that an entry stated to unpack to more than keepPackedAbove
// bytes stays packed: it comes with its packedIndex and no data, its stated size counts against maxTotalBytes as any
// other, and its checksum is checked only when it is unpacked from `archive`, which stays open for that.
OfficeStatus openZipFile(const QString& path, std::vector<ZipEntry>* entries, qint64 keepPackedAbove,
                         std::unique_ptr<ZipArchive>* archive, qint64 maxTotalBytes = kZipMaxTotalBytes);

// An archive of the entries in their order, deflated: at the usual level, and at the fastest one for entries above
// kZipFastDeflateAbove, which repeat enough to stay nearly as small. Fails with libzip's reason, e.g. for two entries
// of one name (code WriteFailed); `archive` is then left as it was.
OfficeStatus buildZip(const std::vector<ZipEntry>& entries, QByteArray* archive);
// The same, the bytes of entry i made by pieces[i] where it is set (its `data` then unused), deflated at the fastest
// level. An exception thrown while a piece is made reaches the caller once the archive is put away; `archive` is then
// left as it was.
OfficeStatus buildZip(const std::vector<ZipEntry>& entries, const std::vector<ZipPieces>& pieces, QByteArray* archive);

} // namespace office
