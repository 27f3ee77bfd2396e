#include "office/XlsxSheetReader.h"

#include "office/XlsxCellRef.h"
#include "office/XlsxText.h"

#include <optional>

namespace office::pkg {

namespace {

// A row's number from its r attribute: 1 to 1 048 576, or 0 for anything else.
int rowNumberOf(QStringView text) {
    long long n = 0;
    int digits = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < u'0' || c > u'9' || ++digits > 7) return 0;
        n = n * 10 + (c - u'0');
    }
    return n >= 1 && n <= kXlsxMaxRows ? int(n) : 0;
}

// The column of "B12" or "$B$12" within A1:XFD1048576, or -1.
int columnOfCellRef(QStringView ref) {
    qsizetype i = 0;
    const qsizetype n = ref.size();
    if (i < n && ref[i] == u'$') ++i;
    long long col = 0;
    int letters = 0;
    for (; i < n; ++i) {
        const char16_t c = ref[i].unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) break;
        if (++letters > 3) return -1;
        col = col * 26 + ((c | 0x20) - u'a' + 1);
    }
    if (i < n && ref[i] == u'$') ++i;
    long long row = 0;
    int digits = 0;
    for (; i < n; ++i) {
        const char16_t c = ref[i].unicode();
        if (c < u'0' || c > u'9') break;
        if (++digits > 7) return -1;
        row = row * 10 + (c - u'0');
    }
    if (i < n || !letters || !digits || col > kXlsxMaxColumns || row < 1 || row > kXlsxMaxRows) return -1;
    return int(col - 1);
}

// An integer attribute as pugixml's as_int reads it: its leading digits, 0 when there are none.
int leadingInt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    long long n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && n < (1LL << 31); ++i)
        n = n * 10 + (text[i].unicode() - u'0');
    if (n >= (1LL << 31)) n = negative ? (1LL << 31) : (1LL << 31) - 1;
    return int(negative ? -n : n);
}

} // namespace

RawCell::Type rawCellType(QStringView t) {
    if (t == u"s") return RawCell::Type::Shared;
    if (t == u"str") return RawCell::Type::String;
    if (t == u"inlineStr") return RawCell::Type::Inline;
    if (t == u"b") return RawCell::Type::Boolean;
    if (t == u"e") return RawCell::Type::Error;
    if (t == u"d") return RawCell::Type::IsoDate;
    return RawCell::Type::Number;
}

SheetXmlReader::SheetXmlReader(RowFn onRow) : m_onRow(std::move(onRow)) {}

bool SheetXmlReader::feed(const char* data, qsizetype size) {
    if (m_stopped || !m_bad.isEmpty()) return false;
    m_xml.addData(QByteArray(data, size));
    return pump();
}

SheetXmlReader::Outcome SheetXmlReader::finish() {
    if (m_stopped) return Outcome::Stopped;
    if (!m_bad.isEmpty()) return Outcome::BadReference;
    // A document whose root element has closed is whole, though the reader still waits for what may follow it.
    const bool whole = m_xml.tokenType() == QXmlStreamReader::EndDocument ||
                       (m_rootClosed && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError);
    return whole ? Outcome::Whole : Outcome::BrokenXml;
}

bool SheetXmlReader::pump() {
    for (;;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++m_depth;
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            endElement();
            if (--m_depth == 0) m_rootClosed = true;
            break;
        case QXmlStreamReader::Characters:
            if (m_collect) m_collect->append(m_xml.text());
            break;
        case QXmlStreamReader::EndDocument:
            return true;
        case QXmlStreamReader::Invalid:
            return m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        default:
            break;
        }
        if (m_stopped || !m_bad.isEmpty()) return false;
    }
}

