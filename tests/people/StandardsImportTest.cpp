// The import "多項四段分級標準": the seven columns in any order and nothing else, the standards table rebuilt in the
// sheet's order in one go, the refusals that leave it as it was, and the shipped example matching the standards a
// new database starts with.

#include "people/StandardsImport.h"
#include "common/PatternZip.h"
#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace people;

namespace {

// Writes a one-sheet workbook from rows of texts (nullptr: an empty cell).
QString writeBook(const QString& folder, const std::vector<std::vector<const char*>>& rows) {
    office::XlsxWorkbook book;
    office::XlsxSheet& sheet = book.addSheet(QStringLiteral("標準"));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            if (rows[r][c]) sheet.setText(int(r), int(c), QString::fromUtf8(rows[r][c]));
    const QString path = folder + QStringLiteral("/standards.xlsx");
    EXPECT_TRUE(book.save(path).ok());
    return path;
}

QString table(Database& db) {
    QStringList out{db.columns("MultipleLevel").join(",")};
    const Recordset rs = db.query("SELECT * FROM MultipleLevel ORDER BY rowid");
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << (rs.isNull(r, c) ? QStringLiteral("NULL") : rs.text(r, c));
        out << cells.join(",");
    }
    return out.join("\n");
}

TEST(MultipleLevelColumns, ExactlyTheSevenInAnyOrder) {
    EXPECT_EQ(checkMultipleLevelColumns(multipleLevelColumns()), "");
    EXPECT_EQ(checkMultipleLevelColumns({"Level_4", "性別", "Level_0", "項目名稱", "Level_3", "Level_2", "Level_1"}),
              "");
    EXPECT_EQ(checkMultipleLevelColumns({"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3"}),
              "缺少欄位: Level_4");
    EXPECT_EQ(
        checkMultipleLevelColumns({"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4", "備註"}),
        "多出欄位: 備註");
    EXPECT_EQ(checkMultipleLevelColumns({"項目名稱", "性別", "level_0", "Level_1", "Level_2", "Level_3", "Level_4"}),
              "缺少欄位: Level_0\r\n多出欄位: level_0");
}

class StandardsImport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tp.start()); }
    TestProgram tp;
};

TEST_F(StandardsImport, ANewDatabaseStartsWithTheShippedExample) {
    const QString before = table(tp.db());
    EXPECT_GT(tp.db().scalar("SELECT count(*) FROM MultipleLevel").toInt(), 5);
    tp.ui().answerNext(Ui::Answer::Yes);
    ASSERT_TRUE(importMultipleLevelStandards(tp.program(), tp.program().docFolder() + "範例_多項四段分級標準.xlsx"));
    EXPECT_EQ(table(tp.db()), before) << "the example workbook and the seeded rows are the same standards";
}

TEST_F(StandardsImport, TheSheetsColumnOrderIsKeptAndEmptyCellsAreNull) {
    const QString path =
        writeBook(tp.folder(), {{"Level_4", "性別", "Level_0", "項目名稱", "Level_3", "Level_2", "Level_1"},
                                {">=180", "0", "<120", "收縮壓", "<180", "<160", "<140"},
                                {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                                {nullptr, "1", "<90", "腰圍", nullptr, "NA", ">=90"}});
    tp.ui().answerNext(Ui::Answer::Yes);
    ASSERT_TRUE(importMultipleLevelStandards(tp.program(), path));
    EXPECT_EQ(table(tp.db()), "Level_4,性別,Level_0,項目名稱,Level_3,Level_2,Level_1\n"
                              ">=180,0,<120,收縮壓,<180,<160,<140\n"
                              "NULL,1,<90,腰圍,NULL,NA,>=90");
    EXPECT_EQ(tp.db().columnType("MultipleLevel", "項目名稱"), "VARCHAR(50)");
    EXPECT_EQ(tp.ui().messageTexts().last(), "多項四段分級標準 匯入完成, 共 2 筆");
}

TEST_F(StandardsImport, RefusalsLeaveTheStandardsAsTheyWere) {
    const QString before = table(tp.db());
    struct Case {
        std::vector<std::vector<const char*>> rows;
        bool asks; // reaches the question (and is answered No)
        const char* why;
    } cases[] = {
        {{{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3"}, {"收縮壓", "0", "<1", "<2", "<3", "<4"}},
         false,
         "a column missing"},
        {{{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4", "備註"}},
         false,
         "a column extra"},
        {{{"項目名稱", "性別", "Level_0", "Level_1", "Level_0", "Level_3", "Level_4"}}, false, "a column repeated"},
        {{{"項目名稱", nullptr, "Level_0"}}, false, "an empty header cell"},
        {{{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"},
          {"收縮壓", "0", "<120", "<130", "<140", "<160",
           "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十X"}},
         false,
         "a text longer than 50 characters"},
        {{{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"},
          {"收縮壓", "0", "<1", "<2", "<3", "<4", "<5"}},
         true,
         "the nurse says No"},
    };
    for (const Case& c : cases) {
        tp.ui().shown.clear();
        const QString path = writeBook(tp.folder(), c.rows);
        if (QString::fromUtf8(c.why).contains("No")) tp.ui().answerNext(Ui::Answer::No);
        EXPECT_FALSE(importMultipleLevelStandards(tp.program(), path)) << c.why;
        EXPECT_EQ(table(tp.db()), before) << c.why;
        ASSERT_FALSE(tp.ui().shown.isEmpty()) << c.why;
        EXPECT_EQ(tp.ui().shown.size() >= 2 || tp.ui().shown[0].buttons == Ui::Buttons::YesNo, c.asks) << c.why;
    }
    tp.ui().shown.clear();
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), tp.folder() + "/missing.xlsx"));
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith("以下檔案不存在: "));
}

TEST_F(StandardsImport, UnusableRowsRefuseTheSheetAndAreListedByTheirRowOnTheSheet) {
    const QString before = table(tp.db());
    const QString path =
        writeBook(tp.folder(), {{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"},
                                {"收縮壓", "0", "<120", "<130", "<140", "<160", ">=160"},
                                {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                                {"舒張壓", "0", "<80 or >=90", "NA", "NA", "NA", "NA"},
                                {"BMI", "0", "18.5～23.9", "NA", "NA", "NA", "NA"},
                                {"腰圍", "1", "#DIV/0!", "NA", "NA", "NA", "NA"},
                                {"飯前血醣", "0", "100", "NA", "NA", "NA", "NA"},
                                {"總膽固醇", "2024/01/05", "<200", "NA", "NA", "NA", "NA"}});
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), path));
    EXPECT_EQ(table(tp.db()), before);
    ASSERT_EQ(tp.ui().shown.size(), 1) << "no question: the sheet is refused first";
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith("匯入檔有 5 處無法使用, 分級標準未變更"));
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    qsizetype at = html.indexOf("工作表列號");
    for (const char* row : {"<TD>4</TD><TD>舒張壓", "<TD>5</TD><TD>BMI", "<TD>6</TD><TD>腰圍", "<TD>7</TD><TD>飯前血醣",
                            "<TD>8</TD><TD>總膽固醇"}) {
        const qsizetype next = html.indexOf(QString::fromUtf8(row));
        EXPECT_GT(next, at) << row << " in the sheet's order";
        at = next;
    }
    EXPECT_TRUE(html.contains("大寫 OR"));
    EXPECT_TRUE(html.contains("「～」是全形符號"));
    EXPECT_TRUE(html.contains("Excel 公式的錯誤值"));
    EXPECT_TRUE(html.contains("缺少比較運算子"));
    EXPECT_TRUE(html.contains("性別必須為"));

    tp.ui().shown.clear();
    const QString empty =
        writeBook(tp.folder(), {{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"}});
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), empty));
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"匯入檔無法匯入, 分級標準未變更:\r\n\r\n沒有分級標準"});
    EXPECT_EQ(table(tp.db()), before);
}

