// The maternity statistics: the data on a small register with known answers, the workbook written from it and the
// menu's run.

#include "maternity/Statistics.h"
#include "maternity/MaternityTestSupport.h"
#include "office/XlsxPackage.h"

#include <QFileInfo>

using namespace maternity;
using namespace maternity::test;

namespace {

const QDate kToday(2026, 12, 7);

void addTable1(Database& db, const QString& key, const QString& caseNumber, const QString& saved, const QVariant& risk,
               const QVariant& phy, const QVariant& chem) {
    db.exec("INSERT INTO MHPT1 (CaseKeyT1, CaseKey, xSaveDate, Name, RiskT1, HazardPhy, HazardChem) VALUES (?, ?, ?, "
            "'王', ?, ?, ?)",
            {key, caseNumber, saved, risk, phy, chem});
}

void addTable2(Database& db, const QString& key, const QString& caseNumber, const QString& saved, const QString& state,
               const QString& breastfeeding, const QString& prenatal) {
    db.exec("INSERT INTO MHPT2 (CaseKeyT2, CaseKey, xSaveDate, Name, CurrentSate, IsBreastfeeding, PrenatalVisit) "
            "VALUES (?, ?, ?, '王', ?, ?, ?)",
            {key, caseNumber, saved, state, breastfeeding, prenatal});
}

// Three cases inside the window from 2024/01/01 (B, D, E), two outside (A at the start's midnight, C the evening
// before), each with what the statistics must tell apart.
void seedRegister(Database& db) {
    addCase(db, "甲", "A-1", "E0A", "2024/01/01 00:00:00");
    addCase(db, "乙", "B-1", "E0B", "2024/01/01 08:00:00");
    addCase(db, "丙", "C-1", "E0C", "2023/12/31 23:59:59");
    addCase(db, "丁", "D-1", "E0D", "2024/05/01 10:00:00", "1990/06/15", "2024/10/01 09:00:00");
    addCase(db, "戊", "E-1", "E0E", "2024/06/01 10:00:00");
    // B: an older table 1 named a chemical hazard, the newer says "無" and left the physical hazard blank.
    addTable1(db, "T1-240110000000", "B-1", "2024/01/10 09:00:00", "第一級管理", "無", "有機溶劑");
    addTable1(db, "T1-240210000000", "B-1", "2024/02/10 09:00:00", "第二級管理", "", "無");
    // D: a one-character risk level, no hazard named.
    addTable1(db, "T1-240502000000", "D-1", "2024/05/02 09:00:00", "三", QVariant(), "無");
    // Outside the window: hazards and states that must not count.
    addTable1(db, "T1-240102000000", "A-1", "2024/01/02 09:00:00", "第一級管理", "噪音", "溶劑");
    addTable2(db, "T2-240102000000", "A-1", "2024/01/02 09:00:00", "妊娠中", "", "有");
    addTable2(db, "T2-231231000000", "C-1", "2024/01/02 09:00:00", "妊娠中", "", "有");
    // B: pregnant first, after childbirth and breastfeeding later; the later one counts.
    addTable2(db, "T2-240115000000", "B-1", "2024/01/15 09:00:00", "妊娠中", "", "有");
    addTable2(db, "T2-240715000000", "B-1", "2024/07/15 09:00:00", "分娩後", "是", "有");
    addTable2(db, "T2-240503000000", "D-1", "2024/05/03 09:00:00", "妊娠中", "", "無");
    db.exec("INSERT INTO MHPT3 (CaseKeyT3, CaseKey, xSaveDate, Name, CurrentSate, RiskT3) VALUES ('T3-240716000000', "
            "'B-1', '2024/07/16 09:00:00', '王', '分娩後', '第一級管理')");
    // The personnel list: the age bounds of 15.0 and 49.0 years (months over 12, one decimal), a man, no birth date.
    db.exec("INSERT INTO EMPL (姓名, 性別, 出生年月日) VALUES ('a', '2', '1977/11/07'), ('b', '2', '1977/12/07'), "
            "('c', '2', '2011/12/07'), ('d', '2', '2012/01/01'), ('e', '1', '1990/01/01'), ('f', '2', '')");
}

QStringList column(const Recordset& rs, const QString& field) {
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r)
        out.append(rs.text(r, field));
    return out;
}

} // namespace

