// The workbook writer: every feature read back through our own package reader and through openpyxl, and saving
// that never leaves a half file.

#include "office/XlsxWorkbook.h"
#include "XlsxTestSupport.h"
#include "office/XlsxPackage.h"
#include "office/XlsxText.h"

#include <QImage>
#include <QRegularExpression>

using namespace office;
using namespace xlsxtest;

class XlsxWorkbookTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

TEST_F(XlsxWorkbookTest, SheetsAreAddressedByPositionAndNamedByExcelsRules) {
    XlsxWorkbook book;
    book.addSheet();
    book.addSheet();
    book.addSheet("Data");
    book.addSheet("data");   // the same name ignoring case
    book.addSheet("a/b", 0); // inserted first, cleaned
    EXPECT_EQ(book.sheetNames(), (QStringList{"a_b", "工作表1", "工作表2", "Data", "data (2)"}));
    EXPECT_EQ(book.sheet(3).index(), 3);
    EXPECT_EQ(book.sheet(1).setName("DATA"), "DATA (3)"); // "Data" and "data (2)" are taken
    EXPECT_EQ(book.sheet(1).setName("工作表1"), "工作表1");
    EXPECT_EQ(book.sheetByName("A_B"), &book.sheet(0));
    book.removeSheet(0);
    EXPECT_EQ(book.sheet(0).name(), "工作表1");

    ASSERT_TRUE(book.save(path("names.xlsx")));
    const QJsonObject o = openpyxl(path("names.xlsx"), "out['names'] = wb.sheetnames");
    EXPECT_EQ(o["names"].toVariant().toStringList(), (QStringList{"工作表1", "工作表2", "Data", "data (2)"}));
}

TEST_F(XlsxWorkbookTest, CellsAndStylesRoundTrip) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet("表");
    XlsxStyle header;
    header.fill = xlsxColorIndex(10);
    header.fontName = "Arial";
    header.fontSize = 12;
    header.bold = true;
    header.fontColor = xlsxColorIndex(2);
    header.numberFormat = "@";
    const int headerId = book.addStyle(header);
    EXPECT_EQ(book.addStyle(header), headerId); // equal styles share one id
    s.setText(0, 0, "員工編號", headerId);
    s.setText(0, 1, "數值", headerId);
    s.setText(1, 0, "0123"); // text stays text
    s.setNumber(1, 1, 3.25);
    s.setText(2, 0, "多行\n文字");
    s.setText(2, 1, QString(40000, u'x')); // beyond Excel's cell limit
    s.setText(3, 0, " 前後空白 ");
    XlsxStyle wrapCentre;
    wrapCentre.wrap = true;
    wrapCentre.hAlign = XlsxHAlign::Center;
    wrapCentre.vAlign = XlsxVAlign::Center;
    s.applyStyle({2, 0, 2, 0}, wrapCentre);
    XlsxStyle rgb;
    rgb.fill = qRgb(255, 102, 178);
    s.applyStyle({5, 3, 5, 3}, rgb); // a styled cell without value

    EXPECT_EQ(s.text(1, 1), "3.25");
    EXPECT_EQ(s.text(2, 1).size(), XlsxWorkbook::kMaxCellText);
    EXPECT_EQ(s.kind(5, 3), XlsxSheet::CellKind::Blank);
    EXPECT_EQ(s.kind(9, 9), XlsxSheet::CellKind::Empty);
    ASSERT_TRUE(book.save(path("cells.xlsx")));

    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("cells.xlsx")));
    EXPECT_EQ(pkg.cellText(0, "A1"), "員工編號");
    EXPECT_EQ(pkg.cellText(0, "A2"), "0123");
    EXPECT_EQ(pkg.cell(0, 1, 1).kind, XlsxCellValue::Kind::Number);
    EXPECT_EQ(pkg.cellText(0, "B2"), "3.25");
    EXPECT_EQ(pkg.cellText(0, "A3"), "多行\n文字");
    EXPECT_EQ(pkg.cellText(0, "A4"), " 前後空白 ");

    const QJsonObject o = openpyxl(path("cells.xlsx"), R"(
ws = wb.worksheets[0]
a1 = ws['A1']
out['fill'] = a1.fill.fgColor.rgb
out['font'] = [a1.font.name, a1.font.sz, a1.font.b, a1.font.color.rgb]
out['fmt'] = a1.number_format
out['a2'] = ws['A2'].value
out['b2'] = ws['B2'].value
out['a3'] = [ws['A3'].alignment.wrap_text, ws['A3'].alignment.horizontal, ws['A3'].alignment.vertical]
out['d6'] = ws['D6'].fill.fgColor.rgb
out['a4'] = ws['A4'].value
)");
    EXPECT_EQ(o["fill"].toString(), "FF008000");
    EXPECT_EQ(o["font"].toArray().at(0).toString(), "Arial");
    EXPECT_EQ(o["font"].toArray().at(1).toDouble(), 12);
    EXPECT_TRUE(o["font"].toArray().at(2).toBool());
    EXPECT_EQ(o["font"].toArray().at(3).toString(), "FFFFFFFF");
    EXPECT_EQ(o["fmt"].toString(), "@");
    EXPECT_EQ(o["a2"].toString(), "0123");
    EXPECT_EQ(o["b2"].toDouble(), 3.25);
    EXPECT_EQ(o["a3"].toArray().at(0).toBool(), true);
    EXPECT_EQ(o["a3"].toArray().at(1).toString(), "center");
    EXPECT_EQ(o["a3"].toArray().at(2).toString(), "center");
    EXPECT_EQ(o["d6"].toString(), "FFFF66B2");
    EXPECT_EQ(o["a4"].toString(), " 前後空白 ");
}

