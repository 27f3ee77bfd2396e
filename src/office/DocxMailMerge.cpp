#include "office/DocxMailMerge.h"

#include "office/DocxPackage.h"
#include "office/FileWrite.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <functional>
#include <pugixml.hpp>
#include <string>

namespace office {

namespace {

const char kWordNs[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char kTemplateType[] = "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml";
const char kDocumentType[] = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr unsigned kParseFlags = pugi::parse_full | pugi::parse_ws_pcdata_single;

using Lookup = std::function<QString(const QString&)>;

// The element and attribute names of WordprocessingML with the prefix the part binds its namespace to (nearly always
// "w:"), built once per part.
struct WordNames {
    explicit WordNames(pugi::xml_node root) {
        std::string prefix = "w:";
        for (pugi::xml_attribute a : root.attributes()) {
            if (std::strcmp(a.value(), kWordNs) != 0) continue;
            const std::string n = a.name();
            if (n == "xmlns")
                prefix.clear();
            else if (n.rfind("xmlns:", 0) == 0)
                prefix = n.substr(6) + ":";
        }
        auto q = [&](const char* local) { return prefix + local; };
        r = q("r"), t = q("t"), p = q("p"), pPr = q("pPr"), rPr = q("rPr"), br = q("br"), tab = q("tab");
        body = q("body"), sectPr = q("sectPr"), fldSimple = q("fldSimple"), fldChar = q("fldChar");
        instrText = q("instrText"), instr = q("instr"), fldCharType = q("fldCharType"), type = q("type");
        txbxContent = q("txbxContent"), del = q("del"), moveFrom = q("moveFrom"), pStyle = q("pStyle");
        keepNext = q("keepNext"), keepLines = q("keepLines"), pageBreakBefore = q("pageBreakBefore"), val = q("val");
        bookmarkStart = q("bookmarkStart"), bookmarkEnd = q("bookmarkEnd"), mailMerge = q("mailMerge");
        document = q("document"), settings = q("settings");
    }
    static bool is(pugi::xml_node n, const std::string& name) {
        return n.type() == pugi::node_element && name == n.name();
    }

    std::string r, t, p, pPr, rPr, br, tab, body, sectPr, fldSimple, fldChar, instrText, instr, fldCharType, type;
    std::string txbxContent, del, moveFrom, pStyle, keepNext, keepLines, pageBreakBefore, val, bookmarkStart;
    std::string bookmarkEnd, mailMerge, document, settings;
};

const char* localName(pugi::xml_node n) {
    const char* name = n.name();
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

OfficeStatus parseXml(pugi::xml_document& doc, const QByteArray& data, const QString& part, const QString& file) {
    const pugi::xml_parse_result res = doc.load_buffer(data.constData(), size_t(data.size()), kParseFlags);
    if (res) return OfficeStatus::success();
    return OfficeStatus::failure(OfficeError::Damaged, QStringLiteral("檔案已損毀: %1 (%2: %3, 位置 %4)")
                                                           .arg(file, part, QString::fromUtf8(res.description()))
                                                           .arg(res.offset));
}

QByteArray saveXml(const pugi::xml_document& doc) {
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override {
            out.append(static_cast<const char*>(data), qsizetype(size));
        }
    } w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return w.out;
}

// Writes a value into a run: text in w:t (blanks kept), line breaks as w:br, tabs as w:tab. Characters XML cannot
// hold (other control characters) are dropped, so a stray one in the data never makes the document unreadable.
void appendValue(pugi::xml_node run, const QString& value, const WordNames& w) {
    QString text;
    auto flush = [&] {
        if (text.isEmpty()) return;
        pugi::xml_node t = run.append_child(w.t.c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text().set(text.toUtf8().constData());
        text.clear();
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n')) ++i;
            flush();
            run.append_child(w.br.c_str());
        } else if (c == QLatin1Char('\t')) {
            flush();
            run.append_child(w.tab.c_str());
        } else if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) {
            text += c;
        }
    }
    flush();
}

// Removes a node and everything inside it, innermost first: the library's own removal recurses once per level, which
// a template nested a few hundred thousand deep would take beyond the stack.
void removeTree(pugi::xml_node top) {
    pugi::xml_node parent = top.parent();
    for (pugi::xml_node n = top;;) {
        while (n.first_child())
            n = n.first_child();
        if (n == top) break;
        pugi::xml_node up = n.parent();
        up.remove_child(n);
        n = up;
    }
    parent.remove_child(top);
}

// The node after `n` and everything inside it, in document order, within `top`; null at the end. The walks below
// go by it rather than by recursion, so that a template nested tens of thousands deep cannot exhaust the stack.
pugi::xml_node nextAfter(pugi::xml_node n, pugi::xml_node top) {
    while (n && n != top && !n.next_sibling())
        n = n.parent();
    return n && n != top ? n.next_sibling() : pugi::xml_node();
}

// Simple fields: <w:fldSimple w:instr="MERGEFIELD x"> with the placeholder runs inside is replaced by a run holding
// the value, formatted like the placeholder.
void fillSimpleFields(pugi::xml_node top, const Lookup& valueOf, const WordNames& w) {
    for (pugi::xml_node child = top.first_child(); child;) {
        if (WordNames::is(child, w.fldSimple)) {
            if (const auto name = mergeFieldName(QString::fromUtf8(child.attribute(w.instr.c_str()).value()))) {
                const pugi::xml_node next = nextAfter(child, top);
                const QString value = valueOf(*name);
                pugi::xml_node node = child.parent();
                if (!value.isEmpty()) {
                    pugi::xml_node run = node.insert_child_before(w.r.c_str(), child);
                    const pugi::xml_node placeholder = child.find_node(
                        [&](pugi::xml_node n) { return WordNames::is(n, w.r) && n.child(w.rPr.c_str()); });
                    if (placeholder) run.append_copy(placeholder.child(w.rPr.c_str()));
                    appendValue(run, value, w);
                }
                removeTree(child);
                child = next;
                continue;
            }
        }
        child = child.first_child() ? child.first_child() : nextAfter(child, top);
    }
}

// One content element of a run (w:t, w:fldChar, w:instrText, w:br ...) in document order.
struct Item {
    pugi::xml_node run;
    pugi::xml_node child;
};

void collectItems(pugi::xml_node top, std::vector<Item>& items, const WordNames& w) {
    for (pugi::xml_node child = top.first_child(); child;) {
        if (child.type() == pugi::node_element && WordNames::is(child, w.r)) {
            for (pugi::xml_node c : child.children())
                if (c.type() == pugi::node_element && !WordNames::is(c, w.rPr)) items.push_back({child, c});
            child = nextAfter(child, top);
        } else if (child.type() != pugi::node_element || WordNames::is(child, w.del) ||
                   WordNames::is(child, w.moveFrom)) {
            // Deleted revisions keep their old fields as they are.
            child = nextAfter(child, top);
        } else {
            child = child.first_child() ? child.first_child() : nextAfter(child, top);
        }
    }
}

constexpr size_t kNoItem = size_t(-1);

// A complex MERGEFIELD as positions among the items: its begin, separate (kNoItem when it has none) and end.
struct FieldSpan {
    size_t begin, separate, end;
    QString name;
};

// The MERGEFIELDs among the items, in document order. Fields nested in other fields are found too; of a MERGEFIELD
// inside another MERGEFIELD only the outer one is kept, since it goes with it.
std::vector<FieldSpan> mergeFieldSpans(const std::vector<Item>& items, const WordNames& w) {
    struct Open {
        size_t begin;
        size_t separate = kNoItem;
        QString instruction;
    };
    std::vector<Open> open;
    std::vector<FieldSpan> spans;
    for (size_t i = 0; i < items.size(); ++i) {
        const pugi::xml_node c = items[i].child;
        if (WordNames::is(c, w.fldChar)) {
            const char* type = c.attribute(w.fldCharType.c_str()).value();
            if (std::strcmp(type, "begin") == 0) {
                open.push_back({i, kNoItem, QString()});
            } else if (std::strcmp(type, "separate") == 0) {
                if (!open.empty() && open.back().separate == kNoItem) open.back().separate = i;
            } else if (std::strcmp(type, "end") == 0 && !open.empty()) {
                const Open f = open.back();
                open.pop_back();
                if (const auto name = mergeFieldName(f.instruction)) spans.push_back({f.begin, f.separate, i, *name});
            }
        } else if (WordNames::is(c, w.instrText) && !open.empty() && open.back().separate == kNoItem) {
            open.back().instruction += QString::fromUtf8(c.text().get());
        }
    }
    // Spans close inner first; keep the outermost ones, in document order.
    std::sort(spans.begin(), spans.end(), [](const FieldSpan& a, const FieldSpan& b) { return a.begin < b.begin; });
    std::vector<FieldSpan> outermost;
    for (FieldSpan& s : spans)
        if (outermost.empty() || s.begin > outermost.back().end) outermost.push_back(std::move(s));
    return outermost;
}

// What the begin run of a field holds before the field moves into a run of its own in front, so that the value stands
// exactly where the field began (the end of the field and text after it may share the same run).
void splitRunBefore(const Item& begin, const WordNames& w) {
    const pugi::xml_node run = begin.run;
    const pugi::xml_node first =
        run.find_child([&](pugi::xml_node c) { return c.type() == pugi::node_element && !WordNames::is(c, w.rPr); });
    if (first == begin.child) return;
    pugi::xml_node prefix = run.parent().insert_child_before(w.r.c_str(), run);
    if (pugi::xml_node rPr = run.child(w.rPr.c_str())) prefix.append_copy(rPr);
    for (pugi::xml_node c = run.first_child(); c && c != begin.child;) {
        const pugi::xml_node next = c.next_sibling();
        if (!WordNames::is(c, w.rPr)) prefix.append_move(c);
        c = next;
    }
}

// Replaces a field's whole span by one run holding the value, formatted like the placeholder text («name») or else
// like the field's first run; runs the field leaves empty go.
void replaceField(const std::vector<Item>& items, const FieldSpan& s, const QString& value, const WordNames& w) {
    pugi::xml_node formatRun = items[s.begin].run;
    if (s.separate != kNoItem)
        for (size_t k = s.separate + 1; k < s.end; ++k)
            if (WordNames::is(items[k].child, w.t)) {
                formatRun = items[k].run;
                break;
            }
    const pugi::xml_node beginRun = items[s.begin].run;
    if (!value.isEmpty()) {
        pugi::xml_node run = beginRun.parent().insert_child_before(w.r.c_str(), beginRun);
        if (pugi::xml_node rPr = formatRun.child(w.rPr.c_str())) run.append_copy(rPr);
        appendValue(run, value, w);
    }
    std::vector<pugi::xml_node> touched;
    for (size_t k = s.begin; k <= s.end; ++k) {
        removeTree(items[k].child);
        if (touched.empty() || touched.back() != items[k].run) touched.push_back(items[k].run);
    }
    for (pugi::xml_node run : touched) {
        const pugi::xml_node content = run.find_child(
            [&](pugi::xml_node c) { return c.type() == pugi::node_element && !WordNames::is(c, w.rPr); });
        if (!content) removeTree(run);
    }
}

// Complex fields: begin, instruction text (possibly split over many runs), separate, the placeholder result, end.
// A MERGEFIELD's whole span is replaced by one run holding the value.
void fillComplexFields(const std::vector<pugi::xml_node>& roots, const Lookup& valueOf, const WordNames& w) {
    std::vector<Item> items;
    for (pugi::xml_node root : roots) {
        if (WordNames::is(root, w.r)) continue; // never a block; runs are read through their parents
        collectItems(root, items, w);
    }
    for (const FieldSpan& s : mergeFieldSpans(items, w)) {
        splitRunBefore(items[s.begin], w);
        replaceField(items, s, valueOf(s.name), w);
    }
}

// Every MERGEFIELD below the roots: simple fields, then the complex fields of each text box (innermost first, a
// text box is a little document of its own), then the complex fields of the roots.
void fillFields(const std::vector<pugi::xml_node>& roots, const Lookup& valueOf, const WordNames& w) {
    for (pugi::xml_node root : roots)
        fillSimpleFields(root, valueOf, w);
    std::vector<pugi::xml_node> boxes;
    for (pugi::xml_node root : roots) {
        struct Finder : pugi::xml_tree_walker {
            const WordNames* w;
            std::vector<pugi::xml_node>* out;
            bool for_each(pugi::xml_node& n) override {
                if (WordNames::is(n, w->txbxContent)) out->push_back(n);
                return true;
            }
        } finder;
        finder.w = &w;
        finder.out = &boxes;
        root.traverse(finder);
    }
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
        fillComplexFields({*it}, valueOf, w);
    fillComplexFields(roots, valueOf, w);
}

std::vector<pugi::xml_node> childrenOf(pugi::xml_node n) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : n.children())
        out.push_back(c);
    return out;
}