TEST(MaternityStatisticsData, KnownAnswersOnASmallRegister) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    const MaternityStatistics s = computeMaternityStatistics(tp.db(), QDate(2024, 1, 1).startOfDay(), kToday);

    // The window: opened after the start's midnight, newest first.
    EXPECT_EQ(column(s.caseList, "個案檔號"), (QStringList{"E-1", "D-1", "B-1"}));
    EXPECT_EQ(s.caseList.fieldNames().join(","), "姓名,個案檔號,個案建檔日,出生年月日,目前年齡,員工編號,身份ID,"
                                                 "附表一_危害評估,附表二_健康評估,附表三_工作適性,個案解除日,手機號碼,"
                                                 "備註說明");
    EXPECT_EQ(column(s.caseList, "附表一_危害評估"), (QStringList{"0", "1", "2"}));
    EXPECT_EQ(column(s.caseList, "個案解除日"), (QStringList{"列管中", "2024/10/01 09:00:00", "列管中"}));
    EXPECT_EQ(s.caseList.text(0, "目前年齡"), "31.6"); // 1995/05/05 to 2026/12/07: 379 months

    // Hazards: the blank physical hazard counts; the chemical one comes from the older table.
    EXPECT_EQ(s.hazards[0].list.recordCount(), 1);
    EXPECT_EQ(s.hazards[0].list.text(0, "個案檔號"), "B-1");
    EXPECT_EQ(s.hazards[0].list.text(0, "危害辨識"), "物理性危害");
    ASSERT_EQ(s.hazards[1].list.recordCount(), 1);
    EXPECT_EQ(s.hazards[1].list.text(0, "最近一評估次日期"), "2024/01/10 09:00:00");
    EXPECT_EQ(s.hazards[1].list.text(0, "HazardChem"), "有機溶劑");
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(s.hazards[size_t(i)].list.recordCount(), 0) << i;

    // The latest table 1 of each case gives the levels.
    EXPECT_EQ(s.t1Count(), 2);
    EXPECT_EQ(s.levels, (std::vector<std::pair<QString, int>>{{"B_第二級管理", 1}, {"C_第三級管理", 1}}));
    EXPECT_EQ(s.levelLines(), "B_第二級管理 : 1\r\nC_第三級管理 : 1\r\n");

    // The latest table 2: B after childbirth and breastfeeding, D pregnant.
    EXPECT_EQ(s.t2Count(), 2);
    EXPECT_EQ(s.pregnant, 1);
    EXPECT_EQ(s.afterChildbirth, 1);
    EXPECT_EQ(s.breastfeeding, 1);
    EXPECT_EQ(s.prenatalVisits, 1);
    EXPECT_EQ(s.t3Count(), 1);
    EXPECT_EQ(s.countAndShare(s.t3Count()), "1 人；33.3%");
    EXPECT_EQ(s.countAndShare(s.caseCount() - s.t3Count()), "2 人；66.7%");

    // Women: 49.1 years is out, 49.0 and 15.0 are in, 14.9 is out; the window does not apply.
    EXPECT_EQ(s.women, 5);
    EXPECT_EQ(s.womenAged15To49, 2);
}

