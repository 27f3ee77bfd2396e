// The answer rules of both questionnaires, the ages, the NMQ key and count, and the burnout scores and levels.

#include "keyin/Rules.h"

#include <gtest/gtest.h>

using namespace keyin;

namespace {

// Noon on the first of June 2025: the ninety-year boundary is 1935/06/01.
const QDateTime kNow(QDate(2025, 6, 1), QTime(12, 0));

struct Case {
    const char* code;
    const char* answer;
    bool accepted;
    const char* stored; // the stored form when accepted
    const char* why;
};

void runCases(const std::vector<Case>& cases, Verdict (*rule)(const QString&, const QString&, const QDateTime&)) {
    for (const auto& c : cases) {
        Verdict v = rule(QString::fromUtf8(c.code), QString::fromUtf8(c.answer), kNow);
        EXPECT_EQ(v.accepted, c.accepted) << c.code << " '" << c.answer << "': " << c.why;
        if (c.accepted && v.accepted) {
            EXPECT_EQ(v.stored, QString::fromUtf8(c.stored)) << c.code << ": " << c.why;
        }
    }
}

} // namespace

TEST(KeyInRules, NmqAnswers) {
    runCases(
        {
            {"A04", "1", true, "男", "male"},
            {"A04", "2", true, "女", "female"},
            {"A04", "12", false, "", "two characters"},
            {"A04", "3", false, "", "not a sex code"},
            {"A04", "", false, "", "empty sex"},
            {"A05", "1935/06/01", true, "1935/06/01", "exactly ninety years"},
            {"A05", "1935/05/31", false, "", "a day too old"},
            {"A05", "06/01/1980", false, "", "month first"},
            {"A05", "2025/06/02", false, "", "future"},
            {"A05", "2025/06/01", true, "2025/06/01", "today"},
            {"A05", "2025/06/01 12:00", true, "2025/06/01 12:00", "this very minute"},
            {"A05", "2025/06/01 12:01", false, "", "a minute from now"},
            {"A05", "1980/02/30", false, "", "no such day"},
            {"A05", "", false, "", "empty date"},
            {"A11", "35.5", true, "35.5", "numeric age"},
            {"A12", "abc", false, "", "years of service not numeric"},
            {"A13", "", false, "", "empty height"},
            {"A14", "60", true, "60", "weight"},
            {"B01", "0", true, "左手", "left"},
            {"B01", "1", true, "右手", "right"},
            {"B01", "雙手", true, "雙手", "free text kept"},
            {"B02", "1", true, "是", "diagnosed"},
            {"B02", "0", true, "不是", "not diagnosed"},
            {"B03", "2", true, "是", "reported"},
            {"B03", "0", true, "不適用", "not applicable"},
            {"B03", "5", true, "5", "unknown code kept"},
            {"B04", "0", true, "沒有任何不適感", "no discomfort"},
            {"B04", "1", true, "有不適感", "discomfort"},
            {"B05", "3", true, "已持續 2 個月以上", "long lasting"},
            {"B05", "", true, "", "empty passes and is ignored later"},
            {"B06", "0", true, "無", "none"},
            {"B06", "腰痛病史", true, "腰痛病史", "free text"},
            {"P07", "3", true, "3", "grade"},
            {"P07", "0", true, "0", "lowest grade"},
            {"P07", "5", true, "5", "highest grade"},
            {"P07", "6", false, "", "above the scale"},
            {"P07", "12", false, "", "two digits"},
            {"P07", "", false, "", "empty grade"},
            {"P07", "-", false, "", "not numeric"},
            {"A01", "2025_NMQ", true, "2025_NMQ", "year code"},
            {"A03", "", true, "", "empty passes and is ignored later"},
        },
        validateNmq);
}

TEST(KeyInRules, NmqBirthDateGivesAgeOnlyWhenAccepted) {
    Verdict v = validateNmq("A05", "1990/06/01", kNow);
    ASSERT_TRUE(v.age.has_value());
    EXPECT_EQ(*v.age, "35.0");
    EXPECT_EQ(*validateNmq("A05", "1990/01/15", kNow).age, "35.4"); // 425 month boundaries
    EXPECT_FALSE(validateNmq("A05", "2025/06/02", kNow).age.has_value());
    EXPECT_FALSE(validateNmq("A05", "06/01/1990", kNow).age.has_value());
    EXPECT_FALSE(validateNmq("A04", "1", kNow).age.has_value());
}

