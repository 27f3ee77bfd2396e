// The four-level grading: the criterion grammar and its refusals, the levels at both ends of every range, the lowest
// level winning, the sexes, the summaries, the highest level and the count table; then the three sheets read back
// with openpyxl.

#include "reports/MultipleLevel.h"
#include "common/TestProgram.h"
#include "core/DateNumberRules.h"
#include "core/HtmlOutput.h"
#include "reports/MultipleLevelReport.h"

#include <QFile>
#include <QUrl>
#include <gtest/gtest.h>

using namespace reports;

namespace {

using Op = CriterionPart::Op;

struct ParseCase {
    const char* text;
    std::vector<CriterionPart> parts;
    const char* why;
};

TEST(CriterionGrammar, EveryFormParses) {
    const ParseCase cases[] = {
        {">=140", {{Op::GreaterEqual, 140, 0}}, "operator and value"},
        {" <= 5.5 ", {{Op::LessEqual, 5.5, 0}}, "blanks around"},
        {"<90", {{Op::Less, 90, 0}}, "less"},
        {">0", {{Op::Greater, 0, 0}}, "greater"},
        {"=0", {{Op::Equal, 0, 0}}, "equal"},
        {"<>1", {{Op::NotEqual, 1, 0}}, "not equal"},
        {"> -3", {{Op::Greater, -3, 0}}, "signed value"},
        {"<90 OR >=140", {{Op::Less, 90, 0}, {Op::GreaterEqual, 140, 0}}, "comparisons joined by OR"},
        {"120~139", {{Op::Range, 120, 139}}, "one range"},
        {"18.5 ~ 23.9", {{Op::Range, 18.5, 23.9}}, "decimal range with blanks"},
        {"120~139 OR 160~179", {{Op::Range, 120, 139}, {Op::Range, 160, 179}}, "ranges joined by OR"},
        {"5~5", {{Op::Range, 5, 5}}, "a range of one value"},
    };
    for (const ParseCase& c : cases) {
        const CriterionParse p = parseCriterion(QString::fromUtf8(c.text), false);
        ASSERT_TRUE(p.ok()) << c.why << ": " << p.error.toStdString();
        ASSERT_TRUE(p.criterion.has_value()) << c.why;
        EXPECT_EQ(p.criterion->parts, c.parts) << c.why;
    }
}

TEST(CriterionGrammar, UnusedLevels) {
    EXPECT_TRUE(parseCriterion(std::nullopt, false).unused);
    EXPECT_TRUE(parseCriterion(QStringLiteral("NA"), false).unused);
    EXPECT_TRUE(parseCriterion(QStringLiteral(" NA "), true).unused);
    EXPECT_FALSE(parseCriterion(QStringLiteral("na"), false).ok()) << "NA is written in capitals";
}

TEST(CriterionGrammar, RefusalsNeverReachAStatement) {
    const char* refused[] = {
        "",                 // empty
        "   ",              // blanks only
        "140",              // a value without an operator
        "<90 or >=140",     // lower-case or
        "<90 Or >=140",     // mixed-case or
        "<90 OR",           // nothing after OR
        "OR >=140",         // nothing before OR
        ">=abc",            // no number
        ">=140'; DROP",     // text after the number
        "=>140",            // operator written backwards
        "≧140",             // full-width operator
        "120～139",         // full-width tilde
        "139~120",          // low above high
        "120~",             // open range
        "120~139~150",      // two tildes
        "120~139 OR >=160", // range mixed with a comparison
        ">= 1,000",         // thousands separator
    };
    for (const char* text : refused) {
        const CriterionParse p = parseCriterion(QString::fromUtf8(text), false);
        EXPECT_FALSE(p.ok()) << "accepted: " << text;
        EXPECT_FALSE(p.criterion.has_value()) << text;
    }
}

TEST(GradingNumbers, AgreeWithIsNumericAndVal) {
    const char* texts[] = {"150",
                           " 150 ",
                           "150.",
                           ".5",
                           "-3",
                           "+3",
                           "1e3",
                           "1E-2",
                           "2.5e+1",
                           "",
                           " ",
                           ".",
                           "+",
                           "-",
                           "1e",
                           "e5",
                           "150【Level_2】",
                           "1,000",
                           "12a",
                           "a12",
                           "0x10",
                           "inf",
                           "nan",
                           "1 2",
                           "\t7\n",
                           "１２",
                           "0.000001",
                           "123456789012345678"};
    for (const char* t : texts) {
        const QString text = QString::fromUtf8(t);
        double v = -1;
        const bool numeric = numericValue(text, &v);
        EXPECT_EQ(numeric, rules::isNumeric(text)) << t;
        if (numeric) {
            EXPECT_EQ(v, rules::val(text)) << t;
        }
    }
}

TEST(CriterionGrammar, TextItemsCompareTheTrimmedText) {
    EXPECT_TRUE(isTextItem("PRO"));
    EXPECT_TRUE(isTextItem("UOB"));
    EXPECT_FALSE(isTextItem("pro"));
    const CriterionParse p = parseCriterion(QStringLiteral(" ++ "), true);
    ASSERT_TRUE(p.criterion.has_value());
    EXPECT_TRUE(p.criterion->textItem);
    EXPECT_EQ(p.criterion->text, "++");
    EXPECT_FALSE(parseCriterion(QStringLiteral(""), true).ok());
}

TEST(CriterionGrammar, RangesIncludeBothEnds) {
    const Criterion range = *parseCriterion(QStringLiteral("120~139"), false).criterion;
    EXPECT_FALSE(range.holds(119.99));
    EXPECT_TRUE(range.holds(120));
    EXPECT_TRUE(range.holds(139));
    EXPECT_FALSE(range.holds(139.01));
    const Criterion either = *parseCriterion(QStringLiteral("<90 OR >=140"), false).criterion;
    EXPECT_TRUE(either.holds(85));
    EXPECT_TRUE(either.holds(150));
    EXPECT_TRUE(either.holds(140));
    EXPECT_FALSE(either.holds(100));
    EXPECT_FALSE(either.holds(90));
}

TEST(StandardsCheck, RowsThatCannotBeGradedAreListed) {
    const QStringList health{"XID", "SEX", "收縮壓", "BMI"};
    auto row = [](int pos, const char* item, const char* sex, std::array<const char*, 5> levels) {
        StandardRow r;
        r.position = pos;
        r.item = QString::fromUtf8(item);
        r.sex = QString::fromUtf8(sex);
        for (size_t n = 0; n < 5; ++n)
            if (levels[n]) r.levels[n] = QString::fromUtf8(levels[n]);
        return r;
    };
    std::vector<StandardProblem> problems, skipped;
    const auto ok = grading::checkStandards({row(1, "收縮壓", "0", {"<120", nullptr, "NA", "140~159", ">=160"}),
                                             row(2, "bmi", "0", {"<24", "NA", "NA", "NA", "NA"}),
                                             row(3, "BMI", "男", {"<24", "NA", "NA", "NA", "NA"}),
                                             row(4, "收縮壓", "1", {"<120", "120 ~ 129 or 130~139", "NA", "NA", "NA"})},
                                            health, &problems, &skipped);
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_FALSE(ok[0].levels[1].has_value());
    EXPECT_FALSE(ok[0].levels[2].has_value());
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].position, 3);
    EXPECT_EQ(problems[0].column, "性別");
    EXPECT_EQ(problems[1].column, "Level_1");
    EXPECT_EQ(problems[1].text, "120 ~ 129 or 130~139");
    ASSERT_EQ(skipped.size(), 1u) << "item names are columns of PersonalHealth, letter case included";
    EXPECT_EQ(skipped[0].position, 2);
}

