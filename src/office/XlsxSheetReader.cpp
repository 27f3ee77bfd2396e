#include "office/XlsxSheetReader.h"

#include "office/XlsxPackageXml.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

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
    if (raw.hasValue) raw.value = textOf(v);
    if (raw.type == RawCell::Type::Inline) raw.inlineText = collectRawText(child(c, "is"));
    return raw;
}

int SheetPlacer::row(pugi::xml_node r) {
    m_col = -1;
    if (const char* ref = r.attribute("r").value(); *ref) {
        m_row = rowNumberOf(ref);
        if (!m_row) m_bad = qs(ref);
    } else if (m_row < kXlsxMaxRows) {
        ++m_row;
    } else {
        m_bad = QString::number(qint64(m_row) + 1);
        m_row = 0;
    }
    return m_row;
}

int SheetPlacer::column(pugi::xml_node c) {
    if (const char* ref = c.attribute("r").value(); *ref) {
        const auto at = parseCellRef(ref);
        if (!at) {
            m_bad = qs(ref);
            return -1;
        }
        m_col = at->col;
    } else if (m_col + 1 < kXlsxMaxColumns) {
        ++m_col;
    } else {
        m_bad = QStringLiteral("%1 之後").arg(xlsxCellName(m_row - 1, m_col));
        return -1;
    }
    return m_col;
}

namespace {

bool isDeclarationSpace(uchar c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A character of an encoding's name in a declaration: a letter, a digit, "_", ":", "-", "." or any byte above 127.
bool isNameSymbol(uchar c) {
    return c >= 128 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '-' || c == '.';
}

// The encoding a declaration names ("<?xml version="1.0" encoding="..."?>"), or empty when there is no declaration or
// it names none before its first "?".
std::string_view declaredEncoding(const uchar* d, size_t size) {
    if (size < 6 || std::memcmp(d, "<?xml", 5) != 0 || !isDeclarationSpace(d[5])) return {};
    for (size_t i = 6; i + 1 < size; ++i) {
        if (d[i] == '?') return {};
        if (d[i] != 'e' || d[i + 1] != 'n') continue;
        // The version cannot hold "en": this is the encoding, if the declaration is well formed.
        size_t at = i;
        for (const char expected : std::string_view("encoding")) {
            if (at >= size || d[at] != uchar(expected)) return {};
            ++at;
        }
        while (at < size && isDeclarationSpace(d[at]))
            ++at;
        if (at >= size || d[at] != '=') return {};
        ++at;
        while (at < size && isDeclarationSpace(d[at]))
            ++at;
        const uchar quote = at < size && d[at] == '"' ? '"' : '\'';
        if (at >= size || d[at] != quote) return {};
        const size_t nameStart = ++at;
        while (at < size && isNameSymbol(d[at]))
            ++at;
        if (at >= size || d[at] != quote) return {};
        return {reinterpret_cast<const char*>(d + nameStart), at - nameStart};
    }
    return {};
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] | 0x20) : a[i]) != b[i]) return false;
    return true;
}

// A character as UTF-8, written as pugixml writes it (a code point past U+10FFFF included).
void appendUtf8(QByteArray* out, char32_t ch) {
    if (ch < 0x80) {
        out->append(char(ch));
    } else if (ch < 0x800) {
        const char s[] = {char(0xC0 | (ch >> 6)), char(0x80 | (ch & 0x3F))};
        out->append(s, 2);
    } else if (ch < 0x10000) {
        const char s[] = {char(0xE0 | (ch >> 12)), char(0x80 | ((ch >> 6) & 0x3F)), char(0x80 | (ch & 0x3F))};
        out->append(s, 3);
    } else {
        const char s[] = {char(uchar(0xF0 | (ch >> 18))), char(0x80 | ((ch >> 12) & 0x3F)),
                          char(0x80 | ((ch >> 6) & 0x3F)), char(0x80 | (ch & 0x3F))};
        out->append(s, 4);
    }
}

} // namespace

pugi::xml_encoding xmlEncodingOf(const char* data, size_t size) {
    if (size < 4) return pugi::encoding_utf8;
    const auto* d = reinterpret_cast<const uchar*>(data);
    const uchar d0 = d[0], d1 = d[1], d2 = d[2], d3 = d[3];
    if (d0 == 0 && d1 == 0 && d2 == 0xFE && d3 == 0xFF) return pugi::encoding_utf32_be;
    if (d0 == 0xFF && d1 == 0xFE && d2 == 0 && d3 == 0) return pugi::encoding_utf32_le;
    if (d0 == 0xFE && d1 == 0xFF) return pugi::encoding_utf16_be;
    if (d0 == 0xFF && d1 == 0xFE) return pugi::encoding_utf16_le;
    if (d0 == 0xEF && d1 == 0xBB && d2 == 0xBF) return pugi::encoding_utf8;
    if (d0 == 0 && d1 == 0 && d2 == 0 && d3 == '<') return pugi::encoding_utf32_be;
    if (d0 == '<' && d1 == 0 && d2 == 0 && d3 == 0) return pugi::encoding_utf32_le;
    if (d0 == 0 && d1 == '<') return pugi::encoding_utf16_be;
    if (d0 == '<' && d1 == 0) return pugi::encoding_utf16_le;
    const std::string_view declared = declaredEncoding(d, size);
    if (sameLetters(declared, "iso-8859-1") || sameLetters(declared, "latin1")) return pugi::encoding_latin1;
    return pugi::encoding_utf8;
}

