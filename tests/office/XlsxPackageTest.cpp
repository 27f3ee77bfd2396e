// The package reader and editor: cells of every kind read from workbooks made by our writer and edited by openpyxl
// or written by hand as other programs write them; edits checked with openpyxl; damaged and foreign files.

#include "office/XlsxPackage.h"
#include "XlsxTestSupport.h"
#include "office/XlsxPassword.h"
#include "office/XlsxWorkbook.h"
#include "office/Zip.h"

using namespace office;
using namespace xlsxtest;

namespace {

// A workbook as another program writes it: shared strings with rich and phonetic runs, inline strings, formula
// results, booleans, errors, numbers, dates by built-in and custom formats; `date1904` switches the date system.
const char* kForeignWorkbook = R"PY(
import sys, zipfile
path, date1904 = sys.argv[1], sys.argv[2] == '1'
ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
rel = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/><Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/><Override PartName="/customXml/item1.xml" ContentType="application/xml"/></Types>')
    z.writestr('_rels/.rels', '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    z.writestr('xl/workbook.xml', '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook %s %s><workbookPr%s/><sheets><sheet name="附表" sheetId="1" r:id="rId1"/></sheets></workbook>' % (ns, rel, ' date1904="1"' if date1904 else ''))
    z.writestr('xl/_rels/workbook.xml.rels', '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="/xl/styles.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/></Relationships>')
    z.writestr('xl/sharedStrings.xml', '<sst %s count="3" uniqueCount="3"><si><t>附表一、作業場所危害評估及母性健康保護採行措施表</t></si><si><r><rPr><b/></rPr><t>王</t></r><r><t xml:space="preserve">小明 </t></r><rPh sb="0" eb="1"><t>ㄨㄤˊ</t></rPh><phoneticPr fontId="1"/></si><si><t>a_x000D_b</t></si></sst>' % ns)
    z.writestr('xl/styles.xml', '<styleSheet %s><numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;"/><numFmt numFmtId="165" formatCode="0.0&quot;歲&quot;"/></numFmts><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border/></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="5"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="14" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/><xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/><xf numFmtId="165" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/><xf numFmtId="22" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs></styleSheet>' % ns)
    z.writestr('xl/calcChain.xml', '<calcChain %s><c r="B8" i="1"/></calcChain>' % ns)
    z.writestr('customXml/item1.xml', '<data>kept byte for byte</data>')
    rows = [
      '<row r="1"><c r="A1" t="s"><v>0</v></c></row>',
      '<row r="2" spans="1:2"><c r="A2" t="inlineStr"><is><t>姓名</t></is></c><c r="B2" t="s"><v>1</v></c></row>',
      '<row r="3"><c r="B3" t="inlineStr"><is><r><t>E</t></r><r><t>0012</t></r></is></c><c r="C3" t="s"><v>2</v></c></row>',
      '<row r="4"><c r="B4"><v>0.30000000000000004</v></c><c r="C4"><v>170</v></c><c r="D4" s="3"><v>32.5</v></c></row>',
      '<row r="5"><c r="B5" s="1"><v>45356</v></c><c r="C5" s="2"><v>45356</v></c></row>',
      '<row r="6"><c r="B6" s="4"><v>45356.5625</v></c></row>',
      '<row r="7"><c r="B7" t="b"><v>1</v></c><c r="C7" t="b"><v>0</v></c></row>',
      '<row r="8"><c r="B8" t="str"><f>"妊"&amp;"娠中"</f><v>妊娠中</v></c><c r="C8"><f>1+2</f><v>3</v></c><c r="D8" t="e"><f>1/0</f><v>#DIV/0!</v></c></row>',
      '<row r="9"><c r="B9"/><c r="C9" t="s"/></row>',
      '<row><c t="inlineStr"><is><t>implicit A10</t></is></c><c t="inlineStr"><is><t>implicit B10</t></is></c></row>',
    ]
    z.writestr('xl/worksheets/sheet1.xml', '<worksheet %s><sheetData>%s</sheetData></worksheet>' % (ns, ''.join(rows)))
)PY";

} // namespace

class XlsxPackageTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString foreign(bool date1904 = false) {
        const QString p = path(date1904 ? "foreign1904.xlsx" : "foreign.xlsx");
        runPython(QString::fromUtf8(kForeignWorkbook), {p, date1904 ? "1" : "0"});
        return p;
    }
};

TEST_F(XlsxPackageTest, ReadsEveryKindOfCellAsOtherProgramsWriteThem) {
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(foreign()));
    EXPECT_EQ(pkg.sheetNames(), QStringList{"附表"});
    EXPECT_EQ(pkg.sheetIndex("附表"), 0);
    EXPECT_EQ(pkg.sheetIndex("nothing"), -1);
    struct Case {
        const char* cell;
        const char* text;
        XlsxCellValue::Kind kind;
    };
    using K = XlsxCellValue::Kind;
    const Case cases[] = {
        {"A1", "附表一、作業場所危害評估及母性健康保護採行措施表", K::Text},
        {"B2", "王小明 ", K::Text},    // rich runs joined, the phonetic guide left out
        {"B3", "E0012", K::Text},      // an inline string of runs
        {"C3", "a\rb", K::Text},       // an escaped carriage return
        {"B4", "0.3", K::Number},      // fifteen significant digits
        {"C4", "170", K::Number},      // no ".0"
        {"D4", "32.5", K::Number},     // a number format that is no date
        {"B5", "2024/03/05", K::Date}, // built-in date format 14
        {"C5", "2024/03/05", K::Date}, // a custom date format
        {"B6", "2024/03/05 13:30:00", K::Date},
        {"B7", "True", K::Boolean},
        {"C7", "False", K::Boolean},
        {"B8", "妊娠中", K::Text}, // a formula's text result
        {"C8", "3", K::Number},    // a formula's number result
        {"D8", "#DIV/0!", K::Error},
        {"B9", "", K::Empty},
        {"C9", "", K::Empty},
        {"A10", "implicit A10", K::Text}, // cells without a reference follow their predecessor
        {"B10", "implicit B10", K::Text},
        {"Z99", "", K::Empty},
    };
    for (const Case& c : cases) {
        const auto ref = parseXlsxCell(c.cell);
        const XlsxCellValue v = pkg.cell(0, ref->row, ref->col);
        EXPECT_EQ(v.text, QString::fromUtf8(c.text)) << c.cell;
        EXPECT_EQ(v.kind, c.kind) << c.cell;
    }
    EXPECT_EQ(pkg.rowCount(0), 10);
    EXPECT_EQ(pkg.columnCount(0), 4);
    EXPECT_EQ(pkg.cellText(5, "A1"), ""); // no such sheet

    XlsxPackage mac;
    ASSERT_TRUE(mac.open(foreign(true)));
    // In the 1904 system the same serial is four years and a day later.
    EXPECT_EQ(mac.cellText(0, "B5"), "2028/03/06");
}