// A fresh program with its default standards replaced by the rows given.
class Grading : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 30, 15));
        ASSERT_TRUE(tp.start());
        tp.db().exec("DELETE FROM MultipleLevel");
    }
    void standard(const char* item, const char* sex, std::array<const char*, 5> levels) {
        QVariantList row{QString::fromUtf8(item), QString::fromUtf8(sex)};
        for (const char* l : levels)
            row.append(l ? QVariant(QString::fromUtf8(l)) : QVariant());
        tp.db().exec("INSERT INTO MultipleLevel (項目名稱, 性別, Level_0, Level_1, Level_2, Level_3, Level_4) VALUES "
                     "(?, ?, ?, ?, ?, ?, ?)",
                     row);
    }
    // A health check of the year 2024 with a systolic pressure and a BMI (NULL when negative).
    void person(const char* id, const char* sex, double sbp, double bmi = -1, const char* year = "2024") {
        tp.db().exec(
            "INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 收縮壓, BMI) VALUES (?, ?, ?, ?, ?, "
            "?, ?)",
            {QString::fromUtf8(year) + "_" + id, id, year, QStringLiteral("員工") + id, sex,
             sbp < 0 ? QVariant() : QVariant(sbp), bmi < 0 ? QVariant() : QVariant(bmi)});
    }
    QString xTemp(const char* id, const char* column) {
        return tp.db()
            .scalar(QStringLiteral("SELECT %1 FROM X_Temp WHERE 員工編號 = ?").arg(Database::quoteName(column)), {id})
            .toString();
    }
    MultipleLevelRun grade(const char* year = "2024") { return runMultipleLevelGrading(tp.db(), year); }
    TestProgram tp;
};

