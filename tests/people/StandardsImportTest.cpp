// The import "多項四段分級標準": the seven columns in any order and nothing else, the standards table rebuilt in the
// sheet's order in one go, the refusals that leave it as it was, and the shipped example matching the standards a
// new database starts with.

#include "people/StandardsImport.h"
#include "common/TestProgram.h"
#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"

#include <QDir>
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
    EXPECT_EQ(tp.db().columns(kInputTempTable).size(), 7) << "the sheet was staged";
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
         true,
         "a text longer than 50 characters (after the question)"},
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

} // namespace
