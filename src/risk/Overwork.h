#pragma once
// The overwork (abnormal workload) rules: the burnout scores and levels, the workload level, the occupational
// cerebro-cardiovascular risk level with its interview advice, and the display texts of the print table. Levels
// follow the labour ministry's guideline for preventing diseases triggered by abnormal workload (2nd ed., 2019),
// tables 2, 4 and 5; where a score falls on a printed boundary the middle level takes it (a personal burnout score of
// exactly 50 is level 1).

#include <QString>
#include <array>
#include <optional>

namespace risk {

// Personal burnout score: answers 1 (always) .. 5 (never) of the six items, (Σ (5 − a) × 25) ÷ 6, 0 to 100.
double personalBurnoutScore(const std::array<int, 6>& answers);
// Work-related burnout score: items 1-6 as above, item 7 in reverse ((a − 1) × 25), divided by 7.
double workBurnoutScore(const std::array<int, 7>& answers);

// Level 0, 1 or 2 of a score or count: personal <50 / 50-70 / >70; work-related <45 / 45-60 / >60;
// monthly overtime hours <45 / 45-80 / >80; work-pattern items 0-1 / 2-3 / 4 or more.
int personalBurnoutLevel(double score);
int workBurnoutLevel(double score);
int overtimeLevel(double hoursPerMonth);
int workPatternLevel(int items);
// The workload level: the most severe of the four dimensions.
int workloadLevel(int personal, int work, int overtime, int workPattern);

// A stored level "0", "1" or "2" (blanks around and a ".0" tolerated); nullopt for anything else.
std::optional<int> levelValue(const QString& text);

// The interview advice of a risk value t = cardiovascular class + workload level (0..4):
// "_不需面談" below 2, "_建議面談" at 2, "_需要面談" above 2.
QString interviewAdvice(int t);
// 異常工作負荷促發疾病_風險等級: the sum t followed by its advice ("2_建議面談"). When the class cannot be read, the
// risk score's own text (a missing-data or not-applicable text) followed by the least advice the workload level alone
// allows ("不適用(年齡超過74歲)_建議面談" at level 2), held to kGradeTextLimit; without a readable workload level the
// reason alone. When only the workload cannot be read, "資料不足(工作負荷等級)", or "資料不足(過勞量表)" when the
// person has no overwork scale.
QString overworkRiskLevel(const std::optional<int>& cardiovascularClass, const QString& riskScoreText,
                          const QString& workloadLevelText, bool hasOverworkScale = true);

// Display texts of the print table. A level that is not "0", "1" or "2" is shown as it stands ("" as
// "資料不足").
QString personalBurnoutText(const QString& level); // 輕微 (<50分) / 中等 (50-70分) / 嚴重 (>70分)
QString workBurnoutText(const QString& level);     // 輕微 (<45分) / 中等 (45-60分) / 嚴重 (>60分)
QString overtimeText(const QString& level); // 低負荷 (<45小時) / 中負荷 (45-80小時) / 高負荷 (>80小時)
QString workPatternText(const QString& level); // 低負荷 (0-1項) / 中負荷 (2-3項) / 高負荷 (4項以上)
QString workloadText(const QString& level);    // 低負荷 / 中負荷 / 高負荷
// "12% (中度風險)": 低度 class 0, 中度 class 1, 高度 class 2, 極高 above 30 %. Other texts unchanged.
QString riskScoreText(const QString& riskScore);
// "中度風險【2】建議面談": 低度 0, 中度 1-2, 高度 3-4 (table 4), and the advice; a level without a class says why:
// "無法分級【不適用(年齡超過74歲)】建議面談". Other texts unchanged.
QString overworkRiskText(const QString& level);

} // namespace risk