TEST_F(Grading, LevelsAtBothEndsOfEveryRange) {
    standard("收縮壓", "0", {"<120", "120~129", "130~139", "140~159", ">=160"});
    const double values[] = {119, 120, 129, 130, 139, 140, 159, 160};
    const char* labels[] = {"0", "1", "1", "2", "2", "3", "3", "4"};
    for (int i = 0; i < 8; ++i)
        person(QString::number(i).toUtf8().constData(), "1", values[i]);
    const MultipleLevelRun run = grade();
    ASSERT_TRUE(run.problems.empty());
    for (int i = 0; i < 8; ++i) {
        const QByteArray id = QByteArray::number(i);
        EXPECT_EQ(xTemp(id, "收縮壓"), QString::number(values[i]) + "【Level_" + labels[i] + "】") << values[i];
        EXPECT_EQ(xTemp(id, "最高等級"), labels[i]);
    }
    ASSERT_GE(run.counts.rows.size(), 2u);
    EXPECT_EQ(run.counts.rows[1], (QVariantList{"收縮壓", "0", 1, 2, 2, 2, 1}));
}

TEST_F(Grading, TheLowestLevelWinsAndNaCountsNothing) {
    standard("收縮壓", "0", {"NA", ">=120", "NA", ">=100", ">=150"});
    person("A", "1", 155);
    person("B", "2", 110);
    person("C", "1", 90);
    const MultipleLevelRun run = grade();
    EXPECT_EQ(xTemp("A", "收縮壓"), "155【Level_1】") << "meets levels 1, 3 and 4: the first one wins";
    EXPECT_EQ(xTemp("B", "收縮壓"), "110【Level_3】");
    EXPECT_EQ(xTemp("C", "收縮壓"), "90") << "no level met: the value stays unlabelled";
    EXPECT_EQ(xTemp("C", "最高等級"), "0");
    EXPECT_EQ(run.counts.rows[1], (QVariantList{"收縮壓", "0", QVariant(), 1, QVariant(), 1, 0}));
}

TEST_F(Grading, SexZeroGradesBothAndOtherSexesOnlyTheirOwn) {
    standard("BMI", "2", {"<24", ">=24", "NA", "NA", "NA"});
    standard("BMI", "0", {"NA", "NA", "<24", ">=24", "NA"});
    person("M", "1", -1, 20);
    person("F", "2", -1, 26);
    person("G", "2", -1, 22);
    const MultipleLevelRun run = grade();
    EXPECT_EQ(xTemp("F", "BMI"), "26【Level_1】") << "graded by the women's row first";
    EXPECT_EQ(xTemp("G", "BMI"), "22【Level_0】");
    EXPECT_EQ(xTemp("M", "BMI"), "20【Level_2】") << "only the both-sexes row reaches him";
    // The rows of one item keep the order they were stored in; the second grades what the first left.
    EXPECT_EQ(run.counts.rows[1], (QVariantList{"BMI", "2", 1, 1, QVariant(), QVariant(), QVariant()}));
    EXPECT_EQ(run.counts.rows[2], (QVariantList{"BMI", "0", QVariant(), QVariant(), 1, 0, QVariant()}));
}

