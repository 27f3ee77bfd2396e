// The summary workbook of the log: severity counts and top three by person type and category (six categories, the
// list's own letters), the three lists, and the saved form read back with openpyxl.

#include "reports/LogSummary.h"
#include "reports/LogReportTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <gtest/gtest.h>

using namespace reports;
using namespace reports::test;

namespace {

enum Person { Employee = 0, Contractor = 1, Dispatched = 2 };

class LogSummaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0, 0));
        ASSERT_TRUE(tp.start());
        seedSmallLog(tp.db());
    }
    LogSummary compute(const QString& keyword = {}) {
        return computeLogSummary(tp.db(), eventCategories(tp.db()), ReportPeriod{kFrom, kTo}, keyword);
    }
    QString outputFolder() const { return tp.folder() + "/DataBase/健康服務紀錄統計"; }
    TestProgram tp{true};
};

} // namespace

TEST_F(LogSummaryTest, SixCategoriesWithTheirOwnLetters) {
    const LogSummary s = compute();
    QStringList heads;
    for (const auto& h : s.heads)
        heads << (h ? h->name() : QString());
    // Eight categories: the first six fill the form, in the list's order.
    EXPECT_EQ(heads, (QStringList{"A_一般疾病（內科）", "A_其他內科", "B_外傷處置（非職業）", "C_健康諮詢與衛教",
                                  "D_健康管理追蹤", "E_環境"}));

    // Severity counts: [person][severity 1..3][slot]; empty where there are none.
    EXPECT_EQ(s.severity[Employee][0][0], 1); // A01, the first day
    EXPECT_EQ(s.severity[Employee][1][0], 1); // A01, severity 2
    EXPECT_EQ(s.severity[Employee][2][1], 1); // A90: the second A type has its own column
    EXPECT_EQ(s.severity[Employee][1][4], 1); // D01
    EXPECT_FALSE(s.severity[Employee][0][3]); // C04 has severity 9: counted nowhere
    EXPECT_FALSE(s.severity[Employee][1][3]);
    EXPECT_EQ(s.severity[Contractor][0][0], 1); // A02
    EXPECT_EQ(s.severity[Dispatched][0][2], 2); // B01 on the last day and B02
    EXPECT_FALSE(s.severity[Dispatched][0][5]); // E_環境: nothing

    // Top three of the slot's own category (the second slot is A, not B).
    const auto& employeeA = s.top[Employee][0];
    ASSERT_EQ(employeeA.size(), 1u);
    EXPECT_EQ(employeeA[0].note, "頭痛／頭暈 評估與處置");
    EXPECT_EQ(employeeA[0].count, 2);
    EXPECT_DOUBLE_EQ(employeeA[0].share, 1.0);
    ASSERT_EQ(s.top[Employee][1].size(), 1u);
    EXPECT_EQ(s.top[Employee][1][0].note, "其他內科事件");
    // Severity 9 still counts among the items; equal counts keep the note order.
    ASSERT_EQ(s.top[Employee][3].size(), 1u);
    EXPECT_EQ(s.top[Employee][3][0].note, "心理健康／壓力諮詢");
    const auto& dispatchedB = s.top[Dispatched][2];
    ASSERT_EQ(dispatchedB.size(), 2u);
    EXPECT_EQ(dispatchedB[0].note, "割傷／刺傷 傷口護理");
    EXPECT_EQ(dispatchedB[1].note, "擦傷／挫傷 傷口護理");
    EXPECT_DOUBLE_EQ(dispatchedB[0].share + dispatchedB[1].share, 1.0);
    EXPECT_TRUE(s.top[Contractor][2].empty());

    // The lists, by date and time.
    ASSERT_EQ(s.injuries.recordCount(), 1);
    EXPECT_EQ(s.injuries.text(0, "事件代碼"), "Y01 - 職業傷害 現場急救／緊急處置");
    EXPECT_EQ(s.injuries.fieldNames(),
              (QStringList{"記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名", "所屬部門", "事件代碼",
                           "嚴重代碼", "事件發生經過與症狀描述", "處理措施", "追蹤情況", "醫護人員"}));
    ASSERT_EQ(s.severity2.recordCount(), 2);
    EXPECT_EQ(s.severity2.text(0, "記錄日期"), "2019/03/15");
    EXPECT_EQ(s.severity2.text(1, "記錄日期"), "2019/12/02");
    ASSERT_EQ(s.severity3.recordCount(), 2);
    EXPECT_EQ(s.severity3.text(0, "記錄日期"), "2020/01/10");
    EXPECT_EQ(s.severity3.text(1, "記錄時間"), "13:00");
}