TEST(MaternityStatisticsData, RulesOfLevelsHazardsAndShares) {
    struct Level {
        QVariant risk;
        QString level;
    } levels[] = {{"第一級管理", "A_第一級管理"}, {"第二級管理", "B_第二級管理"}, {"第三級管理", "C_第三級管理"},
                  {"三", "C_第三級管理"},         {"第二", "B_第二級管理"},       {"", "C_第三級管理"},
                  {"二級", "C_第三級管理"}};
    for (const Level& l : levels)
        EXPECT_EQ(managementLevel(l.risk.toString()), l.level) << l.risk.toString().toStdString();
    EXPECT_FALSE(namesHazard(QVariant()));
    EXPECT_FALSE(namesHazard(QString("無")));
    EXPECT_TRUE(namesHazard(QString("")));
    EXPECT_TRUE(namesHazard(QString(" 無")));

    // Without cases the counts stand and the shares stay empty.
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    const MaternityStatistics none = computeMaternityStatistics(tp.db(), QDate(2024, 1, 1).startOfDay(), kToday);
    EXPECT_EQ(none.caseCount(), 0);
    EXPECT_FALSE(none.share(0).has_value());
    EXPECT_EQ(none.countAndShare(0), "0 人；");
    EXPECT_EQ(none.women, 0);
    EXPECT_TRUE(none.levels.empty());
}

TEST(MaternityStatisticsWorkbook, TheMenuRunWritesTheTemplateAndOpensTheFolder) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    tp.ui().clock = QDateTime(kToday, QTime(9, 0));

    // Cancel and an empty answer end silently; blanks, day-first and impossible dates are no dates.
    tp.ui().inputNext(std::nullopt);
    runMaternityStatistics(tp.program());
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].title, "母性保護統計分析");
    EXPECT_EQ(tp.ui().shown[0].text, "母性保護統計分析起始日期 \r\n\r\n(預設前2個年度的第一天 (YYYY/01/01))");
    for (const QString typed : {"01/01/2024", "2024/02/30", "   "}) {
        tp.ui().shown.clear();
        tp.ui().inputNext(typed);
        runMaternityStatistics(tp.program());
        EXPECT_EQ(tp.ui().messageTexts(), QStringList{"日期格式錯誤"}) << typed.toStdString();
    }
    EXPECT_FALSE(QFileInfo(maternityOutputFolder(tp.program())).exists());

    // The default answer: two years back, 1 January.
    tp.ui().shown.clear();
    runMaternityStatistics(tp.program());
    const QString folder = maternityOutputFolder(tp.program());
    const QString out = folder + "/套表_母性保護_統計與執行紀錄表.xlsx";
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"母性保護_統計與執行紀錄表，已存於 " + folder + "/  "});
    EXPECT_EQ(tp.ui().opened, QStringList{folder});

    office::XlsxPackage book;
    ASSERT_TRUE(bool(book.open(out)));
    ASSERT_EQ(book.sheetCount(), 14);
    EXPECT_EQ(book.sheetNames().mid(2, 10),
              (QStringList{"個案列表", "物理性危害", "化學性危害", "生物性危害", "人因性危害", "社會心理性危害",
                           "其他危害", "附表1_作業場所危害風險評估", "附表2_健康情況評估", "附表3_工作適性安排"}));
    EXPECT_TRUE(book.isProtected(0));
    EXPECT_TRUE(book.isProtected(1));
    EXPECT_EQ(book.cellText(0, "A2"), "日期範圍: 2024/01/01 ~ 2026/12/07");
    const QStringList sheet1 = {"C4", "C5", "C6", "C10", "C12", "C13", "C14", "C15", "C16", "C18", "C19", "C31"};
    QStringList got;
    for (const QString& c : sheet1)
        got.append(book.cellText(0, c));
    EXPECT_EQ(got, (QStringList{"1", "1", "0", "B_第二級管理 : 1\r\nC_第三級管理 : 1\r\n", "5", "2", "1", "1", "1",
                                "1 人；33.3%", "2 人；66.7%", "1 人；33.3%"}));
    EXPECT_EQ(book.cell(0, 3, 2).kind, office::XlsxCellValue::Kind::Number) << "counts are numbers";
    QStringList sheet2;
    for (const char* c : {"B2", "B3", "D2", "E2", "D3", "E3", "H2", "H3", "H4", "K2", "K3", "N2", "N3", "N4", "N5"})
        sheet2.append(book.cellText(1, c));
    EXPECT_EQ(sheet2, (QStringList{"1", "1", "B_第二級管理", "1", "C_第三級管理", "1", "1", "1", "1", "1", "2", "3",
                                   "2", "2", "1"}));
    EXPECT_EQ(book.cellText(2, "B1"), "個案檔號");
    EXPECT_EQ(book.cellText(2, "B4"), "B-1");
    EXPECT_EQ(book.cellText(4, "B2"), "B-1");

    // An independent reader opens it too.
    const QString seen =
        runPython("import openpyxl, sys\nwb = openpyxl.load_workbook(sys.argv[1])\n"
                  "print(len(wb.sheetnames), wb.worksheets[0]['C18'].value, wb.worksheets[1]['N2'].value)\n",
                  {out});
    EXPECT_EQ(seen.trimmed(), "14 1 人；33.3% 3");
}

