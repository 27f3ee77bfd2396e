#include "risk/Overwork.h"

#include "core/DateNumberRules.h"
#include "risk/Grading.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace risk {

double personalBurnoutScore(const std::array<int, 6>& answers) {
    double sum = 0;
    for (int a : answers)
        sum += (5 - a) * 25;
    return sum / 6;
}

double workBurnoutScore(const std::array<int, 7>& answers) {
    double sum = 0;
    for (size_t k = 0; k < 6; ++k)
        sum += (5 - answers[k]) * 25;
    sum += (answers[6] - 1) * 25; // "enough energy for family and friends" counts in reverse
    return sum / 7;
}

int personalBurnoutLevel(double score) {
    return score < 50 ? 0 : score > 70 ? 2 : 1;
}
int workBurnoutLevel(double score) {
    return score < 45 ? 0 : score > 60 ? 2 : 1;
}
int overtimeLevel(double hoursPerMonth) {
    return hoursPerMonth < 45 ? 0 : hoursPerMonth > 80 ? 2 : 1;
}
int workPatternLevel(int items) {
    return items <= 1 ? 0 : items <= 3 ? 1 : 2;
}
int workloadLevel(int personal, int work, int overtime, int workPattern) {
    return std::max({personal, work, overtime, workPattern});
}

std::optional<int> levelValue(const QString& text) {
    if (!rules::isNumeric(text)) return std::nullopt;
    const double v = text.trimmed().toDouble();
    if (v != std::floor(v) || v < 0 || v > 2) return std::nullopt;
    return int(v);
}

QString interviewAdvice(int t) {
    return t < 2 ? QStringLiteral("_不需面談") : t == 2 ? QStringLiteral("_建議面談") : QStringLiteral("_需要面談");
}

QString overworkRiskLevel(const std::optional<int>& cardiovascularClass, const QString& riskScoreText,
                          const QString& workloadLevelText, bool hasOverworkScale) {
    // The workload level, -1 when it cannot be read.
    const int workload = hasOverworkScale ? levelValue(workloadLevelText).value_or(-1) : -1;
    if (!cardiovascularClass) {
        const QString reason =
            riskScoreText.isEmpty() ? missingText({QStringLiteral("Framingham_Risk_Score")}) : riskScoreText;
        if (workload < 0) return reason;
        // The class is at least low, so the workload alone gives the least advice the matrix allows: a high
        // workload is never left without its interview.
        const QString advice = interviewAdvice(workload);
        return shortenGradeText(reason, kGradeTextLimit - int(advice.size())) + advice;
    }
    if (!hasOverworkScale) return missingText({QStringLiteral("過勞量表")});
    if (workload < 0) return missingText({QStringLiteral("工作負荷等級")});
    const int t = *cardiovascularClass + workload;
    return QString::number(t) + interviewAdvice(t);
}

namespace {

QString levelText(const QString& level, const QStringList& texts) {
    if (const auto v = levelValue(level)) return texts.at(*v);
    return level.trimmed().isEmpty() ? QStringLiteral("資料不足") : level;
}

} // namespace

QString personalBurnoutText(const QString& level) {
    return levelText(
        level, {QStringLiteral("輕微 (<50分)"), QStringLiteral("中等 (50-70分)"), QStringLiteral("嚴重 (>70分)")});
}

QString workBurnoutText(const QString& level) {
    return levelText(
        level, {QStringLiteral("輕微 (<45分)"), QStringLiteral("中等 (45-60分)"), QStringLiteral("嚴重 (>60分)")});
}

QString overtimeText(const QString& level) {
    return levelText(level, {QStringLiteral("低負荷 (<45小時)"), QStringLiteral("中負荷 (45-80小時)"),
                             QStringLiteral("高負荷 (>80小時)")});
}

QString workPatternText(const QString& level) {
    return levelText(level, {QStringLiteral("低負荷 (0-1項)"), QStringLiteral("中負荷 (2-3項)"),
                             QStringLiteral("高負荷 (4項以上)")});
}

QString workloadText(const QString& level) {
    return levelText(level, {QStringLiteral("低負荷"), QStringLiteral("中負荷"), QStringLiteral("高負荷")});
}

QString riskScoreText(const QString& riskScore) {
    const auto cls = cardiovascularClass(riskScore);
    if (!cls) return riskScore;
    QString number = riskScore;
    number.remove(QLatin1Char('%')).remove(QLatin1Char('>')).remove(QLatin1Char('='));
    QString label;
    if (rules::val(number) > 30)
        label = QStringLiteral("極高風險");
    else
        label = *cls == 0   ? QStringLiteral("低度風險")
                : *cls == 1 ? QStringLiteral("中度風險")
                            : QStringLiteral("高度風險");
    return riskScore + QStringLiteral(" (") + label + QLatin1Char(')');
}

QString overworkRiskText(const QString& level) {
    // A level without a class: the reason the class is missing, then the advice the workload alone gives.
    for (const QString& advice : {interviewAdvice(0), interviewAdvice(2), interviewAdvice(3)})
        if (level.endsWith(advice) && !rules::isNumeric(level.left(level.size() - advice.size())))
            return QStringLiteral("無法分級【") + level.left(level.size() - advice.size()) + QStringLiteral("】") +
                   advice.mid(1);
    const int sep = int(level.indexOf(QLatin1Char('_')));
    if (sep <= 0 || !rules::isNumeric(level.left(sep))) return level;
    const int t = level.left(sep).toInt();
    const QString label = t == 0   ? QStringLiteral("低度風險")
                          : t <= 2 ? QStringLiteral("中度風險")
                                   : QStringLiteral("高度風險");
    return label + QStringLiteral("【") + QString::number(t) + QStringLiteral("】") + level.mid(sep + 1);
}

} // namespace risk