TEST_F(LogSummaryTest, EntriesOfCodesOutsideTheTableCountByTheirLetter) {
    // A retired A code and a renamed B code: they name no item, but their entries still count.
    tp.db().execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 人員身份, 事件代碼, 嚴重代碼) VALUES (?, ?, ?, ?, ?)",
        {{"old1", "2019/06/01", "員工", "A99", "1"}, {"old2", "2019/06/02", "派遣", "B77", "1"}});
    const LogSummary s = compute();
    EXPECT_EQ(s.severity[Employee][0][0], 2);   // A01 and A99, in the first column of A
    EXPECT_EQ(s.severity[Dispatched][0][2], 3); // B01, B02 and B77
    ASSERT_EQ(s.top[Employee][0].size(), 1u);   // no item to rank
    EXPECT_DOUBLE_EQ(s.top[Employee][0][0].share, 1.0);
}

TEST_F(LogSummaryTest, TopThreeSharesAreOfTheWholeCategory) {
    // Four more items for employees in B: 4, 3, 2 and 1 entries.
    std::vector<QVariantList> rows;
    const char* const codes[] = {"B03", "B04", "B05", "B06"};
    for (int k = 0; k < 4; ++k)
        for (int n = 0; n < 4 - k; ++n)
            rows.push_back({QString("T%1_%2").arg(k).arg(n), "2019/06/01", "員工", codes[k], "1"});
    tp.db().execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 人員身份, 事件代碼, 嚴重代碼) VALUES (?, ?, ?, ?, ?)", rows);
    const LogSummary s = compute();
    const auto& top = s.top[Employee][2];
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].note, "扭傷／拉傷（冰敷、固定）");
    EXPECT_EQ(top[0].count, 4);
    EXPECT_DOUBLE_EQ(top[0].share, 0.4); // of the ten entries, the fourth item included
    EXPECT_DOUBLE_EQ(top[1].share, 0.3);
    EXPECT_DOUBLE_EQ(top[2].share, 0.2);
    EXPECT_EQ(s.severity[Employee][0][2], 10);
}

TEST_F(LogSummaryTest, FewerCategoriesLeaveEmptyColumnsAndAKeywordNarrowsEverything) {
    const std::vector<EventCategory> two{{"B", "外傷處置（非職業）"}, {"Y", "職傷意外"}};
    const LogSummary s = computeLogSummary(tp.db(), two, ReportPeriod{kFrom, kTo}, "R&D_%");
    EXPECT_EQ(s.heads[1]->name(), "Y_職傷意外");
    for (int k = 2; k < kSummarySlots; ++k)
        EXPECT_FALSE(s.heads[size_t(k)]);
    EXPECT_EQ(s.severity[Dispatched][0][0], 1); // B01 only: "R&Dx1部" does not match
    EXPECT_EQ(s.injuries.recordCount(), 0);
    EXPECT_EQ(s.severity3.recordCount(), 0);
}

