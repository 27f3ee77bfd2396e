// The roads a sheet is read by: a cell by position from the compact store, rows streamed as the part is unpacked,
// the tree of a sheet being edited and a workbook opened for its first rows only. Every road gives one answer for a
// hostile sheet, whatever the chunk its bytes arrive in; the pull parser reads long markup and any encoding the tree
// reads, fed a few bytes at a time.

#include "XlsxTestSupport.h"
#include "office/XlsxPackage.h"
#include "office/XlsxSheetReader.h"
#include "office/Zip.h"

#include <QElapsedTimer>

using namespace office;
using namespace xlsxtest;

namespace {

const char* const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

// A workbook of one sheet whose part holds `sheet` as it stands; shared strings 0 to 2 read "零", "一" and "s&t".
QByteArray bookWithSheet(const QByteArray& sheet) {
    const QByteArray relType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::vector<ZipEntry> parts = {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
        {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" +
                            relType + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", QByteArray("<workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" + relType.chopped(1) +
                                "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" +
             relType + "worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + relType +
             "sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", QByteArray("<sst xmlns=\"") + kMainNs +
                                     "\"><si><t>零</t></si><si><r><t>一</t></r></si>"
                                     "<si><t>s<![CDATA[&]]><!-- x -->t</t></si></sst>"},
        {"xl/worksheets/sheet1.xml", sheet},
    };
    return zipped(parts);
}

QByteArray utf8Sheet(const QByteArray& pad, const QByteArray& rows) {
    return QByteArray("<worksheet xmlns=\"") + kMainNs + "\"><sheetData>" + pad + rows + "</sheetData></worksheet>";
}

constexpr int kGridRows = 4;
constexpr int kGridCols = 5;
using Grid = std::vector<QStringList>; // kGridRows rows of kGridCols texts

Grid emptyGrid() {
    return Grid(kGridRows, QStringList(kGridCols, QString()));
}

// The cells of the grid's area by every road; each road's name with what it read, or why it failed.
std::vector<std::pair<QString, Grid>> readByEveryRoad(const QString& path, int rowsStored) {
    std::vector<std::pair<QString, Grid>> read;
    auto byCell = [](XlsxPackage& pkg) {
        Grid g = emptyGrid();
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c)
                g[size_t(r)][c] = pkg.cellText(0, r, c);
        return g;
    };
    auto byRow = [](XlsxPackage& pkg, QString* failed) {
        Grid g = emptyGrid();
        const OfficeStatus st = pkg.forEachRow(
            0,
            [&](int row, const QStringList& texts) {
                for (int c = 0; c < int(texts.size()); ++c)
                    g[size_t(row)][c] = texts[c];
                return true;
            },
            XlsxRange{0, 0, kGridRows - 1, kGridCols - 1});
        if (!st) *failed = st.message();
        return g;
    };
    auto byRows = [](XlsxPackage& pkg, QString* failed) {
        Grid g = emptyGrid();
        std::vector<QStringList> rows;
        const OfficeStatus st = pkg.readRows(0, &rows, XlsxRange{0, 0, kGridRows - 1, kGridCols - 1});
        if (!st) *failed = st.message();
        for (size_t r = 0; r < rows.size(); ++r)
            for (int c = 0; c < int(rows[r].size()); ++c)
                g[r][c] = rows[r][c];
        return g;
    };
    auto add = [&](const QString& road, const Grid& g, const QString& failed) {
        read.emplace_back(failed.isEmpty() ? road : road + " failed: " + failed, g);
    };
    for (const bool cut : {false, true}) {
        const QString how = cut ? QStringLiteral("first rows, ") : QString();
        QString failed;
        {
            XlsxPackage pkg;
            if (!(cut ? pkg.open(path, rowsStored) : pkg.open(path))) return {{how + "open failed", {}}};
            add(how + "forEachRow streamed", byRow(pkg, &failed), failed);
        }
        {
            XlsxPackage pkg;
            (void)(cut ? pkg.open(path, rowsStored) : pkg.open(path));
            add(how + "readRows streamed", byRows(pkg, &failed), failed);
            add(how + "cell from the store", byCell(pkg), {});
            add(how + "forEachRow from the store", byRow(pkg, &failed), failed);
        }
        {
            XlsxPackage pkg;
            (void)(cut ? pkg.open(path, rowsStored) : pkg.open(path));
            pkg.hasAutoFilter(0); // reads the sheet as a tree
            add(how + "cell from the tree", byCell(pkg), {});
            add(how + "forEachRow from the tree", byRow(pkg, &failed), failed);
            add(how + "readRows from the tree", byRows(pkg, &failed), failed);
        }
    }
    return read;
}

