#pragma once
// Reading a large XML part as its bytes arrive: the children of one element are handed over one at a time, parsed a
// batch of about a megabyte at a time, so that a sheet of a million rows is read without holding its XML or a tree of
// it. Not part of the office layer's interface.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <pugixml.hpp>

#include <functional>
#include <memory>

namespace office::pkg {

// A cell as the sheet stores it, before its value is worked out (XlsxPackage::valueOf).
struct RawCell {
    enum class Type : quint8 { Number, Shared, String, Inline, Boolean, Error, IsoDate }; // t: none, s, str ...
    int col = 0;
    int style = 0;
    Type type = Type::Number;
    bool hasValue = false; // a <v> element
    QString value;         // the text of the first <v>
    QString inlineText;    // the text of <is>, its runs joined and "_xHHHH_" escapes left as they stand
};

// The cell of a <c> element, its column left for the caller.
RawCell rawCellOf(pugi::xml_node c);

// Hands over the child elements of the part's root (containerDepth 1), or of the first child of the root named
// `container` (containerDepth 2: the rows of sheetData), in order. The tags are followed as the bytes arrive (a
// comment, CDATA section or quoted attribute value may hold any character); the children are parsed by pugixml with
// the package's options a batch at a time, so that each is read exactly as a whole tree would read it. A part in
// UTF-16 is turned into UTF-8 on the way.
class XmlChildReader {
public:
    // Called for each child element; returns false to stop the reading.
    using ChildFn = std::function<bool(pugi::xml_node child)>;
    XmlChildReader(int containerDepth, const char* container, ChildFn onChild);

    // Takes the next bytes; false once the reading has ended (broken XML, or the child function stopped it).
    bool feed(const char* data, qsizetype size);
    enum class Outcome { Whole, Stopped, Broken };
    // After the last bytes: how the reading ended (a part that breaks off is broken).
    Outcome finish();

private:
    bool scan();
    bool flush(qsizetype end);

    int m_containerDepth;
    QByteArray m_container;
    ChildFn m_onChild;
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
    bool m_first = true;
    std::unique_ptr<QStringDecoder> m_utf16;
};

} // namespace office::pkg
