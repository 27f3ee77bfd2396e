// Measurements outside their plausible range (another unit, a typing slip) are graded as missing and named, never
// graded as a reading; and no grade text outgrows the 50 characters of the stored grade columns.

#include "RiskTestSupport.h"
#include "risk/Grading.h"
#include "risk/Overwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <vector>

using namespace risk;

namespace {

// A man of 45 whose every grade is decided and none is borderline.
HealthCheck ordinary() {
    HealthCheck h;
    h.sex = QStringLiteral("男");
    h.birthDate = QStringLiteral("1979/03/01");
    h.checkDate = QStringLiteral("2024/05/01");
    h.height = QStringLiteral("170");
    h.weight = QStringLiteral("65");
    h.waist = QStringLiteral("78");
    h.systolic = QStringLiteral("115");
    h.diastolic = QStringLiteral("75");
    h.glucose = QStringLiteral("90");
    h.totalCholesterol = QStringLiteral("180");
    h.triglyceride = QStringLiteral("100");
    h.hdl = QStringLiteral("55");
    h.ldl = QStringLiteral("100");
    h.smoking = QStringLiteral("無");
    return h;
}

const QDate kToday(2030, 1, 1);

using namespace risk::test;

} // namespace

TEST(PlausibleRanges, BothSidesOfEachBound) {
    struct Case {
        const QString& column;
        const char *below, *lowest, *highest, *above;
    } cases[] = {
        {item::height, "99.9", "100", "250", "250.1"},
        {item::weight, "19.9", "20", "300", "300.1"},
        {item::waist, "39.9", "40", "250", "250.1"},
        {item::systolic, "59", "60", "300", "301"},
        {item::diastolic, "29", "30", "200", "201"},
        {item::glucose, "19.9", "20", "1000", "1001"},
        {item::totalCholesterol, "49", "50", "1000", "1001"},
        {item::triglyceride, "9.9", "10", "5000", "5001"},
        {item::hdl, "4.9", "5", "200", "201"},
        {item::ldl, "9.9", "10", "800", "801"},
    };
    std::set<QString> tested;
    for (const Case& c : cases) {
        const std::string column = c.column.toStdString();
        tested.insert(c.column);
        EXPECT_FALSE(measurement(QString::fromUtf8(c.below), c.column)) << column << " " << c.below;
        EXPECT_EQ(measurement(QString::fromUtf8(c.lowest), c.column), QString::fromUtf8(c.lowest).toDouble()) << column;
        EXPECT_EQ(measurement(QString::fromUtf8(c.highest), c.column), QString::fromUtf8(c.highest).toDouble())
            << column;
        EXPECT_FALSE(measurement(QString::fromUtf8(c.above), c.column)) << column << " " << c.above;
    }
    // Every range is tested here, each column has one range, and what is no number stays no measurement.
    std::set<QString> ranged;
    for (const PlausibleRange& r : plausibleRanges())
        EXPECT_TRUE(ranged.insert(r.column).second) << r.column.toStdString() << " has two ranges";
    EXPECT_EQ(ranged, tested);
    EXPECT_FALSE(measurement(QStringLiteral("未測"), item::height));
    EXPECT_FALSE(measurement(QStringLiteral("0"), item::hdl));
}

