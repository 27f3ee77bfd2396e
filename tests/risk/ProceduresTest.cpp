// The grading run on a fresh database: staging tables, the graded risk table, the print table, the history appends
// (with and without stored keys, atomic), duplicated employee numbers, unsafe text and a large run.

#include "risk/Procedures.h"
#include "common/TestProgram.h"
#include "risk/Grading.h"
#include "risk/Overwork.h"
#include "risk/WorkTables.h"

#include <QElapsedTimer>
#include <QProgressBar>
#include <QSet>
#include <gtest/gtest.h>

using namespace risk;

namespace {

struct Check {
    QString year = QStringLiteral("2024"), name = QStringLiteral("王小明"), employee = QStringLiteral("E001"),
            sex = QStringLiteral("男"), birth = QStringLiteral("1969/03/01"), date = QStringLiteral("2024/05/01"),
            height = QStringLiteral("170"), weight = QStringLiteral("80"), waist = QStringLiteral("92"),
            sbp = QStringLiteral("146"), dbp = QStringLiteral("88"), glucose = QStringLiteral("98"),
            tc = QStringLiteral("250"), tg = QStringLiteral("180"), hdl = QStringLiteral("39"),
            ldl = QStringLiteral("155"), smoking = QStringLiteral("無"), history = QString(), note = QString();
};

void stage(Database& db, const Check& c) {
    db.exec(insertSql(kInPutFramingham, names(inPutFraminghamColumns())), {c.year,
                                                                           c.name,
                                                                           c.employee,
                                                                           QStringLiteral("D10"),
                                                                           QStringLiteral("製造部"),
                                                                           c.sex,
                                                                           c.birth,
                                                                           c.date,
                                                                           c.height,
                                                                           c.weight,
                                                                           c.waist,
                                                                           c.sbp,
                                                                           c.dbp,
                                                                           c.glucose,
                                                                           c.tc,
                                                                           c.tg,
                                                                           c.hdl,
                                                                           c.ldl,
                                                                           c.smoking,
                                                                           c.history,
                                                                           c.note});
}

void stageScale(Database& db, const QString& employee, const QString& workload, const QString& year = "2024",
                const QString& note = {}) {
    QVariantList v{year, QStringLiteral("王小明"), employee};
    for (int i = 0; i < 6; ++i)
        v << QStringLiteral("3");
    v << QStringLiteral("50.0") << QStringLiteral("1");
    for (int i = 0; i < 7; ++i)
        v << QStringLiteral("4");
    v << QStringLiteral("32.1") << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("1") << note
      << workload;
    db.exec(insertSql(kInPutBurnOut, names(inPutBurnOutColumns())), v);
}

class RiskDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tp.start());
        createStagingTables(db());
    }
    Database& db() { return tp.db(); }
    Recordset framingham() { return db().query("SELECT * FROM Framingham ORDER BY rowid"); }
    TestProgram tp;
};

} // namespace

TEST_F(RiskDb, StagingTablesHaveTheirColumnsInOrderAndStartEmpty) {
    EXPECT_EQ(db().columns(kInPutFramingham).size(), 21);
    EXPECT_EQ(db().columns(kInPutBurnOut).size(), 24);
    EXPECT_EQ(db().columns(kInPutFramingham), names(inPutFraminghamColumns()));
    EXPECT_EQ(db().columns(kInPutBurnOut).at(23), QStringLiteral("工作負荷等級"));
    EXPECT_EQ(db().columnType(kInPutBurnOut, "工作型態內容說明"), QStringLiteral("TEXT"));
    stage(db(), {});
    createStagingTables(db());
    EXPECT_EQ(db().scalar("SELECT count(*) FROM InPutFramingham").toInt(), 0);
}

