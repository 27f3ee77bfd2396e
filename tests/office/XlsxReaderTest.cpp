// The package's reader over whole sheets: rows and cells with gaps, out of order or without references, shared and
// inline strings, very wide and very long sheets read whole and by range, references past XFD1048576 refused, and
// workbooks past the reader's limits refused before they fill memory.

#include "XlsxTestSupport.h"
#include "common/PatternZip.h"
#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"
#include "office/Zip.h"

using namespace office;
using namespace xlsxtest;

namespace {

// A workbook of one sheet whose sheetData is `rows`, with three shared strings and a date style (s="1").
QByteArray workbookWithRows(const QString& rows) {
    const QString ns = QStringLiteral("xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"");
    const QString rel =
        QStringLiteral("xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"");
    const QString relType = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    std::vector<ZipEntry> parts = {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                                "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
        {"_rels/.rels",
         QStringLiteral("<Relationships "
                        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"%1officeDocument\" Target=\"xl/workbook.xml\"/>"
                        "</Relationships>")
             .arg(relType)
             .toUtf8()},
        {"xl/workbook.xml",
         QStringLiteral(
             "<workbook %1 %2><sheets><sheet name=\"資料\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>")
             .arg(ns, rel)
             .toUtf8()},
        {"xl/_rels/workbook.xml.rels",
         QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"%1worksheet\" Target=\"worksheets/sheet1.xml\"/>"
                        "<Relationship Id=\"rId2\" Type=\"%1sharedStrings\" Target=\"sharedStrings.xml\"/>"
                        "<Relationship Id=\"rId3\" Type=\"%1styles\" Target=\"styles.xml\"/></Relationships>")
             .arg(relType)
             .toUtf8()},
        {"xl/sharedStrings.xml",
         QStringLiteral(
             "<sst %1><si><t>姓名</t></si><si><r><t>王</t></r><r><t>小明</t></r></si><si><t>a_x000D_b</t></si></sst>")
             .arg(ns)
             .toUtf8()},
        {"xl/styles.xml", QStringLiteral("<styleSheet %1><cellXfs count=\"2\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" "
                                         "applyNumberFormat=\"1\"/></cellXfs></styleSheet>")
                              .arg(ns)
                              .toUtf8()},
        {"xl/worksheets/sheet1.xml",
         QStringLiteral("<worksheet %1><sheetData>%2</sheetData></worksheet>").arg(ns, rows).toUtf8()},
    };
    return zipped(parts);
}

} // namespace

class XlsxReaderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    // Opens a workbook whose only sheet holds `rows`.
    void open(XlsxPackage& pkg, const QString& rows) {
        const QString p = dir.filePath(QStringLiteral("rows%1.xlsx").arg(++m_count));
        writeFile(p, workbookWithRows(rows));
        ASSERT_TRUE(pkg.open(p));
    }

private:
    int m_count = 0;
};

TEST_F(XlsxReaderTest, RowsWithGapsOutOfOrderOrWithoutReferencesReadAsTheCellReaderReadsThem) {
    XlsxPackage pkg;
    open(pkg,
         // Row 1: shared strings, a rich one, one with an escape; row 2 missing; row 3 given after rows 4 and 5; a
         // row and cells without r following their predecessor; an inline string; a number, a date, a boolean; a gap at
         // column B.
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
         "</row>"
         "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>第四列</t></is></c><c r=\"C4\"><v>0.1</v></c></row>"
         "<row><c><v>12</v></c><c t=\"inlineStr\"><is><t>無位置</t></is></c></row>"
         "<row r=\"3\"><c r=\"B3\" t=\"b\"><v>1</v></c><c t=\"inlineStr\"><is><r><t>接</t></r><r><t>續</t></r></is></c>"
         "<c r=\"A3\" s=\"1\"><v>45356</v></c></row>");
    const std::vector<QStringList> want = {
        {"姓名", "王小明", "a\rb"}, {"", "", ""},         {"2024/03/05", "True", "接續"},
        {"第四列", "", "0.1"},      {"12", "無位置", ""},
    };
    std::vector<QStringList> rows;
    ASSERT_TRUE(pkg.readRows(0, &rows));
    ASSERT_EQ(rows.size(), want.size());
    for (size_t r = 0; r < want.size(); ++r) {
        EXPECT_EQ(rows[r], want[r]) << "row " << r + 1;
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(pkg.cellText(0, int(r), c), want[r][c]) << "row " << r + 1 << " column " << c + 1;
    }
    EXPECT_EQ(pkg.rowCount(0), 5);
    EXPECT_EQ(pkg.columnCount(0), 3);

    // A range: inside, across the edge of the data and wholly outside it.
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("B3:C4")));
    EXPECT_EQ(rows, (std::vector<QStringList>{{"True", "接續"}, {"", "0.1"}}));
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("C5:Z99")));
    EXPECT_EQ(rows, (std::vector<QStringList>{{""}}));
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("A9:B12")));
    EXPECT_TRUE(rows.empty());

    // Writing into a gap keeps the reader's index right.
    ASSERT_TRUE(pkg.setCellText(0, 1, 1, "補上"));
    ASSERT_TRUE(pkg.setCellText(0, 6, 0, "最後"));
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("A2:B7")));
    EXPECT_EQ(rows[0], (QStringList{"", "補上"}));
    EXPECT_EQ(rows[5], (QStringList{"最後", ""}));
    EXPECT_EQ(pkg.cellText(0, "B2"), "補上");
    EXPECT_EQ(pkg.cellText(0, "B3"), "True");
}