// Whole health checks with a value in another unit or mistyped: the grades that use it say it is missing.
TEST(PlausibleRanges, OtherUnitsAreNotGraded) {
    struct Case {
        const char* what;
        std::function<void(HealthCheck&)> change;
        std::vector<std::pair<Grade, const char*>> expected;
    } cases[] = {
        {"every lipid in mmol/L",
         [](HealthCheck& h) {
             h.totalCholesterol = QStringLiteral("5.2");
             h.triglyceride = QStringLiteral("1.7");
             h.hdl = QStringLiteral("1.3");
             h.ldl = QStringLiteral("3.4");
         },
         {{&HealthGrades::riskScore, "資料不足(總膽固醇、低密度膽固醇、高密度膽固醇)"},
          {&HealthGrades::tcPoints, ""},
          {&HealthGrades::ldlPoints, ""},
          {&HealthGrades::metabolicSyndromeGrade, "資料不足(三酸甘油脂、高密度膽固醇)"},
          {&HealthGrades::threeHighGrade, "資料不足(總膽固醇、三酸甘油脂)"}}},
        {"total cholesterol in mmol/L: the LDL sheet alone is scored",
         [](HealthCheck& h) { h.totalCholesterol = QStringLiteral("5.2"); },
         {{&HealthGrades::tcPoints, ""}, {&HealthGrades::threeHighGrade, "資料不足(總膽固醇)"}}},
        {"glucose in mmol/L",
         [](HealthCheck& h) { h.glucose = QStringLiteral("5.6"); },
         {{&HealthGrades::diabetes, "資料不足(飯前血醣)"},
          {&HealthGrades::riskScore, "資料不足(飯前血醣)"},
          {&HealthGrades::metabolicSyndromeGrade, "資料不足(飯前血醣)"},
          {&HealthGrades::threeHighGrade, "資料不足(飯前血醣)"}}},
        {"glucose in mmol/L with diabetes in the history",
         [](HealthCheck& h) {
             h.glucose = QStringLiteral("7.8");
             h.history = QStringLiteral("糖尿病");
         },
         {{&HealthGrades::diabetes, "是"},
          {&HealthGrades::threeHighGrade, "一高(高血糖)"},
          {&HealthGrades::metabolicSyndromeGrade, "資料不足(飯前血醣)"}}},
        {"height in metres",
         [](HealthCheck& h) { h.height = QStringLiteral("1.72"); },
         {{&HealthGrades::bmi, ""}, {&HealthGrades::bmiGrade, "資料不足(身高_cm)"}}},
        {"weight in grams",
         [](HealthCheck& h) { h.weight = QStringLiteral("65000"); },
         {{&HealthGrades::bmi, ""}, {&HealthGrades::bmiGrade, "資料不足(體重_kg)"}}},
        {"waist in inches",
         [](HealthCheck& h) { h.waist = QStringLiteral("31"); },
         {{&HealthGrades::metabolicSyndromeGrade, "資料不足(腰圍_cm)"}}},
        {"pressures in kPa",
         [](HealthCheck& h) {
             h.systolic = QStringLiteral("15.3");
             h.diastolic = QStringLiteral("10");
         },
         {{&HealthGrades::bloodPressureGrade, "資料不足(收縮壓、舒張壓)"}}},
        {"pressures swapped",
         [](HealthCheck& h) {
             h.systolic = QStringLiteral("75");
             h.diastolic = QStringLiteral("115");
         },
         {{&HealthGrades::bloodPressureGrade, "資料不足(收縮壓、舒張壓)"},
          {&HealthGrades::threeHighGrade, "資料不足(收縮壓、舒張壓)"},
          {&HealthGrades::riskScore, "資料不足(收縮壓、舒張壓)"}}},
        {"equal pressures",
         [](HealthCheck& h) {
             h.systolic = QStringLiteral("90");
             h.diastolic = QStringLiteral("90");
         },
         {{&HealthGrades::bloodPressureGrade, "資料不足(收縮壓、舒張壓)"}}},
        {"a slipped diastolic pressure, the systolic one decides",
         [](HealthCheck& h) {
             h.systolic = QStringLiteral("145");
             h.diastolic = QStringLiteral("750");
         },
         {{&HealthGrades::bloodPressureGrade, "第二期高血壓"}, {&HealthGrades::threeHighGrade, "一高(高血壓)"}}},
    };
    for (const Case& c : cases) {
        HealthCheck h = ordinary();
        c.change(h);
        const HealthGrades g = gradeHealthCheck(h, kToday);
        for (const auto& [grade, text] : c.expected)
            EXPECT_EQ(g.*grade, QString::fromUtf8(text)) << c.what;
    }
    HealthCheck h = ordinary();
    h.totalCholesterol = QStringLiteral("5.2");
    const HealthGrades g = gradeHealthCheck(h, kToday);
    EXPECT_FALSE(g.ldlRisk.isEmpty());
    EXPECT_EQ(g.riskScore, g.ldlRisk) << "one lipid suffices for the risk";
}

