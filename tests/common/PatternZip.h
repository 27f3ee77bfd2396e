#pragma once
// Zip archives written byte by byte, so that a test decides what the directory states: an entry repeats a pattern
// until it unpacks to gigabytes while the archive stays a few megabytes (each copy of the pattern deflated once,
// its packed bytes repeated), and an entry may state a size other than the one it unpacks to.

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <zlib.h>

#include <optional>
#include <vector>

namespace ziptest {

struct PatternEntry {
    QByteArray name;
    QByteArray head;                   // unpacked first
    QByteArray pattern;                // then this, `repeats` times
    quint32 repeats = 0;               // the whole entry stays below 4 GiB
    QByteArray tail;                   // last
    std::optional<quint32> statedSize; // what the directory says it unpacks to; its true size when unset
};

namespace detail {

// Raw deflate of `bytes` ending on a full flush: its output can be followed by that of any other such call.
inline QByteArray deflatePiece(const QByteArray& bytes, bool last) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(bytes.size()))) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

inline void put16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF)).append(char(v >> 8));
}
inline void put32(QByteArray& out, quint32 v) {
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

} // namespace detail

// The archive of the entries, each deflated.
inline QByteArray patternZip(const std::vector<PatternEntry>& entries) {
    using namespace detail;
    QByteArray archive, directory;
    for (const PatternEntry& e : entries) {
        const QByteArray pattern = e.repeats ? deflatePiece(e.pattern, false) : QByteArray();
        QByteArray packed = deflatePiece(e.head, false);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(e.head.constData()), uInt(e.head.size()));
        const uLong patternCrc =
            crc32(0, reinterpret_cast<const Bytef*>(e.pattern.constData()), uInt(e.pattern.size()));
        packed.reserve(packed.size() + pattern.size() * qsizetype(e.repeats) + e.tail.size() + 64);
        for (quint32 i = 0; i < e.repeats; ++i) {
            packed += pattern;
            crc = crc32_combine(crc, patternCrc, z_off_t(e.pattern.size()));
        }
        packed += deflatePiece(e.tail, true);
        crc = crc32_combine(crc, crc32(0, reinterpret_cast<const Bytef*>(e.tail.constData()), uInt(e.tail.size())),
                            z_off_t(e.tail.size()));
        const quint64 size = quint64(e.head.size()) + quint64(e.pattern.size()) * e.repeats + quint64(e.tail.size());
        const quint32 stated = e.statedSize.value_or(quint32(size));
        auto common = [&](QByteArray& out) {
            put16(out, 20);   // version needed
            put16(out, 0);    // flags
            put16(out, 8);    // deflated
            put16(out, 0);    // time
            put16(out, 0x21); // date: 1980-01-01
            put32(out, quint32(crc));
            put32(out, quint32(packed.size()));
            put32(out, stated);
            put16(out, quint16(e.name.size()));
            put16(out, 0); // extra field
        };
        const quint32 offset = quint32(archive.size());
        put32(archive, 0x04034b50);
        common(archive);
        archive += e.name;
        archive += packed;
        put32(directory, 0x02014b50);
        put16(directory, 20); // made by
        common(directory);
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, offset);
        directory += e.name;
    }
    const quint32 at = quint32(archive.size());
    archive += directory;
    put32(archive, 0x06054b50);
    put16(archive, 0);
    put16(archive, 0);
    put16(archive, quint16(entries.size()));
    put16(archive, quint16(entries.size()));
    put32(archive, quint32(directory.size()));
    put32(archive, at);
    put16(archive, 0);
    return archive;
}

// A workbook of one sheet named "工作表1" from the entries of its sheet and its shared strings (their names are set
// here): the head, pattern and tail of each are the XML of the part.
inline QByteArray patternWorkbook(PatternEntry sheet, PatternEntry sharedStrings) {
    const QByteArray relType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    auto plain = [](const QByteArray& name, const QByteArray& text) { return PatternEntry{name, text, {}, 0, {}, {}}; };
    sheet.name = "xl/worksheets/sheet1.xml";
    sharedStrings.name = "xl/sharedStrings.xml";
    return patternZip({
        plain("[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                     "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"),
        plain("_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                             "<Relationship Id=\"rId1\" Type=\"" +
                                 relType + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"),
        plain("xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                 "<sheets><sheet name=\"工作表1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"),
        plain("xl/_rels/workbook.xml.rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"" +
                  relType + "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
                  relType + "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"),
        sheet,
        sharedStrings,
    });
}

// The XML of a part of the main spreadsheet namespace around `inner`: "<sheetData>...", say, for a worksheet.
inline QByteArray spreadsheetXml(const char* root, const QByteArray& inner) {
    return QByteArray("<") + root + " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + inner +
           "</" + root + ">";
}

// A workbook of one sheet holding the first shared string in A1; the shared strings are "附表" followed by `si` (an
// <si> element, or several) `repeats` times. `stated`, when set, is the size the directory gives the shared strings.
inline QByteArray workbookWithSharedStrings(const QByteArray& si, quint32 repeats,
                                            std::optional<quint32> stated = std::nullopt) {
    const QByteArray sheet =
        spreadsheetXml("worksheet", "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>");
    const QByteArray sst = spreadsheetXml("sst", "<si><t>附表</t></si>");
    return patternWorkbook({{}, sheet, {}, 0, {}, {}}, {{}, sst.left(sst.size() - 6), si, repeats, "</sst>", stated});
}

} // namespace ziptest
