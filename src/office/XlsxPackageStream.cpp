// Tables whose body stays out of the sheet's tree until the package is saved (XlsxPackage::streamTable): the sheet
// part is written as its tree up to the end of sheetData, the body's rows as text, then the rest.

#include "office/XlsxPackageXml.h"

#include <algorithm>

namespace office {

using namespace pkg;

namespace {

// Text as pugixml writes it into an element.
void appendEscaped(QByteArray& out, const QByteArray& text) {
    for (const char ch : text) {
        switch (ch) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        default:
            out.append(ch);
        }
    }
}

// One row of a body as the tree would hold it: each cell with its reference, its column's style and the text inline.
void appendRow(QByteArray& out, const QByteArray& prefix, int row, const std::vector<int>& xf,
               const std::function<QString(int, int)>& cell, int bodyRow) {
    const QByteArray number = QByteArray::number(row + 1);
    out.append('<').append(prefix).append("row r=\"").append(number).append("\">");
    for (int c = 0; c < int(xf.size()); ++c) {
        QString t = cell(bodyRow, c);
        if (t.size() > 32767) t.truncate(t[32766].isHighSurrogate() ? 32766 : 32767);
        out.append('<').append(prefix).append("c r=\"").append(utf8(xlsxCellName(row, c))).append('"');
        if (xf[size_t(c)]) out.append(" s=\"").append(QByteArray::number(xf[size_t(c)])).append('"');
        out.append(" t=\"inlineStr\"><").append(prefix).append("is><").append(prefix).append('t');
        if (!t.isEmpty() && (t.front().isSpace() || t.back().isSpace() || t.contains(u'\n')))
            out.append(" xml:space=\"preserve\"");
        out.append('>');
        appendEscaped(out, utf8(encodeCellText(t)));
        out.append("</").append(prefix).append("t></").append(prefix).append("is></").append(prefix).append("c>");
    }
    out.append("</").append(prefix).append("row>");
}

constexpr qsizetype kPieceBytes = 1 << 18;

} // namespace

void XlsxPackage::settleStreamed(const QString& partName) {
    const auto it = std::find_if(m_streamed.begin(), m_streamed.end(), [&](const StreamedBody& b) {
        return b.part.compare(partName, Qt::CaseInsensitive) == 0;
    });
    if (it == m_streamed.end()) return;
    const StreamedBody body = std::move(*it);
    m_streamed.erase(it);
    Part* p = part(body.part);
    if (!p || !p->doc) return;
    pugi::xml_node sd = sheetData(p->doc.get());
    for (int r = 0; r < body.rows; ++r) {
        pugi::xml_node row = findRow(*p, sd, r + 1, true);
        for (int c = 0; c < body.cols; ++c) {
            pugi::xml_node cell = row.append_child(qualified(row, "c").c_str());
            cell.append_attribute("r") = utf8(xlsxCellName(r + 1, c)).constData();
            if (body.xf[size_t(c)]) cell.append_attribute("s") = body.xf[size_t(c)];
            const QString text = body.cell(r, c);
            setCellValue(cell, &text, nullptr);
        }
    }
    p->dirty = true;
}

namespace pkg {

bool splitAtBodyPlace(pugi::xml_document& doc, QByteArray* head, QByteArray* tail) {
    pugi::xml_node sd = child(doc.document_element(), "sheetData");
    if (!sd) return false;
    // A mark put where the body goes is looked for in the serialised sheet: the sheet's own text (a comment, a CDATA
    // section) may hold "</sheetData>" anywhere, but the mark only when it holds the mark itself, which is then found
    // twice and refused.
    static const char* const kMark = "body-rows";
    pugi::xml_node mark = sd.append_child(pugi::node_pi);
    mark.set_name(kMark);
    const QByteArray whole = serialise(doc);
    sd.remove_child(mark);
    const QByteArray written = QByteArray("<?") + kMark + "?>";
    const qsizetype at = whole.indexOf(written);
    if (at < 0 || whole.indexOf(written, at + 1) >= 0) return false;
    *head = whole.left(at);
    *tail = whole.mid(at + written.size());
    return true;
}

} // namespace pkg

OfficeStatus XlsxPackage::streamedPart(Part& p, const StreamedBody& body,
                                       std::function<std::function<QByteArray()>()>* pieces) {
    // The tree holds the header row; the body goes before the end of sheetData, its rows named as the tree's.
    QByteArray head, tail;
    if (!splitAtBodyPlace(*p.doc, &head, &tail))
        return OfficeStatus::failure(OfficeError::Damaged, QStringLiteral("活頁簿內容已損毀 (%1)").arg(p.name));
    const QByteArray prefix = QByteArray::fromStdString(qualified(sheetData(p.doc.get()), ""));
    *pieces = [head, tail, prefix, body] {
        auto state = std::make_shared<int>(-1); // -1: the head; then the next body row; rows: the tail; after: done
        return [head, tail, prefix, body, state]() -> QByteArray {
            int& next = *state;
            if (next < 0) {
                next = 0;
                return head;
            }
            if (next > body.rows) return {};
            if (next == body.rows) {
                ++next;
                return tail;
            }
            QByteArray piece;
            piece.reserve(kPieceBytes + 4096);
            for (; next < body.rows && piece.size() < kPieceBytes; ++next)
                appendRow(piece, prefix, next + 1, body.xf, body.cell, next);
            return piece;
        };
    };
    return OfficeStatus::success();
}

} // namespace office