TEST(KeyInRules, NmqB04DrivesTheBodyRegions) {
    EXPECT_EQ(validateNmq("B04", "0", kNow).pItems, Verdict::PItems::AllZero);
    EXPECT_EQ(validateNmq("B04", "1", kNow).pItems, Verdict::PItems::Clear);
    EXPECT_EQ(validateNmq("B04", "2", kNow).pItems, Verdict::PItems::Keep);
}

TEST(KeyInRules, OverworkAnswers) {
    runCases(
        {
            {"A01", "", true, "", "free text, empty ignored later"},
            {"A04", "X部門代號", true, "X部門代號", "free text"},
            {"A06", "1", true, "1", "male stays 1"},
            {"A06", "12", false, "", "two characters"},
            {"A06", "3", false, "", "not a sex code"},
            {"A06", "", false, "", "empty sex"},
            {"A07", "1935/06/01", true, "1935/06/01", "exactly ninety years"},
            {"A07", "1935/05/31", false, "", "a day too old"},
            {"A07", "2025/06/02", false, "", "tomorrow"},
            {"A07", "06/01/1980", false, "", "month first"},
            {"B01", "2025/05/20", true, "2025/05/20", "check-up date"},
            {"B01", "", false, "", "empty check-up date"},
            {"B02", "170.5", true, "170.5", "height"},
            {"B05", "120/80", false, "", "both pressures in one"},
            {"B05", "", false, "", "empty pressure"},
            {"B11", "abc", false, "", "not numeric"},
            {"B12", " 0 ", true, "無", "zero with blanks means none"},
            {"B12", "有，每日10支", true, "有，每日10支", "free text"},
            {"B13", "0", true, "無", "none"},
            {"B14", "00", true, "00", "only a lone zero means none"},
            {"I03", "3", true, "3", "grade"},
            {"I03", "6", false, "", "above the scale"},
            {"I03", "0", false, "", "below the scale"},
            {"I03", "33", false, "", "two characters"},
            {"I03", "", true, "", "empty passes and is ignored later"},
            {"J07", "5", true, "5", "grade"},
            {"X01", "2", true, "2", "level"},
            {"X01", "0", true, "0", "level"},
            {"X01", "12", false, "", "one level only"},
            {"X01", "01", false, "", "one level only"},
            {"X02", "012", false, "", "one level only"},
            {"X01", "3", false, "", "no such level"},
            {"X03", "0", true, "無", "none"},
            {"X03", "輪班", true, "輪班", "free text"},
        },
        validateOverwork);
}

TEST(KeyInRules, LeapDayBoundaryRollsOver) {
    // Ninety years before 2024/02/29 is a common year: the boundary is 1934/03/01.
    QDateTime leap(QDate(2024, 2, 29), QTime(8, 0));
    EXPECT_TRUE(isAcceptedPastDate("1934/03/01", leap));
    EXPECT_FALSE(isAcceptedPastDate("1934/02/28", leap));
}

TEST(KeyInRules, YearsFromADate) {
    EXPECT_EQ(yearsText(QDate(1990, 6, 30), QDate(2025, 6, 1)), "35.0"); // months counted by boundaries
    EXPECT_EQ(yearsNumberText(QDate(1990, 6, 30), QDate(2025, 6, 1)), "35");
    EXPECT_EQ(yearsNumberText(QDate(1990, 2, 1), QDate(2025, 6, 1)), "35.3");
    EXPECT_EQ(yearsNumberText(QDate(2025, 5, 1), QDate(2025, 6, 1)), "0.1");
}

