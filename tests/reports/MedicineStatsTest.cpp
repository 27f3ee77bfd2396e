// The medicine statistics on a small log with known answers (stock, ranking, the top medicines' entries), and
// their workbook read back.

#include "reports/MedicineStats.h"
#include "common/TestProgram.h"

#include <gtest/gtest.h>

using namespace reports;

namespace {

const ReportPeriod k2024{"2024/01/01", "2024/12/31"};

struct Use {
    const char* entry;
    const char* code;
    const char* name;
    double amount;
};

void seed(Database& db, const std::vector<Use>& uses) {
    db.execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號, 人員姓名) VALUES (?, ?, ?, ?)",
                 {{"in1", "2024/01/01", "E1", "王"},
                  {"in2", "2024/06/30", "E2", "李"},
                  {"in3", "2024/12/31", "E3", "張"},
                  {"old", "2023/12/31", "E4", "陳"},
                  {"new", "2025/01/01", "E5", "林"}});
    std::vector<QVariantList> rows;
    for (const Use& u : uses)
        rows.push_back(
            {u.entry, u.code ? QVariant(QString::fromUtf8(u.code)) : QVariant(), QString::fromUtf8(u.name), u.amount});
    db.execBatch("INSERT INTO DrugUsing (NursingID, MedicineID, MedicineName, UsingAmount) VALUES (?, ?, ?, ?)", rows);
}

QStringList rankingRows(const Recordset& rs) {
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.text(r, 0) + "/" + rs.text(r, 1) + "/" + rs.text(r, 2);
    return out;
}

} // namespace

TEST(MedicineStats, StockRankingAndTheEntriesOfEachTopMedicine) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.db().execBatch("INSERT INTO DrugListTree (Type, MainCode, MedicalObjectName, ReserveAmount, ExpireDate) VALUES "
                      "(?, ?, ?, ?, ?)",
                      {{"B藥", "B_002", "乙藥", 3.5, "2026/01/01"},
                       {"A藥", "A_002", "甲二", 0, ""},
                       {"A藥", "A_001", "甲一", 12, "2025/12/31"}});
    seed(tp.db(), {
                      {"in1", "M1", "阿斯匹靈", 2},
                      {"in2", "M1", "阿斯匹靈", 5},
                      {"in3", "M2", "阿斯匹靈", 3}, // a second code under the same name
                      {"in1", "M3", "O'Brien]藥", 5},
                      {"in2", "M4", "50%_藥", 1},
                      {"old", "M4", "50%_藥", 100}, // outside the period
                      {"new", "M1", "阿斯匹靈", 100},
                      {"gone", "M4", "50%_藥", 100}, // an entry no longer in the log
                  });
    const MedicineStats s = computeMedicineStats(tp.db(), tp.program().NursingBookColumns, k2024);

    EXPECT_EQ(s.stock.fieldNames(), (QStringList{"類別", "醫藥品名稱", "現貨存量", "到期日"}));
    EXPECT_EQ(rankingRows(s.stock), (QStringList{"A藥/甲一/12", "A藥/甲二/0", "B藥/乙藥/3.5"}));

    EXPECT_EQ(s.ranking.fieldNames(), (QStringList{"醫藥品代碼", "醫藥品名稱", "取用總量"}));
    EXPECT_EQ(rankingRows(s.ranking),
              (QStringList{"M1/阿斯匹靈/7", "M3/O'Brien]藥/5", "M2/阿斯匹靈/3", "M4/50%_藥/1"}));

    ASSERT_EQ(s.top.size(), 4u);
    const auto& first = s.top[0];
    EXPECT_EQ(first.code, "M1");
    ASSERT_EQ(first.uses.recordCount(), 2); // M2's use under the same name is not M1's
    EXPECT_EQ(first.uses.fieldNames().first(), "SerialX");
    EXPECT_EQ(first.uses.fieldNames().last(), "阿斯匹靈_取用量");
    EXPECT_EQ(first.uses.fieldCount(), 16);
    EXPECT_EQ(first.uses.text(0, "SerialX"), "in2"); // largest quantity first
    EXPECT_EQ(first.uses.text(0, "阿斯匹靈_取用量"), "5");
    EXPECT_EQ(first.uses.text(1, "SerialX"), "in1");
    EXPECT_EQ(s.top[1].uses.fieldNames().last(), "O'Brien]藥_取用量");
    EXPECT_EQ(s.top[1].uses.text(0, "人員姓名"), "王");
    ASSERT_EQ(s.top[2].uses.recordCount(), 1);
    EXPECT_EQ(s.top[2].uses.text(0, "SerialX"), "in3");
    ASSERT_EQ(s.top[3].uses.recordCount(), 1); // the name's "%" and "_" select nothing more
    EXPECT_EQ(s.top[3].uses.text(0, "SerialX"), "in2");
}