TEST_F(XlsxReaderTest, VeryWideAndVeryLongSheetsReadWholeAndByRange) {
    XlsxWorkbook book;
    XlsxSheet& wide = book.addSheet("寬");
    for (int c = 0; c < kXlsxMaxColumns; c += 7)
        wide.setText(1, c, xlsxColumnName(c));
    wide.setNumber(2, kXlsxMaxColumns - 1, 42);
    XlsxSheet& tall = book.addSheet("長");
    const int tallRows = 120000;
    tall.streamTextBlock(
        0, 0, tallRows, 3, [](int r, int c) { return QStringLiteral("%1-%2").arg(r).arg(c); }, -1);
    tall.setText(kXlsxMaxRows - 1, 1, "最末列"); // stored below the streamed block
    const QString file = dir.filePath("big.xlsx");
    ASSERT_TRUE(book.save(file));

    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(file));
    std::vector<QStringList> rows;
    ASSERT_TRUE(pkg.readRows(0, &rows));
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[1].size(), kXlsxMaxColumns);
    EXPECT_EQ(rows[0], QStringList(kXlsxMaxColumns, QString()));
    for (int c = 0; c < kXlsxMaxColumns; ++c)
        ASSERT_EQ(rows[1][c], c % 7 == 0 ? xlsxColumnName(c) : QString()) << c;
    EXPECT_EQ(rows[2].back(), "42");
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("XFA2:XFD3")));
    EXPECT_EQ(rows, (std::vector<QStringList>{{"XFA", "", "", ""}, {"", "", "", "42"}}));
    EXPECT_EQ(pkg.cellText(0, "XFD3"), "42");

    ASSERT_TRUE(pkg.readRows(1, &rows));
    ASSERT_EQ(int(rows.size()), kXlsxMaxRows);
    for (int r : {0, 1, 59999, tallRows - 1})
        EXPECT_EQ(rows[size_t(r)], (QStringList{QStringLiteral("%1-0").arg(r), QStringLiteral("%1-1").arg(r),
                                                QStringLiteral("%1-2").arg(r)}));
    EXPECT_EQ(rows[size_t(tallRows)], QStringList(3, QString()));
    EXPECT_EQ(rows.back(), (QStringList{"", "最末列", ""}));
    ASSERT_TRUE(pkg.readRows(1, &rows, XlsxRange{99998, 1, 100001, 1}));
    EXPECT_EQ(rows, (std::vector<QStringList>{{"99998-1"}, {"99999-1"}, {"100000-1"}, {"100001-1"}}));
    EXPECT_EQ(pkg.cellText(1, 119999, 2), "119999-2");
}

