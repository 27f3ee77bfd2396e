#include "office/XlsxSheetReader.h"

#include "office/XlsxPackageXml.h"

#include <cstring>
#include <string_view>

namespace office::pkg {

namespace {

// A batch of children is parsed once it holds this many bytes.
constexpr qsizetype kBatchBytes = qsizetype(1) << 20;

RawCell::Type typeOf(const char* t) {
    if (!std::strcmp(t, "s")) return RawCell::Type::Shared;
    if (!std::strcmp(t, "str")) return RawCell::Type::String;
    if (!std::strcmp(t, "inlineStr")) return RawCell::Type::Inline;
    if (!std::strcmp(t, "b")) return RawCell::Type::Boolean;
    if (!std::strcmp(t, "e")) return RawCell::Type::Error;
    if (!std::strcmp(t, "d")) return RawCell::Type::IsoDate;
    return RawCell::Type::Number;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

RawCell rawCellOf(pugi::xml_node c) {
    RawCell raw;
    raw.type = typeOf(c.attribute("t").value());
    raw.style = c.attribute("s").as_int();
    const pugi::xml_node v = child(c, "v");
    raw.hasValue = bool(v);
    if (raw.hasValue) raw.value = qs(v.text().get());
    if (raw.type == RawCell::Type::Inline) raw.inlineText = collectRawText(child(c, "is"));
    return raw;
}

XmlChildReader::XmlChildReader(int containerDepth, const char* container, ChildFn onChild)
    : m_containerDepth(containerDepth), m_container(container), m_onChild(std::move(onChild)) {}

bool XmlChildReader::feed(const char* data, qsizetype size) {
    if (m_broken || m_stopped) return false;
    if (m_first && size >= 2) {
        m_first = false;
        const auto b0 = uchar(data[0]), b1 = uchar(data[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '<' && b1 == 0))
            m_utf16 = std::make_unique<QStringDecoder>(QStringDecoder::Utf16LE);
        else if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '<'))
            m_utf16 = std::make_unique<QStringDecoder>(QStringDecoder::Utf16BE);
    }
    if (m_utf16)
        m_buf += QString(m_utf16->decode(QByteArrayView(data, size))).toUtf8();
    else
        m_buf.append(data, size);
    return scan();
}

XmlChildReader::Outcome XmlChildReader::finish() {
    if (m_stopped) return Outcome::Stopped;
    if (m_broken) return Outcome::Broken;
    // Whatever is left after the root has closed must be no more than comments and white space.
    if (!m_rootSeen || m_depth != 0) return Outcome::Broken;
    for (qsizetype i = m_pos; i < m_buf.size(); ++i)
        if (!isSpace(m_buf[i])) return Outcome::Broken;
    return Outcome::Whole;
}

// Parses the children complete in [m_batchStart, end) and hands them over.
bool XmlChildReader::flush(qsizetype end) {
    if (end <= m_batchStart) return true;
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_buffer(m_buf.constData() + m_batchStart, size_t(end - m_batchStart),
                                                     kParseOptions | pugi::parse_fragment, pugi::encoding_utf8);
    m_batchStart = end;
    if (!r) {
        m_broken = true;
        return false;
    }
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        if (!m_onChild(n)) {
            m_stopped = true;
            return false;
        }
    }
    return true;
}