TEST_F(StandardsImport, AWrongHeaderIsAnsweredBeforeTheRowsAndNothingIsStaged) {
    office::XlsxWorkbook book;
    office::XlsxSheet& sheet = book.addSheet(QStringLiteral("標準"));
    const QStringList header{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_5"};
    const int rows = kMaxStandardRows * 3;
    sheet.streamTextBlock(
        0, 0, rows, 7, [header](int r, int c) { return r == 0 ? header[c] : QStringLiteral("<%1").arg(r); }, -1);
    const QString path = tp.folder() + "/wrong.xlsx";
    ASSERT_TRUE(book.save(path).ok());
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), path));
    EXPECT_EQ(tp.ui().messageTexts(),
              QStringList{"匯入檔的欄位必須恰為 項目名稱, 性別, Level_0 ~ Level_4 (順序不拘):\r\n\r\n"
                          "缺少欄位: Level_4\r\n多出欄位: Level_5"});
    EXPECT_FALSE(tp.db().tableExists("InPutTempTable"));

    // A sound sheet the nurse decides against leaves nothing behind either.
    const QString good =
        writeBook(tp.folder(), {{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"},
                                {"收縮壓", "0", "<1", "<2", "<3", "<4", "<5"}});
    tp.ui().answerNext(Ui::Answer::No);
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), good));
    EXPECT_FALSE(tp.db().tableExists("InPutTempTable"));
}

TEST_F(StandardsImport, TooManyColumnsAreNamedLikeAnyWrongHeader) {
    office::XlsxWorkbook book;
    office::XlsxSheet& sheet = book.addSheet(QStringLiteral("標準"));
    const QStringList seven = multipleLevelColumns();
    for (int c = 0; c < 7 + 2000; ++c)
        sheet.setText(0, c, c < 7 ? seven[c] : QStringLiteral("X%1").arg(c - 6));
    const QString path = tp.folder() + "/wide.xlsx";
    ASSERT_TRUE(book.save(path).ok());
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), path));
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    const QString text = tp.ui().messageTexts()[0];
    EXPECT_TRUE(text.contains("多出欄位: X1, X2, X3")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("X20 … 共 2000 欄")) << text.toStdString();
}

} // namespace

// A sheet that cannot be read is refused with its reason, not taken for a sheet without a header.
TEST_F(StandardsImport, ASheetThatCannotBeReadIsRefusedWithItsReason) {
    const QString path = tp.folder() + "/damaged.xlsx";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(ziptest::patternWorkbook(
        {{},
         ziptest::spreadsheetXml("worksheet", "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>項目名稱"
                                              "</t></is></c><c r=\"XFE1\"><v>1</v></c></row></sheetData>"),
         {},
         0,
         {},
         {}},
        {{}, ziptest::spreadsheetXml("sst", {}), {}, 0, {}, {}}));
    f.close();
    const QString before = table(tp.db());
    EXPECT_FALSE(importMultipleLevelStandards(tp.program(), path));
    EXPECT_EQ(tp.ui().messageTexts(),
              QStringList{"匯入檔無法匯入, 分級標準未變更:\r\n\r\n"
                          "活頁簿內容已損毀 (xl/worksheets/sheet1.xml 的儲存格位置 XFE1 超出工作表範圍)"});
    EXPECT_EQ(table(tp.db()), before);
}
