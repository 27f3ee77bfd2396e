// The coronary risk sheets and the Framingham grading: the derived cases of the clinical reference, every band
// boundary on both sides, the sheet's extremes, the TC/LDL maximum and the missing-data rules.

#include "risk/Grading.h"

#include <gtest/gtest.h>

using namespace risk;

namespace {

Measures person(Sex sex, int age, std::optional<double> tc, std::optional<double> ldl, double hdl, double sbp,
                double dbp, bool dm, bool smoker) {
    Measures m;
    m.sex = sex;
    m.age = age;
    m.totalCholesterol = tc;
    m.ldl = ldl;
    m.hdl = hdl;
    m.systolic = sbp;
    m.diastolic = dbp;
    m.glucose = dm ? 130 : 90;
    m.smoker = smoker ? YesNo::Yes : YesNo::No;
    return m;
}

constexpr auto M = Sex::Male;
constexpr auto F = Sex::Female;
constexpr auto TC = LipidVersion::TotalCholesterol;
constexpr auto LDL = LipidVersion::Ldl;

} // namespace

// Derived cases D1-D11 of the reference (points and risk computed by hand from the published sheets).
TEST(FraminghamSheets, DerivedCases) {
    struct Case {
        const char* name;
        Sex sex;
        LipidVersion version;
        int age;
        double lipid, hdl, sbp, dbp;
        bool dm, smoker;
        int points;
        const char* risk;
    } cases[] = {
        {"D1", M, TC, 55, 250, 39, 146, 88, false, false, 9, "20%"},
        {"D2", M, LDL, 55, 155, 39, 146, 88, false, false, 7, "14%"},
        {"D3", F, LDL, 62, 170, 48, 118, 78, true, true, 14, "20%"},
        {"D4", F, TC, 62, 230, 48, 118, 78, true, true, 13, "15%"},
        {"D5 men TC 3 points is 5%", M, TC, 42, 190, 52, 118, 82, false, true, 3, "5%"},
        {"D6", M, LDL, 68, 195, 33, 165, 95, true, true, 17, ">=56%"},
        {"D7 minimum", F, TC, 33, 150, 65, 115, 75, false, false, -17, "1%"},
        {"D8 women normal+high normal", F, LDL, 47, 120, 55, 128, 86, false, false, 3, "3%"},
        {"D9 maximum", F, TC, 72, 285, 30, 170, 105, true, true, 25, ">=27%"},
        {"D10", M, TC, 30, 150, 70, 110, 70, false, false, -6, "2%"},
        {"D11", M, LDL, 30, 90, 70, 110, 70, false, false, -5, "1%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool ldl = c.version == LDL;
        const auto m = person(c.sex, c.age, ldl ? std::nullopt : std::optional<double>(c.lipid),
                              ldl ? std::optional<double>(c.lipid) : std::nullopt, c.hdl, c.sbp, c.dbp, c.dm, c.smoker);
        const auto s = scoreVersion(m, c.version);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->points, c.points);
        EXPECT_EQ(riskText(s->risk), QString::fromUtf8(c.risk));
        EXPECT_FALSE(scoreVersion(m, ldl ? TC : LDL)) << "the other sheet has no lipid value";
    }
}

