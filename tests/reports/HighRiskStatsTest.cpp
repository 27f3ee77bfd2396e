// The high-risk persons tables on a small log with known answers, and their workbook read back.

#include "reports/HighRiskStats.h"
#include "common/TestProgram.h"
#include "core/ExcelOutput.h"

#include <gtest/gtest.h>

using namespace reports;

namespace {

struct Entry {
    QString serial, date, number, name, severity, code;
    QVariant severityValue() const { return severity == "NULL" ? QVariant() : QVariant(severity); }
    QVariant numberValue() const { return number == "NULL" ? QVariant() : QVariant(number); }
};

void addEntries(Database& db, const std::vector<Entry>& entries) {
    std::vector<QVariantList> rows;
    for (const Entry& e : entries)
        rows.push_back(
            {e.serial, e.date, "09:00", e.numberValue(), e.name, e.severityValue(), e.code, "經過" + e.serial});
    db.execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 員工編號, 人員姓名, 嚴重代碼, 事件代碼, "
                 "事件發生經過與症狀描述) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                 rows);
}

template <class Rows> QStringList column(const Rows& rs, const QString& field) {
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r)
        out << rs.text(r, field);
    return out;
}

const ReportPeriod k2024{"2024/01/01", "2024/12/31"};

} // namespace

TEST(HighRiskStats, TheTopThirtyKeepsEveryoneTiedWithTheThirtiethPlace) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    std::vector<Entry> log;
    int serial = 0;
    auto add = [&](const QString& no, const QString& name, int count, const QString& date = "2024/06/01") {
        for (int i = 0; i < count; ++i)
            log.push_back({QString("S%1").arg(++serial), date, no, name, "1", "A01"});
    };
    add("P00", "甲", 40);
    for (int i = 1; i <= 28; ++i) // places 2 to 29
        add(QString("P%1").arg(i, 2, 10, QChar('0')), "員工", 10 + i);
    for (const char* no : {"T1", "T2", "T3"}) // three tied at place 30
        add(no, "並列", 5);
    add("LOW", "最少", 4);
    add("T1", "改名", 1);                 // one number under a second name is a person of its own
    add("LOW", "最少", 30, "2023/12/31"); // outside the period
    add("LOW", "最少", 30, "2025/01/01");
    add("P00", "甲", 1, "2024/01/01"); // both ends of the period count
    add("P00", "甲", 1, "2024/12/31");
    addEntries(tp.db(), log);

    const HighRiskStats s = computeHighRiskStats(tp.db(), k2024);
    EXPECT_EQ(s.top.fieldNames(), (QStringList{"員工編號", "人員姓名", "xTotal"}));
    ASSERT_EQ(s.top.recordCount(), 32);
    EXPECT_EQ(s.top.text(0, "員工編號"), "P00");
    EXPECT_EQ(s.top.text(0, "xTotal"), "42");
    EXPECT_EQ(s.top.text(1, "員工編號"), "P28");
    EXPECT_EQ(column(s.top, "員工編號").mid(29), (QStringList{"T1", "T2", "T3"}));
    EXPECT_EQ(column(s.top, "xTotal").mid(29), (QStringList{"5", "5", "5"}));
    EXPECT_FALSE(column(s.top, "員工編號").contains("LOW"));
    EXPECT_FALSE(column(s.top, "人員姓名").contains("改名"));
    EXPECT_EQ(s.top.value(0, 2).typeId(), QMetaType::LongLong); // counts are 64-bit
}

TEST(HighRiskStats, SeverityIsReadAsANumber) {
    // severity text → whether the entry is severe
    const struct {
        const char* severity;
        bool severe;
    } grid[] = {
        {"1", false},   {"2", true}, {"3", true},     {"10", true},   {" 2", true},  {"2a", true}, {"2.0", true},
        {"1.9", false}, {"", false}, {"NULL", false}, {"abc", false}, {"-3", false}, {"0", false},
    };
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    std::vector<Entry> log;
    int i = 0;
    for (const auto& g : grid) {
        ++i;
        log.push_back({QString("S%1").arg(i, 2, 10, QChar('0')), "2024/03/01", QString("E%1").arg(i, 2, 10, QChar('0')),
                       "某人", g.severity, "A01"});
    }
    addEntries(tp.db(), log);
    const HighRiskStats s = computeHighRiskStats(tp.db(), k2024);
    QStringList expected;
    i = 0;
    for (const auto& g : grid) {
        ++i;
        if (g.severe) expected << QString("E%1").arg(i, 2, 10, QChar('0'));
    }
    EXPECT_EQ(column(s.severe, "員工編號"), expected);
    EXPECT_EQ(column(s.history, "員工編號"), expected); // each of them has one entry
}

