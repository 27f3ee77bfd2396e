// BMI, blood-pressure, metabolic-syndrome and three-highs grades, each cut-off on both sides, and the grading of a
// whole health check as text.

#include "risk/Grading.h"

#include <gtest/gtest.h>

using namespace risk;

namespace {
Measures healthy(Sex sex = Sex::Male) {
    Measures m;
    m.sex = sex;
    m.age = 40;
    m.height = 170;
    m.weight = 65;
    m.waist = 78;
    m.systolic = 115;
    m.diastolic = 75;
    m.glucose = 90;
    m.totalCholesterol = 180;
    m.triglyceride = 100;
    m.hdl = 55;
    m.ldl = 100;
    m.smoker = YesNo::No;
    return m;
}
} // namespace

TEST(BmiGrade, ValueAndCutOffs) {
    EXPECT_EQ(bmi(170, 65), 22.5);
    EXPECT_EQ(bmi(160, 61.4), 24.0) << "23.98 rounds to 24.0 and is graded as shown";
    EXPECT_EQ(bmiGrade(*bmi(160, 61.4)), QStringLiteral("過重"));
    EXPECT_FALSE(bmi(std::nullopt, 65));
    EXPECT_EQ(bmi(100, 22.45), 22.5) << "a decimal half rounds up";
    EXPECT_EQ(bmi(100, 22.449), 22.4);
    struct Case {
        double v;
        const char* grade;
    } cases[] = {{18.4, "體重過輕"}, {18.5, "正常範圍"}, {23.9, "正常範圍"}, {24.0, "過重"},     {26.9, "過重"},
                 {27.0, "輕度肥胖"}, {29.9, "輕度肥胖"}, {30.0, "中度肥胖"}, {34.9, "中度肥胖"}, {35.0, "重度肥胖"}};
    for (const Case& c : cases)
        EXPECT_EQ(bmiGrade(c.v), QString::fromUtf8(c.grade)) << c.v;
}

TEST(BloodPressureGrade, HigherOfTheTwoCategories) {
    struct Case {
        std::optional<double> s, d;
        const char* grade;
    } cases[] = {
        {119, 79, "正常血壓"},
        {120, 79, "血壓偏高"},
        {129, 79, "血壓偏高"},
        {130, 79, "第一期高血壓"},
        {119, 80, "第一期高血壓"},
        {139, 89, "第一期高血壓"},
        {140, 70, "第二期高血壓"},
        {125, 90, "第二期高血壓"},
        {125, 85, "第一期高血壓"},
        {std::nullopt, 95, "第二期高血壓"},
        {145, std::nullopt, "第二期高血壓"},
        {std::nullopt, 85, "資料不足(收縮壓)"},
        {125, std::nullopt, "資料不足(舒張壓)"},
        {std::nullopt, std::nullopt, "資料不足(收縮壓、舒張壓)"},
    };
    for (const Case& c : cases) {
        Measures m = healthy();
        m.systolic = c.s;
        m.diastolic = c.d;
        EXPECT_EQ(bloodPressureGrade(m), QString::fromUtf8(c.grade)) << c.grade;
    }
}

TEST(MetabolicSyndromeGrade, CriteriaAndCounts) {
    EXPECT_EQ(metabolicSyndromeGrade(healthy()), QStringLiteral("正常"));
    struct Case {
        const char* what;
        std::function<void(Measures&)> change;
        const char* grade;
    } cases[] = {
        {"men waist 89", [](Measures& m) { m.waist = 89.9; }, "正常"},
        {"men waist 90", [](Measures& m) { m.waist = 90; }, "代謝症候群高危險群"},
        {"women waist 80", [](Measures& m) { m.sex = Sex::Female, m.waist = 80; }, "代謝症候群高危險群"},
        {"systolic 129", [](Measures& m) { m.systolic = 129; }, "正常"},
        {"systolic 130", [](Measures& m) { m.systolic = 130; }, "代謝症候群高危險群"},
        {"diastolic 85", [](Measures& m) { m.diastolic = 85; }, "代謝症候群高危險群"},
        {"glucose 99 / 100", [](Measures& m) { m.glucose = 100; }, "代謝症候群高危險群"},
        {"TG 150", [](Measures& m) { m.triglyceride = 150; }, "代謝症候群高危險群"},
        {"TG 149", [](Measures& m) { m.triglyceride = 149; }, "正常"},
        {"men HDL 40", [](Measures& m) { m.hdl = 40; }, "正常"},
        {"men HDL 39", [](Measures& m) { m.hdl = 39; }, "代謝症候群高危險群"},
        {"women HDL 49", [](Measures& m) { m.sex = Sex::Female, m.hdl = 49; }, "代謝症候群高危險群"},
        {"two", [](Measures& m) { m.waist = 95, m.glucose = 105; }, "代謝症候群高危險群"},
        {"three", [](Measures& m) { m.waist = 95, m.glucose = 105, m.triglyceride = 160; }, "代謝症候群"},
        {"three known, two missing",
         [](Measures& m) { m.waist = 95, m.glucose = 105, m.triglyceride = 160, m.hdl.reset(), m.systolic.reset(); },
         "代謝症候群"},
        {"one known, one missing", [](Measures& m) { m.waist = 95, m.triglyceride.reset(); }, "代謝症候群高危險群"},
        {"two known, one missing", [](Measures& m) { m.waist = 95, m.glucose = 105, m.triglyceride.reset(); },
         "資料不足(三酸甘油脂)"},
        {"none known, waist missing", [](Measures& m) { m.waist.reset(); }, "資料不足(腰圍_cm)"},
        {"sex unknown, waist 85", [](Measures& m) { m.sex = Sex::Unknown, m.waist = 85; }, "資料不足(性別)"},
        {"sex unknown, waist 95, HDL 60", [](Measures& m) { m.sex = Sex::Unknown, m.waist = 95, m.hdl = 60; },
         "代謝症候群高危險群"},
    };
    for (const Case& c : cases) {
        Measures m = healthy();
        c.change(m);
        EXPECT_EQ(metabolicSyndromeGrade(m), QString::fromUtf8(c.grade)) << c.what;
    }
}