TEST_F(Grading, SummariesCollectTheAbnormalItemsInGradingOrder) {
    standard("收縮壓", "0", {"<120", "<140", "<160", "<180", ">=180"});
    standard("BMI", "0", {"18.5~23.9", "<27", "<30", "<35", ">=35"});
    person("A", "1", 150, 36.2);
    person("B", "1", 100, 22);
    person("C", "1", 130, 25.5);
    grade();
    // Items are graded in the order of their names (BMI before 收縮壓).
    EXPECT_EQ(xTemp("A", "個人分級彙整"), "BMI：36.2【Level_4】；<@> 收縮壓：150【Level_2】；<@> ");
    EXPECT_EQ(xTemp("A", "Level_2_分級彙整"), "收縮壓：150【Level_2】；<@> ");
    EXPECT_EQ(xTemp("A", "Level_4_分級彙整"), "BMI：36.2【Level_4】；<@> ");
    EXPECT_EQ(xTemp("A", "Level_3_分級彙整"), "");
    EXPECT_EQ(xTemp("A", "最高等級"), "4");
    EXPECT_TRUE(tp.db().scalar("SELECT 個人分級彙整 IS NULL FROM X_Temp WHERE 員工編號 = 'B'").toBool())
        << "level 0 adds nothing";
    EXPECT_EQ(xTemp("C", "個人分級彙整"), "BMI：25.5【Level_1】；<@> 收縮壓：130【Level_1】；<@> ");
    EXPECT_TRUE(tp.db().scalar("SELECT Level_2_分級彙整 IS NULL FROM X_Temp WHERE 員工編號 = 'C'").toBool())
        << "level 1 goes to the person's summary only";
    EXPECT_EQ(xTemp("C", "最高等級"), "1");
    EXPECT_TRUE(tp.db().scalar("SELECT count(*) FROM X_Temp WHERE 目前等級 IS NOT NULL").toInt() == 0);
}

TEST_F(Grading, TextItemsAreGradedByEquality) {
    standard("PRO", "0", {"-", "+/-", "+", "++", "+++"});
    tp.db().exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, SEX, PRO) VALUES ('x', 'P', '2024', '1', '++')");
    tp.db().exec(
        "INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, SEX, PRO) VALUES ('y', 'Q', '2024', '2', '陰性')");
    const MultipleLevelRun run = grade();
    ASSERT_TRUE(run.problems.empty());
    EXPECT_EQ(xTemp("P", "PRO"), "++【Level_3】");
    EXPECT_EQ(xTemp("Q", "PRO"), "陰性");
    EXPECT_EQ(run.counts.rows[1], (QVariantList{"PRO", "0", 0, 0, 0, 1, 0}));
}