TEST_F(XlsxWorkbookTest, ColumnsMergesNotesFilterPrintAndProtection) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet("報表");
    s.setColumnStyle(0, kXlsxMaxColumns - 1, XlsxStyle::text());
    s.setText(0, 0, "三、臨場健康服務執行情形");
    s.mergeRange({0, 0, 0, 3});
    s.setText(1, 0, "Type");
    s.setText(1, 1, "健康服務工作要項");
    s.setText(2, 1, "一般健康諮詢與衛教指導");
    s.setColumnWidth(0, kXlsxMaxColumns - 1, 15);
    s.setColumnWidth(1, 1, 48);
    s.setNote(1, 2, "2024/01/01 ~ 2024/12/31", 100, 50);
    s.setNote(1, 2, "期間 2024/01/01 ~ 2024/12/31", 100, 50); // replaces the first note
    s.setAutoFilter({1, 0, 2, 1});
    s.setPrintTitleRows(0, 0);
    s.setHeader("&R&\"Times New Roman,粗體\"2024/01/01 12:00:00");
    s.setFooter("&C&\"Times New Roman,標準\"&P/&N");
    s.protect("PZPZ");
    EXPECT_EQ(s.columnWidth(0), 15);
    EXPECT_EQ(s.columnWidth(1), 48);
    EXPECT_EQ(s.columnWidth(700), 15);
    EXPECT_EQ(s.columnLeftPx(2), (15 * 7 + 5) + (48 * 7 + 5)); // columns A and B in pixels
    ASSERT_TRUE(book.save(path("layout.xlsx")));

    const QJsonObject o = openpyxl(path("layout.xlsx"), R"(
ws = wb.worksheets[0]
out['merged'] = [str(r) for r in ws.merged_cells.ranges]
out['widths'] = [ws.column_dimensions['A'].width, ws.column_dimensions['B'].width]
out['note'] = ws['C2'].comment.text if ws['C2'].comment else None
out['filter'] = ws.auto_filter.ref
out['titles'] = ws.print_title_rows
out['header'] = ws.oddHeader.right.text
out['footer'] = ws.oddFooter.center.text
out['protected'] = bool(ws.protection.sheet)
out['password'] = ws.protection.password
out['fmtA10'] = ws.column_dimensions['A'].number_format
)");
    EXPECT_EQ(o["merged"].toVariant().toStringList(), QStringList{"A1:D1"});
    EXPECT_NEAR(o["widths"].toArray().at(1).toDouble(), 48, 1); // stored with Excel's pixel padding
    EXPECT_EQ(o["note"].toString(), "期間 2024/01/01 ~ 2024/12/31");
    EXPECT_EQ(o["filter"].toString(), "A2:B3");
    EXPECT_EQ(o["titles"].toString(), "$1:$1");
    EXPECT_EQ(o["header"].toString(), "2024/01/01 12:00:00");
    EXPECT_EQ(o["footer"].toString(), "&P/&N");
    EXPECT_TRUE(o["protected"].toBool());
    EXPECT_EQ(o["password"].toString(), "C8A7");

    // The note box is 100 × 50 points (133 × 67 pixels at 96 dpi).
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("layout.xlsx")));
    const QString vml = QString::fromUtf8(pkg.partData("xl/drawings/vmlDrawing1.vml"));
    EXPECT_TRUE(vml.contains("width:100pt") || vml.contains("width:99.75pt")) << vml.left(2000).toStdString();
    EXPECT_TRUE(pkg.isProtected(0));
    EXPECT_TRUE(pkg.hasAutoFilter(0));
}