// One implausible value in a full record, below and above its range: every grade that uses it names its column and
// no other grade changes; an unusual but real value of the same column is graded.
TEST(PlausibleRanges, AFullGradingNamesTheImplausibleColumn) {
    const std::vector<Grade> pressure{&HealthGrades::bloodPressureGrade, &HealthGrades::metabolicSyndromeGrade,
                                      &HealthGrades::threeHighGrade, &HealthGrades::riskScore,
                                      &HealthGrades::cardiovascularClass};
    struct Case {
        const QString& column;
        QString HealthCheck::*field;
        const char *low, *high, *real;
        std::vector<Grade> naming;
        Grade points; // the score sheet the value alone feeds, else nullptr
    } cases[] = {
        {item::height, &HealthCheck::height, "1.72", "1720", "145", {&HealthGrades::bmiGrade}, nullptr},
        {item::weight, &HealthCheck::weight, "8", "65000", "150", {&HealthGrades::bmiGrade}, nullptr},
        {item::waist, &HealthCheck::waist, "31", "780", "140", {&HealthGrades::metabolicSyndromeGrade}, nullptr},
        {item::systolic, &HealthCheck::systolic, "15.3", "1150", "210", pressure, nullptr},
        {item::diastolic, &HealthCheck::diastolic, "10", "750", "110", pressure, nullptr},
        {item::glucose,
         &HealthCheck::glucose,
         "5.6",
         "9000",
         "350",
         {&HealthGrades::diabetes, &HealthGrades::metabolicSyndromeGrade, &HealthGrades::threeHighGrade,
          &HealthGrades::riskScore, &HealthGrades::cardiovascularClass},
         nullptr},
        {item::totalCholesterol,
         &HealthCheck::totalCholesterol,
         "4.7",
         "1800",
         "320",
         {&HealthGrades::threeHighGrade},
         &HealthGrades::tcPoints},
        {item::triglyceride,
         &HealthCheck::triglyceride,
         "1.1",
         "10000",
         "900",
         {&HealthGrades::metabolicSyndromeGrade, &HealthGrades::threeHighGrade},
         nullptr},
        {item::hdl,
         &HealthCheck::hdl,
         "1.4",
         "550",
         "110",
         {&HealthGrades::metabolicSyndromeGrade, &HealthGrades::riskScore, &HealthGrades::cardiovascularClass},
         nullptr},
        {item::ldl, &HealthCheck::ldl, "2.6", "1000", "250", {}, &HealthGrades::ldlPoints},
    };
    const HealthGrades base = gradeHealthCheck(ordinary(), kToday);
    for (const NamedGrade& n : kGrades)
        ASSERT_FALSE(isMissingText(base.*n.grade)) << n.name;
    for (const Case& c : cases) {
        const std::string column = c.column.toStdString();
        for (const char* text : {c.low, c.high}) {
            HealthCheck h = ordinary();
            h.*c.field = QString::fromUtf8(text);
            const HealthGrades g = gradeHealthCheck(h, kToday);
            for (const NamedGrade& n : kGrades) {
                const QString& given = g.*n.grade;
                if (std::find(c.naming.begin(), c.naming.end(), n.grade) != c.naming.end()) {
                    EXPECT_TRUE(isMissingText(given) && given.contains(c.column))
                        << column << " " << text << ": " << n.name << " reads " << given.toStdString();
                } else {
                    EXPECT_EQ(given, base.*n.grade) << column << " " << text << ": " << n.name;
                }
            }
            if (c.points) {
                EXPECT_EQ(g.*c.points, QString()) << column << " " << text;
            }
        }
        HealthCheck h = ordinary();
        h.*c.field = QString::fromUtf8(c.real);
        const HealthGrades g = gradeHealthCheck(h, kToday);
        for (const NamedGrade& n : kGrades)
            EXPECT_FALSE(isMissingText(g.*n.grade)) << column << " " << c.real << ": " << n.name;
        if (c.points) {
            EXPECT_NE(g.*c.points, QString()) << column << " " << c.real;
        }
    }
}

TEST(GradeTexts, MissingDataTextsFitTheStoredColumn) {
    EXPECT_EQ(missingText({item::systolic, item::diastolic, item::systolic}),
              QStringLiteral("資料不足(收縮壓、舒張壓)"));
    const QStringList everything{item::sex,    item::birthDate, item::height,           item::weight,
                                 item::waist,  item::systolic,  item::diastolic,        item::glucose,
                                 item::hdl,    item::ldl,       item::totalCholesterol, item::triglyceride,
                                 item::smoking};
    const QString cut = missingText(everything);
    EXPECT_LE(cut.size(), kGradeTextLimit);
    EXPECT_TRUE(isMissingText(cut));
    EXPECT_TRUE(cut.startsWith(QStringLiteral("資料不足(性別、出生年月日、"))) << cut.toStdString();
    EXPECT_TRUE(cut.endsWith(QStringLiteral("等13項)"))) << cut.toStdString();

    // An empty record lacks all nine items of the coronary risk, one more than fit.
    const HealthGrades empty = gradeHealthCheck(HealthCheck(), kToday);
    EXPECT_EQ(empty.riskScore,
              QStringLiteral(
                  "資料不足(性別、出生年月日、總膽固醇、低密度膽固醇、高密度膽固醇、收縮壓、舒張壓、飯前血醣等9項)"));

    // Every combination of blank fields: no grade, and no overwork level carrying the risk text, is longer.
    QString HealthCheck::*const fields[] = {
        &HealthCheck::sex,     &HealthCheck::birthDate, &HealthCheck::height,           &HealthCheck::weight,
        &HealthCheck::waist,   &HealthCheck::systolic,  &HealthCheck::diastolic,        &HealthCheck::glucose,
        &HealthCheck::hdl,     &HealthCheck::ldl,       &HealthCheck::totalCholesterol, &HealthCheck::triglyceride,
        &HealthCheck::smoking,
    };
    const int count = int(std::size(fields));
    qsizetype longest = 0;
    for (int mask = 0; mask < (1 << count); ++mask) {
        HealthCheck h = ordinary();
        for (int i = 0; i < count; ++i)
            if (mask & (1 << i)) (h.*fields[i]).clear();
        const HealthGrades g = gradeHealthCheck(h, kToday);
        QStringList texts;
        for (const NamedGrade& n : kGrades)
            texts << g.*n.grade;
        texts << overworkRiskLevel(cardiovascularClass(g.riskScore), g.riskScore, QStringLiteral("2"), true);
        for (const QString& t : texts) {
            longest = std::max(longest, t.size());
            ASSERT_LE(t.size(), kGradeTextLimit) << t.toStdString();
        }
    }
    EXPECT_GE(longest, empty.riskScore.size()) << "the empty record is among the longest cases";
}