TEST_F(LogSummaryTest, FormFilledSavedWithDateAndTimeNeverOverwritten) {
    const QString first = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                         countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    EXPECT_EQ(first, outputFolder() + "/健康服務紀錄統計_20250601_090000.xlsx");
    ASSERT_TRUE(QFileInfo(first).isFile());
    EXPECT_EQ(tp.ui().opened, QStringList{first});
    const QJsonObject wb =
        readBack(first, {"A1",  "C3",  "D3",  "H3",  "C4",  "C5",  "D6",  "E12", "F4",  "A18", "D18", "G18",
                         "A19", "B19", "C19", "D19", "A22", "G37", "H37", "I37", "G38", "A2",  "G2",  "A3"});
    QStringList sheets;
    for (const auto& v : wb["sheets"].toArray())
        sheets << v.toString();
    EXPECT_EQ(sheets, (QStringList{" 健康服務紀錄分析總表", "職傷意外記錄", "嚴重等級_2", "嚴重等級_3"}));
    const QJsonObject main = wb[" 健康服務紀錄分析總表"].toObject();
    const QJsonObject c = main["cells"].toObject();
    EXPECT_EQ(c["A1"].toString(), "健康服務紀錄分析總表 【2019/03/01 ~ 2020/01/31】");
    EXPECT_EQ(c["C3"].toString(), "A_一般疾病（內科）");
    EXPECT_EQ(c["D3"].toString(), "A_其他內科");
    EXPECT_EQ(c["H3"].toString(), "E_環境");
    EXPECT_EQ(c["C4"].toInt(), 1);
    EXPECT_EQ(c["C5"].toInt(), 1);
    EXPECT_EQ(c["D6"].toInt(), 1);
    EXPECT_EQ(c["E12"].toInt(), 2);
    EXPECT_FALSE(c.contains("F4"));
    EXPECT_EQ(c["A18"].toString(), "A_一般疾病（內科）_前三名排行");
    EXPECT_EQ(c["D18"].toString(), "A_其他內科_前三名排行");
    EXPECT_EQ(c["G18"].toString(), "B_外傷處置（非職業）_前三名排行");
    EXPECT_EQ(c["A22"].toString(), "C_健康諮詢與衛教_前三名排行");
    EXPECT_EQ(c["A19"].toString(), "頭痛／頭暈 評估與處置");
    EXPECT_EQ(c["B19"].toInt(), 2);
    EXPECT_EQ(c["C19"].toString(), "100.00%");
    EXPECT_EQ(c["D19"].toString(), "其他內科事件");
    EXPECT_EQ(c["G37"].toString(), "割傷／刺傷 傷口護理");
    EXPECT_EQ(c["H37"].toInt(), 1);
    EXPECT_EQ(c["I37"].toString(), "50.00%");
    EXPECT_EQ(c["G38"].toString(), "擦傷／挫傷 傷口護理");
    // The form's own merges and headings stay.
    const QJsonArray merges = main["merges"].toArray();
    EXPECT_TRUE(merges.contains(QJsonValue("A4:A6")));
    EXPECT_TRUE(merges.contains(QJsonValue("A1:I1")));
    // Every top-three row keeps its stored height (a reader that does not size rows itself shows a long item on two
    // lines instead of over the next row), and the second page starts at the contractors' block.
    const QString rows = runPython("import openpyxl, sys\nws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                   "print(*[ws.row_dimensions[r].height for r in range(17, 44)])\n"
                                   "print(*[b.id for b in ws.row_breaks.brk])\n",
                                   {first});
    QStringList heights;
    for (int block = 0; block < 3; ++block)
        heights << "20.0" << QString("28.0 ").repeated(8).trimmed();
    EXPECT_EQ(rows.trimmed(), heights.join(' ') + "\n25");

    const QJsonObject injuries = wb["職傷意外記錄"].toObject();
    EXPECT_EQ(injuries["maxRow"].toInt(), 2);
    EXPECT_EQ(injuries["cells"].toObject()["A2"].toString(), "2020/01/15");
    EXPECT_EQ(injuries["cells"].toObject()["G2"].toString(), "Y01 - 職業傷害 現場急救／緊急處置");
    EXPECT_EQ(wb["嚴重等級_2"].toObject()["maxRow"].toInt(), 3);
    EXPECT_EQ(wb["嚴重等級_3"].toObject()["cells"].toObject()["A3"].toString(), "2020/01/15");

    // A second run in the same second keeps the first report.
    const QByteArray before = [&] {
        QFile f(first);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    tp.db().exec("DELETE FROM NursingBook");
    const QString second = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                          countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    EXPECT_EQ(second, outputFolder() + "/健康服務紀錄統計_20250601_090000_2.xlsx");
    QFile again(first);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
    // Empty lists still get their named sheets with a header.
    const QJsonObject empty = readBack(second, {"A1"});
    EXPECT_EQ(empty["職傷意外記錄"].toObject()["cells"].toObject()["A1"].toString(), "記錄日期");
}

TEST_F(LogSummaryTest, EntriesOfCodesOutsideTheTableStayInTheirLists) {
    // A severity-3 entry under a retired A code and a severity-2 injury under a retired Y code: no item text, but
    // every list they belong to shows them, by date, with the code and the separator alone.
    tp.db().execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 人員身份, 事件代碼, 嚴重代碼) VALUES (?, "
        "?, ?, ?, ?, ?)",
        {{"old1", "2019/06/01", "08:00", "員工", "A99", "3"}, {"old2", "2019/06/02", "09:00", "派遣", "Y88", "2"}});
    const QString path = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                        countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    ASSERT_FALSE(path.isEmpty());
    const QJsonObject wb = readBack(path, {"A2", "G2", "H2", "A3", "G3"});
    const QJsonObject third = wb["嚴重等級_3"].toObject();
    EXPECT_EQ(third["maxRow"].toInt(), 4); // A99, A90 and Y01
    EXPECT_EQ(third["cells"].toObject()["A2"].toString(), "2019/06/01");
    EXPECT_EQ(third["cells"].toObject()["G2"].toString(), "A99 - ");
    EXPECT_EQ(third["cells"].toObject()["H2"].toString(), "3");
    const QJsonObject injuries = wb["職傷意外記錄"].toObject();
    EXPECT_EQ(injuries["maxRow"].toInt(), 3); // Y88 and Y01
    EXPECT_EQ(injuries["cells"].toObject()["G2"].toString(), "Y88 - ");
    EXPECT_EQ(injuries["cells"].toObject()["G3"].toString(), "Y01 - 職業傷害 現場急救／緊急處置");
    const QJsonObject second = wb["嚴重等級_2"].toObject();
    EXPECT_EQ(second["maxRow"].toInt(), 4); // A01, Y88 and D01
    EXPECT_EQ(second["cells"].toObject()["A3"].toString(), "2019/06/02");
    EXPECT_EQ(second["cells"].toObject()["G3"].toString(), "Y88 - ");
}