TEST_F(XlsxWorkbookTest, StyleOverlaysFindAndReplaceAndRowInsertion) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet();
    s.setText(0, 0, "身高");
    s.setText(1, 0, "150【Level_3】");
    s.setText(2, 0, "90【Level_4】；<@>180【Level_3】；<@>");
    s.setText(3, 0, "正常");
    s.mergeRange({0, 2, 1, 2});
    s.setNote(0, 0, "說明");
    s.toggleAutoFilter();
    XlsxStyle yellow;
    yellow.fill = qRgb(255, 255, 0);
    XlsxStyle pink;
    pink.fill = qRgb(255, 102, 178);
    EXPECT_EQ(s.applyStyleWhereTextContains("【Level_3】", yellow), 2);
    EXPECT_EQ(s.applyStyleWhereTextContains("【Level_4】", pink), 1);
    EXPECT_EQ(s.style(2, 0).fill, pink.fill); // the later colour wins
    EXPECT_EQ(s.style(1, 0).fill, yellow.fill);
    EXPECT_FALSE(s.style(3, 0).fill);
    EXPECT_EQ(s.replaceText("；<@>", "；\n"), 1);
    EXPECT_EQ(s.text(2, 0), "90【Level_4】；\n180【Level_3】；\n");

    s.insertRows(0);
    EXPECT_EQ(s.text(1, 0), "身高");
    EXPECT_EQ(s.text(0, 0), "");
    EXPECT_EQ(s.merges().front(), (XlsxRange{1, 2, 2, 2}));
    EXPECT_EQ(s.notes().front().row, 1);
    EXPECT_EQ(s.autoFilter()->firstRow, 1);
    EXPECT_EQ(s.autoFilter()->lastRow, 4);

    s.toggleAutoFilter();
    EXPECT_FALSE(s.autoFilter());
    ASSERT_TRUE(book.save(path("overlay.xlsx")));
    const QJsonObject o = openpyxl(path("overlay.xlsx"), R"(
ws = wb.worksheets[0]
out['fills'] = [ws.cell(row=r, column=1).fill.fgColor.rgb for r in (3, 4, 5)]
out['a4'] = ws['A4'].value
out['filter'] = ws.auto_filter.ref
)");
    const QJsonArray fills = o["fills"].toArray();
    EXPECT_EQ(fills.at(0).toString(), "FFFFFF00");
    EXPECT_EQ(fills.at(1).toString(), "FFFF66B2");
    EXPECT_EQ(fills.at(2).toString(), "00000000");
    EXPECT_EQ(o["a4"].toString(), "90【Level_4】；\n180【Level_3】；\n");
    EXPECT_TRUE(o["filter"].isNull());
}

TEST_F(XlsxWorkbookTest, RowHeightsMoveWithInsertedRowsAndReachTheFile) {
    // No merged range: the rows go out one by one, and a height must still reach its row.
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet();
    for (int r = 0; r < 6; ++r)
        s.setText(r, 0, QString("r%1").arg(r));
    s.setRowHeight(1, 30);
    s.setRowHeight(4, 45.5);
    s.setRowHeight(2, 0); // no height: ignored
    s.insertRows(2);
    EXPECT_EQ(s.rowHeight(1), 30);
    EXPECT_FALSE(s.rowHeight(2));
    EXPECT_EQ(s.rowHeight(5), 45.5);
    s.setLandscape(true);
    s.setFitToWidth(true);
    ASSERT_TRUE(book.save(path("heights.xlsx")));
    const QJsonObject o = openpyxl(path("heights.xlsx"), R"(
ws = wb.worksheets[0]
out['heights'] = [ws.row_dimensions[r].height for r in range(1, 8)]
out['column'] = [ws.cell(row=r, column=1).value or '' for r in range(1, 8)]
out['page'] = [ws.page_setup.orientation, ws.page_setup.paperSize, ws.sheet_properties.pageSetUpPr.fitToPage,
               ws.page_setup.fitToHeight]
)");
    EXPECT_EQ(o["heights"].toArray(),
              (QJsonArray{QJsonValue(), 30.0, QJsonValue(), QJsonValue(), QJsonValue(), 45.5, QJsonValue()}));
    EXPECT_EQ(o["column"].toArray(), (QJsonArray{"r0", "r1", "", "r2", "r3", "r4", "r5"}));
    EXPECT_EQ(o["page"].toArray(), (QJsonArray{"landscape", 9, true, 0}));
}