TEST_F(XlsxReaderTest, AReferencePastTheLastCellMarksTheSheetAsDamaged) {
    struct Case {
        const char* what;
        QString rows;
    };
    const QString lastRowWithoutReference =
        QStringLiteral("<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c></row><row><c><v>2</v></c></row>");
    const Case cases[] = {
        {"column XFE", "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"},
        {"a 26-letter column", "<row r=\"1\"><c r=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ1\"><v>1</v></c></row>"},
        {"row 1048577", "<row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row>"},
        {"row 2147483647", "<row r=\"2147483647\"><c><v>1</v></c></row>"},
        {"a negative row", "<row r=\"-3\"><c><v>1</v></c></row>"},
        {"a row after the last one", lastRowWithoutReference},
        {"a cell after column XFD", "<row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>"},
    };
    for (const Case& c : cases) {
        XlsxPackage pkg;
        open(pkg, "<row r=\"2\"><c r=\"A2\"><v>7</v></c></row>" + c.rows);
        std::vector<QStringList> rows{{"left over"}};
        const OfficeStatus st = pkg.readRows(0, &rows);
        EXPECT_EQ(st.code(), OfficeError::Damaged) << c.what;
        EXPECT_TRUE(st.message().contains("損毀")) << c.what << ": " << st.message().toStdString();
        EXPECT_TRUE(rows.empty()) << c.what;
        EXPECT_EQ(pkg.cellText(0, "A2"), "") << c.what;
        EXPECT_EQ(pkg.setCellText(0, "A2", "x").code(), OfficeError::Damaged) << c.what;
    }
    // The last cell of the sheet itself is fine; with A1 as well, the whole sheet is too large to read at once.
    XlsxPackage pkg;
    open(pkg, "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"1048576\"><c r=\"XFD1048576\"><v>9</v></c></row>");
    EXPECT_EQ(pkg.cellText(0, "XFD1048576"), "9");
    std::vector<QStringList> rows;
    const OfficeStatus whole = pkg.readRows(0, &rows);
    EXPECT_EQ(whole.code(), OfficeError::TooLarge);
    EXPECT_TRUE(whole.message().contains("A1:XFD1048576")) << whole.message().toStdString();
    EXPECT_TRUE(rows.empty());
    ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("XFC1048575:XFD1048576")));
    EXPECT_EQ(rows, (std::vector<QStringList>{{"", ""}, {"", "9"}}));
}

// A workbook of a few megabytes whose shared strings unpack to 3 GiB. Stated as such, it is refused at opening; stated
// as 2 MiB, each road stops there. Either way nothing is read on.
TEST_F(XlsxReaderTest, SharedStringsUnpackingToGigabytesStopTheReaderEarly) {
    const QByteArray si = QByteArray("<si><t>0123456789abcdef</t></si>").repeated(1 << 15); // 1 MiB
    const QString told = dir.filePath("told.xlsx"), untold = dir.filePath("untold.xlsx");
    writeFile(told, ziptest::workbookWithSharedStrings(si, 3072));
    writeFile(untold, ziptest::workbookWithSharedStrings(si, 3072, 2u << 20));
    EXPECT_LT(QFileInfo(told).size(), 8 << 20);

    XlsxPackage pkg;
    const OfficeStatus refused = pkg.open(told);
    EXPECT_EQ(refused.code(), OfficeError::TooLarge);
    EXPECT_EQ(refused.message(), "檔案過大，無法讀取: " + QDir::toNativeSeparators(told));
    EXPECT_EQ(pkg.sheetCount(), 0);
    EXPECT_EQ(pkg.cell(0, 0, 0).kind, XlsxCellValue::Kind::Empty);

    auto expectStopped = [&](const OfficeStatus& st, const char* road) {
        EXPECT_EQ(st.code(), OfficeError::Damaged) << road;
        EXPECT_TRUE(st.message().startsWith("檔案已損毀: " + QDir::toNativeSeparators(untold))) << road;
    };
    int rows = 0;
    auto count = [&rows](int, const QStringList&) { return ++rows > 0; };
    ASSERT_TRUE(pkg.open(untold));
    EXPECT_EQ(pkg.cell(0, 0, 0).kind, XlsxCellValue::Kind::Empty);
    expectStopped(pkg.loadCells(0), "cell");
    expectStopped(pkg.forEachRow(0, count), "forEachRow after cell");
    XlsxPackage streamed;
    ASSERT_TRUE(streamed.open(untold));
    expectStopped(streamed.forEachRow(0, count), "forEachRow");
    std::vector<QStringList> whole;
    expectStopped(streamed.readRows(0, &whole), "readRows");
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(whole.empty());
}