void XmlUtf8Decoder::feed(const char* data, qsizetype size, QByteArray* out) {
    if (m_decided) {
        convert(reinterpret_cast<const uchar*>(data), size, out);
        return;
    }
    m_head.append(data, size);
    if (m_head.size() < 4) return;
    // A declaration may name the encoding: it is read up to its first "?".
    if (m_head.startsWith("<?xm") &&
        (m_head.size() < 6 || (m_head.startsWith("<?xml") && isDeclarationSpace(m_head[5])))) {
        const qsizetype question = m_head.indexOf('?', m_lookFrom);
        if (question < 0) {
            m_lookFrom = std::max<qsizetype>(m_lookFrom, m_head.size());
            return;
        }
    }
    decide(out);
}

void XmlUtf8Decoder::finish(QByteArray* out) {
    if (!m_decided) decide(out);
    m_heldSize = 0;
    m_high = 0;
}

void XmlUtf8Decoder::decide(QByteArray* out) {
    m_decided = true;
    m_encoding = xmlEncodingOf(m_head.constData(), size_t(m_head.size()));
    const QByteArray head = std::exchange(m_head, QByteArray());
    convert(reinterpret_cast<const uchar*>(head.constData()), head.size(), out);
}

void XmlUtf8Decoder::convert(const uchar* d, qsizetype size, QByteArray* out) {
    switch (m_encoding) {
    case pugi::encoding_latin1:
        for (qsizetype i = 0; i < size; ++i)
            appendUtf8(out, d[i]);
        return;
    case pugi::encoding_utf16_le:
    case pugi::encoding_utf16_be: {
        const bool little = m_encoding == pugi::encoding_utf16_le;
        for (qsizetype i = 0; i < size; ++i) {
            m_held[m_heldSize++] = d[i];
            if (m_heldSize < 2) continue;
            m_heldSize = 0;
            const char16_t u = little ? char16_t(m_held[0] | m_held[1] << 8) : char16_t(m_held[0] << 8 | m_held[1]);
            if (m_high) {
                const char16_t high = std::exchange(m_high, 0);
                if (u >= 0xDC00 && u < 0xE000) {
                    appendUtf8(out, 0x10000 + (char32_t(high & 0x3FF) << 10) + (u & 0x3FF));
                    continue;
                }
            }
            if (u < 0xD800 || u >= 0xE000)
                appendUtf8(out, u);
            else if (u < 0xDC00)
                m_high = u;
            // A low surrogate without its high one is dropped, as is a high one without its low one.
        }
        return;
    }
    case pugi::encoding_utf32_le:
    case pugi::encoding_utf32_be: {
        const bool little = m_encoding == pugi::encoding_utf32_le;
        for (qsizetype i = 0; i < size; ++i) {
            m_held[m_heldSize++] = d[i];
            if (m_heldSize < 4) continue;
            m_heldSize = 0;
            const uchar* h = m_held;
            appendUtf8(out, little
                                ? char32_t(h[0]) | char32_t(h[1]) << 8 | char32_t(h[2]) << 16 | char32_t(h[3]) << 24
                                : char32_t(h[3]) | char32_t(h[2]) << 8 | char32_t(h[1]) << 16 | char32_t(h[0]) << 24);
        }
        return;
    }
    default:
        out->append(reinterpret_cast<const char*>(d), size);
        return;
    }
}