TEST_F(XlsxPackageTest, ReadsAWorkbookOfOurWriterEditedByOpenpyxl) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet("附表2");
    s.setText(0, 0, "附表二、妊娠及分娩後未滿 1 年之勞工健康情形自我評估表");
    s.setText(1, 1, "王小明");
    s.setText(2, 1, "00123");
    ASSERT_TRUE(book.save(path("made.xlsx")));
    runPython(R"PY(
import sys, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
ws['B9'] = '分娩後'
ws['B10'] = 12
ws['B11'] = datetime.datetime(2024, 7, 1)
ws['B11'].number_format = 'yyyy/mm/dd'
ws['B13'] = datetime.datetime(2023, 12, 31, 8, 5, 9)
ws['B14'] = True
ws['B16'] = 1.1 + 2.2
ws['B17'] = 1234567.125
ws['B18'] = '=1+1'
wb.save(sys.argv[1])
)PY",
              {path("made.xlsx")});
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("made.xlsx")));
    EXPECT_EQ(pkg.cellText(0, "A1"), "附表二、妊娠及分娩後未滿 1 年之勞工健康情形自我評估表");
    EXPECT_EQ(pkg.cellText(0, "B2"), "王小明");
    EXPECT_EQ(pkg.cellText(0, "B3"), "00123");
    EXPECT_EQ(pkg.cellText(0, "B9"), "分娩後");
    EXPECT_EQ(pkg.cellText(0, "B10"), "12");
    EXPECT_EQ(pkg.cellText(0, "B11"), "2024/07/01");
    EXPECT_EQ(pkg.cellText(0, "B13"), "2023/12/31 08:05:09");
    EXPECT_EQ(pkg.cellText(0, "B14"), "True");
    EXPECT_EQ(pkg.cellText(0, "B16"), "3.3");
    EXPECT_EQ(pkg.cellText(0, "B17"), "1234567.125");
    EXPECT_EQ(pkg.cellText(0, "B18"), ""); // a formula never calculated has no result yet
}

TEST_F(XlsxPackageTest, WritesCellsKeepingTheirStyleAndDropsTheStaleCalculationChain) {
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(foreign()));
    ASSERT_TRUE(pkg.setCellText(0, "C5", "T1-240305133000")); // a dated cell: the style stays
    ASSERT_TRUE(pkg.setCellNumber(0, "C8", 42));              // a formula cell becomes a value
    ASSERT_TRUE(pkg.setCellText(0, "A2", "  前後 & <空白>\n第二行"));
    ASSERT_TRUE(pkg.setCellText(0, "E2", "_x0041_ stays")); // new cell at the row's end
    ASSERT_TRUE(pkg.setCellText(0, "A20", "new row"));      // new row at the end
    ASSERT_TRUE(pkg.setCellText(0, "B1", "between"));       // new cell between
    ASSERT_TRUE(pkg.setCellText(0, 0, 0, QString("ctl\x01char")));
    EXPECT_FALSE(pkg.setCellText(0, "A0", "x"));
    EXPECT_EQ(pkg.cellStyle(0, 4, 2), 2);
    EXPECT_EQ(pkg.cellText(0, "C5"), "T1-240305133000");
    ASSERT_TRUE(pkg.saveAs(path("edited.xlsx")));
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"edited.xlsx", "foreign.xlsx"}));

    XlsxPackage back;
    ASSERT_TRUE(back.open(path("edited.xlsx")));
    EXPECT_EQ(back.cellText(0, "C8"), "42");
    EXPECT_EQ(back.cellText(0, "A2"), "  前後 & <空白>\n第二行");
    EXPECT_EQ(back.cellText(0, "E2"), "_x0041_ stays");
    EXPECT_EQ(back.cellText(0, "A1"), QString("ctl\x01char"));
    EXPECT_EQ(back.cellText(0, "B2"), "王小明 "); // untouched neighbours
    EXPECT_TRUE(back.partData("xl/calcChain.xml").isEmpty());
    EXPECT_FALSE(back.partData("xl/_rels/workbook.xml.rels").contains("calcChain"));
    EXPECT_TRUE(back.partData("xl/workbook.xml").contains("fullCalcOnLoad=\"1\""));
    EXPECT_EQ(back.partData("customXml/item1.xml"), QByteArray("<data>kept byte for byte</data>"));

    const QJsonObject o = openpyxl(path("edited.xlsx"), R"(
ws = wb.worksheets[0]
out['c5'] = [ws['C5'].value, ws['C5'].number_format]
out['c8'] = ws['C8'].value
out['a20'] = ws['A20'].value
out['b1'] = ws['B1'].value
out['a2'] = ws['A2'].value
out['dim'] = ws.dimensions
)");
    EXPECT_EQ(o["c5"].toArray().at(0).toString(), "T1-240305133000");
    EXPECT_EQ(o["c5"].toArray().at(1).toString(), "yyyy\"年\"m\"月\"d\"日\"");
    EXPECT_EQ(o["c8"].toInt(), 42);
    EXPECT_EQ(o["a20"].toString(), "new row");
    EXPECT_EQ(o["b1"].toString(), "between");
    EXPECT_EQ(o["a2"].toString(), "  前後 & <空白>\n第二行");
    EXPECT_EQ(o["dim"].toString(), "A1:E20");
}