TEST_F(RiskDb, FraminghamGradesStagedRowsAndAnnouncesCompletion) {
    stage(db(), {});
    Check woman;
    woman.employee = "E002", woman.sex = "2", woman.birth = "1962/01/15", woman.tc = "230", woman.ldl = "170",
    woman.hdl = "48", woman.sbp = "118", woman.dbp = "78", woman.history = "糖尿病", woman.smoking = "每天半包";
    stage(db(), woman);
    stageScale(db(), "E001", "1");
    stageScale(db(), "E002", "2");
    QProgressBar bar;
    ASSERT_TRUE(Framingham(tp.program(), &bar));
    EXPECT_EQ(bar.value(), 100);
    EXPECT_FALSE(db().tableExists(kInPutFramingham)) << "the staged health checks are consumed";
    EXPECT_TRUE(db().tableExists(kInPutBurnOut));
    // The workbook's own "完成", then the run's.
    EXPECT_EQ(tp.ui().messageTexts(), QStringList({"完成", "完成"}));

    const Recordset rs = framingham();
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.fieldNames(), names(framinghamColumns()));
    EXPECT_EQ(rs.text(0, "SEX"), "1");
    EXPECT_EQ(rs.text(0, "Framingham_Risk_Score"), "20%");
    EXPECT_EQ(rs.text(0, "心血管疾病風險等級"), "1");
    EXPECT_EQ(rs.text(0, "異常工作負荷促發疾病_風險等級"), "2_建議面談");
    EXPECT_EQ(rs.text(0, "BMI"), "27.7");
    EXPECT_EQ(rs.text(1, "SEX"), "2");
    EXPECT_EQ(rs.text(1, "年齡"), "62");
    EXPECT_EQ(rs.text(1, "糖尿病"), "是");
    EXPECT_EQ(rs.text(1, "吸菸"), "是");
    EXPECT_EQ(rs.text(1, "Framingham_Risk_Score"), "20%") << "LDL 20 % beats TC 15 %";
    EXPECT_EQ(rs.text(1, "異常工作負荷促發疾病_風險等級"), "3_需要面談");
}

TEST_F(RiskDb, FraminghamFlagsAndMissingStage) {
    EXPECT_FALSE(Framingham(tp.program(), nullptr, {.fromHistory = true})) << "re-grading the history is not offered";
    db().exec("DROP TABLE InPutFramingham");
    EXPECT_FALSE(Framingham(tp.program(), nullptr));
    EXPECT_TRUE(tp.ui().shown.isEmpty()) << "a run that did nothing announces nothing";

    createStagingTables(db());
    stage(db(), {});
    const int before = int(tp.ui().shown.size());
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false, .withOverload = false}));
    EXPECT_EQ(framingham().text(0, "異常工作負荷促發疾病_風險等級"), QString()) << "no overload asked";
    EXPECT_EQ(tp.ui().messageTexts().mid(before), QStringList({"完成"})) << "only the workbook's completion";
}

TEST_F(RiskDb, MissingAndUnreadableValuesAreNamed) {
    Check c;
    c.hdl = "未測", c.sex = "M", c.birth = "", c.smoking = "";
    stage(db(), c);
    stageScale(db(), "E001", "");
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    const Recordset rs = framingham();
    EXPECT_EQ(rs.text(0, "SEX"), "M") << "an unknown sex code stays visible";
    EXPECT_EQ(rs.text(0, "Framingham_Risk_Score"), "資料不足(性別、出生年月日、高密度膽固醇、抽菸習慣)");
    EXPECT_EQ(rs.text(0, "異常工作負荷促發疾病_風險等級"), "資料不足(性別、出生年月日、高密度膽固醇、抽菸習慣)");
    EXPECT_EQ(rs.text(0, "高密度膽固醇"), "未測") << "the staged text is kept for the nurse";
}

TEST_F(RiskDb, DuplicatedEmployeeNumbersNeverMultiplyRows) {
    stage(db(), {}); // E001, 2024
    Check later;
    later.year = "2025";
    stage(db(), later); // E001 again, another year
    Check other;
    other.employee = "E002";
    stage(db(), other); // E002 without a scale
    stageScale(db(), "E001", "0", "2024");
    stageScale(db(), "E001", "2", "2024"); // the same scale twice: the heavier workload counts
    stageScale(db(), "E001", "1", "2025");
    stageScale(db(), "E009", "1", "2024"); // a scale without a health check
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    const Recordset rs = framingham();
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.text(0, "異常工作負荷促發疾病_風險等級"), "3_需要面談");
    EXPECT_EQ(rs.text(1, "異常工作負荷促發疾病_風險等級"), "2_建議面談");
    EXPECT_EQ(rs.text(2, "異常工作負荷促發疾病_風險等級"), "資料不足(過勞量表)");

    ASSERT_TRUE(FraminghamToWord(tp.program()));
    const Recordset tw = db().query("SELECT * FROM ToWord ORDER BY rowid");
    ASSERT_EQ(tw.recordCount(), 3) << "one print row per graded health check";
    EXPECT_EQ(tw.text(0, "工作負荷等級"), "高負荷");
    EXPECT_EQ(tw.text(1, "工作負荷等級"), "中負荷");
    EXPECT_EQ(tw.text(2, "工作負荷等級"), "資料不足");
}