// Relationships of a rels part: (type, target, id) of each, in order.
struct Relationship {
    QString id, type, target;
};

std::vector<Relationship> relationships(const DocxPackage& pkg, const QString& relsPart) {
    std::vector<Relationship> out;
    const DocxPackage::Part* part = pkg.find(relsPart);
    if (!part) return out;
    pugi::xml_document doc;
    if (!doc.load_buffer(part->data.constData(), size_t(part->data.size()), kParseFlags)) return out;
    for (pugi::xml_node r : doc.document_element().children()) {
        if (std::strcmp(localName(r), "Relationship") != 0) continue;
        if (QString::fromUtf8(r.attribute("TargetMode").value()) == QLatin1String("External")) continue;
        out.push_back({QString::fromUtf8(r.attribute("Id").value()), QString::fromUtf8(r.attribute("Type").value()),
                       QString::fromUtf8(r.attribute("Target").value())});
    }
    return out;
}

bool typeIs(const QString& type, const char* name) {
    return type.endsWith(QLatin1Char('/') + QLatin1String(name));
}

// The largest drawing id (wp:docPr id) below a node; copies of the body take fresh ids above it, since Word refuses
// a document whose drawings share an id.
unsigned maxDrawingId(pugi::xml_node root) {
    unsigned max = 0;
    for (pugi::xpath_node x : root.select_nodes("//*[local-name()='docPr']"))
        max = std::max(max, x.node().attribute("id").as_uint());
    return max;
}