TEST(KeyInRules, AnswerLengthLimits) {
    EXPECT_EQ(maxAnswerLength("NMQ", "A01"), 36);
    EXPECT_EQ(maxAnswerLength("NMQ", "A03"), 49);
    EXPECT_EQ(maxAnswerLength("NMQ", "A02"), 50);
    EXPECT_EQ(maxAnswerLength("NMQ", "B06"), -1);
    EXPECT_EQ(maxAnswerLength("OverLoading", "A01"), 20);
    EXPECT_EQ(maxAnswerLength("OverLoading", "B12"), 255);
    EXPECT_EQ(maxAnswerLength("OverLoading", "X03"), -1);
    EXPECT_EQ(maxAnswerLength("OverLoading", "B02"), 50);
}

TEST(KeyInRules, ErgoTotalCountsGradesOfThreeOrMore) {
    QStringList p = {"0", "3", "5", "2", "4", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(ergoTotal(p), 3);
    EXPECT_EQ(ergoTotal(QStringList(15, "0")), 0);
    EXPECT_EQ(ergoTotal(QStringList(15, "3")), 15);
}

TEST(KeyInRules, NmqKey) {
    QDateTime t(QDate(2025, 6, 1), QTime(21, 5, 59));
    EXPECT_EQ(nmqXid("2025_NMQ", t, 7), "2025_NMQ2506012105007");
    EXPECT_EQ(nmqXid("Y", t, 1000), "Y25060121051000");
    EXPECT_EQ(nmqXid("Y", QDateTime(QDate(2025, 1, 2), QTime(3, 4)), 42), "Y2501020304042");
}

TEST(KeyInRules, BurnoutScoresAndLevels) {
    struct BCase {
        QStringList i, j;
        QString x1, x2;
        QString iScore;
        int iRisk;
        QString jScore;
        int jRisk;
        int workload;
        const char* why;
    };
    auto six = [](const char* g) { return QStringList(6, g); };
    auto seven = [](const char* g) { return QStringList(7, g); };
    const std::vector<BCase> cases = {
        {six("1"), seven("3"), "0", "0", "100.0", 2, "50.0", 1, 2, "all ones: personal 100"},
        {six("5"), seven("3"), "0", "0", "0.0", 0, "50.0", 1, 1, "all fives: personal 0"},
        {six("3"), seven("3"), "0", "0", "50.0", 1, "50.0", 1, 1, "50 is moderate"},
        {{"1", "2", "2", "2", "2", "5"}, seven("5"), "0", "0", "66.7", 1, "14.3", 0, 1, "n=16"},
        {{"1", "2", "2", "2", "2", "4"}, seven("5"), "0", "0", "70.8", 2, "14.3", 0, 2, "n=17"},
        {six("5"), seven("1"), "0", "0", "0.0", 0, "85.7", 2, 2, "J07 reversed: all ones"},
        {six("5"), {"1", "1", "5", "5", "5", "5", "5"}, "0", "0", "0.0", 0, "42.9", 0, 0, "m=12"},
        {six("5"), {"1", "1", "4", "5", "5", "5", "5"}, "0", "0", "0.0", 0, "46.4", 1, 1, "m=13"},
        {six("5"), {"1", "1", "1", "5", "5", "5", "5"}, "0", "0", "0.0", 0, "57.1", 1, 1, "m=16"},
        {six("5"), {"1", "1", "1", "4", "5", "5", "5"}, "0", "0", "0.0", 0, "60.7", 2, 2, "m=17"},
        {six("2"), {"2", "2", "2", "2", "2", "2", "2"}, "0", "0", "75.0", 2, "67.9", 2, 2, "both severe"},
        {six("5"), seven("5"), "2", "0", "0.0", 0, "14.3", 0, 2, "overtime high"},
        {six("5"), seven("5"), "0", "1", "0.0", 0, "14.3", 0, 1, "work pattern medium"},
    };
    for (const auto& c : cases) {
        BurnoutScores s = scoreBurnout(c.i, c.j, c.x1, c.x2);
        EXPECT_EQ(QString::number(s.iScore, 'f', 1), c.iScore) << c.why;
        EXPECT_EQ(s.iRisk, c.iRisk) << c.why;
        EXPECT_EQ(QString::number(s.jScore, 'f', 1), c.jScore) << c.why;
        EXPECT_EQ(s.jRisk, c.jRisk) << c.why;
        EXPECT_EQ(s.workload, c.workload) << c.why;
    }
}