TEST_F(RiskDb, ResultSheetsListEveryScale) {
    stage(db(), {});
    stageScale(db(), "E001", "1");
    stageScale(db(), "E009", "1");
    const ResultSheets sheets = gradeStaged(db(), QDate(2024, 6, 1), true);
    EXPECT_EQ(sheets.health.recordCount(), 1);
    ASSERT_EQ(sheets.overwork.recordCount(), 2);
    EXPECT_EQ(sheets.overwork.fieldNames().mid(0, 24), names(inPutBurnOutColumns()));
    EXPECT_EQ(sheets.overwork.text(0, "異常工作負荷促發疾病_風險等級"), "2_建議面談");
    EXPECT_EQ(sheets.overwork.text(1, "員工編號"), "E009");
    EXPECT_EQ(sheets.overwork.text(1, "異常工作負荷促發疾病_風險等級"), "資料不足(健檢資料)");
}

TEST_F(RiskDb, ToWordHasEveryColumnAndDisplayTexts) {
    stage(db(), {});
    stageScale(db(), "E001", "1", "2024", "輪班、夜班");
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    ASSERT_TRUE(FraminghamToWord(tp.program()));
    const Recordset tw = db().query("SELECT * FROM ToWord");
    EXPECT_EQ(tw.fieldNames(), names(framinghamColumns()) + toWordOverworkColumns());
    ASSERT_EQ(tw.recordCount(), 1);
    EXPECT_EQ(tw.text(0, "SEX"), "男");
    EXPECT_EQ(tw.text(0, "I_Score"), "50.0");
    EXPECT_EQ(tw.text(0, "I_Risk"), "中等 (50-70分)");
    EXPECT_EQ(tw.text(0, "J_Risk"), "輕微 (<45分)");
    EXPECT_EQ(tw.text(0, "月加班時數等級"), "低負荷 (<45小時)");
    EXPECT_EQ(tw.text(0, "工作型態評估等級"), "中負荷 (2-3項)");
    EXPECT_EQ(tw.text(0, "工作型態內容說明"), "輪班、夜班");
    EXPECT_EQ(tw.text(0, "工作負荷等級"), "中負荷");
    EXPECT_EQ(tw.text(0, "Framingham_Risk_Score"), "20% (中度風險)");
    EXPECT_EQ(tw.text(0, "心血管疾病風險等級"), "中（1）");
    EXPECT_EQ(tw.text(0, "異常工作負荷促發疾病_風險等級"), "中度風險【2】建議面談");
    // Rebuilt on every run.
    ASSERT_TRUE(FraminghamToWord(tp.program()));
    EXPECT_EQ(db().scalar("SELECT count(*) FROM ToWord").toInt(), 1);
}

TEST_F(RiskDb, HistoryAppendSkipsStoredKeys) {
    Check a, b;
    b.employee = "E002", b.name = "O'Brien", b.history = "高血壓'; DROP TABLE PersonalHealth; --", b.height = "不詳";
    stage(db(), a);
    stage(db(), b);
    stageScale(db(), "E001", "1");
    stageScale(db(), "E002", "0");
    // E002's health check of 2024 is stored already.
    db().exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名) VALUES ('2024_E002', 'E002', '2024', '舊')");
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));

    const HistoryResult r = SavePersonalHistory(tp.program());
    EXPECT_EQ(r.health.appended, 1);
    EXPECT_EQ(r.health.skipped, 1);
    EXPECT_EQ(r.burnOut.appended, 2);
    EXPECT_EQ(r.burnOut.skipped, 0);
    EXPECT_EQ(db().scalar("SELECT 姓名 FROM PersonalHealth WHERE XID = '2024_E002'").toString(), "舊");

    const Recordset h = db().query("SELECT * FROM PersonalHealth WHERE XID = '2024_E001'");
    ASSERT_EQ(h.recordCount(), 1);
    EXPECT_EQ(h.text(0, "SEX"), "1");
    EXPECT_EQ(h.text(0, "Framingham_Risk_Score"), "20%");
    EXPECT_EQ(h.text(0, "代謝症候群_分級"), "代謝症候群");
    EXPECT_EQ(db().scalar("SELECT typeof(身高) || typeof(BMI) FROM PersonalHealth WHERE XID = '2024_E001'").toString(),
              "realreal");
    EXPECT_DOUBLE_EQ(db().scalar("SELECT BMI FROM PersonalHealth WHERE XID = '2024_E001'").toDouble(), 27.7);

    const Recordset bo = db().query("SELECT * FROM PersonalBurnOut ORDER BY XID");
    ASSERT_EQ(bo.recordCount(), 2);
    EXPECT_EQ(bo.text(0, "XID"), "2024_E001");
    EXPECT_EQ(bo.text(0, "I_Score"), "50.0");
    EXPECT_EQ(bo.text(0, "工作負荷等級"), "1");

    // A second save appends nothing.
    const HistoryResult again = SavePersonalHistory(tp.program());
    EXPECT_EQ(again.health.appended, 0);
    EXPECT_EQ(again.burnOut.appended, 0);
    EXPECT_EQ(again.burnOut.skipped, 2);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM PersonalHealth").toInt(), 2);
}