// A copy of the body after the first: its bookmarks would repeat the first copy's names and its paragraph ids would
// repeat too, so they go; its drawings get the given id (a mark each copy replaces with a fresh number).
void makeCopyUnique(pugi::xml_node root, const char* drawingId, const WordNames& w) {
    std::vector<pugi::xml_node> bookmarks;
    struct Walker : pugi::xml_tree_walker {
        const WordNames* w;
        std::vector<pugi::xml_node>* bookmarks;
        const char* drawingId;
        bool for_each(pugi::xml_node& n) override {
            if (n.type() != pugi::node_element) return true;
            if (WordNames::is(n, w->bookmarkStart) || WordNames::is(n, w->bookmarkEnd)) bookmarks->push_back(n);
            if (std::strcmp(localName(n), "docPr") == 0) n.attribute("id").set_value(drawingId);
            n.remove_attribute("w14:paraId");
            n.remove_attribute("w14:textId");
            return true;
        }
    } walker;
    walker.w = &w;
    walker.bookmarks = &bookmarks;
    walker.drawingId = drawingId;
    if (root.type() == pugi::node_element) {
        pugi::xml_node self = root;
        walker.for_each(self);
    }
    root.traverse(walker);
    for (pugi::xml_node b : bookmarks)
        removeTree(b);
}

