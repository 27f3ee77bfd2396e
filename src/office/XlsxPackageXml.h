#pragma once
// What the files of the package reader share: a part in memory, and small helpers over pugixml nodes that ignore
// namespace prefixes. Not part of the office layer's interface.

#include "office/XlsxCellRef.h"
#include "office/XlsxPackage.h"
#include "office/XlsxText.h"
#include "office/Zip.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <pugixml.hpp>

#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace office {

// A worksheet's cells gathered by one pass over its XML, for reading cells by position without a tree: rows sorted by
// number, each with its cells sorted by column; a cell's text is worked out when it is read (numbers, dates and
// booleans from their number, shared strings by index), so that a cell costs 16 bytes and its own text, if any.
struct XlsxPackage::SheetStore {
    enum Form : quint8 { None, Number, Shared, Text };
    struct Cell {
        quint16 col = 0;
        quint8 kind = 0; // XlsxCellValue::Kind
        quint8 form = None;
        qint32 style = 0;
        union {
            double number;
            quint32 shared;
            struct {
                quint32 offset;
                quint32 size;
            } text;
        };
    };
    struct Row {
        int number = 0; // from 0
        quint32 first = 0;
        quint32 count = 0;
    };
    std::vector<Row> rows;
    std::deque<Cell> cells; // grows without copying what it holds

    QString texts;
    int rowCount = 0;
    int columnCount = 0;
};

struct XlsxPackage::Part {
    QString name;
    QByteArray data;
    qint64 packedIndex = -1; // still packed in the archive: data is empty until unpacked
    std::unique_ptr<SheetStore> store;
    std::unique_ptr<pugi::xml_document> doc;
    bool dirty = false;
    // A worksheet's rows by number (sorted, built once when the sheet is first read) and the cells of the row last
    // looked in by column; why the sheet cannot be read, once found.
    bool indexed = false;
    std::vector<std::pair<int, pugi::xml_node>> rows;
    pugi::xml_node cellsOfRow;
    std::vector<std::pair<int, pugi::xml_node>> cells;
    QString damage;
    OfficeError damageCode = OfficeError::Damaged; // TooLarge for a sheet past the reader's limits
};

namespace pkg {

inline constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata | pugi::parse_comments | pugi::parse_pi;
inline const char* const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline const char* const kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline const char* const kWorksheetContent =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

// The order of a worksheet's children that Excel insists on.
inline const char* const kWorksheetOrder[] = {"sheetPr",
                                              "dimension",
                                              "sheetViews",
                                              "sheetFormatPr",
                                              "cols",
                                              "sheetData",
                                              "sheetCalcPr",
                                              "sheetProtection",
                                              "protectedRanges",
                                              "scenarios",
                                              "autoFilter",
                                              "sortState",
                                              "dataConsolidate",
                                              "customSheetViews",
                                              "mergeCells",
                                              "phoneticPr",
                                              "conditionalFormatting",
                                              "dataValidations",
                                              "hyperlinks",
                                              "printOptions",
                                              "pageMargins",
                                              "pageSetup",
                                              "headerFooter",
                                              "rowBreaks",
                                              "colBreaks",
                                              "customProperties",
                                              "cellWatches",
                                              "ignoredErrors",
                                              "smartTags",
                                              "drawing",
                                              "legacyDrawing",
                                              "legacyDrawingHF",
                                              "drawingHF",
                                              "picture",
                                              "oleObjects",
                                              "controls",
                                              "webPublishItems",
                                              "tableParts",
                                              "extLst",
                                              nullptr};
inline const char* const kWorkbookOrder[] = {"fileVersion",    "fileSharing",
                                             "workbookPr",     "workbookProtection",
                                             "bookViews",      "sheets",
                                             "functionGroups", "externalReferences",
                                             "definedNames",   "calcPr",
                                             "oleSize",        "customWorkbookViews",
                                             "pivotCaches",    "smartTagPr",
                                             "smartTagTypes",  "webPublishing",
                                             "fileRecoveryPr", "webPublishObjects",
                                             "extLst",         nullptr};

inline const char* localName(const char* qname) {
    const char* colon = std::strchr(qname, ':');
    return colon ? colon + 1 : qname;
}

inline bool is(pugi::xml_node n, const char* local) {
    return n.type() == pugi::node_element && std::strcmp(localName(n.name()), local) == 0;
}

inline pugi::xml_node child(pugi::xml_node n, const char* local) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (is(c, local)) return c;
    return {};
}

// The qualified name for a new child, with the parent's namespace prefix.
inline std::string qualified(pugi::xml_node parent, const char* local) {
    const char* name = parent.name();
    const char* colon = std::strchr(name, ':');
    if (!colon) return local;
    return std::string(name, size_t(colon - name + 1)) + local;
}

inline int orderOf(const char* const* order, const char* local) {
    for (int i = 0; order[i]; ++i)
        if (std::strcmp(order[i], local) == 0) return i;
    return 1000;
}

// Adds a child where the schema's order puts it (before the first sibling that must follow it).
inline pugi::xml_node insertInOrder(pugi::xml_node parent, const char* local, const char* const* order) {
    const int mine = orderOf(order, local);
    const std::string name = qualified(parent, local);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && orderOf(order, localName(c.name())) > mine)
            return parent.insert_child_before(name.c_str(), c);
    }
    return parent.append_child(name.c_str());
}

inline pugi::xml_attribute attrByLocal(pugi::xml_node n, const char* local) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
        if (std::strcmp(localName(a.name()), local) == 0) return a;
    return {};
}

inline QString qs(const char* s) {
    return QString::fromUtf8(s);
}