TEST(MaternityStatisticsWorkbook, ATypedTimeBoundsTheWindow) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    tp.ui().clock = QDateTime(kToday, QTime(9, 0));
    tp.ui().inputNext("2024/01/01 09:00"); // after 乙, opened at 08:00
    runMaternityStatistics(tp.program());
    office::XlsxPackage book;
    ASSERT_TRUE(bool(book.open(maternityOutputFolder(tp.program()) + "/套表_母性保護_統計與執行紀錄表.xlsx")));
    EXPECT_EQ(book.cellText(0, "A2"), "日期範圍: 2024/01/01 09:00:00 ~ 2026/12/07");
    EXPECT_EQ(book.cellText(1, "N2"), "2");
}

TEST(MaternityStatisticsWorkbook, TheLevelLinesHaveTheHeightTheyNeed) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    seedRegister(tp.db());
    addTable1(tp.db(), "T1-240601000000", "E-1", "2024/06/01 11:00:00", "第一級管理", "無", "無");
    tp.ui().inputNext("2024/01/01");
    runMaternityStatistics(tp.program());
    // Every line of C10 (three levels and the empty one after the last break) at 1.4 times its font size at least.
    const QString seen =
        runPython("import openpyxl, sys\nws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                  "print(ws['C10'].value.count('\\n') + 1, ws['C10'].font.sz, ws.row_dimensions[10].height)\n",
                  {maternityOutputFolder(tp.program()) + "/套表_母性保護_統計與執行紀錄表.xlsx"});
    const QStringList v = seen.trimmed().split(' ');
    ASSERT_EQ(v.size(), 3) << seen.toStdString();
    EXPECT_EQ(v[0], "4");
    EXPECT_GE(v[2].toDouble(), v[0].toInt() * v[1].toDouble() * 1.4);
}

TEST(MaternityStatisticsWorkbook, AShortTemplateGainsSheetsAndAMissingOneIsSaid) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    const QString templ = tp.program().docFolder() + "套表_母性保護_統計與執行紀錄表.xlsx";
    runPython("import openpyxl, sys\nwb = openpyxl.load_workbook(sys.argv[1])\n"
              "del wb['說明']\ndel wb['執行紀錄']\nwb.save(sys.argv[1])\n",
              {templ});
    tp.ui().inputNext("2024/01/01");
    runMaternityStatistics(tp.program());
    office::XlsxPackage book;
    ASSERT_TRUE(bool(book.open(maternityOutputFolder(tp.program()) + "/套表_母性保護_統計與執行紀錄表.xlsx")));
    EXPECT_EQ(book.sheetCount(), 14);
    EXPECT_EQ(book.cellText(0, "C18"), "0 人；") << "no case: the share stays empty";

    QFile::remove(templ);
    tp.ui().shown.clear();
    tp.ui().opened.clear();
    tp.ui().inputNext("2024/01/01");
    runMaternityStatistics(tp.program());
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"以下檔案不存在: \r\n\r\n" + templ});
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}
