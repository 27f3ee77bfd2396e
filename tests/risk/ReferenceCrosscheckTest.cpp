// A second, independent reading of the grading's numbers: the coronary score sheets are written out again here in
// the layout they are printed in (points per factor as the sheet lists them, the two blood-pressure grids, points →
// risk row by row) and compared with the grading over every combination of categories; whole health checks worked
// out by hand go through the text path; the adult cut-offs and the overwork matrix are checked at both sides of each
// printed boundary. Nothing here reads the grading's own tables.

#include "RiskTestSupport.h"
#include "risk/Grading.h"
#include "risk/Overwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace risk;

namespace {

// ---- The score sheets, as printed (mg/dL, mmHg, completed years) ----

int sheetAgePoints(bool male, int age) {
    if (age < 35) return male ? -1 : -9; // ages below 30 are scored as 30-34
    if (age < 40) return male ? 0 : -4;
    if (age < 45) return male ? 1 : 0;
    if (age < 50) return male ? 2 : 3;
    if (age < 55) return male ? 3 : 6;
    if (age < 60) return male ? 4 : 7;
    if (age < 65) return male ? 5 : 8;
    if (age < 70) return male ? 6 : 8;
    return male ? 7 : 8;
}

int sheetLipidPoints(bool male, bool ldl, double v) {
    if (!ldl) {
        if (v < 160) return male ? -3 : -2;
        if (v < 200) return 0;
        if (v < 240) return 1;
        if (v < 280) return male ? 2 : 1;
        return 3;
    }
    if (v < 100) return male ? -3 : -2;
    if (v < 130) return 0;
    if (v < 160) return 0;
    if (v < 190) return male ? 1 : 2;
    return 2;
}

int sheetHdlPoints(bool male, bool ldl, double v) {
    if (v < 35) return male ? 2 : 5;
    if (v < 45) return male ? 1 : 2;
    if (v < 50) return male ? 0 : 1;
    if (v < 60) return 0;
    if (male) return ldl ? -1 : -2;
    return ldl ? -2 : -3;
}

int systolicRow(double s) {
    return s < 120 ? 0 : s < 130 ? 1 : s < 140 ? 2 : s < 160 ? 3 : 4;
}
int diastolicColumn(double d) {
    return d < 80 ? 0 : d < 85 ? 1 : d < 90 ? 2 : d < 100 ? 3 : 4;
}

// Systolic row × diastolic column, the same in the TC and LDL sheets.
const int kMenPressureGrid[5][5] = {
    {0, 0, 1, 2, 3}, // <120
    {0, 0, 1, 2, 3}, // 120-129
    {1, 1, 1, 2, 3}, // 130-139
    {2, 2, 2, 2, 3}, // 140-159
    {3, 3, 3, 3, 3}, // >=160
};
const int kWomenPressureGrid[5][5] = {
    {-3, 0, 0, 2, 3}, // <120
    {0, 0, 0, 2, 3},  // 120-129
    {0, 0, 0, 2, 3},  // 130-139
    {2, 2, 2, 2, 3},  // 140-159
    {3, 3, 3, 3, 3},  // >=160
};

int sheetPressurePoints(bool male, double sbp, double dbp) {
    return (male ? kMenPressureGrid : kWomenPressureGrid)[systolicRow(sbp)][diastolicColumn(dbp)];
}

// Points → ten-year risk; the first row holds every lower total, the last every higher one.
struct RiskRow {
    int points;
    const char *menTc, *menLdl, *womenTc, *womenLdl;
};
const RiskRow kRiskRows[] = {
    {-3, "2%", "1%", "1%", "1%"},
    {-2, "2%", "2%", "1%", "1%"},
    {-1, "2%", "2%", "2%", "2%"},
    {0, "3%", "3%", "2%", "2%"},
    {1, "3%", "4%", "2%", "2%"},
    {2, "4%", "4%", "3%", "3%"},
    {3, "5%", "6%", "3%", "3%"},
    {4, "7%", "7%", "4%", "4%"},
    {5, "8%", "9%", "4%", "5%"},
    {6, "10%", "11%", "5%", "6%"},
    {7, "13%", "14%", "6%", "7%"},
    {8, "16%", "18%", "7%", "8%"},
    {9, "20%", "22%", "8%", "9%"},
    {10, "25%", "27%", "10%", "11%"},
    {11, "31%", "33%", "11%", "13%"},
    {12, "37%", "40%", "13%", "15%"},
    {13, "45%", "47%", "15%", "17%"},
    {14, ">=53%", ">=56%", "18%", "20%"},
    {15, ">=53%", ">=56%", "20%", "24%"},
    {16, ">=53%", ">=56%", "24%", "27%"},
    {17, ">=53%", ">=56%", ">=27%", ">=32%"},
};

QString sheetRisk(bool male, bool ldl, int points) {
    const RiskRow& row = kRiskRows[std::clamp(points, -3, 17) + 3];
    return QString::fromUtf8(male ? (ldl ? row.menLdl : row.menTc) : (ldl ? row.womenLdl : row.womenTc));
}

Measures measures(bool male, int age, double tc, double ldl, double hdl, double sbp, double dbp, bool dm, bool smk) {
    Measures m;
    m.sex = male ? Sex::Male : Sex::Female;
    m.age = age;
    m.totalCholesterol = tc;
    m.ldl = ldl;
    m.hdl = hdl;
    m.systolic = sbp;
    m.diastolic = dbp;
    m.glucose = dm ? 126 : 125;
    m.smoker = smk ? YesNo::Yes : YesNo::No;
    return m;
}

HealthCheck record(const char* sex, const char* birth, const char* check, const char* tc, const char* ldl,
                   const char* hdl, const char* sbp, const char* dbp, const char* glucose, const char* smoking,
                   const char* history = "") {
    HealthCheck h;
    h.sex = QString::fromUtf8(sex);
    h.birthDate = QString::fromUtf8(birth);
    h.checkDate = QString::fromUtf8(check);
    h.height = QStringLiteral("165");
    h.weight = QStringLiteral("60");
    h.waist = QStringLiteral("78");
    h.systolic = QString::fromUtf8(sbp);
    h.diastolic = QString::fromUtf8(dbp);
    h.glucose = QString::fromUtf8(glucose);
    h.totalCholesterol = QString::fromUtf8(tc);
    h.triglyceride = QStringLiteral("120");
    h.hdl = QString::fromUtf8(hdl);
    h.ldl = QString::fromUtf8(ldl);
    h.smoking = QString::fromUtf8(smoking);
    h.history = QString::fromUtf8(history);
    return h;
}

const QDate kToday(2030, 1, 1);

} // namespace