// A copy after the first begins on a new page: its first paragraph gets "page break before"; when the copy begins
// with a table, a paragraph holding a page break goes in front of it.
void startOnNewPage(pugi::xml_node body, pugi::xml_node first, const WordNames& w) {
    if (WordNames::is(first, w.p)) {
        pugi::xml_node pPr = first.child(w.pPr.c_str());
        if (!pPr) pPr = first.prepend_child(w.pPr.c_str());
        if (pugi::xml_node existing = pPr.child(w.pageBreakBefore.c_str())) {
            existing.remove_attribute(w.val.c_str());
            return;
        }
        // The schema orders pStyle, keepNext, keepLines, pageBreakBefore, then the rest.
        pugi::xml_node after;
        for (const std::string* name : {&w.pStyle, &w.keepNext, &w.keepLines})
            if (pugi::xml_node c = pPr.child(name->c_str())) after = c;
        if (after)
            pPr.insert_child_after(w.pageBreakBefore.c_str(), after);
        else
            pPr.prepend_child(w.pageBreakBefore.c_str());
        return;
    }
    pugi::xml_node p = first ? body.insert_child_before(w.p.c_str(), first) : body.append_child(w.p.c_str());
    p.append_child(w.r.c_str()).append_child(w.br.c_str()).append_attribute(w.type.c_str()) = "page";
}

// Marks in a prepared copy of the body, characters of Unicode's private use area that no template text holds: a field
// is kFieldMark, its number and kEndMark (the whole text of one w:t); a drawing id is kIdMark.
const QChar kFieldMark(0xE000), kEndMark(0xE001), kIdMark(0xE002);
const char kBodySlot[] = "ostiva-merged-body";

// A copy of the body prepared once: the XML between the marks, and for each mark the field number it stands for, or
// -1 for a fresh drawing id.
struct CompiledCopy {
    std::vector<QByteArray> literals; // one more than marks
    std::vector<int> marks;
};