TEST_F(XlsxWorkbookTest, AutoFitEstimatesWidthsWithWideCharactersDouble) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet();
    s.setText(0, 0, "ab");
    s.setText(1, 0, "abcdefghij");
    s.setText(0, 1, "一二三四五"); // five wide characters: as wide as ten narrow ones
    s.setText(0, 2, "x");
    s.autoFitColumns(0, 2);
    EXPECT_DOUBLE_EQ(s.columnWidth(0), s.columnWidth(1));
    EXPECT_LT(s.columnWidth(2), s.columnWidth(0));
    XlsxStyle big;
    big.fontSize = 22;
    s.applyStyle({1, 0, 1, 0}, big);
    s.autoFitColumns(0, 0);
    EXPECT_GT(s.columnWidth(0), s.columnWidth(1)); // a larger font needs more room
}

TEST_F(XlsxWorkbookTest, BarChartWithItsStylesAndAPictureFittedToASize) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet("A_外傷");
    s.setText(0, 0, "事件代碼");
    s.setText(0, 1, "Note");
    s.setText(0, 2, "人數");
    for (int i = 1; i <= 3; ++i) {
        s.setText(i, 0, QStringLiteral("A0%1").arg(i));
        s.setText(i, 1, QStringLiteral("項目%1").arg(i));
        s.setNumber(i, 2, 10 - i);
    }
    XlsxBarChart chart;
    chart.categories = {1, 1, 3, 1};
    chart.values = {1, 2, 3, 2};
    chart.seriesName = XlsxCellRef{0, 2};
    chart.title = "【外傷 】統計圖 (總人數: 24)\r\n2024/01/01 ~ 2024/12/31";
    chart.anchor = {9, 4};
    chart.size = {s.columnLeftPx(6), s.rowTopPx(3 + 15)};
    s.addBarChart(chart);

    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(Qt::blue);
    img.setDotsPerMeterX(5906); // 150 dpi: the size must still come out in screen pixels
    img.setDotsPerMeterY(5906);
    ASSERT_TRUE(img.save(path("body.jpg")));
    ASSERT_TRUE(s.addPictureSized(path("body.jpg"), {0, 4}, QSize(300, 740)));
    EXPECT_FALSE(s.addPictureSized(path("missing.jpg"), {0, 4}, QSize(300, 740)));
    writeFile(path("fake.png"), "not a picture");
    EXPECT_FALSE(s.addPicture({path("fake.png"), {0, 0}}));
    ASSERT_TRUE(book.save(path("chart.xlsx")));

    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("chart.xlsx")));
    const QString xml = QString::fromUtf8(pkg.partData("xl/charts/chart1.xml"));
    EXPECT_TRUE(xml.contains("<c:barDir val=\"bar\"/>"));
    EXPECT_TRUE(xml.contains("<c:grouping val=\"clustered\"/>"));
    EXPECT_TRUE(xml.contains("$B$2:$B$4"));
    EXPECT_TRUE(xml.contains("$C$2:$C$4"));
    EXPECT_TRUE(xml.contains("<c:showVal val=\"1\"/>"));
    EXPECT_TRUE(xml.contains("新細明體"));
    EXPECT_TRUE(xml.contains("2024/01/01 ~ 2024/12/31"));
    EXPECT_FALSE(xml.contains("<c:legend>"));
    // The category axis runs top-down; the value axis carries dotted gridlines.
    const QRegularExpression catAx("<c:catAx>.*?</c:catAx>");
    EXPECT_TRUE(catAx.match(xml).captured().contains("<c:orientation val=\"maxMin\"/>"));
    const QRegularExpression valAx("<c:valAx>.*?</c:valAx>");
    EXPECT_TRUE(valAx.match(xml).captured().contains("sysDot"));

    // Sizes in the drawing (9525 EMU per pixel): the picture's extent, and the chart's span between its anchors
    // over columns of 64 and rows of 20 pixels.
    const QString drawing = QString::fromUtf8(pkg.partData("xl/drawings/drawing1.xml"));
    const auto pic = QRegularExpression("<a:ext cx=\"([1-9]\\d*)\" cy=\"(\\d+)\"/>").match(drawing);
    ASSERT_TRUE(pic.hasMatch()) << drawing.toStdString();
    EXPECT_EQ(std::lround(pic.captured(1).toDouble() / 9525), 300);
    EXPECT_EQ(std::lround(pic.captured(2).toDouble() / 9525), 740);
    const QRegularExpression anchorRe(
        "<xdr:col>(\\d+)</xdr:col><xdr:colOff>(\\d+)</xdr:colOff><xdr:row>(\\d+)</xdr:row>"
        "<xdr:rowOff>(\\d+)</xdr:rowOff>");
    const int frame = int(drawing.indexOf("<xdr:graphicFrame"));
    const int anchorStart = int(drawing.lastIndexOf("<xdr:twoCellAnchor", frame));
    auto from = anchorRe.match(drawing, anchorStart);
    auto to = anchorRe.match(drawing, from.capturedEnd());
    auto x = [](const QRegularExpressionMatch& m) { return m.captured(1).toInt() * 64 + m.captured(2).toInt() / 9525; };
    auto y = [](const QRegularExpressionMatch& m) { return m.captured(3).toInt() * 20 + m.captured(4).toInt() / 9525; };
    EXPECT_EQ(x(to) - x(from), chart.size.width());
    EXPECT_EQ(y(to) - y(from), chart.size.height());
    EXPECT_NEAR(x(from), s.columnLeftPx(4), 1);

    const QJsonObject o = openpyxl(path("chart.xlsx"), "out['sheet'] = wb.sheetnames[0]");
    EXPECT_EQ(o["sheet"].toString(), "A_外傷");
}

