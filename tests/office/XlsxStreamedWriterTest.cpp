// The workbook writer's two ways to the file: a sheet streamed row by row (a body handed over as a function and
// never stored) and a sheet kept whole because it has merged ranges; both read back by openpyxl.

#include "XlsxTestSupport.h"
#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"

using namespace office;
using namespace xlsxtest;

namespace {

constexpr int kBodyRows = 1000;

// A streamed sheet with a header, a body from a table that goes out of scope before saving, notes before, inside
// and after the rows, a filter and protection; and a sheet with a merged title, cells, a note, a filter and
// protection.
void fill(XlsxWorkbook& book) {
    XlsxSheet& streamed = book.addSheet("串流");
    streamed.setColumnStyle(0, 2, XlsxStyle::text());
    XlsxStyle headerStyle = XlsxStyle::text();
    headerStyle.bold = true;
    const int header = book.addStyle(headerStyle);
    const int text = book.addStyle(XlsxStyle::text());
    const QStringList names{"姓名", "部門", "備註"};
    streamed.writeTextBlock(
        0, 0, 1, 3, [&](int, int c) { return names[c]; }, header);
    {
        std::vector<QStringList> table;
        for (int r = 0; r < kBodyRows; ++r)
            table.push_back({QStringLiteral("人員%1").arg(r), r % 2 ? "製造部" : "品保部",
                             r == 7 ? QString(40000, u'長') : QStringLiteral("0%1").arg(r)});
        std::vector<int> widths;
        streamed.streamTextBlock(
            1, 0, kBodyRows, 3, [table](int r, int c) { return table[size_t(r)][c]; }, text, &widths);
        EXPECT_EQ(widths.size(), 3u);
        EXPECT_GE(widths[2], 40000);
    }
    streamed.setNote(0, 1, "部門名稱");
    streamed.setNote(500, 2, "第五百列");
    streamed.setNote(kBodyRows + 5, 0, "資料之後");
    streamed.setAutoFilter({0, 0, kBodyRows, 2});
    streamed.protect("PZPZ");
    EXPECT_EQ(streamed.rowCount(), kBodyRows + 1);
    EXPECT_EQ(streamed.columnCount(), 3);

    XlsxSheet& buffered = book.addSheet("合併");
    buffered.setText(0, 0, "三、臨場健康服務執行情形", header);
    buffered.mergeRange({0, 0, 0, 2});
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 3; ++c)
            buffered.setText(r, c, QStringLiteral("%1%2").arg(xlsxColumnName(c)).arg(r + 1), text);
    buffered.setNote(2, 1, "合併表的註解");
    buffered.setAutoFilter({1, 0, 3, 2});
    buffered.protect("");
}

} // namespace