CompiledCopy compileCopy(const pugi::xml_document& original, const Lookup& mark, bool later, const WordNames& w) {
    pugi::xml_document copy;
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node c : original.children())
        nodes.push_back(copy.append_copy(c));
    fillFields(nodes, mark, w);
    if (later) {
        const QByteArray idMark = QString(kIdMark).toUtf8();
        for (pugi::xml_node n : nodes)
            makeCopyUnique(n, idMark.constData(), w);
        pugi::xml_node first = copy.first_child(); // a bookmark standing alone in the body has gone
        while (first && first.type() != pugi::node_element)
            first = first.next_sibling();
        startOnNewPage(copy, first, w);
    }
    struct Writer : pugi::xml_writer {
        QByteArray out;
        void write(const void* data, size_t size) override {
            out.append(static_cast<const char*>(data), qsizetype(size));
        }
    } writer;
    for (pugi::xml_node c : copy.children())
        c.print(writer, "", pugi::format_raw, pugi::encoding_utf8);

    // Each mark is three bytes in UTF-8: EE 80 80 (field), EE 80 81 (end of field), EE 80 82 (drawing id).
    CompiledCopy out;
    const QByteArray& xml = writer.out;
    qsizetype from = 0;   // start of the literal being collected
    qsizetype search = 0; // where the next mark may be
    for (;;) {
        const qsizetype at = xml.indexOf("\xEE\x80", search);
        if (at < 0 || at + 2 >= xml.size()) break;
        const char kind = xml[at + 2];
        if (kind == '\x80') {
            const qsizetype end = xml.indexOf("\xEE\x80\x81", at + 3);
            if (end < 0) break;
            out.literals.push_back(xml.mid(from, at - from));
            out.marks.push_back(xml.mid(at + 3, end - at - 3).toInt());
            from = search = end + 3;
        } else if (kind == '\x82') {
            out.literals.push_back(xml.mid(from, at - from));
            out.marks.push_back(-1);
            from = search = at + 3;
        } else {
            search = at + 3; // another character of that block in the template's own text
        }
    }
    out.literals.push_back(xml.mid(from));
    return out;
}

// A value as the content of the w:t that held its mark: text escaped, line breaks and tabs between texts, characters
// XML cannot hold dropped.
QByteArray valueXml(const QString& value, const WordNames& w) {
    const QString t = QString::fromStdString(w.t);
    const QString reopen = QStringLiteral("<%1 xml:space=\"preserve\">").arg(t);
    const QString lineBreak = QStringLiteral("</%1><%2/>").arg(t, QString::fromStdString(w.br)) + reopen;
    const QString tab = QStringLiteral("</%1><%2/>").arg(t, QString::fromStdString(w.tab)) + reopen;
    QString s;
    s.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        switch (c.unicode()) {
        case '\r':
            if (i + 1 < value.size() && value.at(i + 1) == QLatin1Char('\n')) ++i;
            s += lineBreak;
            break;
        case '\n':
            s += lineBreak;
            break;
        case '\t':
            s += tab;
            break;
        case '&':
            s += QLatin1String("&amp;");
            break;
        case '<':
            s += QLatin1String("&lt;");
            break;
        case '>':
            s += QLatin1String("&gt;");
            break;
        default:
            if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) s += c;
        }
    }
    return s.toUtf8();
}

// The column of each field name: letter case and blanks around ignored, the first of repeated headers.
class FieldColumns {
public:
    explicit FieldColumns(const QStringList& headers) {
        for (int i = 0; i < headers.size(); ++i)
            if (!m_column.contains(headers[i].trimmed().toLower())) m_column.insert(headers[i].trimmed().toLower(), i);
    }
    int of(const QString& name) const { return m_column.value(name.trimmed().toLower(), -1); }
    // The values of a row by field name: "" for a name without column or beyond the row. Keeps a reference to it.
    Lookup lookup(const QStringList& row) const {
        return [this, &row](const QString& name) {
            const int c = of(name);
            return c >= 0 && c < row.size() ? row.at(c) : QString();
        };
    }

private:
    QHash<QString, int> m_column; // lower-case name → column
};

// Headers and footers are shared by every copy: they take one row's values.
OfficeStatus fillHeadersAndFooters(DocxPackage& out, const QStringList& parts, const QString& file,
                                   const Lookup& valueOf) {
    for (const QString& part : parts) {
        pugi::xml_document doc;
        if (const OfficeStatus parsed = parseXml(doc, out.find(part)->data, part, file); !parsed) return parsed;
        const WordNames w(doc.document_element());
        fillFields(childrenOf(doc), valueOf, w);
        out.set(part, saveXml(doc));
    }
    return OfficeStatus::success();
}