TEST_F(Grading, ItemsWithoutValuesGetNoCountRowAndLaterRowsMoveUp) {
    standard("飯前血醣", "0", {"<100", "NA", "NA", "NA", "NA"});
    standard("收縮壓", "0", {"<120", ">=120", "NA", "NA", "NA"});
    standard("收縮壓", "2", {"<120", ">=120", "NA", "NA", "NA"});
    person("A", "1", 125);
    const MultipleLevelRun run = grade();
    ASSERT_EQ(run.counts.rows.size(), 4u) << "R + 1 rows";
    EXPECT_EQ(run.counts.rows[0],
              (QVariantList{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"}));
    EXPECT_EQ(run.counts.rows[1], (QVariantList{"收縮壓", "0", 0, 1, QVariant(), QVariant(), QVariant()}));
    EXPECT_EQ(run.counts.rows[2], QVariantList(7)) << "no woman has a value: no row";
    EXPECT_EQ(run.counts.rows[3], QVariantList(7));
}

TEST_F(Grading, AYearWithoutChecksLeavesOnlyTheHeader) {
    standard("收縮壓", "0", {"<120", ">=120", "NA", "NA", "NA"});
    person("A", "1", 125, -1, "2023");
    const MultipleLevelRun run = grade("2024");
    EXPECT_EQ(run.healthChecks, 0);
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM X_Temp").toInt(), 0);
    EXPECT_EQ(run.counts.rows[1], QVariantList(7));
}

TEST_F(Grading, TheCountTableFollowsTheColumnNamesOfAReorderedTable) {
    tp.db().exec("DROP TABLE MultipleLevel");
    tp.db().exec("CREATE TABLE MultipleLevel (Level_4 VARCHAR(50), 性別 VARCHAR(50), Level_0 VARCHAR(50), 項目名稱 "
                 "VARCHAR(50), Level_3 VARCHAR(50), Level_2 VARCHAR(50), Level_1 VARCHAR(50))");
    standard("收縮壓", "0", {"<120", "<140", "<160", "<180", ">=180"});
    person("A", "1", 190);
    person("B", "1", 110);
    const MultipleLevelRun run = grade();
    EXPECT_EQ(run.counts.rows[0],
              (QVariantList{"Level_4", "性別", "Level_0", "項目名稱", "Level_3", "Level_2", "Level_1"}));
    EXPECT_EQ(run.counts.rows[1], (QVariantList{1, "0", 1, "收縮壓", 0, 0, 0}));
}

TEST_F(Grading, AStandardThatDoesNotParseGradesNothingAndIsListed) {
    standard("收縮壓", "0", {"<120", ">=120", "NA", "NA", "NA"});
    standard("飯前血醣", "0", {"<100", "100 ~ 125 or 126~199", "NA", "NA", "NA"});
    standard("身高X", "0", {"<100", "NA", "NA", "NA", "NA"});
    tp.db().exec("CREATE TABLE X_Temp (marker TEXT)");
    person("A", "1", 130);
    const QString written = PrepareMultipleLevelGrading(tp.program(), "2024");
    EXPECT_TRUE(written.isEmpty());
    EXPECT_TRUE(tp.db().fieldExists("X_Temp", "marker")) << "the work table of the last run is left as it was";
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith("多項四段分級標準有 1 處無法使用"));
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<title>除錯訊息</title>") || html.contains("除錯訊息"));
    EXPECT_TRUE(html.contains("100 ~ 125 or 126~199"));
    EXPECT_TRUE(html.contains("身高X"));
    EXPECT_EQ(tp.ui().opened.size(), 1) << "only the page";
}

TEST_F(Grading, AnItemThatIsNoHealthColumnIsLeftOutAndTheOtherRowsGrade) {
    standard("UOB", "0", {"-", "+/-", "+", "++", "+++"});
    standard("尿酸", "0", {"<7", ">=7", "NA", "NA", "NA"});
    standard("收縮壓", "0", {"<120", ">=120", "NA", "NA", "NA"});
    person("A", "1", 125);
    tp.db().exec("UPDATE PersonalHealth SET UOB = '+' WHERE 員工編號 = 'A'");
    const QString path = PrepareMultipleLevelGrading(tp.program(), "2024");
    EXPECT_FALSE(path.isEmpty());
    EXPECT_EQ(xTemp("A", "UOB"), "+【Level_2】");
    EXPECT_EQ(xTemp("A", "收縮壓"), "125【Level_1】");
    ASSERT_EQ(tp.ui().messageTexts().size(), 2);
    EXPECT_EQ(tp.ui().messageTexts()[0],
              "以下分級標準的項目名稱不是健檢資料的欄位, 未分級; 其他標準照常分級:\r\n\r\n匯入的第 2 筆 尿酸 (性別 0)");
    EXPECT_EQ(tp.ui().messageTexts()[1], "完成");
}

TEST_F(Grading, TheWorkbookHasTheThreeSheetsWithNotesColoursAndPrintSetup) {
    standard("收縮壓", "0", {"<120", "<140", "<160", "<180", ">=180"});
    standard("BMI", "0", {"18.5~23.9", "<27", "<30", "<35", ">=35"});
    standard("飯前血醣", "0", {"<100", "NA", "NA", "NA", "NA"});
    person("A", "1", 150, 36.2);
    person("B", "2", 170, 22);
    person("C", "1", 100, 25);
    const QString path = PrepareMultipleLevelGrading(tp.program(), "2024");
    ASSERT_FALSE(path.isEmpty()) << tp.ui().messageTexts().join("|").toStdString();
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"完成"});
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith("多項四段分級_2024_20250601_093015"));
    const QString out = runPython(
        "import openpyxl,sys\n"
        "wb=openpyxl.load_workbook(sys.argv[1])\n"
        "print('|'.join(wb.sheetnames[:3]))\n"
        "s=wb.worksheets[0]\n"
        "for r in s.iter_rows(min_row=1,max_row=4,values_only=True): print(r)\n"
        "print([s.cell(1,c).comment.text if s.cell(1,c).comment else None for c in range(1,8)])\n"
        "print(s.cell(1,1).fill.fgColor.rgb, s.cell(1,1).font.b, s.cell(1,1).font.name, s.cell(1,1).font.color.rgb)\n"
        "print(s.print_title_rows, s.oddHeader.right.font, s.oddHeader.right.text, s.oddFooter.center.font,"
        " s.oddFooter.center.text)\n"
        "t=wb.worksheets[1]\n"
        "for r in t.iter_rows(values_only=True): print(r)\n"
        "g=wb.worksheets[2]\n"
        "head=[c.value for c in g[1]]\n"
        "print(head[-7:])\n"
        "col={h:i+1 for i,h in enumerate(head)}\n"
        "for row in range(2,5):\n"
        "    print(repr(g.cell(row,col['收縮壓']).value), g.cell(row,col['收縮壓']).fill.fgColor.rgb,"
        " repr(g.cell(row,col['個人分級彙整']).value), g.cell(row,col['個人分級彙整']).fill.fgColor.rgb)\n"
        "from openpyxl.utils import get_column_letter as L\n"
        "d=g.column_dimensions[L(col['個人分級彙整'])]\n"
        "print(int(d.width), d.min - col['個人分級彙整'], d.max - col['個人分級彙整'])\n"
        "print(g.auto_filter.ref)\n"
        "import zipfile,re\n"
        "v=zipfile.ZipFile(sys.argv[1]).read('xl/drawings/vmlDrawing1.vml').decode()\n"
        "print(sorted(set((round(float(w)),round(float(h))) for w,h in "
        "re.findall(r'width:([\\d.]+)pt;height:([\\d.]+)pt',v))))\n",
        {path});
    const QStringList lines = out.trimmed().split('\n');
    ASSERT_GE(lines.size(), 17) << out.toStdString();
    auto line = [&lines](int i) { return lines.value(i).toStdString(); };
    EXPECT_EQ(line(0), "多項四級統計表|多項四級_標準值|Ostivw_健檢總表_多項四段分級");
    EXPECT_EQ(line(1), "('項目名稱', '性別', 'Level_0', 'Level_1', 'Level_2', 'Level_3', 'Level_4')");
    EXPECT_EQ(line(2), "('BMI', '0', 1, 1, 0, 0, 1)");
    EXPECT_EQ(line(3), "('收縮壓', '0', 1, 0, 1, 1, 0)");
    EXPECT_EQ(line(4), "(None, None, None, None, None, None, None)")
        << "no glucose values: no row, an empty one at the end";
    EXPECT_EQ(line(5), ("[None, None, '" + levelAdvice(0) + "', '" + levelAdvice(1) + "', '" + levelAdvice(2) + "', '" +
                        levelAdvice(3) + "', '" + levelAdvice(4) + "']")
                           .toStdString());
    EXPECT_EQ(line(6), "FF008000 True Arial FFFFFFFF");
    EXPECT_EQ(line(7), "$1:$1 Times New Roman,粗體 2025/06/01 09:30:15 Times New Roman,標準 &P/&N");
    EXPECT_EQ(line(8), "('項目名稱', '性別', 'Level_0', 'Level_1', 'Level_2', 'Level_3', 'Level_4')");
    EXPECT_EQ(line(9), "('BMI', '0', '18.5~23.9', '<27', '<30', '<35', '>=35')");
    EXPECT_EQ(line(12), "['最高等級', '目前等級', '個人分級彙整', 'Level_2_分級彙整', 'Level_3_分級彙整', "
                        "'Level_4_分級彙整', 'NOindex']");
    // A: level 2 blood pressure (no colour) and a level-4 BMI: the summary takes the level-4 colour.
    EXPECT_EQ(line(13), "'150【Level_2】' 00000000 'BMI：36.2【Level_4】；\\n收縮壓：150【Level_2】；' FFFF66B2");
    EXPECT_EQ(line(14), "'170【Level_3】' FFFFFF00 '收縮壓：170【Level_3】；' FFFFFF00");
    EXPECT_EQ(line(15), "'100【Level_0】' 00000000 'BMI：25【Level_1】；' 00000000");
    EXPECT_EQ(line(16), "40 0 3") << "the four summary columns are 40 wide";
    EXPECT_EQ(line(17), "None") << "the graded sheet is shown without filter arrows";
    EXPECT_EQ(line(18), "[(200, 100)]") << "every note box is 200 x 100 points";
}