// One element of 300 MiB (a row whose one cell holds the text, or a comment among the shared strings) is refused as
// too large as soon as it passes what the reader holds of one element, before it is parsed.
TEST_F(XlsxReaderTest, OneElementOfHundredsOfMegabytesIsRefusedBeforeItIsParsed) {
    const QByteArray text = QByteArray("0123456789abcdef").repeated(1 << 16); // 1 MiB
    const QString longRow = dir.filePath("row.xlsx"), longComment = dir.filePath("comment.xlsx");
    const QByteArray sheetHead = ziptest::spreadsheetXml("worksheet", "<sheetData><row r=\"1\"><c r=\"A1\" "
                                                                      "t=\"inlineStr\"><is><t>");
    const QByteArray sst = ziptest::spreadsheetXml("sst", "<si><t>附表</t></si>");
    writeFile(
        longRow,
        ziptest::patternWorkbook(
            {{}, sheetHead.left(sheetHead.size() - 12), text, 300, "</t></is></c></row></sheetData></worksheet>", {}},
            {{}, sst, {}, 0, {}, {}}));
    writeFile(longComment,
              ziptest::patternWorkbook({{},
                                        ziptest::spreadsheetXml("worksheet", "<sheetData><row r=\"1\"><c r=\"A1\" "
                                                                             "t=\"s\"><v>0</v></c></row></sheetData>"),
                                        {},
                                        0,
                                        {},
                                        {}},
                                       {{}, sst.left(sst.size() - 6) + "<!--", text, 300, "--></sst>", {}}));
    for (const QString& file : {longRow, longComment}) {
        XlsxPackage pkg;
        ASSERT_TRUE(pkg.open(file));
        std::vector<QStringList> rows;
        const OfficeStatus st = pkg.readRows(0, &rows);
        EXPECT_EQ(st.code(), OfficeError::TooLarge) << file.toStdString() << ": " << st.message().toStdString();
        EXPECT_EQ(st.message(), "檔案過大，無法讀取: " + QDir::toNativeSeparators(file));
        EXPECT_TRUE(rows.empty());
        EXPECT_EQ(pkg.loadCells(0).code(), OfficeError::TooLarge);
    }
}

// The reader's own limits, lowered here to the workbook's size: met, the sheet reads; passed by one, the sheet is
// refused as too large on every road, naming the file.
TEST_F(XlsxReaderTest, SharedStringsAndGatheredCellsPastTheReadersLimitsAreRefused) {
    // The shared strings hold 3 strings of 8 characters; the sheet 3 cells, one of them inline text of 3 characters.
    const QString rows = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\">"
                                        "<is><t>王小明</t></is></c><c r=\"C1\"><v>3</v></c></row>");
    const struct Case {
        XlsxReadLimits limits;
        bool refused;
        const char* why;
    } cases[] = {
        {{3, 8, 3, 3}, false, "every limit just met"},
        {{2, 8, 3, 3}, true, "a shared string too many"},
        {{3, 7, 3, 3}, true, "a shared character too many"},
        {{3, 8, 2, 3}, true, "a cell too many"},
        {{3, 8, 3, 2}, true, "a character of the cells' own texts too many"},
    };
    for (const Case& c : cases) {
        XlsxPackage pkg(c.limits);
        open(pkg, rows);
        const OfficeStatus cells = pkg.loadCells(0);
        EXPECT_EQ(cells.code(), c.refused ? OfficeError::TooLarge : OfficeError::None) << c.why;
        EXPECT_EQ(pkg.cellText(0, "A1"), c.refused ? "" : "姓名") << c.why;
        EXPECT_EQ(pkg.cellText(0, "B1"), c.refused ? "" : "王小明") << c.why;
        const OfficeStatus walked = pkg.forEachRow(0, [](int, const QStringList&) { return true; });
        EXPECT_EQ(walked.code(), cells.code()) << c.why;
        if (c.refused) {
            EXPECT_TRUE(walked.message().startsWith("檔案過大，無法讀取: ") && walked.message().endsWith(".xlsx"))
                << c.why << ": " << walked.message().toStdString();
        }
    }
}
