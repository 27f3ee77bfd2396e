// Burnout scores and levels, the workload level, the class-plus-workload risk level with its interview advice for
// every combination, and the display texts of the print table.

#include "risk/Overwork.h"

#include "core/DateNumberRules.h"
#include "risk/Grading.h"

#include <gtest/gtest.h>

using namespace risk;

namespace {
std::optional<int> cardiovascularClassOf(const char* riskText) {
    return cardiovascularClass(QString::fromUtf8(riskText));
}
} // namespace

TEST(BurnoutScores, ReferenceVectors) {
    EXPECT_DOUBLE_EQ(personalBurnoutScore({3, 3, 3, 3, 3, 3}), 50.0); // T1
    EXPECT_EQ(personalBurnoutLevel(50.0), 1) << "exactly 50 is the middle level";
    EXPECT_DOUBLE_EQ(personalBurnoutScore({1, 1, 2, 2, 3, 3}), 75.0); // T2
    EXPECT_EQ(personalBurnoutLevel(75.0), 2);
    EXPECT_EQ(rules::format(workBurnoutScore({2, 2, 2, 2, 2, 2, 2}), "0.00"), "67.86"); // T3
    EXPECT_DOUBLE_EQ(workBurnoutScore({3, 3, 3, 3, 3, 3, 3}), 50.0);                    // T4
    EXPECT_EQ(rules::format(workBurnoutScore({4, 4, 4, 4, 4, 4, 4}), "0.00"), "32.14"); // T5
    EXPECT_DOUBLE_EQ(personalBurnoutScore({1, 1, 1, 1, 1, 1}), 100.0);                  // T6
    EXPECT_EQ(rules::format(workBurnoutScore({1, 1, 1, 1, 1, 1, 1}), "0.0"), "85.7");
    EXPECT_DOUBLE_EQ(personalBurnoutScore({5, 5, 5, 5, 5, 5}), 0.0); // T7
    EXPECT_EQ(rules::format(workBurnoutScore({5, 5, 5, 5, 5, 5, 5}), "0.0"), "14.3");
}

TEST(BurnoutScores, LevelCutOffs) {
    // Personal scores are multiples of 25/6: 16 → 66.7 (level 1), 17 → 70.8 (level 2).
    EXPECT_EQ(personalBurnoutLevel(25.0 * 16 / 6), 1);
    EXPECT_EQ(personalBurnoutLevel(25.0 * 17 / 6), 2);
    EXPECT_EQ(personalBurnoutLevel(49.99), 0);
    EXPECT_EQ(personalBurnoutLevel(70.0), 1);
    EXPECT_EQ(personalBurnoutLevel(70.01), 2);
    // Work scores are multiples of 25/7: 12 → 42.9 (0), 13 → 46.4 (1), 16 → 57.1 (1), 17 → 60.7 (2).
    EXPECT_EQ(workBurnoutLevel(25.0 * 12 / 7), 0);
    EXPECT_EQ(workBurnoutLevel(25.0 * 13 / 7), 1);
    EXPECT_EQ(workBurnoutLevel(25.0 * 16 / 7), 1);
    EXPECT_EQ(workBurnoutLevel(25.0 * 17 / 7), 2);
    EXPECT_EQ(workBurnoutLevel(45.0), 1);
    EXPECT_EQ(workBurnoutLevel(60.0), 1);
}

TEST(WorkloadLevel, MostSevereDimension) {
    EXPECT_EQ(overtimeLevel(44.9), 0);
    EXPECT_EQ(overtimeLevel(45), 1); // T9
    EXPECT_EQ(overtimeLevel(80), 1);
    EXPECT_EQ(overtimeLevel(81), 2); // T10
    EXPECT_EQ(workPatternLevel(1), 0);
    EXPECT_EQ(workPatternLevel(2), 1);
    EXPECT_EQ(workPatternLevel(3), 1);
    EXPECT_EQ(workPatternLevel(4), 2); // T15
    // T8: personal 40, work 30, overtime 50 h, two work-pattern items → medium.
    EXPECT_EQ(workloadLevel(personalBurnoutLevel(40), workBurnoutLevel(30), overtimeLevel(50), workPatternLevel(2)), 1);
    EXPECT_EQ(workloadLevel(0, 0, 2, 0), 2);
    EXPECT_EQ(workloadLevel(0, 0, 0, 1), 1);
}

TEST(OverworkRiskLevel, EveryClassAndWorkload) {
    // Table 4's sum and table 5's advice: 0-1 no interview, 2 recommended, 3-4 required.
    const char* expected[3][3] = {{"0_不需面談", "1_不需面談", "2_建議面談"},
                                  {"1_不需面談", "2_建議面談", "3_需要面談"},
                                  {"2_建議面談", "3_需要面談", "4_需要面談"}};
    for (int cls = 0; cls < 3; ++cls)
        for (int load = 0; load < 3; ++load)
            EXPECT_EQ(overworkRiskLevel(cls, {}, QString::number(load)), QString::fromUtf8(expected[cls][load]))
                << cls << " " << load;
    // T11-T14 through the risk texts.
    EXPECT_EQ(overworkRiskLevel(cardiovascularClassOf("20%"), "20%", "1"), QStringLiteral("2_建議面談"));
    EXPECT_EQ(overworkRiskLevel(cardiovascularClassOf("9%"), "9%", "2"), QStringLiteral("2_建議面談"));
    EXPECT_EQ(overworkRiskLevel(cardiovascularClassOf(">=53%"), ">=53%", "1"), QStringLiteral("3_需要面談"));
    EXPECT_EQ(overworkRiskLevel(cardiovascularClassOf("10%"), "10%", "0"), QStringLiteral("1_不需面談"));
}

