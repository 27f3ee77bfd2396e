#pragma once
// Reading a large XML part as its bytes arrive: the children of one element are handed over one at a time, parsed a
// batch of about a megabyte at a time, so that a sheet of a million rows is read without holding its XML or a tree of
// it. Not part of the office layer's interface.

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

namespace office::pkg {

// A cell as the sheet stores it, before its value is worked out (XlsxPackage::valueOf).
struct RawCell {
    enum class Type : quint8 { Number, Shared, String, Inline, Boolean, Error, IsoDate }; // t: none, s, str ...
    int col = 0;
    int style = 0;
    Type type = Type::Number;
    bool hasValue = false; // a <v> element
    QString value;         // the text of the first <v>, its pieces joined
    QString inlineText;    // the text of <is>, its runs joined and "_xHHHH_" escapes left as they stand
};

// The cell of a <c> element, its column left for the caller.
RawCell rawCellOf(pugi::xml_node c);

// Where the rows and cells of sheetData go, taken one after another in the order stored: a row at its r, or after the
// row before when it has none (an empty r counts as none); a cell at the column of its r, or after the cell before
// in its row. Every road that reads a sheet places its cells here, so that none can read a cell elsewhere.
class SheetPlacer {
public:
    // The number (from 1) of the next row; 0 when it lies past the last row of the sheet or its r is no row.
    int row(pugi::xml_node r);
    // The column (from 0) of the next cell of the row last placed; -1 when it lies outside the sheet.
    int column(pugi::xml_node c);
    // What put a row or cell outside the sheet, for a reason; empty while every position was sound.
    const QString& bad() const { return m_bad; }

private:
    int m_row = 0;
    int m_col = -1;
    QString m_bad;
};

// Sorts the cells of a row by column and keeps, of two cells of one column, the later one stored, as every road reads
// a row; returns the end of the cells kept.
template <typename It, typename ColumnOf> It keepLaterOfEachColumn(It begin, It end, ColumnOf columnOf) {
    std::stable_sort(begin, end, [&](const auto& a, const auto& b) { return columnOf(a) < columnOf(b); });
    It kept = begin;
    for (It it = begin; it != end; ++it) {
        if (std::next(it) != end && columnOf(*std::next(it)) == columnOf(*it)) continue;
        if (kept != it) *kept = std::move(*it);
        ++kept;
    }
    return kept;
}

// The encoding of an XML part, found from its first bytes as pugixml finds it: a byte order mark, a first "<" in
// UTF-16 or UTF-32, or a declaration naming ISO-8859-1; UTF-8 otherwise. Every road that reads a part asks here.
pugi::xml_encoding xmlEncodingOf(const char* data, size_t size);

// A part's bytes turned into UTF-8 as they arrive, decoded as pugixml decodes them (an unpaired surrogate dropped), the
// decoder's state carried from one chunk to the next, so that a character split between chunks arrives whole. The
// first bytes are held until they tell the encoding.
class XmlUtf8Decoder {
public:
    // Appends the text of the next bytes to `out`.
    void feed(const char* data, qsizetype size, QByteArray* out);
    // After the last bytes: appends what was held back; a character left unfinished is dropped.
    void finish(QByteArray* out);
    // Whether the part is UTF-8, its text then its bytes as they stand (known once the first text was given out).
    bool passesThrough() const { return m_decided && m_encoding == pugi::encoding_utf8; }

private:
    void decide(QByteArray* out);
    void convert(const uchar* data, qsizetype size, QByteArray* out);

    bool m_decided = false;
    pugi::xml_encoding m_encoding = pugi::encoding_utf8;
    QByteArray m_head;        // the first bytes, until they tell the encoding
    qsizetype m_lookFrom = 6; // where to look on for the end of the declaration in m_head
    uchar m_held[4] = {};     // the bytes of an unfinished code unit
    int m_heldSize = 0;
    char16_t m_high = 0; // a high surrogate waiting for its low one
};

// Follows the markup of XML text as the text arrives: each tag, comment, CDATA section, processing instruction and
// document type declaration is found whole, and one unfinished at the end of the text is resumed where the looking
// stopped when more text has come, so that every byte is looked at once.
class XmlMarkupScanner {
public:
    struct Markup {
        enum class Kind { Open, Close, Empty, Other }; // Other: no element's tag
        Kind kind = Kind::Other;
        qsizetype start = 0;
        qsizetype end = 0; // one past the closing ">"
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
    };
    // Finds the next markup in text[from, size). True with `m` set when it is complete; false when the text ends
    // first, `resume` then set to where to call again once more text has been added (the start of the unfinished
    // markup, or `size`): the text before it may be dropped, the rest must stay.
    bool next(const char* text, qsizetype size, qsizetype from, Markup* m, qsizetype* resume);

private:
    enum class State : quint8 { None, Start, Comment, CData, Pi, Doctype, Name, Attributes };
    State m_state = State::None;
    qsizetype m_at = 0; // how far the unfinished markup has been looked at, from its start
    qsizetype m_nameEnd = 0;
    int m_brackets = 0;
    char m_quote = 0;
    bool m_closing = false;
};

// Hands over the child elements of the part's root (containerDepth 1), or of the first child of the root named
// `container` (containerDepth 2: the rows of sheetData), in order. The tags are followed as the bytes arrive (a
// comment, CDATA section or quoted attribute value may hold any character); the children are parsed by pugixml with
// the package's options a batch at a time, so that each is read exactly as a whole tree would read it. A part in
// another encoding is turned into UTF-8 on the way, as the tree reader turns it.
class XmlChildReader {
public:
    // Called for each child element; returns false to stop the reading.
    using ChildFn = std::function<bool(pugi::xml_node child)>;
    XmlChildReader(int containerDepth, const char* container, ChildFn onChild);

    // Takes the next bytes; false once the reading has ended (broken XML, the child function stopped it, or one child
    // or piece of markup grew past kMaxPendingBytes).
    bool feed(const char* data, qsizetype size);
    enum class Outcome { Whole, Stopped, Broken, TooLarge };
    // After the last bytes: how the reading ended (a part that breaks off is broken).
    Outcome finish();

    // The most text held while one child element, or one tag, comment or CDATA section, is still unfinished: a row of
    // every column holding long texts is a few MiB, so a single element past this is no table and is refused before
    // it is parsed (parsing it would take several times its size again).
    static constexpr qsizetype kMaxPendingBytes = qsizetype(256) << 20;

private:
    bool scan();
    bool flush(qsizetype end);

    int m_containerDepth;
    QByteArray m_container;
    ChildFn m_onChild;
    XmlUtf8Decoder m_decoder;
    XmlMarkupScanner m_scanner;
    QByteArray m_buf;
    qsizetype m_pos = 0;        // where scanning goes on in m_buf
    qsizetype m_batchStart = 0; // the first byte of the children not yet handed over
    qsizetype m_lastEnd = -1;   // one past the last child element complete in m_buf
    int m_depth = 0;
    bool m_inContainer = false;
    bool m_containerDone = false;
    bool m_rootSeen = false;
    bool m_broken = false;
    bool m_stopped = false;
    bool m_tooLarge = false;
};

} // namespace office::pkg