TEST_F(LogSummaryTest, CategoriesPastTheSixthAreNamedUnderTheGrid) {
    const QString path = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                        countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    ASSERT_FALSE(path.isEmpty());
    const QJsonObject c = readBack(path, {"A15"})[" 健康服務紀錄分析總表"].toObject()["cells"].toObject();
    EXPECT_EQ(c["A15"].toString(), "本表僅容六個類別, 以下類別未列入: X_職場訪視及其他服務、Y_職傷意外");
}

TEST_F(LogSummaryTest, ThePersonnelLinkAddsTheMaleAndFemaleCountsToTheTitle) {
    // The personnel file: E1 a man, E2 a woman, E4 a woman stored as the number 2, E5 without SEX (counted nowhere);
    // E3's entry and the others have no personnel row.
    const QString vardel = tp.folder() + "/vardel.sqlite";
    {
        Database v;
        ASSERT_TRUE(v.open(vardel));
        v.exec("CREATE TABLE EMPL (EMPLNO TEXT, NAME TEXT, SEX)");
        v.execBatch("INSERT INTO EMPL (EMPLNO, NAME, SEX) VALUES (?, ?, ?)",
                    {{"E1", "甲", "1"}, {"E2", "乙", "2"}, {"E4", "丙", 2}, {"E5", "丁", QVariant()}});
        v.close();
    }
    tp.program().VardelDBPath = vardel;
    const QString path = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                        countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    ASSERT_FALSE(path.isEmpty());
    const QJsonObject c = readBack(path, {"A1"})[" 健康服務紀錄分析總表"].toObject()["cells"].toObject();
    EXPECT_EQ(c["A1"].toString(), "健康服務紀錄分析總表 【2019/03/01 ~ 2020/01/31】__男: 1; 女: 2");
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());
}

TEST_F(LogSummaryTest, AFormThatCannotBeFilledIsSaidAndNothingIsSaved) {
    // The form opens, but its first sheet holds no readable XML: the first cell written fails.
    const QString form = tp.program().docFolder() + "健康服務紀錄統計.xlsx";
    runPython("import shutil, sys, zipfile\nsrc = sys.argv[1] + '.orig'\nshutil.move(sys.argv[1], src)\n"
              "with zipfile.ZipFile(src) as a, zipfile.ZipFile(sys.argv[1], 'w') as b:\n"
              "    for i in a.infolist():\n"
              "        b.writestr(i, b'<worksheet' if i.filename == 'xl/worksheets/sheet1.xml' else a.read(i))\n",
              {form});
    const QString path = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                        countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    EXPECT_TRUE(path.isEmpty());
    ASSERT_FALSE(tp.ui().shown.isEmpty());
    EXPECT_TRUE(tp.ui().shown.last().text.startsWith("無法寫入健康服務紀錄統計表"))
        << tp.ui().shown.last().text.toStdString();
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_FALSE(QDir(outputFolder()).exists());
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

TEST_F(LogSummaryTest, AMissingFormIsSaidAndNothingIsSaved) {
    ASSERT_TRUE(QFile::remove(tp.program().docFolder() + "健康服務紀錄統計.xlsx"));
    const QString path = BuildNursingLogSummaryWorkbook(tp.program(), eventCategories(tp.db()),
                                                        countLogEntries(tp.db(), ReportPeriod{kFrom, kTo}, {}));
    EXPECT_TRUE(path.isEmpty());
    ASSERT_FALSE(tp.ui().shown.isEmpty());
    EXPECT_EQ(tp.ui().shown.last().title, "檔案不存在");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_FALSE(QDir(outputFolder()).exists());
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}