TEST(ThreeHighGrade, DefinitionsAndHistory) {
    struct Case {
        const char* what;
        std::function<void(Measures&)> change;
        const char* grade;
    } cases[] = {
        {"none", [](Measures&) {}, "無三高"},
        {"systolic 139", [](Measures& m) { m.systolic = 139; }, "無三高"},
        {"systolic 140", [](Measures& m) { m.systolic = 140; }, "一高(高血壓)"},
        {"diastolic 90", [](Measures& m) { m.diastolic = 90; }, "一高(高血壓)"},
        {"glucose 125 / 126", [](Measures& m) { m.glucose = 126; }, "一高(高血糖)"},
        {"TC 239", [](Measures& m) { m.totalCholesterol = 239; }, "無三高"},
        {"TC 240", [](Measures& m) { m.totalCholesterol = 240; }, "一高(高血脂)"},
        {"TG 200", [](Measures& m) { m.triglyceride = 200; }, "一高(高血脂)"},
        {"two", [](Measures& m) { m.systolic = 150, m.triglyceride = 210; }, "二高(高血壓、高血脂)"},
        {"three", [](Measures& m) { m.systolic = 150, m.glucose = 130, m.totalCholesterol = 250; },
         "三高(高血壓、高血糖、高血脂)"},
        {"treated hypertension", [](Measures& m) { m.history = QStringLiteral("高血壓服藥中"); }, "一高(高血壓)"},
        {"history instead of glucose", [](Measures& m) { m.glucose.reset(), m.history = QStringLiteral("糖尿病"); },
         "一高(高血糖)"},
        {"glucose missing", [](Measures& m) { m.glucose.reset(); }, "資料不足(飯前血醣)"},
        {"TC missing, TG decides", [](Measures& m) { m.totalCholesterol.reset(), m.triglyceride = 220; },
         "一高(高血脂)"},
        {"TC missing, TG normal", [](Measures& m) { m.totalCholesterol.reset(); }, "資料不足(總膽固醇)"},
    };
    for (const Case& c : cases) {
        Measures m = healthy();
        c.change(m);
        EXPECT_EQ(threeHighGrade(m), QString::fromUtf8(c.grade)) << c.what;
    }
}

TEST(GradeHealthCheck, WholeRecordAsText) {
    HealthCheck h;
    h.sex = QStringLiteral("男");
    h.birthDate = QStringLiteral("1969/03/01");
    h.checkDate = QStringLiteral("2024/05/01");
    h.height = QStringLiteral("170");
    h.weight = QStringLiteral("80");
    h.waist = QStringLiteral("92");
    h.systolic = QStringLiteral("146");
    h.diastolic = QStringLiteral("88");
    h.glucose = QStringLiteral("98");
    h.totalCholesterol = QStringLiteral("250");
    h.triglyceride = QStringLiteral("180");
    h.hdl = QStringLiteral("39");
    h.ldl = QStringLiteral("155");
    h.smoking = QStringLiteral("無");
    const auto g = gradeHealthCheck(h, QDate(2030, 1, 1));
    EXPECT_EQ(g.sexCode, QStringLiteral("1"));
    EXPECT_EQ(g.age, QStringLiteral("55"));
    EXPECT_EQ(g.ageBand, QStringLiteral("55-59"));
    EXPECT_EQ(g.bmi, QStringLiteral("27.7"));
    EXPECT_EQ(g.bmiGrade, QStringLiteral("輕度肥胖"));
    EXPECT_EQ(g.diabetes, QStringLiteral("否"));
    EXPECT_EQ(g.smoker, QStringLiteral("否"));
    EXPECT_EQ(g.tcPoints, QStringLiteral("9"));
    EXPECT_EQ(g.tcRisk, QStringLiteral("20%"));
    EXPECT_EQ(g.ldlPoints, QStringLiteral("7"));
    EXPECT_EQ(g.ldlRisk, QStringLiteral("14%"));
    EXPECT_EQ(g.riskScore, QStringLiteral("20%"));
    EXPECT_EQ(g.cardiovascularClass, QStringLiteral("1"));
    EXPECT_EQ(g.bloodPressureGrade, QStringLiteral("第二期高血壓"));
    EXPECT_EQ(g.metabolicSyndromeGrade, QStringLiteral("代謝症候群"));
    EXPECT_EQ(g.threeHighGrade, QStringLiteral("二高(高血壓、高血脂)"));

    HealthCheck empty;
    const auto e = gradeHealthCheck(empty, QDate(2024, 1, 1));
    EXPECT_EQ(e.sexCode, QString());
    EXPECT_EQ(e.ageBand, QStringLiteral("資料不足(出生年月日)"));
    EXPECT_EQ(e.bmi, QString());
    EXPECT_EQ(e.bmiGrade, QStringLiteral("資料不足(身高_cm、體重_kg)"));
    EXPECT_TRUE(isMissingText(e.riskScore));
    EXPECT_TRUE(isMissingText(e.cardiovascularClass));
    EXPECT_TRUE(isMissingText(e.bloodPressureGrade));
    EXPECT_TRUE(isMissingText(e.metabolicSyndromeGrade));
    EXPECT_TRUE(isMissingText(e.threeHighGrade));
}