// Moves the content of the body (all but its final section properties) into `content`, leaving a comment in its
// place where the merged copies go.
void detachBody(pugi::xml_document& doc, pugi::xml_document& content, const WordNames& w) {
    pugi::xml_node body = doc.document_element().child(w.body.c_str());
    pugi::xml_node sectPr = body.last_child();
    while (sectPr && sectPr.type() != pugi::node_element)
        sectPr = sectPr.previous_sibling();
    if (!WordNames::is(sectPr, w.sectPr)) sectPr = pugi::xml_node();
    for (pugi::xml_node c = body.first_child(); c;) {
        const pugi::xml_node next = c.next_sibling();
        if (c != sectPr) {
            content.append_copy(c);
            removeTree(c);
        }
        c = next;
    }
    (sectPr ? body.insert_child_before(pugi::node_comment, sectPr) : body.append_child(pugi::node_comment))
        .set_value(kBodySlot);
}

// The largest drawing id of the main part (its body detached as `content`) and of the headers and footers.
unsigned largestDrawingId(const pugi::xml_document& doc, const pugi::xml_document& content, const DocxPackage& pkg,
                          const QStringList& headerFooterParts) {
    unsigned largest = std::max(maxDrawingId(doc), maxDrawingId(content));
    for (const QString& part : headerFooterParts) {
        pugi::xml_document hf;
        if (hf.load_buffer(pkg.find(part)->data.constData(), size_t(pkg.find(part)->data.size()), kParseFlags))
            largest = std::max(largest, maxDrawingId(hf));
    }
    return largest;
}

// The body prepared twice, with a mark where each field's value goes: the first copy as the template has it, and the
// copy every later row follows (on a page of its own, no repeated bookmarks, fresh drawing ids). Each row then costs
// only the joining of texts.
struct CompiledBody {
    CompiledCopy first, later;
    std::vector<int> columnOfField; // by mark number; -1 for a field without column
};

CompiledBody compileBody(const pugi::xml_document& content, const FieldColumns& columns, const WordNames& w) {
    QStringList fields; // field names by mark number
    const Lookup markOf = [&](const QString& name) {
        qsizetype k = fields.indexOf(name);
        if (k < 0) {
            k = fields.size();
            fields.append(name);
        }
        return kFieldMark + QString::number(k) + kEndMark;
    };
    CompiledBody out;
    out.first = compileCopy(content, markOf, false, w);
    out.later = compileCopy(content, markOf, true, w);
    for (const QString& f : fields)
        out.columnOfField.push_back(columns.of(f));
    return out;
}

// The main part: the document around the body's slot, and in the slot one copy of the body per row with the row's
// values and fresh drawing ids (numbered on from lastDrawingId) in place of the marks.
QByteArray joinCopies(const QByteArray& whole, const CompiledBody& body, const std::vector<QStringList>& rows,
                      unsigned lastDrawingId, const WordNames& w) {
    const QByteArray slot = QByteArray("<!--") + kBodySlot + "-->";
    const qsizetype at = whole.indexOf(slot);
    qsizetype copySize = 0;
    for (const QByteArray& l : body.later.literals)
        copySize += l.size();
    QByteArray xml;
    xml.reserve(whole.size() + copySize * qsizetype(rows.size()) * 5 / 4);
    xml.append(whole.constData(), at);
    unsigned drawingId = lastDrawingId;
    for (size_t i = 0; i < rows.size(); ++i) {
        const CompiledCopy& c = i == 0 ? body.first : body.later;
        const QStringList& row = rows[i];
        for (size_t k = 0; k < c.marks.size(); ++k) {
            xml += c.literals[k];
            const int mark = c.marks[k];
            if (mark < 0) {
                xml += QByteArray::number(++drawingId);
            } else if (mark < int(body.columnOfField.size())) {
                const int col = body.columnOfField[size_t(mark)];
                if (col >= 0 && col < row.size()) xml += valueXml(row[col], w);
            }
        }
        xml += c.literals.back();
    }
    xml.append(whole.constData() + at + slot.size(), whole.size() - at - slot.size());
    return xml;
}

// The main part with one copy of the body per row.
OfficeStatus mergeBody(DocxPackage& out, const QString& mainPart, const QStringList& headerFooterParts,
                       const QString& file, const FieldColumns& columns, const std::vector<QStringList>& rows) {
    pugi::xml_document doc;
    if (const OfficeStatus parsed = parseXml(doc, out.find(mainPart)->data, mainPart, file); !parsed) return parsed;
    const WordNames w(doc.document_element());
    pugi::xml_document content;
    detachBody(doc, content, w);
    const unsigned lastDrawingId = largestDrawingId(doc, content, out, headerFooterParts);
    const CompiledBody body = compileBody(content, columns, w);
    out.set(mainPart, joinCopies(saveXml(doc), body, rows, lastDrawingId, w));
    return OfficeStatus::success();
}

