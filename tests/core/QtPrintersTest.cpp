// Failure messages show Qt values as their text.

#include <gtest/gtest.h>

TEST(QtPrinters, QtValuesPrintAsTheirText) {
    EXPECT_EQ(::testing::PrintToString(QStringLiteral("abc焊錫")), "\"abc焊錫\"");
    EXPECT_EQ(::testing::PrintToString(QStringList{"是", "否"}), "{\"是\", \"否\"}");
    EXPECT_EQ(::testing::PrintToString(QVariant(QStringLiteral("確定"))), "\"確定\"");
    EXPECT_EQ(::testing::PrintToString(QVariant()), "NULL");
    EXPECT_EQ(::testing::PrintToString(QDate(2026, 12, 7)), "2026-12-07");
}