std::string shown(const Grid& g) {
    QString s;
    for (const QStringList& row : g)
        s += u'[' + row.join(u'|') + QStringLiteral("] ");
    return s.toStdString();
}

} // namespace

class XlsxSheetRoadsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    int files = 0;
    // Writes the workbook of `sheet` and checks every road against `want`.
    void expectEveryRoad(const char* what, const QByteArray& sheet, int rowsStored, const Grid& want) {
        const QString path = dir.filePath(QStringLiteral("roads%1.xlsx").arg(++files));
        writeFile(path, bookWithSheet(sheet));
        for (const auto& [road, got] : readByEveryRoad(path, rowsStored))
            EXPECT_EQ(shown(got), shown(want)) << what << ", " << road.toStdString();
    }
};

TEST_F(XlsxSheetRoadsTest, EveryRoadPlacesAndReadsACellAlike) {
    struct Case {
        const char* what;
        QByteArray rows;
        int rowsStored;
        std::vector<std::tuple<int, int, QString>> cells; // row, column, text: the rest of the grid is empty
    };
    const Case cases[] = {
        {"two cells of one column: the later counts",
         "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"A1\"><v>2</v></c><c r=\"B1\"><v>3</v></c></row>"
         "<row r=\"2\"><c r=\"B2\"><v>4</v></c><c r=\"A2\"><v>5</v></c><c><v>6</v></c></row>",
         2,
         {{0, 0, "2"}, {0, 1, "3"}, {1, 0, "5"}, {1, 1, "6"}}},
        {"an empty cell reference reads as none",
         "<row r=\"1\"><c r=\"\"><v>1</v></c><c r=\"\"><v>2</v></c><c r=\"D1\"><v>4</v></c><c r=\"\"><v>5</v></c>"
         "</row>",
         1,
         {{0, 0, "1"}, {0, 1, "2"}, {0, 3, "4"}, {0, 4, "5"}}},
        {"an empty row reference reads as none",
         "<row r=\"\"><c r=\"B1\"><v>1</v></c></row><row r=\"3\"><c><v>3</v></c></row><row r=\"\"><c><v>4</v></c>"
         "</row>",
         3,
         {{0, 1, "1"}, {2, 0, "3"}, {3, 0, "4"}}},
        {"text, CDATA and comments in one value",
         "<row r=\"1\"><c t=\"str\"><v>a<![CDATA[<b>]]>c</v></c><c><v>1<!-- x --><![CDATA[2]]></v></c>"
         "<c t=\"inlineStr\"><is><t>前<!-- 註 -->後</t></is></c>"
         "<c t=\"inlineStr\"><is><r><t>x<![CDATA[y]]></t></r><r><t>z</t></r></is></c><c t=\"s\"><v>2</v></c></row>",
         1,
         {{0, 0, "a<b>c"}, {0, 1, "12"}, {0, 2, "前後"}, {0, 3, "xyz"}, {0, 4, "s&t"}}},
        {"markup in CDATA and comments",
         "<row r=\"1\"><c t=\"str\"><v><![CDATA[a>b<c]]></v></c></row><!-- a>b <row r=\"4\"><c><v>9</v></c></row> -->"
         "<row><c t=\"str\"><v><![CDATA[</row>]]></v></c></row>",
         2,
         {{0, 0, "a>b<c"}, {1, 0, "</row>"}}},
    };
    for (const Case& c : cases) {
        Grid want = emptyGrid();
        for (const auto& [r, col, text] : c.cells)
            want[size_t(r)][col] = text;
        expectEveryRoad(c.what, utf8Sheet({}, c.rows), c.rowsStored, want);
        // The rows across the edge of a chunk, at every byte of them; and after a full batch of children.
        const QByteArray head = utf8Sheet({}, {}).left(utf8Sheet({}, {}).indexOf("</sheetData>"));
        for (qsizetype k = 1; k < c.rows.size(); ++k) {
            const qsizetype pad = 65536 - k - head.size() - 7;
            expectEveryRoad(c.what, utf8Sheet("<!--" + QByteArray(pad, ' ') + "-->", c.rows), c.rowsStored, want);
            if (HasFailure()) return;
        }
        expectEveryRoad(c.what, utf8Sheet("<!--" + QByteArray(1 << 20, '-').replace("--", "- ") + "-->", c.rows),
                        c.rowsStored, want);
    }
}