TEST_F(XlsxPackageTest, AddsAndRenamesSheetsWithTheirReferences) {
    runPython(R"PY(
import sys, openpyxl
from openpyxl.workbook.defined_name import DefinedName
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Summary'
data = wb.create_sheet('Data')
data['A1'] = 5
ws['A1'] = '=Data!A1*2'
ws['A2'] = "=SUM('Data'!A1:A3)"
ws['A3'] = '=MyData!A1'
wb.defined_names.append(DefinedName('Picked', attr_text="'Data'!$A$1:$A$3"))
wb.create_sheet('MyData')
wb.save(sys.argv[1])
)PY",
              {path("refs.xlsx")});
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("refs.xlsx")));
    QString given;
    ASSERT_TRUE(pkg.renameSheet(1, "個案 列表", &given));
    EXPECT_EQ(given, "個案 列表");
    ASSERT_TRUE(pkg.renameSheet(2, "summary", &given));
    EXPECT_EQ(given, "summary (2)"); // unique ignoring case
    int position = -1;
    ASSERT_TRUE(pkg.addSheet({}, -1, &position));
    EXPECT_EQ(position, 3);
    ASSERT_TRUE(pkg.addSheet("附表1_作業場所危害風險評估", -1, &position));
    EXPECT_EQ(position, 4);
    ASSERT_TRUE(pkg.addSheet("First", 0, &position));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(pkg.sheetNames(),
              (QStringList{"First", "Summary", "個案 列表", "summary (2)", "工作表4", "附表1_作業場所危害風險評估"}));
    ASSERT_TRUE(pkg.setCellText(5, "A1", "on the new sheet"));
    ASSERT_TRUE(pkg.saveAs(path("refs2.xlsx")));

    const QJsonObject o = openpyxl(path("refs2.xlsx"), R"(
ws = wb['Summary']
out['names'] = wb.sheetnames
out['f'] = [ws['A1'].value, ws['A2'].value, ws['A3'].value]
out['picked'] = wb.defined_names['Picked'].attr_text
out['new'] = wb['附表1_作業場所危害風險評估']['A1'].value
)");
    EXPECT_EQ(o["names"].toVariant().toStringList(),
              (QStringList{"First", "Summary", "個案 列表", "summary (2)", "工作表4", "附表1_作業場所危害風險評估"}));
    const QJsonArray f = o["f"].toArray();
    EXPECT_EQ(f.at(0).toString(), "='個案 列表'!A1*2");
    EXPECT_EQ(f.at(1).toString(), "=SUM('個案 列表'!A1:A3)");
    EXPECT_EQ(f.at(2).toString(), "='summary (2)'!A1"); // "MyData" was renamed too, and "Data" inside it untouched
    EXPECT_EQ(o["picked"].toString(), "'個案 列表'!$A$1:$A$3");
    EXPECT_EQ(o["new"].toString(), "on the new sheet");
}