TEST(XlsxStreamedWriter, StreamedAndBufferedSheetsReadBackWithEverythingOnThem) {
    QTemporaryDir dir;
    const QString file = dir.filePath("streamed.xlsx");
    {
        XlsxWorkbook book;
        fill(book);
        ASSERT_TRUE(book.save(file));
    }
    const QJsonObject o = openpyxl(file, R"(
out['sheets'] = {}
for ws in wb.worksheets:
    notes = {c.coordinate: c.comment.text for row in ws.iter_rows() for c in row if c.comment}
    out['sheets'][ws.title] = {
        'dimension': ws.dimensions,
        'cells': [[ws.cell(row=r, column=c).value for c in range(1, 4)] for r in (1, 2, 3, 9, 502, 1001)],
        'formats': [ws.cell(row=r, column=c).number_format for r, c in ((1, 1), (2, 1), (1001, 3))],
        'bold': bool(ws['A1'].font.b),
        'notes': notes,
        'merged': [str(r) for r in ws.merged_cells.ranges],
        'filter': ws.auto_filter.ref,
        'protected': bool(ws.protection.sheet),
        'password': ws.protection.password,
        'long': len(ws['C9'].value or ''),
    }
)");
    const QJsonObject s = o["sheets"].toObject()["串流"].toObject();
    EXPECT_EQ(s["dimension"].toString(), "A1:C1006"); // the data's columns; the rows down to the last note
    const QJsonArray cells = s["cells"].toArray();
    EXPECT_EQ(cells[0].toVariant().toStringList(), (QStringList{"姓名", "部門", "備註"}));
    EXPECT_EQ(cells[1].toVariant().toStringList(), (QStringList{"人員0", "品保部", "00"}));
    EXPECT_EQ(cells[4].toVariant().toStringList(), (QStringList{"人員500", "品保部", "0500"}));
    EXPECT_EQ(cells[5].toVariant().toStringList(), (QStringList{"人員999", "製造部", "0999"}));
    EXPECT_EQ(s["long"].toInt(), XlsxWorkbook::kMaxCellText); // cut at Excel's limit
    EXPECT_EQ(s["formats"].toVariant().toStringList(), (QStringList{"@", "@", "@"}));
    EXPECT_TRUE(s["bold"].toBool());
    const QJsonObject notes = s["notes"].toObject();
    EXPECT_EQ(notes["B1"].toString(), "部門名稱");
    EXPECT_EQ(notes["C501"].toString(), "第五百列");
    EXPECT_EQ(notes["A1006"].toString(), "資料之後");
    EXPECT_EQ(s["filter"].toString(), "A1:C1001");
    EXPECT_TRUE(s["protected"].toBool());
    EXPECT_EQ(s["password"].toString(), "C8A7");

    const QJsonObject m = o["sheets"].toObject()["合併"].toObject();
    EXPECT_EQ(m["dimension"].toString(), "A1:C4");
    EXPECT_EQ(m["cells"].toArray()[0].toArray()[0].toString(), "三、臨場健康服務執行情形");
    EXPECT_EQ(m["cells"].toArray()[2].toVariant().toStringList(), (QStringList{"A3", "B3", "C3"}));
    EXPECT_EQ(m["merged"].toVariant().toStringList(), QStringList{"A1:C1"});
    EXPECT_EQ(m["notes"].toObject()["B3"].toString(), "合併表的註解");
    EXPECT_EQ(m["filter"].toString(), "A2:C4");
    EXPECT_TRUE(m["protected"].toBool());
    EXPECT_TRUE(m["bold"].toBool());

    // The streamed sheet went out row by row (inline strings); the merged one was kept whole (shared strings).
    XlsxPackage pkg;
    ASSERT_TRUE(pkg.open(file));
    EXPECT_TRUE(pkg.partData("xl/worksheets/sheet1.xml").contains("t=\"inlineStr\""));
    EXPECT_FALSE(pkg.partData("xl/worksheets/sheet2.xml").contains("t=\"inlineStr\""));
    EXPECT_EQ(pkg.cellText(0, "A1001"), "人員999");
}

TEST(XlsxStreamedWriter, AStreamedBlockIsStoredWhenCellsAreReadOrChanged) {
    struct Step {
        const char* what;
        std::function<void(XlsxSheet&)> change;
        QStringList row2; // A3:B3 after saving
    };
    const Step steps[] = {
        {"nothing", [](XlsxSheet&) {}, {"r1c0", "r1c1"}},
        {"a read", [](XlsxSheet& s) { EXPECT_EQ(s.text(2, 1), "r1c1"); }, {"r1c0", "r1c1"}},
        {"a replacement", [](XlsxSheet& s) { EXPECT_EQ(s.replaceText("r1", "列一"), 2); }, {"列一c0", "列一c1"}},
        {"an inserted row", [](XlsxSheet& s) { s.insertRows(1); }, {"r0c0", "r0c1"}},
        {"a cell written over it", [](XlsxSheet& s) { s.setText(2, 1, "改"); }, {"r1c0", "改"}},
        {"a block written over it",
         [](XlsxSheet& s) {
             s.streamTextBlock(
                 2, 0, 1, 1, [](int, int) { return QStringLiteral("再"); }, -1);
         },
         {"再", "r1c1"}},
    };
    for (const Step& step : steps) {
        QTemporaryDir dir;
        XlsxWorkbook book;
        XlsxSheet& s = book.addSheet();
        s.setText(0, 0, "標題");
        s.streamTextBlock(
            1, 0, 3, 2, [](int r, int c) { return QStringLiteral("r%1c%2").arg(r).arg(c); }, -1);
        step.change(s);
        ASSERT_TRUE(book.save(dir.filePath("s.xlsx"))) << step.what;
        XlsxPackage pkg;
        ASSERT_TRUE(pkg.open(dir.filePath("s.xlsx")));
        std::vector<QStringList> rows;
        ASSERT_TRUE(pkg.readRows(0, &rows, parseXlsxRange("A3:B3")));
        EXPECT_EQ(rows.front(), step.row2) << step.what;
        EXPECT_EQ(pkg.cellText(0, "A1"), "標題") << step.what;
    }
}

TEST(XlsxStreamedWriter, SavingASheetKeptWholeLeavesNoFileOpen) {
    QTemporaryDir dir;
    auto openFiles = [] {
        return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System).size();
    };
    const auto before = openFiles();
    for (int i = 0; i < 3; ++i) {
        XlsxWorkbook book;
        fill(book);
        ASSERT_TRUE(book.save(dir.filePath(QStringLiteral("again%1.xlsx").arg(i))));
    }
    EXPECT_EQ(openFiles(), before);
}