// No link to the template's data source survives: w:mailMerge goes from the settings, with the relationships it used.
OfficeStatus dropDataSource(DocxPackage& out, const QString& settingsPart, const QString& file) {
    if (settingsPart.isEmpty()) return OfficeStatus::success();
    pugi::xml_document settings;
    if (const OfficeStatus parsed = parseXml(settings, out.find(settingsPart)->data, settingsPart, file); !parsed)
        return parsed;
    const WordNames w(settings.document_element());
    if (pugi::xml_node mm = settings.document_element().child(w.mailMerge.c_str())) {
        removeTree(mm);
        out.set(settingsPart, saveXml(settings));
    }
    const QString rels = DocxPackage::relsPartOf(settingsPart);
    const DocxPackage::Part* relsPart = out.find(rels);
    pugi::xml_document rd;
    if (!relsPart || !rd.load_buffer(relsPart->data.constData(), size_t(relsPart->data.size()), kParseFlags))
        return OfficeStatus::success();
    bool changed = false;
    for (pugi::xml_node r = rd.document_element().first_child(); r;) {
        const pugi::xml_node next = r.next_sibling();
        const QString type = QString::fromUtf8(r.attribute("Type").value());
        if (typeIs(type, "mailMergeSource") || typeIs(type, "mailMergeHeaderSource") || typeIs(type, "recipientData")) {
            removeTree(r);
            changed = true;
        }
        r = next;
    }
    if (changed) out.set(rels, saveXml(rd));
    return OfficeStatus::success();
}

// A .dotx template gives a document, not another template.
void declareDocument(DocxPackage& out) {
    const DocxPackage::Part* ct = out.find(QStringLiteral("[Content_Types].xml"));
    if (!ct || !ct->data.contains(kTemplateType)) return;
    QByteArray data = ct->data;
    out.set(ct->name, data.replace(kTemplateType, kDocumentType));
}

} // namespace

std::optional<QString> mergeFieldName(const QString& instruction) {
    const QString s = instruction.trimmed();
    static const QLatin1String keyword("MERGEFIELD");
    if (!s.startsWith(keyword, Qt::CaseInsensitive)) return std::nullopt;
    qsizetype i = keyword.size();
    if (i < s.size() && !s.at(i).isSpace() && s.at(i) != QLatin1Char('"')) return std::nullopt; // "MERGEFIELDX"
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    QString name;
    if (i < s.size() && s.at(i) == QLatin1Char('"')) {
        const qsizetype close = s.indexOf(QLatin1Char('"'), i + 1);
        name = close < 0 ? s.mid(i + 1) : s.mid(i + 1, close - i - 1);
    } else {
        const qsizetype start = i;
        while (i < s.size() && !s.at(i).isSpace() && s.at(i) != QLatin1Char('\\'))
            ++i;
        name = s.mid(start, i - start);
    }
    return name.trimmed();
}

QString noMergeRowsText() {
    return QStringLiteral("沒有可套印的資料");
}

struct DocxMailMerge::Template {
    QString path;
    DocxPackage package;
    QString mainPart;
    QString settingsPart;
    QStringList headerFooterParts;
};

DocxMailMerge::DocxMailMerge() = default;
DocxMailMerge::~DocxMailMerge() = default;

bool DocxMailMerge::isLoaded() const {
    return m != nullptr;
}