inline QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// "worksheets/sheet1.xml" seen from "xl/workbook.xml" → "xl/worksheets/sheet1.xml"; "/xl/x.xml" → "xl/x.xml".
inline QString resolveTarget(const QString& sourcePart, const QString& target) {
    if (target.startsWith(u'/')) return QDir::cleanPath(target.mid(1));
    const qsizetype slash = sourcePart.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? sourcePart.left(slash + 1) : QString();
    return QDir::cleanPath(folder + target);
}

inline QString relsPathOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return (slash >= 0 ? part.left(slash + 1) : QString()) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

// A row's number from its r attribute: 1 to 1 048 576, or 0 for anything else.
inline int rowNumberOf(const char* text) {
    long long n = 0;
    int digits = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || ++digits > 7) return 0;
        n = n * 10 + (*p - '0');
    }
    return n >= 1 && n <= kXlsxMaxRows ? int(n) : 0;
}

// Column of an A1 reference (0-based), or -1.
inline int columnOfRef(const char* ref) {
    int col = 0;
    int letters = 0;
    for (const char* p = ref; *p; ++p) {
        const char c = *p;
        if (c == '$') continue;
        if (c >= 'A' && c <= 'Z')
            col = col * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            col = col * 26 + (c - 'a' + 1);
        else
            break;
        if (++letters > 3) return -1; // past XFD: no column of the sheet
    }
    return letters && col <= kXlsxMaxColumns ? col - 1 : -1;
}

// "B12" or "$B$12" within A1:XFD1048576; nullopt for anything else.
inline std::optional<XlsxCellRef> parseCellRef(const char* ref) {
    const char* p = ref;
    if (*p == '$') ++p;
    long long col = 0;
    int letters = 0;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        if (++letters > 3) return std::nullopt;
        col = col * 26 + ((*p | 0x20) - 'a' + 1);
    }
    if (*p == '$') ++p;
    long long row = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 7) return std::nullopt;
        row = row * 10 + (*p - '0');
    }
    if (*p || !letters || !digits || col > kXlsxMaxColumns || row < 1 || row > kXlsxMaxRows) return std::nullopt;
    return XlsxCellRef{int(row - 1), int(col - 1)};
}

// Text for a <t> element: characters XML cannot carry, and every underscore that would begin an escape, are
// written as "_xHHHH_", so that xlsxDecodeEscapes gives the text back.
inline QString encodeCellText(const QString& text) {
    const QString s = xlsxEscapeUnderscores(text);
    QString out;
    out.reserve(s.size());
    for (const QChar ch : s) {
        const char16_t u = ch.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
            out += QStringLiteral("_x%1_").arg(unsigned(u), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
        else
            out += ch;
    }
    return out;
}

// The text of a <v> or <t> as every road reads it: its text and CDATA sections joined whole, comments and processing
// instructions left out.
inline QString textOf(pugi::xml_node n) {
    pugi::xml_node c = n.first_child();
    if (c && !c.next_sibling()) // the usual: one piece of text
        return c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata ? qs(c.value()) : QString();
    QByteArray text;
    for (; c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) text += c.value();
    return QString::fromUtf8(text);
}

// The text of an <si> or <is>: its runs joined, phonetic runs left out, escapes not yet decoded.
inline QString collectRawText(pugi::xml_node si) {
    QString text;
    for (pugi::xml_node c = si.first_child(); c; c = c.next_sibling()) {
        if (is(c, "t")) {
            text += textOf(c);
        } else if (is(c, "r")) {
            for (pugi::xml_node t = c.first_child(); t; t = t.next_sibling())
                if (is(t, "t")) text += textOf(t);
        }
        // rPh (phonetic guides) and phoneticPr are not part of the text.
    }
    return text;
}

inline QString collectText(pugi::xml_node si) {
    return xlsxDecodeEscapes(collectRawText(si));
}

inline QString isoDateText(const QString& iso) {
    QDateTime dt = QDateTime::fromString(iso, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(iso.left(10), Qt::ISODate);
        if (!d.isValid()) return iso;
        return d.toString(QStringLiteral("yyyy/MM/dd"));
    }
    const QTime t = dt.time();
    const QString date = dt.date().toString(QStringLiteral("yyyy/MM/dd"));
    return (t.hour() || t.minute() || t.second()) ? date + u' ' + t.toString(QStringLiteral("HH:mm:ss")) : date;
}

// The serialised sheet on either side of the end of its sheetData, where a streamed body goes; false when that place
// cannot be told for sure.
bool splitAtBodyPlace(pugi::xml_document& doc, QByteArray* head, QByteArray* tail);

struct StringWriter : pugi::xml_writer {
    QByteArray out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), qsizetype(size)); }
};

inline QByteArray serialise(const pugi::xml_document& doc) {
    StringWriter w;
    doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return w.out;
}

// Why a file could not be read as a workbook; a legacy or encrypted one and one that is no zip archive are told in
// a workbook's words.
inline OfficeStatus openFailure(const OfficeStatus& read) {
    switch (read.code()) {
    case OfficeError::OleFile:
        return OfficeStatus::failure(read.code(),
                                     QStringLiteral("這是舊版 Excel 97-2003 活頁簿 (.xls) 或加密的活頁簿，無法讀取；"
                                                    "請在 Excel 另存為 .xlsx 活頁簿 (不設開啟密碼) 後再試"));
    case OfficeError::NotZip:
        return OfficeStatus::failure(read.code(), QStringLiteral("檔案已損毀或不是 Excel 活頁簿 (.xlsx)"));
    default:
        return read;
    }
}

inline QString quoteSheetRef(const QString& name) {
    QString q = name;
    q.replace(u'\'', QStringLiteral("''"));
    return u'\'' + q + QStringLiteral("'!");
}

} // namespace pkg
} // namespace office