// Every row of the four points-to-risk tables, including the transcription traps (men TC 3 → 5 %, women TC 14-16).
TEST(FraminghamSheets, RiskTables) {
    struct Row {
        Sex sex;
        LipidVersion v;
        int points;
        int percent;
        bool top;
    } rows[] = {
        {M, TC, -9, 2, false},   {M, TC, -1, 2, false},   {M, TC, 0, 3, false},    {M, TC, 3, 5, false},
        {M, TC, 6, 10, false},   {M, TC, 9, 20, false},   {M, TC, 13, 45, false},  {M, TC, 14, 53, true},
        {M, TC, 19, 53, true},   {M, LDL, -3, 1, false},  {M, LDL, -2, 2, false},  {M, LDL, 1, 4, false},
        {M, LDL, 3, 6, false},   {M, LDL, 9, 22, false},  {M, LDL, 13, 47, false}, {M, LDL, 14, 56, true},
        {F, TC, -17, 1, false},  {F, TC, -2, 1, false},   {F, TC, -1, 2, false},   {F, TC, 10, 10, false},
        {F, TC, 13, 15, false},  {F, TC, 14, 18, false},  {F, TC, 15, 20, false},  {F, TC, 16, 24, false},
        {F, TC, 17, 27, true},   {F, LDL, -2, 1, false},  {F, LDL, 5, 5, false},   {F, LDL, 10, 11, false},
        {F, LDL, 14, 20, false}, {F, LDL, 16, 27, false}, {F, LDL, 17, 32, true},  {F, LDL, 24, 32, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(int(r.sex)).arg(int(r.v)).arg(r.points).toStdString());
        const auto risk = lookUpRisk(riskTable(r.sex, r.v), r.points);
        EXPECT_EQ(risk.percent, r.percent);
        EXPECT_EQ(risk.top, r.top);
    }
}

// The tables are monotone: more points never lower the risk.
TEST(FraminghamSheets, RiskNeverFallsWithPoints) {
    for (Sex s : {M, F})
        for (LipidVersion v : {TC, LDL})
            for (int p = -20; p < 30; ++p)
                EXPECT_LE(lookUpRisk(riskTable(s, v), p).percent, lookUpRisk(riskTable(s, v), p + 1).percent);
}

// Each band boundary on both sides, read through the points it gives (men TC/LDL sheets, women for blood pressure).
TEST(FraminghamSheets, BandBoundaries) {
    struct Case {
        const char* what;
        const Bands& bands;
        double below, at;
        int bandBelow, bandAt;
    } cases[] = {
        {"TC 160", kTotalCholesterolBands, 159.9, 160, 0, 1},
        {"TC 200", kTotalCholesterolBands, 199.9, 200, 1, 2},
        {"TC 240", kTotalCholesterolBands, 239.9, 240, 2, 3},
        {"TC 280", kTotalCholesterolBands, 279.9, 280, 3, 4},
        {"LDL 100", kLdlBands, 99.9, 100, 0, 1},
        {"LDL 130", kLdlBands, 129.9, 130, 1, 2},
        {"LDL 160", kLdlBands, 159.9, 160, 2, 3},
        {"LDL 190", kLdlBands, 189.5, 190, 3, 4},
        {"HDL 35", kHdlBands, 34.9, 35, 0, 1},
        {"HDL 45", kHdlBands, 44.9, 45, 1, 2},
        {"HDL 50", kHdlBands, 49.9, 50, 2, 3},
        {"HDL 60", kHdlBands, 59.9, 60, 3, 4},
        {"SBP 120", kSystolicBands, 119, 120, 0, 1},
        {"SBP 130", kSystolicBands, 129, 130, 1, 2},
        {"SBP 140", kSystolicBands, 139, 140, 2, 3},
        {"SBP 160", kSystolicBands, 159, 160, 3, 4},
        {"DBP 80", kDiastolicBands, 79, 80, 0, 1},
        {"DBP 85", kDiastolicBands, 84, 85, 1, 2},
        {"DBP 90", kDiastolicBands, 89, 90, 2, 3},
        {"DBP 100", kDiastolicBands, 99, 100, 3, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.bands.of(c.below), c.bandBelow);
        EXPECT_EQ(c.bands.of(c.at), c.bandAt);
    }
}