TEST_F(RiskDb, HistoryAppendWithUnsafeTextAndRepeatsInOneRun) {
    Check b;
    b.employee = "E002", b.name = "O'Brien", b.history = "高血壓'; DROP TABLE PersonalHealth; --", b.height = "不詳";
    stage(db(), b);
    Check again = b; // the same person and year twice in one run: the first row is kept
    again.name = "第二筆";
    stage(db(), again);
    Check blank; // no row without a number
    blank.employee = "  ";
    stage(db(), blank);
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false, .withOverload = false}));
    const SaveResult r = SavePersonalHealth(tp.program());
    EXPECT_EQ(r.appended, 1);
    EXPECT_EQ(r.skipped, 2);
    const Recordset h = db().query("SELECT 姓名, 既往病歷, 身高 FROM PersonalHealth");
    ASSERT_EQ(h.recordCount(), 1);
    EXPECT_EQ(h.text(0, 0), "O'Brien");
    EXPECT_EQ(h.text(0, 1), "高血壓'; DROP TABLE PersonalHealth; --");
    EXPECT_TRUE(h.isNull(0, 2)) << "a word in a measurement column is stored as no number";
}

TEST_F(RiskDb, HistoryAppendIsAllOrNothing) {
    stage(db(), {});
    stageScale(db(), "E001", "1");
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    // A staged column the history lacks makes the overwork half fail after the health half has run.
    db().exec("ALTER TABLE InPutBurnOut ADD COLUMN 額外欄位 VARCHAR(50)");
    EXPECT_THROW(SavePersonalHistory(tp.program()), DbError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM PersonalHealth").toInt(), 0);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM PersonalBurnOut").toInt(), 0);
    EXPECT_EQ(db().transactionDepth(), 0);
}

TEST_F(RiskDb, TenThousandPersonsInOnePass) {
    {
        Transaction t(db());
        for (int i = 0; i < 10000; ++i) {
            Check c;
            c.employee = QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
            c.sex = i % 2 ? "女" : "男";
            c.sbp = QString::number(100 + i % 80);
            c.hdl = QString::number(30 + i % 40);
            stage(db(), c);
            stageScale(db(), c.employee, QString::number(i % 3));
        }
        t.commit();
    }
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    const qint64 gradeMs = timer.elapsed();
    const HistoryResult saved = SavePersonalHistory(tp.program());
    const qint64 saveMs = timer.elapsed() - gradeMs;
    ASSERT_TRUE(FraminghamToWord(tp.program()));
    const qint64 ms = timer.elapsed();
    RecordProperty("grade", int(gradeMs));
    RecordProperty("save", int(saveMs));
    EXPECT_EQ(saved.health.appended, 10000);
    EXPECT_EQ(saved.burnOut.appended, 10000);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM ToWord").toInt(), 10000);
    EXPECT_LT(ms, 20000) << "grading, storing and printing 10 000 persons took " << ms << " ms";
    RecordProperty("milliseconds", int(ms));
}