TEST_F(XlsxPackageTest, DocumentPropertiesListTheNewSheetNames) {
    XlsxWorkbook book;
    book.addSheet("一");
    book.addSheet("二");
    ASSERT_TRUE(book.save(path("titles.xlsx")));
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("titles.xlsx")));
    ASSERT_TRUE(pkg.partData("docProps/app.xml").contains("<vt:lpstr>二</vt:lpstr>"));
    ASSERT_TRUE(pkg.renameSheet(0, "甲"));
    ASSERT_TRUE(pkg.addSheet("丙"));
    const QString app = QString::fromUtf8(pkg.partData("docProps/app.xml"));
    EXPECT_TRUE(app.contains("<vt:i4>3</vt:i4>")) << app.toStdString();
    EXPECT_TRUE(app.contains("<vt:vector size=\"3\" baseType=\"lpstr\"><vt:lpstr>甲</vt:lpstr><vt:lpstr>二</vt:lpstr>"
                             "<vt:lpstr>丙</vt:lpstr></vt:vector>"))
        << app.toStdString();
    ASSERT_TRUE(pkg.saveAs(path("titles2.xlsx")));
    EXPECT_EQ(openpyxl(path("titles2.xlsx"), "out['n'] = wb.sheetnames")["n"].toVariant().toStringList(),
              (QStringList{"甲", "二", "丙"}));
}

// Texts that hold, or nearly hold, "_xHHHH_" escapes are written so that they read back as they were, by our reader
// and by openpyxl's decoding of the escapes, whichever writer wrote them: a table written whole or streamed into a
// package, and cells stored or streamed by the workbook writer, in a sheet of inline texts and one of shared strings.
TEST_F(XlsxPackageTest, TextsThatLookLikeEscapesReadBackAsWritten) {
    const QStringList texts{
        "_x005F_x0041_",              // overlapping escapes
        "_x0041_",                    // one escape
        "_x005F_",                    // the escaped underscore itself
        "__x0041__",                  // underscores around one
        "_x0041__x0042_",             // two in a row
        "_x_x0041_",                  // an escape after a false start
        "_x00",                       // cut short
        "_X0041_",                    // an upper-case X is no escape
        "_x004G_",                    // nor a letter past F
        "_x+041_",                    // nor a sign
        "_x0x41_",                    // nor a hex prefix
        "a\rb_x000D_c",               // a carriage return and its escape
        "病歷_x4E2D__x005f_x005F_完", // mixed, lower-case hex
    };
    auto cell = [texts](int r, int) { return texts[r]; };
    const int n = int(texts.size());

    XlsxWorkbook book;
    book.addSheet("寫入");
    book.addSheet("串流");
    XlsxSheet& stored = book.addSheet("存放");
    XlsxSheet& streamed = book.addSheet("流出");
    XlsxSheet& whole = book.addSheet("共用"); // a merged range keeps the sheet whole: shared strings
    for (int r = 0; r < n; ++r) {
        stored.setText(r, 0, texts[r]);
        whole.setText(r, 0, texts[r]);
    }
    whole.mergeRange({n, 0, n, 1});
    // A text at the longest a cell holds, which its escapes lengthen past that: it keeps as much as fits.
    const QString longest =
        QString("_x0041_").repeated(XlsxWorkbook::kMaxCellText / 7 + 1).left(XlsxWorkbook::kMaxCellText);
    stored.setText(n, 0, longest);
    streamed.streamTextBlock(0, 0, n, 1, cell, -1);
    ASSERT_TRUE(book.save(path("written.xlsx")));
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("written.xlsx")));
    ASSERT_TRUE(pkg.writeTable(0, {"文字"}, n, cell));
    ASSERT_TRUE(pkg.streamTable(1, {"文字"}, n, cell));
    ASSERT_TRUE(pkg.saveAs(path("texts.xlsx")));

    // openpyxl leaves the escapes of inline texts to its unescape, and reads shared strings its own way (it only drops
    // "x005F_"): those are decoded here from the part itself by that same unescape.
    const QJsonObject o = openpyxl(path("texts.xlsx"), R"(
import zipfile
from xml.etree import ElementTree
from openpyxl.utils.escape import unescape
for ws in wb.worksheets:
    out[ws.title] = [unescape(r[0].value or '') for r in ws.iter_rows()]
main = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'
sst = ElementTree.fromstring(zipfile.ZipFile(sys.argv[1]).read('xl/sharedStrings.xml'))
out['shared'] = [unescape(''.join(t.text or '' for t in si.iter(main + 't'))) for si in sst.iter(main + 'si')]
)");
    XlsxPackage back;
    ASSERT_TRUE(back.open(path("texts.xlsx")));
    const QStringList shared = o["shared"].toVariant().toStringList();
    const QString kept = back.cellText(2, n, 0);
    EXPECT_GT(kept.size(), XlsxWorkbook::kMaxCellText / 2);
    EXPECT_TRUE(longest.startsWith(kept));
    const struct {
        int sheet;
        int first; // the row of the first text
    } sheets[] = {{0, 1}, {1, 1}, {2, 0}, {3, 0}, {4, 0}};
    for (const auto& s : sheets) {
        const QString name = back.sheetName(s.sheet);
        const QStringList seen = o[name].toVariant().toStringList();
        for (int r = 0; r < n; ++r) {
            EXPECT_EQ(back.cellText(s.sheet, s.first + r, 0), texts[r]) << name.toStdString() << " " << r;
            if (name == "共用") {
                EXPECT_TRUE(shared.contains(texts[r])) << "openpyxl, shared " << r;
            } else {
                EXPECT_EQ(seen.value(s.first + r), texts[r]) << "openpyxl, " << name.toStdString() << " " << r;
            }
        }
    }
}