TEST(MedicineStats, TenTopMedicinesAtMost) {
    // medicines used → top sheets
    for (const auto& [used, top] : std::vector<std::pair<int, size_t>>{{0, 0}, {3, 3}, {10, 10}, {11, 10}, {14, 10}}) {
        TestProgram tp(false);
        ASSERT_TRUE(tp.start());
        std::vector<Use> uses;
        std::vector<QByteArray> codes, names;
        for (int i = 0; i < used; ++i) {
            codes.push_back(QString("M%1").arg(i, 2, 10, QChar('0')).toUtf8());
            names.push_back(QString("藥%1").arg(i).toUtf8());
        }
        for (int i = 0; i < used; ++i)
            uses.push_back({"in1", codes[size_t(i)].constData(), names[size_t(i)].constData(), double(100 - i)});
        seed(tp.db(), uses);
        const MedicineStats s = computeMedicineStats(tp.db(), tp.program().NursingBookColumns, k2024);
        EXPECT_EQ(s.ranking.recordCount(), used);
        ASSERT_EQ(s.top.size(), top) << used;
        if (top) {
            EXPECT_EQ(s.top.back().code, QString("M%1").arg(int(top) - 1, 2, 10, QChar('0')));
        }
    }
}

TEST(MedicineStats, AMedicineWithoutCodeKeepsItsEntries) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seed(tp.db(), {{"in1", nullptr, "無碼藥", 2}, {"in2", "", "無碼藥", 1}, {"in3", nullptr, "無碼藥", 4}});
    const MedicineStats s = computeMedicineStats(tp.db(), tp.program().NursingBookColumns, k2024);
    EXPECT_EQ(rankingRows(s.ranking), (QStringList{"/無碼藥/6", "/無碼藥/1"}));
    ASSERT_EQ(s.top.size(), 2u);
    EXPECT_EQ(s.top[0].uses.recordCount(), 2);
    EXPECT_EQ(s.top[1].uses.recordCount(), 1);
    EXPECT_EQ(s.top[1].uses.text(0, "SerialX"), "in2");
}

TEST(MedicineStats, TheWorkbookNamesTheStockTheRankingAndOneSheetPerTopMedicine) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.db().exec("INSERT INTO DrugListTree (Type, MainCode, MedicalObjectName, ReserveAmount) VALUES ('A', 'A_1', "
                 "'甲', 4)");
    seed(tp.db(), {{"in1", "M1", "阿斯匹靈", 2}, {"in2", "M3", "O'Brien]藥", 5}});
    const QString path =
        writeMedicineWorkbook(tp.program(), computeMedicineStats(tp.db(), tp.program().NursingBookColumns, k2024));
    ASSERT_FALSE(path.isEmpty());
    const QString out = runPython("import openpyxl,sys\n"
                                  "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                  "print('|'.join(wb.sheetnames))\n"
                                  "r=wb.worksheets[1]\n"
                                  "print(r['C1'].comment.text, r['A2'].value, r['B2'].value, r['C2'].value)\n"
                                  "t=wb.worksheets[2]\n"
                                  "print(t.cell(1, t.max_column).value, t['A2'].value, t.max_row)\n"
                                  "print(wb.worksheets[0]['B2'].value)\n",
                                  {path});
    const QStringList lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << out.toStdString();
    EXPECT_EQ(lines[0].toStdString(),
              "醫藥品存量盤點|醫藥品用量排序|TOP_01 醫藥品|TOP_02 醫藥品|工作表5|工作表6|工作表7|"
              "工作表8|工作表9|工作表10|工作表11|工作表12|工作表13");
    EXPECT_EQ(lines[1].toStdString(), "2024/01/01 ~ 2024/12/31 M3 O'Brien]藥 5");
    EXPECT_EQ(lines[2].toStdString(), "O'Brien]藥_取用量 in2 2");
    EXPECT_EQ(lines[3].toStdString(), "甲");

    // A period without use: the ranking sheet is named and noted, and no top sheet follows.
    const QString empty = writeMedicineWorkbook(
        tp.program(), computeMedicineStats(tp.db(), tp.program().NursingBookColumns, {"2030/01/01", "2030/01/31"}));
    const QString names = runPython("import openpyxl,sys\n"
                                    "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                    "print('|'.join(wb.sheetnames[:3]), wb.worksheets[1].max_row,"
                                    " wb.worksheets[1]['C1'].comment.text)\n",
                                    {empty});
    EXPECT_EQ(names.trimmed().toStdString(), "醫藥品存量盤點|醫藥品用量排序|工作表3 1 2030/01/01 ~ 2030/01/31");
}