TEST(OverworkRiskLevel, UnreadableInputsGiveTheReason) {
    EXPECT_EQ(overworkRiskLevel(std::nullopt, QStringLiteral("資料不足(高密度膽固醇)"), ""),
              QStringLiteral("資料不足(高密度膽固醇)"));
    EXPECT_EQ(overworkRiskLevel(1, "12%", ""), QStringLiteral("資料不足(工作負荷等級)"));
    EXPECT_EQ(overworkRiskLevel(1, "12%", "3"), QStringLiteral("資料不足(工作負荷等級)"));
    EXPECT_EQ(overworkRiskLevel(1, "12%", "高"), QStringLiteral("資料不足(工作負荷等級)"));
    EXPECT_EQ(overworkRiskLevel(1, "12%", "1", false), QStringLiteral("資料不足(過勞量表)"));
    EXPECT_EQ(levelValue(" 2 "), 2);
    EXPECT_EQ(levelValue("1.0"), 1);
    EXPECT_FALSE(levelValue("1.5"));
    EXPECT_FALSE(levelValue("-1"));
}

TEST(OverworkRiskLevel, AnUngradedClassKeepsItsReasonAndTheWorkloadsLeastAdvice) {
    // The class is at least low: the workload alone decides the least advice, so a high workload is always flagged.
    const QString old = QStringLiteral("不適用(年齡超過74歲)");
    const QString many = missingText(
        {"性別", "出生年月日", "總膽固醇", "低密度膽固醇", "高密度膽固醇", "收縮壓", "舒張壓", "飯前血醣", "抽菸習慣"});
    ASSERT_GT(many.size() + 5, kGradeTextLimit); // with the advice, too long for a stored grade
    struct Case {
        QString reason, workload;
        bool hasScale;
        QString level, printed;
    };
    const Case cases[] = {
        {old, "2", true, old + "_建議面談", "無法分級【" + old + "】建議面談"},
        {old, "1", true, old + "_不需面談", "無法分級【" + old + "】不需面談"},
        {old, "0", true, old + "_不需面談", "無法分級【" + old + "】不需面談"},
        {"資料不足(高密度膽固醇)", "2", true, "資料不足(高密度膽固醇)_建議面談",
         "無法分級【資料不足(高密度膽固醇)】建議面談"},
        {"", "2", true, "資料不足(Framingham_Risk_Score)_建議面談",
         "無法分級【資料不足(Framingham_Risk_Score)】建議面談"},
        {old, "", true, old, old},   // no workload either: the reason alone
        {old, "2", false, old, old}, // no scale
        {old, "3", true, old, old},  // no readable workload
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.reason + " / " + c.workload).toStdString());
        const QString level = overworkRiskLevel(std::nullopt, c.reason, c.workload, c.hasScale);
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(overworkRiskText(level), c.printed);
    }
    // A reason as long as the column allows names fewer items, still counting all nine, to keep the advice.
    const QString full = overworkRiskLevel(std::nullopt, many, "2");
    EXPECT_LE(full.size(), kGradeTextLimit);
    EXPECT_TRUE(full.endsWith("_建議面談")) << full.toStdString();
    EXPECT_TRUE(full.startsWith("資料不足(性別、出生年月日")) << full.toStdString();
    EXPECT_TRUE(full.contains("等9項)")) << full.toStdString();
    EXPECT_EQ(shortenGradeText(full.chopped(5), kGradeTextLimit - 5), full.chopped(5)); // shortening is stable
}

TEST(DisplayTexts, LevelsRiskAndAdvice) {
    EXPECT_EQ(personalBurnoutText("1"), QStringLiteral("中等 (50-70分)"));
    EXPECT_EQ(workBurnoutText("2"), QStringLiteral("嚴重 (>60分)"));
    EXPECT_EQ(overtimeText("0"), QStringLiteral("低負荷 (<45小時)"));
    EXPECT_EQ(workPatternText("2"), QStringLiteral("高負荷 (4項以上)"));
    EXPECT_EQ(workloadText("1"), QStringLiteral("中負荷"));
    EXPECT_EQ(workloadText(""), QStringLiteral("資料不足"));
    EXPECT_EQ(workloadText("x"), QStringLiteral("x"));
    EXPECT_EQ(riskScoreText("9%"), QStringLiteral("9% (低度風險)"));
    EXPECT_EQ(riskScoreText("20%"), QStringLiteral("20% (中度風險)"));
    EXPECT_EQ(riskScoreText("25%"), QStringLiteral("25% (高度風險)"));
    EXPECT_EQ(riskScoreText("31%"), QStringLiteral("31% (極高風險)"));
    EXPECT_EQ(riskScoreText(">=27%"), QStringLiteral(">=27% (高度風險)"));
    EXPECT_EQ(riskScoreText(">=53%"), QStringLiteral(">=53% (極高風險)"));
    EXPECT_EQ(riskScoreText("資料不足(性別)"), QStringLiteral("資料不足(性別)"));
    EXPECT_EQ(overworkRiskText("0_不需面談"), QStringLiteral("低度風險【0】不需面談"));
    EXPECT_EQ(overworkRiskText("2_建議面談"), QStringLiteral("中度風險【2】建議面談"));
    EXPECT_EQ(overworkRiskText("3_需要面談"), QStringLiteral("高度風險【3】需要面談"));
    EXPECT_EQ(overworkRiskText("資料不足(過勞量表)"), QStringLiteral("資料不足(過勞量表)"));
}