TEST_F(XlsxPackageTest, WritesATableIntoASheetAndTogglesItsFilter) {
    XlsxWorkbook book;
    book.addSheet("總表").setText(0, 0, "summary");
    XlsxSheet& list = book.addSheet("清單");
    list.setText(0, 0, "old header");
    list.setText(5, 5, "stays");
    ASSERT_TRUE(book.save(path("template.xlsx")));

    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("template.xlsx")));
    const QStringList header{"姓名", "個案檔號", "備註說明"};
    const QList<QStringList> rows{{"王小明", "M001", "第一行\n第二行"}, {"李大華", "0002", ""}};
    ASSERT_TRUE(pkg.writeTable(1, header, int(rows.size()), [&](int r, int c) { return rows[r][c]; }));
    EXPECT_TRUE(pkg.hasAutoFilter(1));
    ASSERT_TRUE(pkg.saveAs(path("table.xlsx")));
    const QJsonObject o = openpyxl(path("table.xlsx"), R"(
ws = wb['清單']
out['rows'] = [[c.value for c in r] for r in ws.iter_rows(min_row=1, max_row=3, max_col=3)]
out['head'] = [ws['A1'].fill.fgColor.rgb, ws['A1'].font.name, ws['A1'].font.sz, ws['A1'].font.b, ws['A1'].font.color.rgb]
out['fmt'] = [ws['B3'].number_format, ws['A1'].number_format]
out['filter'] = ws.auto_filter.ref
out['width'] = [ws.column_dimensions['A'].width, ws.column_dimensions['C'].width]
out['f6'] = ws['F6'].value
)");
    const QJsonArray r = o["rows"].toArray();
    EXPECT_EQ(r.at(0).toVariant().toStringList(), header);
    EXPECT_EQ(r.at(1).toVariant().toStringList(), rows[0]);
    EXPECT_EQ(r.at(2).toArray().at(1).toString(), "0002");
    EXPECT_EQ(o["head"].toArray().at(0).toString(), "FF008000");
    EXPECT_EQ(o["head"].toArray().at(1).toString(), "Arial");
    EXPECT_EQ(o["head"].toArray().at(2).toDouble(), 12);
    EXPECT_TRUE(o["head"].toArray().at(3).toBool());
    EXPECT_EQ(o["head"].toArray().at(4).toString(), "FFFFFFFF");
    EXPECT_EQ(o["fmt"].toArray().at(0).toString(), "@");
    EXPECT_EQ(o["filter"].toString(), "A1:C3");
    EXPECT_GT(o["width"].toArray().at(0).toDouble(), 6);
    EXPECT_EQ(o["f6"].toString(), "stays");

    // Writing the same sheet again toggles the filter off.
    ASSERT_TRUE(pkg.writeTable(1, header, 0, [](int, int) { return QString(); }));
    EXPECT_FALSE(pkg.hasAutoFilter(1));
}