TEST_F(RiskDb, AFailedRebuildKeepsTheStagedRows) {
    stage(db(), {});
    db().exec("CREATE VIEW Framingham AS SELECT 1 AS x"); // the old table cannot be dropped as a table
    EXPECT_THROW(Framingham(tp.program(), nullptr), DbError);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM InPutFramingham").toInt(), 1);
    EXPECT_EQ(db().transactionDepth(), 0);
    EXPECT_FALSE(tp.ui().messageTexts().contains("完成")) << "a failed run never reports completion";
}

TEST_F(RiskDb, ResultWorkbookHoldsBothSheets) {
    Check c;
    c.name = "O'Brien";
    stage(db(), c);
    stageScale(db(), "E001", "1");
    ASSERT_TRUE(Framingham(tp.program(), nullptr));
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QString file = tp.ui().opened.first();
    ASSERT_TRUE(file.endsWith(".xlsx")) << file.toStdString();
    const QString out = runPython(R"(
import sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
print("|".join(wb.sheetnames[:2]))
for name in wb.sheetnames[:2]:
    ws = wb[name]
    header = [c.value for c in ws[1]]
    row = dict(zip(header, [c.value for c in ws[2]]))
    print(ws.max_row, header[0], row.get("姓名"), row.get("Framingham_Risk_Score"), row.get("異常工作負荷促發疾病_風險等級"))
)",
                                  {file});
    const QStringList lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << out.toStdString();
    EXPECT_EQ(lines[0], kHealthSheetName + "|" + kOverworkSheetName);
    EXPECT_EQ(lines[1], "2 年度代碼 O'Brien 20% 2_建議面談");
    EXPECT_EQ(lines[2], "2 年度代碼 王小明 20% 2_建議面談");
}

TEST_F(RiskDb, EveryRiskTableColumnHoldsTheValueOfItsName) {
    // Distinct values in every staged column, so a value written to a neighbour's column shows.
    Check c;
    c.note = "備註X";
    c.history = "高血壓";
    c.smoking = "每天一包";
    stage(db(), c);
    stageScale(db(), "E001", "2");
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    const Recordset rs = framingham();
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.fieldNames(), names(framinghamColumns()));

    HealthCheck h;
    h.sex = c.sex, h.birthDate = c.birth, h.checkDate = c.date, h.height = c.height, h.weight = c.weight,
    h.waist = c.waist, h.systolic = c.sbp, h.diastolic = c.dbp, h.glucose = c.glucose, h.totalCholesterol = c.tc,
    h.triglyceride = c.tg, h.hdl = c.hdl, h.ldl = c.ldl, h.smoking = c.smoking, h.history = c.history;
    const HealthGrades g = gradeHealthCheck(h, tp.ui().now().date());
    const std::pair<const char*, QString> expected[] = {
        {"年度代碼", c.year},
        {"姓名", c.name},
        {"員工編號", c.employee},
        {"部門代號", "D10"},
        {"部門名稱", "製造部"},
        {"SEX", "1"},
        {"出生年月日", c.birth},
        {"身高_cm", c.height},
        {"體重_kg", c.weight},
        {"腰圍_cm", c.waist},
        {"收縮壓", c.sbp},
        {"舒張壓", c.dbp},
        {"飯前血醣", c.glucose},
        {"總膽固醇", c.tc},
        {"三酸甘油脂", c.tg},
        {"高密度膽固醇", c.hdl},
        {"低密度膽固醇", c.ldl},
        {"抽菸習慣", c.smoking},
        {"既往病歷", c.history},
        {"健檢過程備註說明", c.note},
        {"年齡", g.age},
        {"年齡分組", g.ageBand},
        {"BMI", g.bmi},
        {"BMI分級", g.bmiGrade},
        {"糖尿病", g.diabetes},
        {"吸菸", g.smoker},
        {"總膽固醇_積分", g.tcPoints},
        {"總膽固醇_風險", g.tcRisk},
        {"低密度膽固醇_積分", g.ldlPoints},
        {"低密度膽固醇_風險", g.ldlRisk},
        {"Framingham_Risk_Score", g.riskScore},
        {"心血管疾病風險等級", g.cardiovascularClass},
        {"成人血壓分級", g.bloodPressureGrade},
        {"代謝症候群_分級", g.metabolicSyndromeGrade},
        {"三高族群分級", g.threeHighGrade},
        {"異常工作負荷促發疾病_風險等級",
         overworkRiskLevel(cardiovascularClass(g.riskScore), g.riskScore, QStringLiteral("2"))},
    };
    ASSERT_EQ(std::size(expected), size_t(rs.fieldCount()));
    QSet<QString> distinct;
    for (const auto& [column, value] : expected) {
        EXPECT_EQ(rs.text(0, column), value) << column;
        distinct.insert(value);
    }
    // The grades themselves differ from one another where a swap could hide.
    EXPECT_NE(g.tcPoints, g.ldlPoints);
    EXPECT_NE(g.ageBand, g.bmiGrade);
}