// Follows the tags from m_pos to the last complete one. Inside the container, the bytes of its children pile up
// until a batch is full; the bytes before are dropped as they are passed.
bool XmlChildReader::scan() {
    const char* d = m_buf.constData();
    const qsizetype n = m_buf.size();
    qsizetype pos = m_pos;
    auto findFrom = [&](qsizetype from, const char* what) {
        const qsizetype at = m_buf.indexOf(what, from);
        return at < 0 ? qsizetype(-1) : at + qsizetype(std::strlen(what));
    };
    while (pos < n) {
        const char* lt = static_cast<const char*>(std::memchr(d + pos, '<', size_t(n - pos)));
        if (!lt) {
            pos = n;
            break;
        }
        const qsizetype start = lt - d;
        if (start + 1 >= n) {
            pos = start;
            break;
        }
        const char next = d[start + 1];
        qsizetype end = -1;
        if (next == '!') {
            const qsizetype have = n - start;
            if (have >= 4 && std::memcmp(d + start, "<!--", 4) == 0) {
                end = findFrom(start + 4, "-->");
            } else if (have >= 9 && std::memcmp(d + start, "<![CDATA[", 9) == 0) {
                end = findFrom(start + 9, "]]>");
            } else if (have < 9 && (std::memcmp(d + start, "<![CDATA[", size_t(have)) == 0 ||
                                    std::memcmp(d + start, "<!--", size_t(std::min<qsizetype>(have, 4))) == 0)) {
                pos = start; // the rest of the opening is still arriving
                break;
            } else { // a document type declaration, with its internal subset
                int brackets = 0;
                for (qsizetype i = start + 2; i < n && end < 0; ++i) {
                    if (d[i] == '[') ++brackets;
                    if (d[i] == ']') --brackets;
                    if (d[i] == '>' && brackets <= 0) end = i + 1;
                }
            }
            if (end < 0) {
                pos = start;
                break;
            }
            pos = end;
            continue;
        }
        if (next == '?') {
            end = findFrom(start + 2, "?>");
            if (end < 0) {
                pos = start;
                break;
            }
            pos = end;
            continue;
        }
        const bool closing = next == '/';
        qsizetype i = start + (closing ? 2 : 1);
        const qsizetype nameStart = i;
        while (i < n && !isSpace(d[i]) && d[i] != '/' && d[i] != '>')
            ++i;
        const qsizetype nameEnd = i;
        char quote = 0;
        for (; i < n; ++i) {
            if (quote) {
                if (d[i] == quote) quote = 0;
            } else if (d[i] == '"' || d[i] == '\'') {
                quote = d[i];
            } else if (d[i] == '>') {
                break;
            }
        }
        if (i >= n) {
            pos = start;
            break;
        }
        end = i + 1;
        pos = end;
        if (nameEnd == nameStart) {
            m_broken = true;
            return false;
        }
        const bool empty = !closing && d[i - 1] == '/';
        if (closing) {
            if (m_depth == 0) {
                m_broken = true;
                return false;
            }
            --m_depth;
            if (m_inContainer) {
                if (m_depth == m_containerDepth) {
                    m_lastEnd = end; // a child ended
                } else if (m_depth == m_containerDepth - 1) {
                    m_inContainer = false; // the container ended: what is left of its children goes
                    m_containerDone = true;
                    if (!flush(m_lastEnd)) return false;
                    d = m_buf.constData();
                }
            }
        } else {
            if (m_depth == 0) {
                if (m_rootSeen) { // a second root element
                    m_broken = true;
                    return false;
                }
                m_rootSeen = true;
            }
            const qsizetype depth = m_depth + 1; // of this element
            if (!m_inContainer && !m_containerDone && depth == m_containerDepth) {
                const std::string_view name(d + nameStart, size_t(nameEnd - nameStart));
                const size_t colon = name.rfind(':');
                const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
                if (m_container.isEmpty() || local == std::string_view(m_container.constData(), m_container.size())) {
                    m_inContainer = !empty;
                    m_containerDone = empty;
                    m_batchStart = m_lastEnd = end;
                }
            } else if (m_inContainer && depth == m_containerDepth + 1 && empty) {
                m_lastEnd = end;
            }
            if (!empty) ++m_depth;
        }
        if (m_inContainer && m_lastEnd - m_batchStart >= kBatchBytes) {
            if (!flush(m_lastEnd)) return false;
            d = m_buf.constData();
        }
    }
    // The bytes already handed over (or outside the container) are dropped.
    const qsizetype keep = m_inContainer ? m_batchStart : pos;
    if (keep > 0) {
        m_buf.remove(0, keep);
        pos -= keep;
        m_batchStart -= keep;
        m_lastEnd -= keep;
    }
    m_pos = pos;
    return true;
}

} // namespace office::pkg