// Every category of every factor on both sheets of both sexes, at the lowest and highest value of the category,
// against the printed sheets: a wrong cell anywhere in the points or in the risk rows shows here.
TEST(ReferenceCrossCheck, EveryCategoryCombinationOfBothSheets) {
    const int ages[] = {30, 34, 35, 39, 40, 44, 45, 49, 50, 54, 55, 59, 60, 64, 65, 69, 70, 74};
    const double tcs[] = {120, 159, 160, 199, 200, 239, 240, 279, 280, 330};
    const double ldls[] = {70, 99, 100, 129, 130, 159, 160, 189, 190, 230};
    const double hdls[] = {28, 34, 35, 44, 45, 49, 50, 59, 60, 85};
    const double sbps[] = {105, 119, 120, 129, 130, 139, 140, 159, 160, 190};
    const double dbps[] = {65, 79, 80, 84, 85, 89, 90, 99, 100, 115};
    int checked = 0, wrong = 0;
    for (bool male : {true, false})
        for (bool ldl : {false, true}) {
            std::vector<bool> totalsSeen(60, false);
            for (int ai = 0; ai < 18; ++ai)
                for (int li = 0; li < 10; ++li)
                    for (int hi = 0; hi < 10; ++hi)
                        for (int si = 0; si < 10; ++si)
                            for (int di = 0; di < 10; ++di) {
                                // Diabetes and smoking take turns so that every total of the sheet is reached.
                                const int turn = ai + li + hi + si + di;
                                const bool dm = turn % 2 == 1, smk = (turn / 2) % 2 == 1;
                                const double lipid = ldl ? ldls[li] : tcs[li];
                                const Measures m = measures(male, ages[ai], ldl ? 180 : lipid, ldl ? lipid : 130,
                                                            hdls[hi], sbps[si], dbps[di], dm, smk);
                                const int points = sheetAgePoints(male, ages[ai]) + sheetLipidPoints(male, ldl, lipid) +
                                                   sheetHdlPoints(male, ldl, hdls[hi]) +
                                                   sheetPressurePoints(male, sbps[si], dbps[di]) +
                                                   (dm ? (male ? 2 : 4) : 0) + (smk ? 2 : 0);
                                totalsSeen[size_t(points + 20)] = true;
                                const auto s =
                                    scoreVersion(m, ldl ? LipidVersion::Ldl : LipidVersion::TotalCholesterol);
                                ++checked;
                                if (!s || s->points != points || riskText(s->risk) != sheetRisk(male, ldl, points)) {
                                    if (++wrong <= 10)
                                        ADD_FAILURE()
                                            << (male ? "men " : "women ") << (ldl ? "LDL" : "TC") << " age " << ages[ai]
                                            << " lipid " << lipid << " HDL " << hdls[hi] << " BP " << sbps[si] << "/"
                                            << dbps[di] << " DM " << dm << " smoker " << smk << ": expected " << points
                                            << " → " << sheetRisk(male, ldl, points).toStdString() << ", got "
                                            << (s ? std::to_string(s->points) + " → " + riskText(s->risk).toStdString()
                                                  : std::string("nothing"));
                                }
                            }
            // Both ends of the sheet (men TC -6..19, men LDL -5..18, women TC -17..25, LDL -16..24) and every row of
            // its risk table were met.
            const int lo = male ? (ldl ? -5 : -6) : (ldl ? -16 : -17);
            const int hi = male ? (ldl ? 18 : 19) : (ldl ? 24 : 25);
            for (int p : {lo, hi})
                EXPECT_TRUE(totalsSeen[size_t(p + 20)]) << (male ? "men " : "women ") << (ldl ? "LDL " : "TC ") << p;
            EXPECT_FALSE(totalsSeen[size_t(lo - 1 + 20)] || totalsSeen[size_t(hi + 1 + 20)]);
            for (int p = -3; p <= 17; ++p)
                EXPECT_TRUE(totalsSeen[size_t(p + 20)]) << (male ? "men " : "women ") << (ldl ? "LDL " : "TC ") << p;
        }
    EXPECT_EQ(wrong, 0) << "of " << checked;
}