TEST_F(XlsxWorkbookTest, APictureStartsExactlyAtItsCell) {
    XlsxWorkbook book;
    XlsxSheet& s = book.addSheet("NMQ");
    s.setColumnWidth(0, kXlsxMaxColumns - 1, 20);
    QImage img(50, 80, QImage::Format_RGB32);
    img.fill(Qt::gray);
    ASSERT_TRUE(img.save(path("body.png")));
    ASSERT_TRUE(s.addPictureSized(path("body.png"), {0, 4}, QSize(s.columnLeftPx(4), s.rowTopPx(37))));
    ASSERT_TRUE(book.save(path("picture.xlsx")));
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("picture.xlsx")));
    const QString drawing = QString::fromUtf8(pkg.partData("xl/drawings/drawing1.xml"));
    EXPECT_TRUE(drawing.contains("<xdr:from><xdr:col>4</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row>"
                                 "<xdr:rowOff>0</xdr:rowOff></xdr:from>"))
        << drawing.toStdString();
}

TEST_F(XlsxWorkbookTest, SavingIsAtomicAndFailuresAreReported) {
    XlsxWorkbook empty;
    EXPECT_FALSE(empty.save(path("empty.xlsx"))); // no sheet, no file
    EXPECT_FALSE(QFile::exists(path("empty.xlsx")));

    XlsxWorkbook book;
    book.addSheet().setText(0, 0, "第一版");
    ASSERT_TRUE(book.save(path("out.xlsx")));
    book.sheet(0).setText(0, 0, "第二版");
    ASSERT_TRUE(book.save(path("out.xlsx"))); // replaces the earlier file in one step
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(path("out.xlsx")));
    EXPECT_EQ(pkg.cellText(0, "A1"), "第二版");
    EXPECT_EQ(filesIn(dir.path()), QStringList{"out.xlsx"}); // no temporary file left

    const OfficeStatus missingFolder = book.save(dir.filePath("no/such/folder/x.xlsx"));
    EXPECT_FALSE(missingFolder);
    EXPECT_TRUE(missingFolder.message().contains("資料夾不存在"));

    // A failure while the workbook is being written (its picture vanished meanwhile): the earlier file stays
    // whole and no temporary file is left behind.
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(Qt::green);
    ASSERT_TRUE(img.save(path("gone.png")));
    ASSERT_TRUE(book.sheet(0).addPicture({path("gone.png"), {2, 2}}));
    book.sheet(0).setText(0, 0, "第三版");
    QFile::remove(path("gone.png"));
    const OfficeStatus failed = book.save(path("out.xlsx"));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.message().contains("gone.png"));
    EXPECT_EQ(filesIn(dir.path()), QStringList{"out.xlsx"});
    ASSERT_TRUE(pkg.open(path("out.xlsx")));
    EXPECT_EQ(pkg.cellText(0, "A1"), "第二版");

    // A target that cannot be replaced (a folder of that name).
    QDir(dir.path()).mkpath("taken.xlsx/inside");
    XlsxWorkbook other;
    other.addSheet().setText(0, 0, "x");
    EXPECT_FALSE(other.save(path("taken.xlsx")));
    EXPECT_EQ(filesIn(dir.path()), QStringList{"out.xlsx"});
}