bool XmlMarkupScanner::next(const char* d, qsizetype n, qsizetype from, Markup* m, qsizetype* resume) {
    // The state is kept in locals while looking (the text's bytes may alias the members) and stored when the markup
    // is left unfinished.
    State state = m_state;
    qsizetype looked = m_at;
    if (state == State::None) {
        const auto* lt = from < n ? static_cast<const char*>(std::memchr(d + from, '<', size_t(n - from))) : nullptr;
        if (!lt) {
            *resume = n;
            return false;
        }
        from = lt - d;
        state = State::Start;
        looked = 1;
    }
    const qsizetype start = from;
    qsizetype at = start + looked; // the first byte not yet looked at
    bool closing = m_closing;
    qsizetype nameEnd = m_nameEnd;
    int brackets = m_brackets;
    char quote = m_quote;
    auto later = [&] {
        m_state = state;
        m_at = at - start;
        m_closing = closing;
        m_nameEnd = nameEnd;
        m_brackets = brackets;
        m_quote = quote;
        *resume = start;
        return false;
    };
    if (state == State::Start) {
        const qsizetype have = n - start;
        if (have < 2) return later();
        if (d[start + 1] == '!') {
            if (have >= 4 && std::memcmp(d + start, "<!--", 4) == 0) {
                state = State::Comment;
                at = start + 4;
            } else if (have >= 9 && std::memcmp(d + start, "<![CDATA[", 9) == 0) {
                state = State::CData;
                at = start + 9;
            } else if (have < 9 && (std::memcmp(d + start, "<![CDATA[", size_t(have)) == 0 ||
                                    std::memcmp(d + start, "<!--", size_t(std::min<qsizetype>(have, 4))) == 0)) {
                return later(); // the rest of the opening is still arriving
            } else {            // a document type declaration, with its internal subset
                state = State::Doctype;
                brackets = 0;
                at = start + 2;
            }
        } else if (d[start + 1] == '?') {
            state = State::Pi;
            at = start + 2;
        } else {
            closing = d[start + 1] == '/';
            state = State::Name;
            at = start + (closing ? 2 : 1);
        }
    }
    // One past the end of `what` from `at` on; -1 when it has not come yet, `at` then left where it may begin.
    auto find = [&](std::string_view what) {
        const size_t hit = std::string_view(d, size_t(n)).find(what, size_t(at));
        if (hit == std::string_view::npos) {
            at = std::max(at, n - qsizetype(what.size()) + 1);
            return qsizetype(-1);
        }
        return qsizetype(hit + what.size());
    };
    qsizetype end = -1;
    switch (state) {
    case State::Comment:
        end = find("-->");
        break;
    case State::CData:
        end = find("]]>");
        break;
    case State::Pi:
        end = find("?>");
        break;
    case State::Doctype:
        for (; at < n && end < 0; ++at) {
            if (d[at] == '[') ++brackets;
            if (d[at] == ']') --brackets;
            if (d[at] == '>' && brackets <= 0) end = at + 1;
        }
        break;
    case State::Name:
        while (at < n && !isSpace(d[at]) && d[at] != '/' && d[at] != '>')
            ++at;
        if (at >= n) break;
        nameEnd = at - start;
        quote = 0;
        state = State::Attributes;
        [[fallthrough]];
    case State::Attributes:
        for (; at < n; ++at) {
            const char ch = d[at];
            if (quote) {
                if (ch == quote) quote = 0;
            } else if (ch == '"' || ch == '\'') {
                quote = ch;
            } else if (ch == '>') {
                end = at + 1;
                break;
            }
        }
        break;
    case State::None:
    case State::Start:
        break;
    }
    if (end < 0) return later();
    m->start = start;
    m->end = end;
    if (state == State::Attributes) {
        m->nameStart = start + (closing ? 2 : 1);
        m->nameEnd = start + nameEnd;
        using Kind = Markup::Kind;
        m->kind = closing ? Kind::Close : d[end - 2] == '/' ? Kind::Empty : Kind::Open;
    } else {
        m->kind = Markup::Kind::Other;
        m->nameStart = m->nameEnd = start;
    }
    m_state = State::None;
    m_at = 0;
    return true;
}

XmlChildReader::XmlChildReader(int containerDepth, const char* container, ChildFn onChild)
    : m_containerDepth(containerDepth), m_container(container), m_onChild(std::move(onChild)) {}

bool XmlChildReader::feed(const char* data, qsizetype size) {
    if (m_broken || m_stopped || m_tooLarge) return false;
    m_decoder.feed(data, size, &m_buf);
    if (!scan()) return false;
    // What is left is the text of children not yet handed over (less than a batch) and one unfinished element.
    if (m_buf.size() > kBatchBytes + kMaxPendingBytes) {
        m_tooLarge = true;
        m_buf.clear();
        m_buf.squeeze();
        return false;
    }
    return true;
}

XmlChildReader::Outcome XmlChildReader::finish() {
    if (!m_stopped && !m_broken && !m_tooLarge) {
        const qsizetype before = m_buf.size();
        m_decoder.finish(&m_buf);
        if (m_buf.size() != before) scan();
    }
    if (m_stopped) return Outcome::Stopped;
    if (m_tooLarge) return Outcome::TooLarge;
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
    qsizetype pos = m_pos;
    XmlMarkupScanner::Markup tag;
    for (;;) {
        qsizetype resume = 0;
        if (!m_scanner.next(d, m_buf.size(), pos, &tag, &resume)) {
            pos = resume;
            break;
        }
        pos = tag.end;
        if (tag.kind == XmlMarkupScanner::Markup::Kind::Other) continue;
        if (tag.nameEnd == tag.nameStart) {
            m_broken = true;
            return false;
        }
        const qsizetype end = tag.end;
        const bool closing = tag.kind == XmlMarkupScanner::Markup::Kind::Close;
        const bool empty = tag.kind == XmlMarkupScanner::Markup::Kind::Empty;
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
                const std::string_view name(d + tag.nameStart, size_t(tag.nameEnd - tag.nameStart));
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