// A laboratory value between two printed integer bands belongs to the lower one (35 <= HDL < 45 is one band).
TEST(ReferenceCrossCheck, ValuesBetweenPrintedBands) {
    const Measures m = measures(true, 50, 199.5, 129.5, 44.5, 129.5, 84.5, false, false);
    const auto tc = scoreVersion(m, LipidVersion::TotalCholesterol);
    const auto ldl = scoreVersion(m, LipidVersion::Ldl);
    ASSERT_TRUE(tc && ldl);
    EXPECT_EQ(tc->points, 3 + 0 + 1 + 0); // age 50-54, TC 160-199, HDL 35-44, normal BP
    EXPECT_EQ(ldl->points, 3 + 0 + 1 + 0);
}

// Whole health checks as staged texts, points worked out by hand from the printed sheets. Each case lists the
// points in the order age, lipid, HDL, blood pressure, diabetes, smoker.
TEST(ReferenceCrossCheck, HandWorkedHealthChecks) {
    struct Case {
        const char* what;
        HealthCheck h;
        const char *age, *band, *tcPoints, *tcRisk, *ldlPoints, *ldlRisk, *score, *cls;
    } cases[] = {
        // Men, TC: 1 + 1 + 1 + 1 + 0 + 2 = 6 → 10 %; LDL: 1 + 0 + 1 + 1 + 0 + 2 = 5 → 9 %. The day before the 45th
        // birthday, counted to the check date and not to the day of grading.
        {"man 44, high normal BP, smoker",
         record("男", "1980/05/20", "2025/05/19", "210", "135", "42", "132", "84", "110", "每天半包"), "44", "40-44",
         "6", "10%", "5", "9%", "10%", "1"},
        // The 45th birthday itself: age 2 points, TC 7 → 13 %, LDL 6 → 11 %.
        {"the same man on his 45th birthday",
         record("男", "1980/05/20", "2025/05/20", "210", "135", "42", "132", "84", "110", "每天半包"), "45", "45-49",
         "7", "13%", "6", "11%", "13%", "1"},
        // Sex code "1". TC: 4 + 3 + 2 + 3 + 2 + 0 = 14 → >=53 %; LDL: 4 + 2 + 2 + 3 + 2 + 0 = 13 → 47 %. The
        // diastolic pressure alone is stage II-IV; diabetes from the history although the glucose is normal.
        {"man 56, diabetes in the history, diastolic 102",
         record("1", "1968/01/10", "2024/03/01", "285", "195", "33", "118", "102", "95", "無", "糖尿病，服藥控制中"),
         "56", "55-59", "14", ">=53%", "13", "47%", ">=53%", "2"},
        // TC: -9 + 0 + 0 - 3 + 0 + 0 = -12 → 1 %; LDL: -9 + 0 + 0 - 3 = -12 → 1 %.
        {"woman 33, optimal BP", record("女", "1990/08/15", "2024/08/14", "165", "105", "52", "118", "78", "88", "否"),
         "33", "30-34", "-12", "1%", "-12", "1%", "1%", "0"},
        // Sex code "2". TC: 7 + 1 + 1 + 2 + 4 + 0 = 15 → 20 % (class 1 alone); LDL: 7 + 2 + 1 + 2 + 4 + 0 = 16 →
        // 27 %. The higher LDL risk moves her to class 2.
        {"woman 59, diabetic by glucose, quit smoking",
         record("2", "1965/02/28", "2024/02/28", "245", "165", "46", "142", "88", "130", "戒菸5年"), "59", "55-59",
         "15", "20%", "16", "27%", "27%", "2"},
        // TC: 3 + 0 - 3 + 0 + 0 + 2 = 2 → 3 %; LDL: 3 - 2 - 2 + 0 + 0 + 2 = 1 → 2 %.
        {"woman 48, HDL 60, normal BP, occasional smoker",
         record("女", "1975/11/30", "2024/06/01", "199", "99", "60", "125", "82", "99", "偶爾"), "48", "45-49", "2",
         "3%", "1", "2%", "3%", "0"},
        // TC: 6 + 1 + 0 + 2 + 2 + 0 = 11 → 31 %; LDL: 6 + 0 + 0 + 2 + 2 + 0 = 10 → 27 %.
        {"man 69, glucose exactly 126",
         record("男", "1954/07/01", "2024/06/30", "230", "150", "48", "158", "70", "126", "不抽"), "69", "65-69", "11",
         "31%", "10", "27%", "31%", "2"},
        // A day later he is 70: TC 12 → 37 %, LDL 11 → 33 %.
        {"the same man at 70", record("男", "1954/07/01", "2024/07/01", "230", "150", "48", "158", "70", "126", "不抽"),
         "70", "70-74", "12", "37%", "11", "33%", "37%", "2"},
        // Below 30, scored as 30-34: TC -1 + 0 + 1 + 1 + 0 + 2 = 3 → 5 % (not 6 %); no LDL, so no LDL sheet.
        {"man 28 without LDL", record("男", "1996/03/03", "2024/06/01", "180", "", "38", "128", "86", "92", "吸菸"),
         "28", "<30(以30-34計)", "3", "5%", "", "", "5%", "0"},
        // LDL only: 6 + 0 + 2 + 2 + 0 + 2 = 12 → 15 %; hypertension in the history is no diabetes.
        {"woman 54 without TC",
         record("女", "1970/04/10", "2024/04/10", "", "140", "40", "135", "92", "101", "有", "高血壓"), "54", "50-54",
         "", "", "12", "15%", "15%", "1"},
        // TC: 5 + 2 + 0 + 0 + 0 + 2 = 9 → exactly 20 %, which is class 1; LDL: 5 + 0 + 0 + 0 + 0 + 2 = 7 → 14 %.
        {"man 62 at exactly 20 %",
         record("男", "1962/09/09", "2024/09/09", "250", "100", "55", "122", "82", "100", "1"), "62", "60-64", "9",
         "20%", "7", "14%", "20%", "1"},
        // The day before her birthday she is 56. TC: 7 + 1 + 2 + 2 + 0 + 2 = 14 → 18 % (not 15 %); LDL: 7 + 0 + 2 +
        // 2 + 0 + 2 = 13 → 17 %. HDL 44.5 is in the 35-44 band; 140/80 is stage I.
        {"woman 56, TC 14 points",
         record(" 女 ", "1967/12/01", "2024/11/30", "240", "110", "44.5", "140", "80", "99", "吸菸，每天5支"), "56",
         "55-59", "14", "18%", "13", "17%", "18%", "1"},
        // Diabetes named with its (lack of) treatment is still diabetes: TC 0 + 1 + 0 - 3 + 4 + 0 = 2 → 3 %; LDL 0 +
        // 0 + 0 - 3 + 4 + 0 = 1 → 2 %.
        {"woman 44, untreated diabetes in the history",
         record("女", "1980/01/01", "2024/12/31", "220", "150", "55", "110", "70", "105", "無", "糖尿病(未服藥)"), "44",
         "40-44", "2", "3%", "1", "2%", "3%", "0"},
        // A check date that is no date: the age is counted to the day of grading (2030/01/01), 75 → not scored.
        {"man 75 on the day of grading",
         record("男", "1954/12/31", "未填", "230", "150", "48", "158", "70", "90", "無"), "75", ">74", "", "", "", "",
         "不適用(年齡超過74歲)", "不適用(年齡超過74歲)"},
        // 74 on the check day: the oldest band. TC 7 + 1 + 0 + 2 + 0 + 0 = 10 → 25 %; LDL 7 + 0 + 0 + 2 = 9 → 22 %.
        {"man 74 on the check day",
         record("男", "1949/01/02", "2023/12/31", "230", "150", "48", "158", "70", "90", "無"), "74", "70-74", "10",
         "25%", "9", "22%", "25%", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HealthGrades g = gradeHealthCheck(c.h, kToday);
        EXPECT_EQ(g.age, QString::fromUtf8(c.age));
        EXPECT_EQ(g.ageBand, QString::fromUtf8(c.band));
        EXPECT_EQ(g.tcPoints, QString::fromUtf8(c.tcPoints));
        EXPECT_EQ(g.tcRisk, QString::fromUtf8(c.tcRisk));
        EXPECT_EQ(g.ldlPoints, QString::fromUtf8(c.ldlPoints));
        EXPECT_EQ(g.ldlRisk, QString::fromUtf8(c.ldlRisk));
        EXPECT_EQ(g.riskScore, QString::fromUtf8(c.score));
        EXPECT_EQ(g.cardiovascularClass, QString::fromUtf8(c.cls));
    }
}

// A grade given in spite of a missing or unreadable value must not depend on that value: replacing the blank with
// any plausible reading leaves it unchanged. Otherwise the grade must say which data is missing. (The two lipids are
// left out: one of them suffices for the coronary risk, by rule.)
TEST(ReferenceCrossCheck, NoGradeIsGuessedFromAnIncompleteRecord) {
    const HealthCheck bases[] = {
        record("男", "1980/05/20", "2025/05/19", "210", "135", "42", "132", "84", "110", "每天半包"),
        record("女", "1965/02/28", "2024/02/28", "245", "165", "46", "142", "88", "130", "無"),
        record("女", "1990/08/15", "2024/08/14", "165", "105", "52", "118", "78", "88", "否"),
        record("男", "1968/01/10", "2024/03/01", "285", "195", "33", "118", "102", "95", "無", "糖尿病"),
    };
    struct Field {
        const char* name;
        QString HealthCheck::*text;
        std::vector<const char*> readings;
    } fields[] = {
        {"sex", &HealthCheck::sex, {"男", "女"}},
        {"birth date", &HealthCheck::birthDate, {"1990/01/01", "1975/06/15", "1952/03/03"}},
        {"height", &HealthCheck::height, {"150", "172", "190"}},
        {"weight", &HealthCheck::weight, {"45", "70", "115"}},
        {"waist", &HealthCheck::waist, {"65", "85", "105"}},
        // Each reading above every base's diastolic pressure: a systolic pressure below it is no reading.
        {"systolic", &HealthCheck::systolic, {"110", "125", "135", "150", "175"}},
        {"diastolic", &HealthCheck::diastolic, {"65", "82", "87", "95", "105"}},
        {"glucose", &HealthCheck::glucose, {"85", "110", "150"}},
        {"triglyceride", &HealthCheck::triglyceride, {"90", "170", "260"}},
        {"HDL", &HealthCheck::hdl, {"30", "42", "47", "55", "75"}},
        {"smoking", &HealthCheck::smoking, {"有", "無"}},
    };
    for (const HealthCheck& base : bases)
        for (const Field& f : fields)
            for (const char* blank : {"", "未測", "120mmHg", "-"}) {
                HealthCheck h = base;
                h.*f.text = QString::fromUtf8(blank);
                const HealthGrades without = gradeHealthCheck(h, kToday);
                for (const char* reading : f.readings) {
                    h.*f.text = QString::fromUtf8(reading);
                    const HealthGrades with = gradeHealthCheck(h, kToday);
                    for (const auto& [name, grade] : risk::test::kGrades) {
                        const QString& given = without.*grade;
                        if (isMissingText(given)) continue;
                        EXPECT_EQ(given, with.*grade)
                            << name << " given without the " << f.name << " (\"" << blank << "\") changes with "
                            << reading << " (" << base.sex.toStdString() << " " << base.birthDate.toStdString() << ")";
                    }
                }
            }
    // Without either lipid the risk cannot be read at all.
    HealthCheck h = bases[0];
    h.totalCholesterol.clear();
    h.ldl = QStringLiteral("未驗");
    const HealthGrades g = gradeHealthCheck(h, kToday);
    EXPECT_EQ(g.riskScore, QStringLiteral("資料不足(總膽固醇、低密度膽固醇)"));
    EXPECT_EQ(g.cardiovascularClass, g.riskScore);
}

// Free texts the nurse types: a condition named together with its treatment, or a quit that has not happened.
TEST(ReferenceCrossCheck, HistoryAndSmokingTextsThatMustNotBeReadAsNo) {
    struct History {
        const char* text;
        Condition condition;
        bool names;
    } histories[] = {
        {"糖尿病(未服藥)", Condition::Diabetes, true},
        {"糖尿病 (無服藥)", Condition::Diabetes, true},
        {"糖尿病未控制", Condition::Diabetes, true},
        {"糖尿病沒有規則服藥", Condition::Diabetes, true},
        {"DM (no meds)", Condition::Diabetes, true},
        {"DM not treated", Condition::Diabetes, true},
        {"高血壓，未治療", Condition::Hypertension, true},
        {"高血壓(未用藥)", Condition::Hypertension, true},
        {"高血脂未追蹤", Condition::Hyperlipidemia, true},
        // Still negations of the condition itself.
        {"糖尿病：無", Condition::Diabetes, false},
        {"糖尿病(無)", Condition::Diabetes, false},
        {"糖尿病：無 高血壓：有", Condition::Diabetes, false},
        {"DM: no", Condition::Diabetes, false},
        {"DM(-)", Condition::Diabetes, false},
        {"高血壓否", Condition::Hypertension, false},
        {"無高血脂", Condition::Hyperlipidemia, false},
    };
    for (const History& c : histories)
        EXPECT_EQ(historyNames(QString::fromUtf8(c.text), c.condition), c.names) << c.text;

    struct Smoking {
        const char* text;
        YesNo smoker;
    } smoking[] = {
        {"戒不掉", YesNo::Yes},   {"想戒菸", YesNo::Yes}, {"戒菸失敗", YesNo::Yes}, {"準備戒菸", YesNo::Yes},
        {"打算戒菸", YesNo::Yes}, {"戒不了", YesNo::Yes}, {"已戒菸", YesNo::No},    {"戒菸3年", YesNo::No},
        {"已戒10年", YesNo::No},  {"戒了", YesNo::No},    {"無", YesNo::No},        {"每天一包", YesNo::Yes},
    };
    for (const Smoking& c : smoking)
        EXPECT_EQ(smokerFromText(QString::fromUtf8(c.text)), c.smoker) << c.text;
}

// The adult cut-offs, each on both sides of its printed boundary.
TEST(ReferenceCrossCheck, AdultCutOffs) {
    // BMI (national adult classification).
    const std::pair<double, const char*> bmis[] = {
        {18.4, "體重過輕"}, {18.5, "正常範圍"}, {23.9, "正常範圍"}, {24.0, "過重"},     {26.9, "過重"},
        {27.0, "輕度肥胖"}, {29.9, "輕度肥胖"}, {30.0, "中度肥胖"}, {34.9, "中度肥胖"}, {35.0, "重度肥胖"},
    };
    for (const auto& [v, grade] : bmis)
        EXPECT_EQ(bmiGrade(v), QString::fromUtf8(grade)) << v;
    EXPECT_EQ(bmi(160, 61.4), 24.0) << "23.98 is shown and graded as 24.0";

    // Adult blood pressure, the higher of the two categories.
    struct Bp {
        double s, d;
        const char* grade;
    } bps[] = {
        {119, 79, "正常血壓"},     {120, 79, "血壓偏高"},     {129, 79, "血壓偏高"},     {130, 79, "第一期高血壓"},
        {119, 80, "第一期高血壓"}, {129, 85, "第一期高血壓"}, {139, 89, "第一期高血壓"}, {140, 60, "第二期高血壓"},
        {110, 90, "第二期高血壓"}, {139, 90, "第二期高血壓"},
    };
    for (const Bp& c : bps) {
        Measures m;
        m.systolic = c.s;
        m.diastolic = c.d;
        EXPECT_EQ(bloodPressureGrade(m), QString::fromUtf8(c.grade)) << c.s << "/" << c.d;
    }

    // Metabolic syndrome: one criterion at a time just below and at its threshold, on a record meeting none.
    auto healthy = [](Sex sex) {
        Measures m;
        m.sex = sex;
        m.waist = 70;
        m.systolic = 110;
        m.diastolic = 70;
        m.glucose = 90;
        m.triglyceride = 100;
        m.totalCholesterol = 180;
        m.hdl = 65;
        return m;
    };
    struct Criterion {
        const char* what;
        Sex sex;
        std::function<void(Measures&, bool)> set;
    } criteria[] = {
        {"waist, man", Sex::Male, [](Measures& m, bool at) { m.waist = at ? 90 : 89.9; }},
        {"waist, woman", Sex::Female, [](Measures& m, bool at) { m.waist = at ? 80 : 79.9; }},
        {"systolic", Sex::Male, [](Measures& m, bool at) { m.systolic = at ? 130 : 129; }},
        {"diastolic", Sex::Female, [](Measures& m, bool at) { m.diastolic = at ? 85 : 84; }},
        {"glucose", Sex::Male, [](Measures& m, bool at) { m.glucose = at ? 100 : 99; }},
        {"triglyceride", Sex::Female, [](Measures& m, bool at) { m.triglyceride = at ? 150 : 149; }},
        {"HDL, man", Sex::Male, [](Measures& m, bool at) { m.hdl = at ? 39.9 : 40; }},
        {"HDL, woman", Sex::Female, [](Measures& m, bool at) { m.hdl = at ? 49.9 : 50; }},
    };
    for (const Criterion& c : criteria) {
        Measures m = healthy(c.sex);
        c.set(m, false);
        EXPECT_EQ(metabolicSyndromeGrade(m), QStringLiteral("正常")) << c.what;
        c.set(m, true);
        EXPECT_EQ(metabolicSyndromeGrade(m), QStringLiteral("代謝症候群高危險群")) << c.what;
    }
    Measures two = healthy(Sex::Female);
    two.waist = 80;
    two.hdl = 49;
    EXPECT_EQ(metabolicSyndromeGrade(two), QStringLiteral("代謝症候群高危險群"));
    two.triglyceride = 150;
    EXPECT_EQ(metabolicSyndromeGrade(two), QStringLiteral("代謝症候群")) << "three of five";
    Measures manAt80 = healthy(Sex::Male);
    manAt80.waist = 85;
    manAt80.hdl = 45;
    EXPECT_EQ(metabolicSyndromeGrade(manAt80), QStringLiteral("正常")) << "women's thresholds are not a man's";

    // Three highs: 140/90, fasting glucose 126, TC 240 or TG 200.
    struct High {
        const char* what;
        std::function<void(Measures&, bool)> set;
        const char* grade;
    } highs[] = {
        {"systolic", [](Measures& m, bool at) { m.systolic = at ? 140 : 139; }, "一高(高血壓)"},
        {"diastolic", [](Measures& m, bool at) { m.diastolic = at ? 90 : 89; }, "一高(高血壓)"},
        {"glucose", [](Measures& m, bool at) { m.glucose = at ? 126 : 125; }, "一高(高血糖)"},
        {"TC", [](Measures& m, bool at) { m.totalCholesterol = at ? 240 : 239; }, "一高(高血脂)"},
        {"TG", [](Measures& m, bool at) { m.triglyceride = at ? 200 : 199; }, "一高(高血脂)"},
    };
    for (const High& c : highs) {
        Measures m = healthy(Sex::Male);
        c.set(m, false);
        EXPECT_EQ(threeHighGrade(m), QStringLiteral("無三高")) << c.what;
        c.set(m, true);
        EXPECT_EQ(threeHighGrade(m), QString::fromUtf8(c.grade)) << c.what;
    }
}

// The cardiovascular class of a risk text: below 10 % → 0, 10 % to 20 % inclusive → 1, above → 2.
TEST(ReferenceCrossCheck, CardiovascularClassBoundaries) {
    const std::pair<const char*, int> classes[] = {{"9%", 0},    {"9.9%", 0}, {"10%", 1},   {"20%", 1},
                                                   {"20.1%", 2}, {"22%", 2},  {">=27%", 2}, {">=53%", 2}};
    for (const auto& [text, cls] : classes)
        EXPECT_EQ(cardiovascularClass(QString::fromUtf8(text)), cls) << text;
    EXPECT_FALSE(cardiovascularClass(QStringLiteral("資料不足(性別)")));
    EXPECT_FALSE(cardiovascularClass(QString()));
}

// Burnout scores, their levels and the workload level, against the reference's derived vectors.
TEST(ReferenceCrossCheck, BurnoutAndWorkload) {
    EXPECT_DOUBLE_EQ(personalBurnoutScore({3, 3, 3, 3, 3, 3}), 50.0);
    EXPECT_EQ(personalBurnoutLevel(50.0), 1) << "exactly 50 is level 1";
    EXPECT_DOUBLE_EQ(personalBurnoutScore({1, 1, 2, 2, 3, 3}), 75.0);
    EXPECT_EQ(personalBurnoutLevel(75.0), 2);
    EXPECT_EQ(personalBurnoutLevel(personalBurnoutScore({2, 2, 2, 2, 3, 3})), 1) << "66.7";
    EXPECT_EQ(personalBurnoutLevel(personalBurnoutScore({2, 2, 2, 2, 2, 3})), 2) << "70.8";
    EXPECT_EQ(personalBurnoutLevel(personalBurnoutScore({3, 3, 3, 3, 3, 4})), 0) << "45.8";
    EXPECT_NEAR(workBurnoutScore({2, 2, 2, 2, 2, 2, 2}), 67.857, 0.001);
    EXPECT_DOUBLE_EQ(workBurnoutScore({3, 3, 3, 3, 3, 3, 3}), 50.0);
    EXPECT_NEAR(workBurnoutScore({4, 4, 4, 4, 4, 4, 4}), 32.143, 0.001);
    EXPECT_NEAR(workBurnoutScore({1, 1, 1, 1, 1, 1, 1}), 85.714, 0.001);
    EXPECT_NEAR(workBurnoutScore({5, 5, 5, 5, 5, 5, 5}), 14.286, 0.001);
    const std::pair<double, int> work[] = {{42.9, 0}, {46.4, 1}, {57.1, 1}, {60.7, 2}};
    for (const auto& [score, level] : work)
        EXPECT_EQ(workBurnoutLevel(score), level) << score;
    const std::pair<double, int> hours[] = {{44.9, 0}, {45, 1}, {80, 1}, {80.5, 2}, {81, 2}};
    for (const auto& [h, level] : hours)
        EXPECT_EQ(overtimeLevel(h), level) << h;
    const int patternLevels[] = {0, 0, 1, 1, 2, 2, 2};
    for (int items = 0; items <= 6; ++items)
        EXPECT_EQ(workPatternLevel(items), patternLevels[items]) << items;
    EXPECT_EQ(workloadLevel(0, 0, 1, 1), 1);
    EXPECT_EQ(workloadLevel(0, 0, overtimeLevel(45), 0), 1);
    EXPECT_EQ(workloadLevel(0, 0, overtimeLevel(81), 0), 2);
    EXPECT_EQ(workloadLevel(0, 0, 0, workPatternLevel(4)), 2);
}

// The occupational risk matrix and the interview advice, written out as the guideline prints them (rows: workload
// low, medium, high; columns: cardiovascular risk low, medium, high), through the risk text of a grading.
TEST(ReferenceCrossCheck, RiskMatrixAndInterviewAdvice) {
    const int matrix[3][3] = {{0, 1, 2}, {1, 2, 3}, {2, 3, 4}};
    const char* advice[3][3] = {{"_不需面談", "_不需面談", "_建議面談"},
                                {"_不需面談", "_建議面談", "_需要面談"},
                                {"_建議面談", "_需要面談", "_需要面談"}};
    const char* labels[5] = {"低度風險", "中度風險", "中度風險", "高度風險", "高度風險"};
    const char* riskTexts[3] = {"9%", "20%", "22%"}; // one of each class, 20 % being the middle one
    for (int load = 0; load < 3; ++load)
        for (int cls = 0; cls < 3; ++cls) {
            const QString level = overworkRiskLevel(cardiovascularClass(QString::fromUtf8(riskTexts[cls])),
                                                    QString::fromUtf8(riskTexts[cls]), QString::number(load));
            const QString expected = QString::number(matrix[load][cls]) + QString::fromUtf8(advice[load][cls]);
            EXPECT_EQ(level, expected) << "workload " << load << ", risk " << riskTexts[cls];
            EXPECT_TRUE(overworkRiskText(level).startsWith(QString::fromUtf8(labels[matrix[load][cls]])))
                << level.toStdString();
        }
    // The reference's worked cases: 20 % with medium load; 9 % with high load; >=53 % with medium; 10 % with low.
    EXPECT_EQ(overworkRiskLevel(1, QStringLiteral("20%"), QStringLiteral("1")), QStringLiteral("2_建議面談"));
    EXPECT_EQ(overworkRiskLevel(0, QStringLiteral("9%"), QStringLiteral("2")), QStringLiteral("2_建議面談"));
    EXPECT_EQ(overworkRiskLevel(2, QStringLiteral(">=53%"), QStringLiteral("1")), QStringLiteral("3_需要面談"));
    EXPECT_EQ(overworkRiskLevel(1, QStringLiteral("10%"), QStringLiteral("0")), QStringLiteral("1_不需面談"));
    // The ten-year risk classes of the guideline on the display text, 30 % being the last "high".
    EXPECT_EQ(riskScoreText(QStringLiteral("9%")), QStringLiteral("9% (低度風險)"));
    EXPECT_EQ(riskScoreText(QStringLiteral("20%")), QStringLiteral("20% (中度風險)"));
    EXPECT_EQ(riskScoreText(QStringLiteral("27%")), QStringLiteral("27% (高度風險)"));
    EXPECT_EQ(riskScoreText(QStringLiteral("31%")), QStringLiteral("31% (極高風險)"));
}