TEST(FraminghamSheets, BloodPressureTakesTheHigherCategory) {
    // Women: -3 only when both pressures are optimal.
    auto women = [](double s, double d) {
        return scoreVersion(person(F, 47, 170, std::nullopt, 55, s, d, false, false), TC)->points -
               scoreVersion(person(F, 47, 170, std::nullopt, 55, 110, 70, false, false), TC)->points - 3;
    };
    EXPECT_EQ(women(120, 79), 0);
    EXPECT_EQ(women(119, 79), -3);
    EXPECT_EQ(women(119, 80), 0);
    EXPECT_EQ(women(139, 90), 2) << "139/90 is stage I";
    EXPECT_EQ(women(118, 100), 3);
    auto men = [](double s, double d) {
        return scoreVersion(person(M, 47, 170, std::nullopt, 55, s, d, false, false), TC)->points -
               scoreVersion(person(M, 47, 170, std::nullopt, 55, 110, 70, false, false), TC)->points;
    };
    EXPECT_EQ(men(118, 86), 1);
    EXPECT_EQ(men(135, 70), 1);
    EXPECT_EQ(men(150, 99), 2);
    EXPECT_EQ(men(110, 101), 3);
}

TEST(FraminghamSheets, AgeBands) {
    // Men TC points for a reference person minus the age points → the age points show through.
    auto agePoints = [](Sex s, int age) {
        return scoreVersion(person(s, age, 170, std::nullopt, 47, 110, 70, false, false), TC)->points;
    };
    EXPECT_EQ(agePoints(M, 34), -1);
    EXPECT_EQ(agePoints(M, 35), 0);
    EXPECT_EQ(agePoints(M, 74), 7);
    EXPECT_EQ(agePoints(F, 39), -4 + 1 - 3);
    EXPECT_EQ(agePoints(F, 40), 0 + 1 - 3);
    EXPECT_EQ(agePoints(F, 29), agePoints(F, 30)) << "below 30 is scored in the youngest band";
    EXPECT_EQ(agePoints(M, 22), -1);
    EXPECT_EQ(ageBand(29), QStringLiteral("<30(以30-34計)"));
    EXPECT_EQ(ageBand(30), QStringLiteral("30-34"));
    EXPECT_EQ(ageBand(74), QStringLiteral("70-74"));
    EXPECT_EQ(ageBand(75), QStringLiteral(">74"));
    auto old = person(M, 75, 170, 120, 47, 110, 70, false, false);
    EXPECT_FALSE(scoreVersion(old, TC));
    const auto r = framingham(old);
    EXPECT_EQ(r.scoreText, QStringLiteral("不適用(年齡超過74歲)"));
    EXPECT_FALSE(r.cardiovascularClass);
}

TEST(FraminghamRisk, KeepsTheHigherOfTheTwoSheets) {
    // D1/D2 person with both lipids: TC 20 % beats LDL 14 %.
    auto a = framingham(person(M, 55, 250, 155, 39, 146, 88, false, false));
    EXPECT_EQ(a.tc->points, 9);
    EXPECT_EQ(a.ldl->points, 7);
    EXPECT_EQ(a.scoreText, QStringLiteral("20%"));
    EXPECT_EQ(a.cardiovascularClass, 1) << "exactly 20 % is class 1";
    // D3/D4 person: LDL 20 % beats TC 15 %.
    auto b = framingham(person(F, 62, 230, 170, 48, 118, 78, true, true));
    EXPECT_EQ(b.scoreText, QStringLiteral("20%"));
    // Top class against a number: men TC >=53 % beats LDL 18 %.
    auto c = framingham(person(M, 55, 285, 90, 30, 165, 95, true, false));
    EXPECT_EQ(c.tc->points, 4 + 3 + 2 + 3 + 2);
    EXPECT_EQ(c.ldl->points, 4 - 3 + 2 + 3 + 2);
    EXPECT_EQ(c.scoreText, QStringLiteral(">=53%"));
    EXPECT_EQ(c.cardiovascularClass, 2);
    // One lipid is enough.
    auto d = framingham(person(M, 55, std::nullopt, 155, 39, 146, 88, false, false));
    EXPECT_FALSE(d.tc);
    EXPECT_EQ(d.scoreText, QStringLiteral("14%"));
}