void SheetXmlReader::startElement() {
    const QStringView name = m_xml.name();
    if (m_inCell) {
        if (m_depth == 5 && name == u"v" && !m_vSeen) {
            m_vSeen = true;
            m_cell.hasValue = true;
            m_collect = &m_cell.value;
        } else if (m_depth == 5 && name == u"is" && !m_isSeen) {
            m_isSeen = true;
            m_isDepth = 5;
        } else if (m_isDepth && name == u"r" && m_depth == 6) {
            m_inRun = true;
        } else if (m_isDepth && name == u"t" && (m_depth == 6 || (m_depth == 7 && m_inRun))) {
            m_collect = &m_cell.inlineText;
        }
        return;
    }
    if (m_inRow) {
        if (m_depth != 4 || name != u"c") return;
        m_inCell = true;
        m_vSeen = m_isSeen = false;
        m_cell = RawCell();
        bool hasRef = false;
        const QXmlStreamAttributes attributes = m_xml.attributes();
        for (const QXmlStreamAttribute& a : attributes) {
            const QStringView q = a.qualifiedName();
            if (q == u"r") {
                hasRef = true;
                const int col = columnOfCellRef(a.value());
                if (col < 0) {
                    m_bad = a.value().toString();
                    return;
                }
                m_col = col;
            } else if (q == u"t") {
                m_cell.type = rawCellType(a.value());
            } else if (q == u"s") {
                m_cell.style = leadingInt(a.value());
            }
        }
        if (!hasRef) {
            if (m_col + 1 >= kXlsxMaxColumns) {
                m_bad = QStringLiteral("%1 之後").arg(xlsxCellName(m_row - 1, m_col));
                return;
            }
            ++m_col;
        }
        m_cell.col = m_col;
        return;
    }
    if (m_inSheetData) {
        if (m_depth != 3 || name != u"row") return;
        m_inRow = true;
        m_col = -1;
        m_cells.clear();
        const QXmlStreamAttributes attributes = m_xml.attributes();
        bool hasRef = false;
        for (const QXmlStreamAttribute& a : attributes) {
            if (a.qualifiedName() != u"r") continue;
            hasRef = true;
            m_row = rowNumberOf(a.value());
            if (!m_row) m_bad = a.value().toString();
        }
        if (!hasRef) {
            if (m_row < kXlsxMaxRows)
                ++m_row;
            else
                m_bad = QString::number(qint64(m_row) + 1);
        }
        return;
    }
    if (m_depth == 2 && name == u"sheetData" && !m_sheetDataSeen) {
        m_sheetDataSeen = true;
        m_inSheetData = true;
    }
}

void SheetXmlReader::endElement() {
    if (m_inCell) {
        if (m_depth == 4) {
            m_inCell = false;
            m_isDepth = 0;
            m_inRun = false;
            m_collect = nullptr;
            m_cells.push_back(std::move(m_cell));
        } else {
            m_collect = nullptr; // text is read only from leaf elements
            if (m_depth == 5) m_isDepth = 0;
            if (m_depth == 6) m_inRun = false;
        }
        return;
    }
    if (m_inRow && m_depth == 3) {
        m_inRow = false;
        if (!m_cells.empty()) {
            m_rowCount = std::max(m_rowCount, m_row);
            for (const RawCell& c : m_cells)
                m_columnCount = std::max(m_columnCount, c.col + 1);
        }
        if (m_seenRows.empty()) m_seenRows.resize(size_t(kXlsxMaxRows) + 1);
        if (m_seenRows[size_t(m_row)]) return; // of two rows of one number the first counts
        m_seenRows[size_t(m_row)] = true;
        if (!m_cells.empty() && !m_onRow(m_row - 1, m_cells)) m_stopped = true;
        return;
    }
    if (m_inSheetData && m_depth == 2) m_inSheetData = false;
}

SharedStringsXmlReader::SharedStringsXmlReader(std::function<void(const QString&)> onString)
    : m_onString(std::move(onString)) {}

bool SharedStringsXmlReader::feed(const char* data, qsizetype size) {
    m_xml.addData(QByteArray(data, size));
    return pump();
}

bool SharedStringsXmlReader::finish() {
    return m_xml.tokenType() == QXmlStreamReader::EndDocument ||
           (m_rootClosed && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError);
}

bool SharedStringsXmlReader::pump() {
    for (;;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            ++m_depth;
            const QStringView name = m_xml.name();
            if (m_depth == 2 && name == u"si") {
                m_inSi = true;
                m_text.clear();
            } else if (m_inSi && m_depth == 3 && name == u"r") {
                m_inRun = true;
            } else if (m_inSi && name == u"t" && (m_depth == 3 || (m_depth == 4 && m_inRun))) {
                m_inText = true;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (m_inSi && m_depth == 2) {
                m_inSi = false;
                m_onString(xlsxDecodeEscapes(m_text));
            } else if (m_depth == 3) {
                m_inRun = false;
                m_inText = false;
            } else if (m_depth == 4) {
                m_inText = false;
            }
            if (--m_depth == 0) m_rootClosed = true;
            break;
        case QXmlStreamReader::Characters:
            if (m_inText) m_text.append(m_xml.text());
            break;
        case QXmlStreamReader::EndDocument:
            return true;
        case QXmlStreamReader::Invalid:
            return m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        default:
            break;
        }
    }
}

} // namespace office::pkg