TEST(HighRiskStats, SevereEntriesAndTheHistoryOfTheirPersons) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.db().exec("INSERT INTO NursingCode (MainCode, Type, Note) VALUES ('Q01', '測試類', '測試項')");
    addEntries(tp.db(), {
                            {"a1", "2024/05/01", "E1", "王", "3", "Q01"},
                            {"a2", "2024/05/01", "E1", "王", "2", "X99"}, // a code NursingCode does not know
                            {"a3", "2022/01/01", "E1", "王", "1", "Q01"}, // history outside the period
                            {"a4", "2025/02/01", "E1", "王", "1", "Q01"},
                            {"b1", "2023/05/01", "E2", "李", "3", "Q01"}, // severe, but not in the period
                            {"b2", "2024/05/01", "E2", "李", "1", "Q01"},
                            {"c1", "2024/07/01", "", "承攬甲", "2", "Q01"}, // no employee number
                            {"c2", "2020/07/01", "", "承攬乙", "1", "Q01"},
                            {"d1", "2024/08/01", "NULL", "派遣丙", "3", "Q01"},
                            {"d2", "2021/08/01", "NULL", "派遣丁", "1", "Q01"},
                        });
    const HighRiskStats s = computeHighRiskStats(tp.db(), k2024);
    EXPECT_EQ(s.severe.fieldNames(),
              (QStringList{"記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名", "聯絡分機", "所屬部門",
                           "事件代碼", "Type", "Note", "嚴重代碼", "事件發生經過與症狀描述", "處理措施", "追蹤情況",
                           "醫護人員", "xPDF"}));
    // By employee number: the unnumbered first (NULL, then ""), then E1's two.
    EXPECT_EQ(column(s.severe, "人員姓名"), (QStringList{"派遣丙", "承攬甲", "王", "王"}));
    const int unknown = column(s.severe, "事件代碼").indexOf("X99");
    ASSERT_GE(unknown, 0);
    EXPECT_EQ(s.severe.text(unknown, "Type"), "");
    EXPECT_EQ(s.severe.text(column(s.severe, "事件代碼").indexOf("Q01"), "Note"), "測試項");

    // The history lists E1's every entry, newest first, and no one without a number.
    EXPECT_EQ(s.history.fieldNames()[8], "事件類別");
    EXPECT_EQ(s.history.fieldNames()[9], "事件項目");
    QStringList described = column(s.history, "事件發生經過與症狀描述");
    described.sort();
    EXPECT_EQ(described, (QStringList{"經過a1", "經過a2", "經過a3", "經過a4"}));
    EXPECT_EQ(column(s.history, "記錄日期"), (QStringList{"2025/02/01", "2024/05/01", "2024/05/01", "2022/01/01"}));
    EXPECT_EQ(column(s.history, "員工編號"), (QStringList{"E1", "E1", "E1", "E1"}));
}

TEST(HighRiskStats, TheWorkbookHasItsThreeSheetsAndLeavesEmptyOnesUnnamed) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.ui().clock = QDateTime(QDate(2025, 1, 2), QTime(8, 0));
    addEntries(tp.db(), {{"a1", "2024/05/01", "E1", "王", "3", "A01"}, {"a2", "2024/06/01", "E2", "李", "1", "A01"}});
    const QString path = writeHighRiskWorkbook(tp.program(), computeHighRiskStats(tp.db(), k2024));
    ASSERT_TRUE(path.endsWith(".xlsx")) << path.toStdString();
    EXPECT_TRUE(path.contains("高風險人員_統計分析_20250102_080000"));
    EXPECT_FALSE(tp.ui().messageTexts().contains("完成"));
    const QString out = runPython("import openpyxl,sys\n"
                                  "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                  "print('|'.join(wb.sheetnames))\n"
                                  "a=wb.worksheets[0]\n"
                                  "print(a['A1'].value, a['C1'].value, a['A2'].value, a['C2'].value, a['D2'].value)\n"
                                  "for ws in wb.worksheets[1:3]:\n"
                                  "    print(ws.max_row, ws['L1'].value,"
                                  " round(ws.column_dimensions['L'].width, 2),"
                                  " ws['L2'].alignment.wrap_text, ws['L2'].value)\n",
                                  {path});
    const QStringList lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << out.toStdString();
    EXPECT_EQ(
        lines[0].toStdString(),
        "健康日誌紀錄 TOP 30 員工名單|高風險人員_嚴重代碼曾出現 2 或 3 者|高風險人員_歷程記錄|工作表4|工作表5|工作表6");
    EXPECT_EQ(lines[1].toStdString(), "員工編號 xTotal E1 1 2024/01/01 ~ 2024/12/31");
    // Column L: 60 characters (with the padding Excel adds to a width in characters), wrapped.
    EXPECT_EQ(lines[2].toStdString(), "2 事件發生經過與症狀描述 60.71 True 經過a1");
    EXPECT_EQ(lines[3].toStdString(), "2 事件發生經過與症狀描述 60.71 True 經過a1");

    // A period without entries: nothing is named, nothing written.
    const QString empty =
        writeHighRiskWorkbook(tp.program(), computeHighRiskStats(tp.db(), {"2030/01/01", "2030/12/31"}));
    const QString names = runPython("import openpyxl,sys\n"
                                    "wb=openpyxl.load_workbook(sys.argv[1])\n"
                                    "print('|'.join(wb.sheetnames), sum(ws.max_row > 1 for ws in wb.worksheets))\n",
                                    {empty});
    EXPECT_EQ(names.trimmed().toStdString(), "工作表1|工作表2|工作表3|工作表4|工作表5|工作表6 0");
}