// The risk table holds what the health sheet shows, value for value: a NULL stays NULL and an empty text stays empty,
// rare characters and quotes arrive whole, and a gap in the staged rows (a row taken out) moves no grade to another
// person.
TEST_F(RiskDb, RiskTableHoldsTheSheetsValuesWhateverTheStagedText) {
    Check a;
    a.name = QStringLiteral("林𠀋'\"明"), a.note = QStringLiteral("");
    stage(db(), a);
    Check gone;
    gone.employee = "E009";
    stage(db(), gone);
    Check b;
    b.employee = "E002", b.birth = QString(), b.tc = "", b.ldl = QString(), b.history = "糖尿病，高血壓",
    b.note = QString();
    stage(db(), b);
    Check c;
    c.employee = "E003", c.sex = "2", c.sbp = "128", c.hdl = "62", c.smoking = "每天一包";
    stage(db(), c);
    db().exec("DELETE FROM InPutFramingham WHERE 員工編號 = 'E009'");

    const ResultSheets sheets = gradeStaged(db(), QDate(2024, 6, 1), false);
    const Recordset table = framingham();
    ASSERT_EQ(table.recordCount(), 3);
    ASSERT_EQ(table.fieldNames(), sheets.health.fieldNames());
    ASSERT_EQ(sheets.health.recordCount(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < table.fieldCount(); ++c) {
            const QString shown = sheets.health.value(r, c).toString();
            SCOPED_TRACE(table.fieldName(c).toStdString() + " row " + std::to_string(r));
            EXPECT_EQ(table.isNull(r, c), shown.isNull());
            EXPECT_EQ(table.text(r, c), shown);
        }
    EXPECT_EQ(table.text(0, "姓名"), QStringLiteral("林𠀋'\"明"));
    EXPECT_FALSE(table.isNull(0, table.fieldIndex("健檢過程備註說明")));
    EXPECT_TRUE(table.isNull(1, table.fieldIndex("健檢過程備註說明")));
    EXPECT_EQ(table.text(1, "員工編號"), "E002");
    EXPECT_EQ(table.text(1, "糖尿病"), "是");
    EXPECT_EQ(table.text(2, "SEX"), "2");
    EXPECT_EQ(table.text(2, "吸菸"), "是");
    EXPECT_FALSE(db().tableExists(kInPutFramingham));
}

// A measurement enters the history as a number only when it is one by IsNumeric's rule; anything else is NULL.
TEST_F(RiskDb, HistoryMeasurementsAreNumbersOnlyWhenNumeric) {
    const struct {
        const char* staged;
        std::optional<double> stored;
    } cases[] = {
        {" 172.5 ", 172.5},
        {"+170", 170},
        {"1.7e2", 170},
        {"-5", -5},
        {".5", 0.5},
        {"170.", 170},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"+-170", std::nullopt},
        {"170cm", std::nullopt},
        {"１７０", std::nullopt},
        {"", std::nullopt},
        {"1e", std::nullopt},
    };
    int i = 0;
    for (const auto& c : cases) {
        Check k;
        k.employee = QStringLiteral("E%1").arg(++i, 3, 10, QLatin1Char('0'));
        k.height = QString::fromUtf8(c.staged);
        stage(db(), k);
    }
    ASSERT_TRUE(Framingham(tp.program(), nullptr, {.announceCompletion = false}));
    SavePersonalHistory(tp.program());
    const Recordset h = db().query("SELECT 身高 FROM PersonalHealth ORDER BY 員工編號");
    ASSERT_EQ(h.recordCount(), i);
    for (int r = 0; r < i; ++r) {
        SCOPED_TRACE(cases[r].staged);
        if (cases[r].stored)
            EXPECT_DOUBLE_EQ(h.value(r, 0).toDouble(), *cases[r].stored);
        else
            EXPECT_TRUE(h.isNull(r, 0));
    }
}