TEST_F(XlsxPackageTest, RemovesAndSetsSheetProtectionWithThePassword) {
    runPython(R"PY(
import sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws['A1'] = '附表一、作業場所危害評估及母性健康保護採行措施表'
ws.protection.sheet = True
ws.protection.password = 'PZPZ'
wb.save(sys.argv[1])
)PY",
              {path("locked.xlsx")});
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("locked.xlsx")));
    EXPECT_TRUE(pkg.isProtected(0));
    const OfficeStatus wrong = pkg.unprotectSheet(0, "pzpz");
    EXPECT_FALSE(wrong);
    EXPECT_TRUE(wrong.message().contains("密碼不符"));
    EXPECT_TRUE(pkg.isProtected(0));
    ASSERT_TRUE(pkg.unprotectSheet(0, "PZPZ"));
    EXPECT_FALSE(pkg.isProtected(0));
    ASSERT_TRUE(pkg.setCellText(0, "B2", "王小明"));
    ASSERT_TRUE(pkg.protectSheet(0, "PZPZ"));
    ASSERT_TRUE(pkg.saveAs(path("relocked.xlsx")));
    const QJsonObject o = openpyxl(path("relocked.xlsx"), R"(
ws = wb.worksheets[0]
out['p'] = [bool(ws.protection.sheet), ws.protection.password, bool(ws.protection.objects), bool(ws.protection.scenarios)]
out['b2'] = ws['B2'].value
)");
    const QJsonArray p = o["p"].toArray();
    EXPECT_TRUE(p.at(0).toBool());
    EXPECT_EQ(p.at(1).toString(), "C8A7");
    EXPECT_TRUE(p.at(2).toBool());
    EXPECT_TRUE(p.at(3).toBool());
    EXPECT_EQ(o["b2"].toString(), "王小明");

    // Newer workbooks keep a salted SHA-512 hash instead.
    const QByteArray salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QString expected = runPython(R"PY(
import sys, hashlib, base64
salt = bytes.fromhex(sys.argv[1]); h = hashlib.sha512(salt + 'PZPZ'.encode('utf-16-le')).digest()
for i in range(int(sys.argv[2])): h = hashlib.sha512(h + i.to_bytes(4, 'little')).digest()
print(base64.b64encode(h).decode())
)PY",
                                       {QString::fromLatin1(salt.toHex()), "1000"})
                                 .trimmed();
    EXPECT_EQ(xlsxModernPasswordHash("PZPZ", salt, 1000), expected);
    runPython(R"PY(
import sys, openpyxl
wb = openpyxl.Workbook()
p = wb.active.protection
p.sheet = True
p.algorithmName = 'SHA-512'
p.hashValue = sys.argv[2]
p.saltValue = sys.argv[3]
p.spinCount = 1000
wb.save(sys.argv[1])
)PY",
              {path("modern.xlsx"), expected, QString::fromLatin1(salt.toBase64())});
    XlsxPackage modern;
    ASSERT_TRUE(modern.open(path("modern.xlsx")));
    EXPECT_TRUE(modern.isProtected(0));
    EXPECT_EQ(modern.unprotectSheet(0, "PZPY").code(), OfficeError::WrongPassword);
    EXPECT_TRUE(modern.unprotectSheet(0, "PZPZ"));
    EXPECT_FALSE(modern.isProtected(0));
}