namespace {

// The text in an encoding, with its byte order mark when `bom`.
QByteArray encoded(const QString& text, const char* encoding, bool bom) {
    QByteArray out;
    const QByteArray name(encoding);
    if (name == "UTF-8") return (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    if (name == "ISO-8859-1") return text.toLatin1();
    const bool little = name.endsWith("LE");
    if (name.startsWith("UTF-32")) {
        const QList<uint> units = (bom ? QStringLiteral("\uFEFF") + text : text).toUcs4();
        for (const uint u : units)
            for (int b = 0; b < 4; ++b)
                out.append(char(little ? u >> (8 * b) : u >> (8 * (3 - b))));
        return out;
    }
    for (const QChar ch : (bom ? QStringLiteral("\uFEFF") + text : text)) {
        const char16_t u = ch.unicode();
        out.append(char(little ? u : u >> 8)).append(char(little ? u >> 8 : u));
    }
    return out;
}

struct Encoding {
    const char* name;
    bool bom;
    const char* declared; // in the declaration
};

const Encoding kEncodings[] = {
    {"UTF-8", false, "UTF-8"},     {"UTF-8", true, "UTF-8"},      {"UTF-16LE", true, "UTF-16"},
    {"UTF-16LE", false, "UTF-16"}, {"UTF-16BE", true, "UTF-16"},  {"UTF-16BE", false, "UTF-16"},
    {"UTF-32LE", true, "UTF-32"},  {"UTF-32BE", false, "UTF-32"},
};

} // namespace

TEST(XlsxSheetReader, APartFedInChunksOfAnySizeReadsInItsEncodingAsTheTreeReadsIt) {
    const QStringList texts{"café", "x😀y", "𡘙", "王小明", "a&b", ""};
    QString sst = QStringLiteral("<sst xmlns=\"%1\">").arg(kMainNs);
    for (const QString& t : texts)
        sst += QStringLiteral("<si><t>%1</t></si>").arg(QString(t).replace("&", "&amp;"));
    sst += QStringLiteral("</sst>");
    auto readInChunks = [](const QByteArray& part, qsizetype chunk, pkg::XmlChildReader::Outcome* outcome) {
        QStringList read;
        pkg::XmlChildReader reader(1, "", [&](pugi::xml_node si) {
            read << QString::fromUtf8(si.first_child().child_value());
            return true;
        });
        for (qsizetype at = 0; at < part.size(); at += chunk)
            reader.feed(part.constData() + at, std::min(chunk, part.size() - at));
        *outcome = reader.finish();
        return read;
    };
    std::vector<std::pair<QByteArray, QStringList>> parts;
    for (const Encoding& e : kEncodings) {
        const QString declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(e.declared);
        parts.emplace_back(encoded(declaration + sst, e.name, e.bom), texts);
        parts.emplace_back(encoded(sst, e.name, e.bom), texts);
    }
    parts.emplace_back(
        encoded("<?xml version='1.0' encoding='iso-8859-1' ?><sst><si><t>café</t></si></sst>", "ISO-8859-1", false),
        QStringList{"café"});
    for (const auto& [part, want] : parts) {
        // The tree reads it whole.
        pugi::xml_document tree;
        ASSERT_TRUE(tree.load_buffer(part.constData(), size_t(part.size())));
        QStringList whole;
        for (pugi::xml_node si = tree.document_element().first_child(); si; si = si.next_sibling())
            whole << QString::fromUtf8(si.first_child().child_value());
        ASSERT_EQ(whole, want) << part.toHex().left(16).toStdString();
        for (qsizetype chunk = 1; chunk <= 64; ++chunk) {
            pkg::XmlChildReader::Outcome outcome{};
            EXPECT_EQ(readInChunks(part, chunk, &outcome), want)
                << part.toHex().left(16).toStdString() << " in chunks of " << chunk;
            EXPECT_EQ(outcome, pkg::XmlChildReader::Outcome::Whole)
                << part.toHex().left(16).toStdString() << " in chunks of " << chunk;
            if (HasFailure()) return;
        }
    }
}

TEST(XlsxSheetReader, LongMarkupIsReadInTimeLinearInItsLength) {
    // Fed in small chunks, a comment, CDATA section, processing instruction or attribute of some megabytes would be
    // looked at again from its start with every chunk: minutes instead of a moment.
    const QByteArray big(qsizetype(4) << 20, 'x');
    const QByteArray markups[] = {"<!--" + big + "-->", "<si><t><![CDATA[" + big + "]]></t></si>", "<?pi " + big + "?>",
                                  "<si a=\"" + big + "\"><t>c</t></si>"};
    QElapsedTimer clock;
    clock.start();
    for (const QByteArray& markup : markups) {
        const QByteArray part = "<sst><si><t>a</t></si>" + markup + "<si><t>b</t></si></sst>";
        int read = 0;
        pkg::XmlChildReader reader(1, "", [&](pugi::xml_node) { return ++read > 0; });
        for (qsizetype at = 0; at < part.size(); at += 512)
            reader.feed(part.constData() + at, std::min<qsizetype>(512, part.size() - at));
        EXPECT_EQ(reader.finish(), pkg::XmlChildReader::Outcome::Whole) << markup.left(10).toStdString();
        EXPECT_EQ(read, markup.startsWith("<si") ? 3 : 2) << markup.left(10).toStdString();
    }
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(XlsxSheetRoadsTest, EveryRoadReadsASheetInTheEncodingItDeclaresWithACharacterSplitAtAChunkEdge) {
    const QString rows = "<row r=\"1\"><c t=\"inlineStr\"><is><t>café</t></is></c></row>"
                         "<row r=\"2\"><c t=\"inlineStr\"><is><t>x😀𡘙y</t></is></c></row>";
    for (const Encoding& e : kEncodings) {
        for (const QString split : {"😀", "𡘙"}) {
            const QString declaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(e.declared);
            auto sheet = [&](qsizetype pad) {
                return encoded(declaration +
                                   QString::fromUtf8(utf8Sheet("<!--" + QByteArray(pad, ' ') + "-->", rows.toUtf8())),
                               e.name, e.bom);
            };
            // The character's first bytes end a chunk of 64 KiB (in UTF-32, no character is split there).
            const QByteArray bare = sheet(0);
            const qsizetype at = bare.indexOf(encoded(split, e.name, false));
            const qsizetype width = encoded(" ", e.name, false).size();
            const qsizetype pad = (65534 - at) / width;
            const QByteArray part = sheet(pad);
            Grid want = emptyGrid();
            want[0][0] = "café";
            want[1][0] = "x😀𡘙y";
            expectEveryRoad(e.name, part, 2, want);

            // Opened for its first row only.
            const QString path = dir.filePath(QStringLiteral("first%1.xlsx").arg(++files));
            writeFile(path, bookWithSheet(part));
            XlsxPackage pkg;
            ASSERT_TRUE(pkg.open(path, 1));
            EXPECT_TRUE(pkg.rowsLeftOut(0)) << e.name;
            std::vector<QStringList> read;
            EXPECT_TRUE(pkg.readRows(0, &read)) << e.name;
            EXPECT_EQ(read, (std::vector<QStringList>{{"café"}})) << e.name;
        }
    }
}

TEST_F(XlsxSheetRoadsTest, EveryRoadReadsASheetDeclaredInIso88591AsItsDeclarationSays) {
    const QString rows = "<row r=\"1\"><c t=\"inlineStr\"><is><t>café</t></is></c><c t=\"str\"><v>ÿ</v></c></row>";
    Grid want = emptyGrid();
    want[0][0] = "café";
    want[0][1] = "ÿ";
    const QByteArray part =
        encoded("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + QString::fromUtf8(utf8Sheet({}, rows.toUtf8())),
                "ISO-8859-1", false);
    expectEveryRoad("ISO-8859-1", part, 1, want);
}

TEST_F(XlsxSheetRoadsTest, AStreamedTableGoesIntoSheetDataWhateverItsPrefixOrTheTextAfterIt) {
    const QByteArray sheets[] = {
        QByteArray("<worksheet xmlns=\"") + kMainNs + "\" xmlns:x=\"" + kMainNs + "\"><x:sheetData/></worksheet>",
        utf8Sheet({}, {}).replace("</worksheet>", "<!-- </sheetData> --></worksheet>"),
        utf8Sheet({}, {}).replace("</worksheet>",
                                  "<headerFooter><oddHeader><![CDATA[</sheetData>]]></oddHeader></headerFooter>"
                                  "</worksheet>"),
    };
    for (const QByteArray& sheet : sheets) {
        const QString path = dir.filePath(QStringLiteral("table%1.xlsx").arg(++files));
        writeFile(path, bookWithSheet(sheet));
        XlsxPackage pkg;
        ASSERT_TRUE(pkg.open(path));
        ASSERT_TRUE(
            pkg.streamTable(0, {"甲", "乙"}, 2, [](int r, int c) { return QStringLiteral("%1-%2").arg(r).arg(c); }));
        ASSERT_TRUE(pkg.saveAs(path + ".saved.xlsx"));
        XlsxPackage saved;
        ASSERT_TRUE(saved.open(path + ".saved.xlsx"));
        std::vector<QStringList> rows;
        EXPECT_TRUE(saved.readRows(0, &rows)) << sheet.toStdString();
        EXPECT_EQ(rows, (std::vector<QStringList>{{"甲", "乙"}, {"0-0", "0-1"}, {"1-0", "1-1"}}))
            << sheet.toStdString();
    }
}