TEST_F(Grading, AYearWithoutChecksKeepsTheWidthsOfTheSummaryColumns) {
    standard("收縮壓", "0", {"<120", ">=120", "NA", "NA", "NA"});
    person("A", "1", 125, -1, "2023");
    const QString path = PrepareMultipleLevelGrading(tp.program(), "2024");
    ASSERT_FALSE(path.isEmpty()) << tp.ui().messageTexts().join("|").toStdString();
    const QString out = runPython("import openpyxl,sys\n"
                                  "from openpyxl.utils import get_column_letter as L\n"
                                  "g=openpyxl.load_workbook(sys.argv[1]).worksheets[2]\n"
                                  "head=[c.value for c in g[1]]\n"
                                  "at=head.index('個人分級彙整')+1\n"
                                  "print(g.max_row, head[at-1:at+3])\n"
                                  "d=g.column_dimensions[L(at)]\n"
                                  "print(int(d.width), d.min - at, d.max - at)\n",
                                  {path});
    EXPECT_EQ(out.toStdString(),
              "1 ['個人分級彙整', 'Level_2_分級彙整', 'Level_3_分級彙整', 'Level_4_分級彙整']\n40 0 3\n");
}

TEST_F(Grading, TheSummariesOfTheWorkbookEndWithoutABreakAndWrap) {
    standard("收縮壓", "0", {"<120", "<140", "<160", "<180", ">=180"});
    standard("BMI", "0", {"18.5~23.9", "<27", "<30", "<35", ">=35"});
    person("A", "1", 150, 36.2);
    person("B", "2", 170, 22);
    const QString path = PrepareMultipleLevelGrading(tp.program(), "2024");
    ASSERT_FALSE(path.isEmpty());
    const QString out = runPython("import openpyxl,sys\n"
                                  "g=openpyxl.load_workbook(sys.argv[1]).worksheets[2]\n"
                                  "head=[c.value for c in g[1]]\n"
                                  "for row in (2,3):\n"
                                  "    for name in ('個人分級彙整','Level_2_分級彙整','Level_4_分級彙整'):\n"
                                  "        c=g.cell(row,head.index(name)+1)\n"
                                  "        print(repr(c.value), c.alignment.wrap_text)\n"
                                  "    print(g.row_dimensions[row].height)\n",
                                  {path});
    EXPECT_EQ(out.toStdString(), "'BMI：36.2【Level_4】；\\n收縮壓：150【Level_2】；' True\n"
                                 "'收縮壓：150【Level_2】；' True\n"
                                 "'BMI：36.2【Level_4】；' True\n"
                                 "33.0\n"
                                 "'收縮壓：170【Level_3】；' True\n"
                                 "None True\n"
                                 "None True\n"
                                 "None\n");
}

} // namespace
