// The one cell map of the three assessment tables against the schema it builds and the templates built from it.

#include "maternity/CellMap.h"
#include "core/Schema.h"
#include "core/Startup.h"
#include "maternity/CellMapCheck.h"
#include "maternity/MaternityTestSupport.h"
#include "office/XlsxPackage.h"

#include <QRegularExpression>
#include <QSet>

using namespace maternity;
using namespace maternity::test;

TEST(CellMap, EachTableHasItsCellsOnceAndTheFiveCommonColumnsFirst) {
    const int expected[] = {21, 37, 28};
    QSet<QString> titles;
    for (const AttachedTableKind& k : attachedTableKinds()) {
        SCOPED_TRACE(k.table.toStdString());
        EXPECT_EQ(int(k.cells.size()), expected[k.number - 1]);
        titles.insert(k.title);
        QSet<QString> cells, columns;
        for (const MappedCell& c : k.cells) {
            cells.insert(c.cell);
            columns.insert(c.column);
            // The common cells are never mapped a second time.
            EXPECT_FALSE(c.cell == "B2" || c.cell == "B3" || c.cell == "C3") << c.cell.toStdString();
        }
        EXPECT_EQ(cells.size(), int(k.cells.size()));
        EXPECT_EQ(columns.size(), int(k.cells.size()));
        const auto cols = attachedTableColumns(k);
        ASSERT_EQ(int(cols.size()), 5 + expected[k.number - 1]);
        EXPECT_EQ(cols[0].name, QStringLiteral("CaseKeyT%1").arg(k.number));
        EXPECT_EQ(cols[1].name + cols[2].name + cols[3].name + cols[4].name, "CaseKeyxSaveDateNameEMPLNO");
    }
    EXPECT_EQ(titles.size(), 3);
    // Spot checks of addresses and widths the other procedures rely on.
    const auto cell = [](int n, const QString& column) {
        for (const MappedCell& c : attachedTableKind(n).cells)
            if (c.column == column) return c;
        return MappedCell{};
    };
    EXPECT_EQ(cell(1, "RiskT1").cell, "A16");
    EXPECT_EQ(cell(2, "DepName").label, "部門名稱");
    EXPECT_EQ(cell(1, "HazardChem").maxLength, 0); // memo
    EXPECT_EQ(cell(2, "IsBreastfeeding").cell, "B14");
    EXPECT_EQ(cell(2, "DiseaseFamily").maxLength, 200);
    EXPECT_EQ(cell(3, "RiskT3").cell, "A21");
    EXPECT_EQ(cell(3, "Suggestion_1").cell, "B24");
    EXPECT_EQ(cell(3, "Suggestion_12").cell, "B35");
    EXPECT_EQ(cell(3, "Suggestion_12").maxLength, 255);
    EXPECT_EQ(attachedTableKind(3).cells.back().column, "ExecuteDateT3");
    EXPECT_THROW(attachedTableKind(4), std::out_of_range);
}

// The compiler checks the embedded map with this (CellMap.cpp): the first line the reader could not take is named.
TEST(CellMap, TheBuildsCheckNamesTheFirstLineTheReaderCouldNotTake) {
    using cellmap::firstBadLine;
    const std::string good = "# header\ntitle\t1\t甲\ntitle\t2\t乙\ntitle\t3\t丙\n"
                             "cell\t1\tB5\tDepName\tVARCHAR(50)\t部門名稱\n\ncell\t2\tAB12\tRisk_2\tTEXT\t風險\n"
                             "cell\t3\tA21\tRiskT3\tVARCHAR(255)\t風險等級\n";
    static_assert(firstBadLine("title\t1\tA\ntitle\t2\tB\ntitle\t3\tC\ncell\t1\tB2\tX\tTEXT\tx\n"
                               "cell\t2\tB2\tX\tTEXT\tx\ncell\t3\tB2\tX\tTEXT\tx") == 0);
    EXPECT_EQ(firstBadLine(good), 0);
    const struct {
        const char* line;
        const char* reason;
    } bad[] = {
        {"cell\t4\tB7\tX\tTEXT\tx", "table 4"},  {"cell\t\tB7\tX\tTEXT\tx", "no table"},
        {"cell\t1\tB0\tX\tTEXT\tx", "row 0"},    {"cell\t1\t7B\tX\tTEXT\tx", "not an address"},
        {"cell\t1\tXFE1\tX\tTEXT\tx", "column"}, {"cell\t1\tB7\tX Y\tTEXT\tx", "column name"},
        {"cell\t1\tB7\tX\tMEMO\tx", "type"},     {"cell\t1\tB7\tX\tVARCHAR()\tx", "no width"},
        {"cell\t1\tB7\tX\tTEXT", "no label"},    {"title\t1\t再一次", "second title"},
        {"row\t1\tB7\tX\tTEXT\tx", "kind"},
    };
    for (const auto& c : bad)
        EXPECT_EQ(firstBadLine(good + c.line + "\ncell\t1\tB8\tY\tTEXT\ty\n"), 9) << c.reason;
    // A table without its title: after the last line.
    EXPECT_EQ(firstBadLine("title\t1\tA\ntitle\t2\tB\ncell\t1\tB2\tX\tTEXT\tx\ncell\t2\tB2\tX\tTEXT\tx\n"
                           "cell\t3\tB2\tX\tTEXT\tx\n"),
              7);
}