OfficeStatus DocxMailMerge::load(const QString& templatePath) {
    m.reset();
    auto t = std::make_unique<Template>();
    t->path = templatePath;
    if (const OfficeStatus read = t->package.load(templatePath); !read) return read;
    auto notWord = [&] {
        return OfficeStatus::failure(OfficeError::NotDocument,
                                     QStringLiteral("不是 Word 文件 (.docx): %1").arg(templatePath));
    };
    for (const Relationship& r : relationships(t->package, QStringLiteral("_rels/.rels")))
        if (typeIs(r.type, "officeDocument")) t->mainPart = DocxPackage::resolveTarget(QString(), r.target);
    if (t->mainPart.isEmpty() || !t->package.contains(t->mainPart)) return notWord();

    pugi::xml_document doc;
    if (const OfficeStatus parsed = parseXml(doc, t->package.find(t->mainPart)->data, t->mainPart, templatePath);
        !parsed)
        return parsed;
    const pugi::xml_node root = doc.document_element();
    const WordNames w(root);
    if (!WordNames::is(root, w.document)) return notWord(); // a workbook or a presentation has another root
    if (!root.child(w.body.c_str()))
        return OfficeStatus::failure(OfficeError::Damaged,
                                     QStringLiteral("檔案已損毀: %1 (%2 沒有內文)").arg(templatePath, t->mainPart));
    for (const Relationship& r : relationships(t->package, DocxPackage::relsPartOf(t->mainPart))) {
        const QString target = DocxPackage::resolveTarget(t->mainPart, r.target);
        if (!t->package.contains(target)) continue;
        if (typeIs(r.type, "settings")) t->settingsPart = target;
        if (typeIs(r.type, "header") || typeIs(r.type, "footer")) t->headerFooterParts.append(target);
    }
    // Damaged parts the merge rewrites are reported now rather than at merge time.
    QStringList toCheck = t->headerFooterParts;
    if (!t->settingsPart.isEmpty()) toCheck.append(t->settingsPart);
    for (const QString& part : toCheck) {
        pugi::xml_document d;
        if (const OfficeStatus parsed = parseXml(d, t->package.find(part)->data, part, templatePath); !parsed)
            return parsed;
    }
    m = std::move(t);
    return OfficeStatus::success();
}

QStringList DocxMailMerge::fieldNames() const {
    QStringList names;
    if (!m) return names;
    QSet<QString> seen;
    const Lookup record = [&](const QString& name) {
        if (!seen.contains(name.toLower())) {
            seen.insert(name.toLower());
            names.append(name);
        }
        return QString();
    };
    QStringList parts{m->mainPart};
    parts += m->headerFooterParts;
    for (const QString& part : parts) {
        pugi::xml_document doc;
        if (!doc.load_buffer(m->package.find(part)->data.constData(), size_t(m->package.find(part)->data.size()),
                             kParseFlags))
            continue;
        const WordNames w(doc.document_element());
        fillFields(childrenOf(doc), record, w);
    }
    return names;
}

OfficeStatus DocxMailMerge::merge(const QStringList& headers, const std::vector<QStringList>& rows,
                                  QByteArray* document) const {
    if (!m) return OfficeStatus::failure(OfficeError::InvalidInput, QStringLiteral("尚未載入套印範本"));
    if (rows.empty()) return OfficeStatus::failure(OfficeError::InvalidInput, noMergeRowsText());
    const FieldColumns columns(headers);
    DocxPackage out = m->package;
    OfficeStatus st = fillHeadersAndFooters(out, m->headerFooterParts, m->path, columns.lookup(rows.front()));
    if (st) st = mergeBody(out, m->mainPart, m->headerFooterParts, m->path, columns, rows);
    if (st) st = dropDataSource(out, m->settingsPart, m->path);
    if (!st) return st;
    declareDocument(out);
    return out.toBytes(document);
}

OfficeStatus DocxMailMerge::mergeToFile(const QStringList& headers, const std::vector<QStringList>& rows,
                                        const QString& outputPath) const {
    QByteArray bytes;
    if (const OfficeStatus merged = merge(headers, rows, &bytes); !merged) return merged;
    if (QString why; !saveWhole(outputPath, bytes, &why))
        return OfficeStatus::failure(OfficeError::WriteFailed,
                                     QStringLiteral("無法寫入檔案: %1 (%2)").arg(outputPath, why));
    return OfficeStatus::success();
}

OfficeStatus MergeDocx(const QString& templatePath, const QStringList& headers, const std::vector<QStringList>& rows,
                       const QString& outputPath) {
    DocxMailMerge merge;
    const OfficeStatus st = merge.load(templatePath);
    return st ? merge.mergeToFile(headers, rows, outputPath) : st;
}

OfficeStatus MergeDocx(const QString& templatePath, const std::vector<QMap<QString, QString>>& rows,
                       const QString& outputPath) {
    QStringList headers;
    for (const auto& row : rows)
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            if (!headers.contains(it.key())) headers.append(it.key());
    std::vector<QStringList> table;
    table.reserve(rows.size());
    for (const auto& row : rows) {
        QStringList values;
        for (const QString& h : headers)
            values.append(row.value(h));
        table.push_back(values);
    }
    return MergeDocx(templatePath, headers, table, outputPath);
}

} // namespace office