TEST_F(XlsxPackageTest, DamagedAndForeignFilesGiveAClearErrorAndNeverCrash) {
    const QString data = QStringLiteral(OSTIVA_TEST_DATA) + "/xlsx/";
    struct Case {
        QString file;
        const char* words;
        OfficeError code;
    };
    // A binary workbook: a zip whose main part is .bin.
    const QString xlsb = path("binary.xlsb");
    runPython(R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
    z.writestr('_rels/.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.bin"/></Relationships>')
    z.writestr('xl/workbook.bin', b'\x83\x01\x00')
)PY",
              {xlsb});
    // A workbook part that is not XML.
    const QString badWorkbook = path("bad_workbook.xlsx");
    writeFile(badWorkbook, zipped({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook><sheets>"}}));
    const Case cases[] = {
        {data + "text_named.xlsx", "不是 Excel 活頁簿", OfficeError::NotZip},
        {data + "no_workbook.xlsx", "找不到 workbook.xml", OfficeError::NotDocument},
        {data + "legacy.xls", ".xls", OfficeError::OleFile},
        {data + "truncated.xlsx", "損毀", OfficeError::NotZip},
        {data + "missing.xlsx", "檔案不存在", OfficeError::Missing},
        // Entry sizes of 0xFFFFFFFF without their 64-bit values: the file is there but damaged.
        {data + "sizes_ffffffff.xlsx", "損毀", OfficeError::Damaged},
        {xlsb, ".xlsb", OfficeError::Unsupported},
        {badWorkbook, "損毀", OfficeError::Damaged},
    };
    for (const Case& c : cases) {
        XlsxPackage pkg;
        const OfficeStatus st = pkg.open(c.file);
        EXPECT_EQ(st.code(), c.code) << c.file.toStdString();
        EXPECT_TRUE(st.message().contains(QString::fromUtf8(c.words))) << st.message().toStdString();
        EXPECT_FALSE(pkg.isOpen());
        EXPECT_EQ(pkg.cellText(0, "A1"), "");
        EXPECT_FALSE(pkg.setCellText(0, "A1", "x"));
        EXPECT_EQ(pkg.saveAs(path("never.xlsx")).code(), OfficeError::InvalidInput);
    }
    // A sheet whose XML breaks off opens (the workbook is whole) but reads empty and refuses edits.
    XlsxPackage broken;
    ASSERT_TRUE(broken.open(data + "broken_sheet.xlsx"));
    EXPECT_EQ(broken.cellText(0, "A1"), "");
    const OfficeStatus st = broken.setCellText(0, "A1", "x");
    EXPECT_EQ(st.code(), OfficeError::Damaged);
    EXPECT_TRUE(st.message().contains("損毀"));
    std::vector<QStringList> rows;
    EXPECT_EQ(broken.readRows(0, &rows).code(), OfficeError::Damaged);
    EXPECT_EQ(broken.readRows(1, &rows).code(), OfficeError::NoSuchSheet);
    EXPECT_FALSE(QFile::exists(path("never.xlsx")));
}

TEST_F(XlsxPackageTest, SaveAsIsAtomic) {
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(foreign()));
    EXPECT_FALSE(pkg.saveAs(dir.filePath("no/folder/x.xlsx")));
    QDir(dir.path()).mkpath("dirtarget.xlsx/inside");
    EXPECT_FALSE(pkg.saveAs(path("dirtarget.xlsx")));
    EXPECT_EQ(filesIn(dir.path()), QStringList{"foreign.xlsx"});
    ASSERT_TRUE(pkg.saveAs(path("copy.xlsx")));
    ASSERT_TRUE(pkg.saveAs(path("copy.xlsx"))); // saved again over itself
    XlsxPackage back;
    ASSERT_TRUE(back.open(path("copy.xlsx")));
    EXPECT_EQ(back.cellText(0, "B2"), "王小明 ");
}