TEST(CellMap, StartUpCreatesTheTablesFromTheMapWithTheirIndexes) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    for (const AttachedTableKind& k : attachedTableKinds()) {
        QStringList expected;
        for (const ColumnDef& c : attachedTableColumns(k))
            expected.append(c.name);
        EXPECT_EQ(tp.db().columns(k.table), expected);
        EXPECT_EQ(tp.db().columns(k.table).size(), 5 + int(k.cells.size()));
        for (const QString& column : {QStringLiteral("CaseKey"), k.keyColumn})
            EXPECT_EQ(tp.db()
                          .scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?",
                                  {QStringLiteral("ix_%1_%2").arg(k.table, column)})
                          .toInt(),
                      1)
                << column.toStdString();
    }
    EXPECT_EQ(tp.db().columnType("MHPT1", "HazardPhy"), "TEXT");
    EXPECT_EQ(tp.db().columnType("MHPT3", "Suggestion_5"), "VARCHAR(255)");
}

TEST(CellMap, AnOlderDatabaseGainsTheMissingColumnsAndKeepsItsRows) {
    TestProgram tp(false);
    {
        // The table as an earlier version created it: no suggestion lines.
        Database& db = tp.db();
        QDir().mkpath(tp.folder() + "/DataBase");
        ASSERT_TRUE(db.open(tp.program().databasePath()));
        db.exec("CREATE TABLE MHPT3 (CaseKeyT3 VARCHAR(50), CaseKey VARCHAR(50), xSaveDate VARCHAR(50), Name "
                "VARCHAR(50), EMPLNO VARCHAR(50), xAge VARCHAR(50), CurrentSate VARCHAR(50), RiskT3 VARCHAR(50), "
                "DoctorName VARCHAR(50), ExecuteDateT3 VARCHAR(50))");
        db.exec("INSERT INTO MHPT3 (CaseKeyT3, CaseKey, CurrentSate) VALUES ('T3-240101000000', 'A-202401', '妊娠中')");
        db.close();
    }
    ASSERT_TRUE(tp.start());
    const QStringList cols = tp.db().columns("MHPT3");
    for (int k = 1; k <= 12; ++k)
        EXPECT_TRUE(cols.contains(QStringLiteral("Suggestion_%1").arg(k))) << k;
    EXPECT_EQ(cols.size(), 33);
    EXPECT_EQ(tp.db().scalar("SELECT CurrentSate FROM MHPT3 WHERE CaseKeyT3 = 'T3-240101000000'").toString(), "妊娠中");
}

TEST(CellMapTemplates, EveryMappedCellIsUnlockedAtItsAddressUnderTheExactTitle) {
    TestProgram tp;
    for (const AttachedTableKind& k : attachedTableKinds()) {
        SCOPED_TRACE(k.table.toStdString());
        const QString path = tp.program().docFolder() + QStringLiteral("套表_母性保護_附表%1.xlsx").arg(k.number);
        QStringList cells{"B2", "B3"};
        for (const MappedCell& c : k.cells)
            cells.append(c.cell);
        // openpyxl: the title, the protection, the paper, and each mapped cell unlocked and empty.
        const QString out =
            runPython("import openpyxl, sys\n"
                      "wb = openpyxl.load_workbook(sys.argv[1]); ws = wb.worksheets[0]\n"
                      "print(ws['A1'].value)\n"
                      "print(ws.protection.sheet, bool(ws.protection.password), ws.page_setup.paperSize)\n"
                      "bad = [c for c in sys.argv[2:] if ws[c].protection.locked or ws[c].value is not None]\n"
                      "print('bad:' + ','.join(bad))\n"
                      "lists = [str(dv.sqref) for dv in ws.data_validations.dataValidation]\n"
                      "print('lists:' + ' '.join(lists))\n",
                      QStringList{path} + cells);
        const QStringList lines = out.split('\n');
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines[0], k.title);
        EXPECT_EQ(lines[1], "True True 9"); // protected, with a password, on A4
        EXPECT_EQ(lines[2], "bad:");
        // Drop-down lists offer the words the statistics count.
        const QString mustList = k.number == 1 ? "A16" : k.number == 2 ? "B9" : "B6";
        EXPECT_TRUE(lines[3].split(QRegularExpression("[ :]")).contains(mustList)) << lines[3].toStdString();

        // Our reader: the protection opens with the program's password only.
        office::XlsxPackage book;
        ASSERT_TRUE(bool(book.open(path)));
        EXPECT_TRUE(book.isProtected(0));
        EXPECT_FALSE(bool(book.unprotectSheet(0, "pzpz")));
        EXPECT_TRUE(bool(book.unprotectSheet(0, "PZPZ")));
        EXPECT_EQ(book.cellText(0, "A1"), k.title);
    }
}

TEST(CellMapTemplates, TheExampleIsAFilledTableOneTheImportAccepts) {
    TestProgram tp;
    const QString path = tp.program().docFolder() + "範例_母性保護_匯入檔.xlsx";
    FilledWorkbook book;
    ASSERT_TRUE(bool(book.open(path)));
    const QString employee = book.text("B3");
    const AttachedTableReading r = readAttachedTable(book, employee);
    ASSERT_TRUE(r.kind);
    EXPECT_EQ(r.kind->number, 1);
    EXPECT_EQ(r.problems, "");
    EXPECT_EQ(r.values.at("ExecuteDateT1"), "2024/03/15"); // a typed date reads year first
    // The statistics template: summary cells and 14 sheets, sheet 1 protected, sheet 2 not.
    office::XlsxPackage stats;
    ASSERT_TRUE(bool(stats.open(tp.program().docFolder() + "套表_母性保護_統計與執行紀錄表.xlsx")));
    EXPECT_EQ(stats.sheetCount(), 14);
    EXPECT_TRUE(stats.isProtected(0));
    EXPECT_FALSE(stats.isProtected(1));
    EXPECT_EQ(stats.cellText(0, "B5"), "化學性危害");
}
