// The date and number rules every Part leans on: strict dates, month differences, Format rounding, IsNumeric, Val.

#include "core/DateNumberRules.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace rules;

TEST(Dates, StrictParsingAcceptsOnlyRealYearFirstDates) {
    struct Case {
        const char* text;
        const char* normalized; // "" = no date
    } cases[] = {
        {"2024/02/29", "2024/02/29"}, // leap day
        {"2023/02/29", ""},           // no leap year
        {"1900/02/29", ""},           // century, not a leap year
        {"2000/02/29", "2000/02/29"}, // 400-year leap year
        {"2024/4/5", "2024/04/05"},   // one-digit parts padded
        {"2024-04-05", "2024/04/05"}, // hyphens
        {"2024/04-05", ""},           // mixed separators
        {"2024/13/01", ""},
        {"2024/04/31", ""}, // April has 30 days
        {"2024/12/31", "2024/12/31"},
        {"05/04/2024", ""}, // day first
        {"24/04/05", ""},   // two-digit year
        {"", ""},
        {"abc", ""},
        {" 2024/01/02 ", "2024/01/02"},
        {"2024/01/02 13:45:10", "2024/01/02"},
        {"2024/01/02 25:00:00", ""},
        {"2024/01/02x", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalizeDate(QString::fromUtf8(c.text)), QString::fromUtf8(c.normalized)) << c.text;
        EXPECT_EQ(isDate(QString::fromUtf8(c.text)), *c.normalized != 0) << c.text;
    }
}

TEST(Dates, DateTimeTextKeepsTheTime) {
    auto dt = parseDateTime(QStringLiteral("2024/1/2 3:04"));
    ASSERT_TRUE(dt);
    EXPECT_EQ(dateTimeText(*dt), QStringLiteral("2024/01/02 03:04:00"));
}