TEST(FraminghamRisk, CardiovascularClass) {
    struct Case {
        const char* text;
        std::optional<int> cls;
    } cases[] = {
        {"9%", 0},
        {"9.9%", 0},
        {"10%", 1},
        {"20%", 1},
        {"20.1%", 2},
        {"21%", 2},
        {">=27%", 2},
        {">=2%", 2},
        {"1%", 0},
        {"47", 2},
        {"", std::nullopt},
        {"資料不足(高密度膽固醇)", std::nullopt},
        {"不適用(年齡超過74歲)", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cardiovascularClass(QString::fromUtf8(c.text)), c.cls) << c.text;
}

TEST(FraminghamRisk, MissingDataIsNamedNeverGuessed) {
    auto base = person(M, 55, 250, 155, 39, 146, 88, false, false);
    struct Case {
        const char* what;
        std::function<void(Measures&)> spoil;
        const char* text;
    } cases[] = {
        {"no sex", [](Measures& m) { m.sex = Sex::Unknown; }, "資料不足(性別)"},
        {"no age", [](Measures& m) { m.age.reset(); }, "資料不足(出生年月日)"},
        {"no lipid", [](Measures& m) { m.totalCholesterol.reset(), m.ldl.reset(); },
         "資料不足(總膽固醇、低密度膽固醇)"},
        {"no HDL", [](Measures& m) { m.hdl.reset(); }, "資料不足(高密度膽固醇)"},
        {"no pressures", [](Measures& m) { m.systolic.reset(), m.diastolic.reset(); }, "資料不足(收縮壓、舒張壓)"},
        {"no diastolic, systolic undecided", [](Measures& m) { m.diastolic.reset(); }, "資料不足(舒張壓)"},
        {"no glucose", [](Measures& m) { m.glucose.reset(); }, "資料不足(飯前血醣)"},
        {"smoking unknown", [](Measures& m) { m.smoker = YesNo::Unknown; }, "資料不足(抽菸習慣)"},
    };
    for (const Case& c : cases) {
        Measures m = base;
        c.spoil(m);
        const auto r = framingham(m);
        EXPECT_EQ(r.scoreText, QString::fromUtf8(c.text)) << c.what;
        EXPECT_FALSE(r.cardiovascularClass) << c.what;
    }
    // A systolic pressure of 160 decides the points alone; a history naming diabetes stands in for the glucose.
    Measures m = base;
    m.systolic = 165;
    m.diastolic.reset();
    EXPECT_EQ(framingham(m).tc->points, 4 + 2 + 1 + 3);
    m = base;
    m.glucose.reset();
    m.history = QStringLiteral("糖尿病，服藥控制中");
    EXPECT_EQ(framingham(m).tc->points, 9 + 2);
}

TEST(HealthCheckReading, SexAgeAndMeasurements) {
    EXPECT_EQ(parseSex(QStringLiteral("男")), Sex::Male);
    EXPECT_EQ(parseSex(QStringLiteral(" 1 ")), Sex::Male);
    EXPECT_EQ(parseSex(QStringLiteral("女")), Sex::Female);
    EXPECT_EQ(parseSex(QStringLiteral("2")), Sex::Female);
    EXPECT_EQ(parseSex(QStringLiteral("M")), Sex::Unknown);
    EXPECT_EQ(parseSex(QString()), Sex::Unknown);

    EXPECT_EQ(measurement(QStringLiteral(" 120 ")), 120.0);
    EXPECT_EQ(measurement(QStringLiteral("98.5")), 98.5);
    EXPECT_FALSE(measurement(QStringLiteral("")));
    EXPECT_FALSE(measurement(QStringLiteral("未測")));
    EXPECT_FALSE(measurement(QStringLiteral("120mmHg")));
    EXPECT_FALSE(measurement(QStringLiteral("0")));
    EXPECT_FALSE(measurement(QStringLiteral("-5")));

    const QDate today(2024, 6, 30);
    // The check date when it is a date, otherwise the day of grading.
    EXPECT_EQ(ageAt(QStringLiteral("1980/07/01"), ageReferenceDate(QStringLiteral("2024/06/30"), today)), 43);
    EXPECT_EQ(ageAt(QStringLiteral("1980/07/01"), ageReferenceDate(QStringLiteral("2024/07/01"), today)), 44);
    EXPECT_EQ(ageAt(QStringLiteral("1980/07/01"), ageReferenceDate(QStringLiteral("不詳"), today)), 43);
    EXPECT_FALSE(ageAt(QStringLiteral("1980/02/30"), today));
    EXPECT_FALSE(ageAt(QStringLiteral("2015/01/01"), today)) << "a nine-year-old worker is a mistyped birth date";
    EXPECT_EQ(ageAt(QStringLiteral("2009/06/30"), today), 15);
}

TEST(HealthCheckReading, SmokerFreeText) {
    struct Case {
        const char* text;
        YesNo v;
    } cases[] = {
        {"有", YesNo::Yes},        {"是", YesNo::Yes},       {"每天1包", YesNo::Yes}, {"10支/天", YesNo::Yes},
        {"偶爾", YesNo::Yes},      {"吸菸", YesNo::Yes},     {"Yes", YesNo::Yes},     {"1", YesNo::Yes},
        {"戒菸中", YesNo::Yes},    {"嘗試戒菸", YesNo::Yes}, {"未戒", YesNo::Yes},    {"不定時抽", YesNo::Yes},
        {"無", YesNo::No},         {"否", YesNo::No},        {"沒有", YesNo::No},     {"不抽菸", YesNo::No},
        {"無抽菸習慣", YesNo::No}, {"已戒菸", YesNo::No},    {"戒菸3年", YesNo::No},  {"從不", YesNo::No},
        {"no", YesNo::No},         {"Never", YesNo::No},     {"0", YesNo::No},        {"non-smoker", YesNo::No},
        {"", YesNo::Unknown},      {"  ", YesNo::Unknown},   {"2", YesNo::Unknown},   {"不詳?", YesNo::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(smokerFromText(QString::fromUtf8(c.text)), c.v) << c.text;
}

TEST(HealthCheckReading, DiabetesFromGlucoseOrHistory) {
    EXPECT_EQ(diabetes(125.9, {}), YesNo::No);
    EXPECT_EQ(diabetes(126, {}), YesNo::Yes);
    EXPECT_EQ(diabetes(std::nullopt, {}), YesNo::Unknown);
    EXPECT_EQ(diabetes(std::nullopt, QStringLiteral("高血壓")), YesNo::Unknown);
    EXPECT_EQ(diabetes(95, QStringLiteral("DM, on metformin")), YesNo::Yes);
    struct Case {
        const char* history;
        bool names;
    } cases[] = {
        {"糖尿病", true},
        {"第二型糖尿病，服藥中", true},
        {"高血壓、糖尿病", true},
        {"高血壓、無糖尿病", false},
        {"無高血壓、糖尿病", false},
        {"無特殊病史，糖尿病", true},
        {"否認糖尿病", false},
        {"糖尿病：無", false},
        {"DM(-)", false},
        {"DM", true},
        {"type 2 diabetes", true},
        {"admission for fracture", false},
        {"父親糖尿病", false},
        {"家族史:糖尿病", false},
        {"糖尿病前期", false},
        {"妊娠糖尿病", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(historyNames(QString::fromUtf8(c.history), Condition::Diabetes), c.names) << c.history;
    EXPECT_TRUE(historyNames(QStringLiteral("HTN"), Condition::Hypertension));
    EXPECT_FALSE(historyNames(QStringLiteral("高血壓前期"), Condition::Hypertension));
    EXPECT_TRUE(historyNames(QStringLiteral("高膽固醇血症"), Condition::Hyperlipidemia));
}
