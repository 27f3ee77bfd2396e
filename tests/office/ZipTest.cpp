// The zip container shared by the workbook and document packages: archives built and read back from memory and from
// a file, and the archives it refuses (too large together, encrypted, foreign, an entry longer than it states).

#include "office/Zip.h"
#include "common/PatternZip.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace office;

namespace {

std::vector<ZipEntry> sampleEntries() {
    QByteArray big;
    for (int i = 0; big.size() <= kZipFastDeflateAbove; ++i)
        big += "<w:p><w:r><w:t>第 " + QByteArray::number(i) + " 份</w:t></w:r></w:p>";
    return {{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", big}, {"word/media/空.bin", QByteArray()}};
}

void expectSameEntries(const std::vector<ZipEntry>& got, const std::vector<ZipEntry>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, want[i].name);
        EXPECT_TRUE(got[i].data == want[i].data) << got[i].name.toStdString();
    }
}

} // namespace

TEST(Zip, BuiltArchivesReadBackInOrderFromMemoryAndFromAFile) {
    const std::vector<ZipEntry> entries = sampleEntries();
    QByteArray archive;
    const OfficeStatus built = buildZip(entries, &archive);
    ASSERT_TRUE(built) << built.message().toStdString();
    EXPECT_LT(archive.size(), entries[1].data.size() / 10); // the big part is deflated, if at the fastest level

    std::vector<ZipEntry> read;
    ASSERT_TRUE(readZipBytes(archive, "a.docx", &read));
    expectSameEntries(read, entries);

    QTemporaryDir dir;
    const QString path = dir.filePath("包裝.zip");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(archive);
    f.close();
    ASSERT_TRUE(readZipFile(path, &read));
    expectSameEntries(read, entries);

    // Two entries of one name would leave a reader guessing which one counts.
    QByteArray unbuilt;
    const OfficeStatus error = buildZip({{"a.xml", "1"}, {"a.xml", "2"}}, &unbuilt);
    EXPECT_EQ(error.code(), OfficeError::WriteFailed);
    EXPECT_TRUE(unbuilt.isEmpty());
    EXPECT_TRUE(error.message().contains("a.xml")) << error.message().toStdString();
}

TEST(Zip, RefusesTooLargeEncryptedAndForeignArchivesWithNothingRead) {
    const std::vector<ZipEntry> entries = {{"a.xml", QByteArray(300, 'a')}, {"b.xml", QByteArray(200, 'b')}};
    QByteArray archive;
    ASSERT_TRUE(buildZip(entries, &archive));
    std::vector<ZipEntry> read;
    EXPECT_TRUE(readZipBytes(archive, "a.xlsx", &read, 500));
    const OfficeStatus tooLarge = readZipBytes(archive, "a.xlsx", &read, 499);
    EXPECT_EQ(tooLarge.code(), OfficeError::TooLarge);
    EXPECT_TRUE(tooLarge.message().contains("a.xlsx"));
    EXPECT_TRUE(read.empty());
    // The sizes the archive declares are summed before anything is unpacked: the first entry, whose checksum is
    // wrong, is never reached.
    QByteArray badFirst = archive;
    badFirst[14] = char(badFirst[14] ^ 0x55);                     // the checksum in its local header
    badFirst[badFirst.indexOf("PK\x01\x02") + 16] = badFirst[14]; // and in the central directory
    EXPECT_EQ(readZipBytes(badFirst, "a.xlsx", &read).code(), OfficeError::Damaged);
    EXPECT_EQ(readZipBytes(badFirst, "a.xlsx", &read, 499).code(), OfficeError::TooLarge);

    // The encryption flag of every central directory record set, as a password-protected zip has it.
    QByteArray encrypted = archive;
    for (qsizetype at = encrypted.indexOf("PK\x01\x02"); at >= 0; at = encrypted.indexOf("PK\x01\x02", at + 4))
        encrypted[at + 8] = char(encrypted[at + 8] | 1);
    EXPECT_EQ(readZipBytes(encrypted, "a.xlsx", &read).code(), OfficeError::Encrypted);
    EXPECT_TRUE(read.empty());

    EXPECT_EQ(readZipBytes(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'), "a.xls", &read).code(),
              OfficeError::OleFile);
    EXPECT_EQ(readZipBytes("這不是壓縮檔", "a.docx", &read).code(), OfficeError::NotZip);
    EXPECT_EQ(readZipBytes(archive.left(archive.size() / 2), "a.docx", &read).code(), OfficeError::NotZip);
    EXPECT_EQ(readZipFile(QTemporaryDir().filePath("none.zip"), &read).code(), OfficeError::Missing);
    EXPECT_TRUE(read.empty());
}

// Entries left packed count against the limit by their stated size, and no read, at opening, whole or streamed,
// unpacks an entry past the size its archive states.
TEST(Zip, PackedEntriesCountAndNoEntryUnpacksPastItsStatedSize) {
    QTemporaryDir dir;
    auto write = [&dir](const QString& name, std::optional<quint32> stated) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ziptest::patternZip(
            {{"small.xml", "abc", {}, 0, {}, {}}, {"big.xml", "<a>", QByteArray(1000, 'a'), 100, "</a>", stated}}));
        return path;
    };
    const QString told = write("told.zip", std::nullopt), untold = write("untold.zip", 50000);
    std::vector<ZipEntry> entries;
    std::unique_ptr<ZipArchive> archive;
    EXPECT_EQ(openZipFile(told, &entries, 1000, &archive, 100009).code(), OfficeError::TooLarge);
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(archive);
    ASSERT_TRUE(openZipFile(told, &entries, 1000, &archive, 100010));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].packedIndex, 1);
    QByteArray big;
    ASSERT_TRUE(archive->read(1, &big));
    EXPECT_EQ(big.size(), 100007);

    // Stated as 50 000 bytes: read at opening, the archive is damaged; left packed, each read stops there.
    const OfficeStatus whole = readZipFile(untold, &entries);
    EXPECT_EQ(whole.code(), OfficeError::Damaged);
    EXPECT_TRUE(whole.message().contains("big.xml")) << whole.message().toStdString();
    EXPECT_TRUE(entries.empty());
    ASSERT_TRUE(openZipFile(untold, &entries, 1000, &archive));
    qint64 handed = 0;
    EXPECT_EQ(archive->stream(1, [&handed](const char*, qsizetype size) { return (handed += size) > 0; }).code(),
              OfficeError::Damaged);
    EXPECT_LE(handed, 50000);
    EXPECT_EQ(archive->read(1, &big).code(), OfficeError::Damaged);
    EXPECT_TRUE(big.isEmpty());
}