TEST(Dates, MonthDiffCountsMonthBoundaries) {
    struct Case {
        QDate from, to;
        int months;
    } cases[] = {
        {{2024, 1, 31}, {2024, 2, 1}, 1},    // one boundary, one day apart
        {{2024, 1, 1}, {2024, 1, 31}, 0},    // same month
        {{2023, 12, 31}, {2024, 1, 1}, 1},   // across the year
        {{2024, 3, 15}, {2023, 3, 15}, -12}, // backwards
        {{2024, 2, 29}, {2025, 2, 28}, 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(monthDiff(c.from, c.to), c.months) << c.from.toString().toStdString();
    EXPECT_EQ(yearDiff({2023, 12, 31}, {2024, 1, 1}), 1);
}

TEST(Dates, AgeCountsCompletedYears) {
    EXPECT_EQ(ageOn({1980, 6, 15}, {2024, 6, 14}), 43);
    EXPECT_EQ(ageOn({1980, 6, 15}, {2024, 6, 15}), 44);
    // A birthday on 29 February comes on 1 March in a common year.
    EXPECT_EQ(ageOn({2000, 2, 29}, {2023, 2, 28}), 22);
    EXPECT_EQ(ageOn({2000, 2, 29}, {2023, 3, 1}), 23);
    EXPECT_EQ(ageOn({2000, 2, 29}, {2024, 2, 29}), 24);
}

TEST(NumberFormat, HalvesRoundAwayFromZero) {
    struct Case {
        double v;
        const char* pattern;
        const char* out;
    } cases[] = {
        {2.5, "0", "3"},
        {3.5, "0", "4"},
        {-2.5, "0", "-3"},
        {0.4, "0", "0"},
        {-0.4, "0", "0"},
        {2.675, "0.00", "2.68"}, // the decimal value, not the binary one
        {1.05, "0.0", "1.1"},
        {1.0, "0.0", "1.0"},
        {99.95, "0.0", "100.0"},
        {7, "000", "007"},
        {1234, "000", "1234"},
        {0.125, "0.00%", "12.50%"},
        {0.5, "0%", "50%"},
        {0.00005, "0.00%", "0.01%"},
        {58.333333, "0.0", "58.3"},
        {41.666666, "0.0", "41.7"},
        {0, "0.0", "0.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(format(c.v, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.out)) << c.v << " " << c.pattern;
    EXPECT_DOUBLE_EQ(roundHalfAway(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(roundHalfAway(-1.5, 0), -2.0);
}

TEST(NumberFormat, GeneralNumberHasNoTrailingZeros) {
    EXPECT_EQ(generalNumber(3.0), QStringLiteral("3"));
    EXPECT_EQ(generalNumber(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(generalNumber(-12.5), QStringLiteral("-12.5"));
    EXPECT_EQ(generalNumber(123456789012345.0), QStringLiteral("123456789012345"));
    EXPECT_EQ(generalNumber(0), QStringLiteral("0"));
}

TEST(Numbers, IsNumericIsStrict) {
    for (const char* yes : {"0", "12", "-3", "+4", "1.5", ".5", "5.", " 7 ", "1e3", "2.5E-2"})
        EXPECT_TRUE(isNumeric(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"", " ", "1,000", "$5", "&H10", "1.2.3", "12a", "--1", "e5", "١٢", "１２", "."})
        EXPECT_FALSE(isNumeric(QString::fromUtf8(no))) << no;
}

TEST(Numbers, ValReadsTheNumericPrefix) {
    EXPECT_DOUBLE_EQ(val(QStringLiteral("  1615 198th Street")), 1615198.0); // blanks are dropped first
    EXPECT_DOUBLE_EQ(val(QStringLiteral("12.5kg")), 12.5);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("-3")), -3.0);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("")), 0.0);
    EXPECT_DOUBLE_EQ(val(QStringLiteral("1e2x")), 100.0);
}

TEST(DateNumberRules, HandWrittenReadersAgreeWithTheirPatterns) {
    // The date and number readers are written by hand for speed; they must accept exactly what these patterns do.
    const QRegularExpression date(
        QStringLiteral("^\\s*(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})(?:[ T]+(\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
    const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    const char* const texts[] = {
        "2024/01/02",
        "2024/1/2",
        " 2024/01/02\t",
        "2024/01/02 ",
        "2024/01/02T",
        "2024/01/02T13:45",
        "2024/01/02 T 9:05",
        "2024/01/02  13:45",
        "2024/01/02\t13:45",
        "2024/01/02 13:4",
        "2024/01/02 13:45:0",
        "2024/01/02 123:45",
        "2024/01/02 13:45:",
        "2024/01/02 13:45:07",
        "2024/01/02 1:07:59 ",
        "2024/001/02",
        "2024/01/002",
        "12024/01/02",
        "2024//01",
        "2024/01",
        "2024-01/02",
        "2024-1-2 7:30",
        "2024/01/02x",
        "x2024/01/02",
        "2024/1/2 13",
        "2024/1/2 ：",
        "２０２４/01/02",
        "",
        " ",
        "0",
        "12",
        "-3",
        "+4",
        "1.5",
        ".5",
        "5.",
        " 7 ",
        "1e3",
        "2.5E-2",
        "1e",
        "1e+",
        "e5",
        "+-1",
        "--1",
        "1.2.3",
        "\v5\f",
        "5\r\n",
        "١٢",
        "１２",
        ".",
        "+.5e+3",
        "-0.",
        "1 2",
        "0x10",
        "inf",
    };
    for (const char* t : texts) {
        const QString text = QString::fromUtf8(t);
        const QRegularExpressionMatch m = date.match(text);
        bool dateExpected = false;
        if (m.hasMatch()) {
            const QDate d(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
            const QTime time = m.capturedLength(5) > 0 ? QTime(m.captured(5).toInt(), m.captured(6).toInt(),
                                                               m.capturedLength(7) > 0 ? m.captured(7).toInt() : 0)
                                                       : QTime(0, 0);
            dateExpected = d.isValid() && time.isValid();
            if (dateExpected) {
                EXPECT_EQ(parseDateTime(text), QDateTime(d, time)) << t;
            }
        }
        EXPECT_EQ(isDate(text), dateExpected) << t;
        EXPECT_EQ(isNumeric(text), number.match(text).hasMatch()) << t;
    }
    EXPECT_EQ(dateText(QDate(2024, 1, 2)), "2024/01/02");
    EXPECT_EQ(dateText(QDate(987, 12, 31)), "0987/12/31");
    EXPECT_EQ(dateText(QDate()), "");
}
