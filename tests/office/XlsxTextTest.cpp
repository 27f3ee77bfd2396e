// Spreadsheet text rules: references, the colour palette, widths, sheet names, general numbers, date serials and
// formats, and the protection password hash.

#include "office/XlsxText.h"
#include "common/TestProgram.h"
#include "office/XlsxCellRef.h"
#include "office/XlsxPassword.h"

#include <gtest/gtest.h>

using namespace office;

TEST(XlsxCellRef, ParsesAndNamesCellsAndRanges) {
    EXPECT_EQ(xlsxColumnName(0), "A");
    EXPECT_EQ(xlsxColumnName(25), "Z");
    EXPECT_EQ(xlsxColumnName(26), "AA");
    EXPECT_EQ(xlsxColumnName(16383), "XFD");
    EXPECT_EQ(xlsxColumnName(16384), ""); // beyond the sheet
    EXPECT_EQ(xlsxCellName(11, 1), "B12");

    EXPECT_EQ(parseXlsxCell("B12"), (XlsxCellRef{11, 1}));
    EXPECT_EQ(parseXlsxCell("$c$3"), (XlsxCellRef{2, 2}));
    EXPECT_FALSE(parseXlsxCell("B0"));
    EXPECT_FALSE(parseXlsxCell("XFE1"));
    EXPECT_FALSE(parseXlsxCell("B1048577"));
    EXPECT_FALSE(parseXlsxCell("1B"));
    EXPECT_FALSE(parseXlsxCell(""));

    EXPECT_EQ(parseXlsxRange("F2:A1"), (XlsxRange{0, 0, 1, 5})); // corners in any order
    EXPECT_EQ(parseXlsxRange("L:L"), (XlsxRange{0, 11, kXlsxMaxRows - 1, 11}));
    EXPECT_EQ(parseXlsxRange("1:1"), (XlsxRange{0, 0, 0, kXlsxMaxColumns - 1}));
    EXPECT_FALSE(parseXlsxRange("A1:B")); // a cell and a column do not make a range
    EXPECT_EQ(xlsxRangeName({0, 0, 1, 5}), "A1:F2");
    EXPECT_EQ(xlsxRangeName({2, 2, 2, 2}), "C3");
}

TEST(XlsxText, LegacyPaletteMatchesExcelsColourIndexes) {
    // The values of the 56-colour palette as an independent library lists them (index 1 sits at position 8).
    const QString out = runPython("from openpyxl.styles.colors import COLOR_INDEX\n"
                                  "print(' '.join(c[2:] for c in COLOR_INDEX[8:64]))\n");
    const QStringList expected = out.trimmed().split(u' ');
    ASSERT_EQ(expected.size(), 56);
    for (int i = 1; i <= 56; ++i)
        EXPECT_EQ(QStringLiteral("%1").arg(xlsxColorIndex(i) & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(),
                  expected[i - 1])
            << "index " << i;
    EXPECT_EQ(xlsxColorIndex(10) & 0xFFFFFF, 0x008000u);
    EXPECT_EQ(xlsxColorIndex(0) & 0xFFFFFF, 0u);
}

TEST(XlsxText, DisplayWidthCountsWideCharactersTwice) {
    struct Case {
        QString text;
        int width;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 3},
        {"員工編號", 8},
        {"A_第一級", 8},
        {"ＡＢ", 4},                           // full-width Latin
        {QString::fromUcs4(U"\U00020BB7"), 2}, // a rare character beyond the basic plane
        {"短\n很長的一行", 10},                // the widest line
        {"ab\r\ncd", 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xlsxDisplayWidth(c.text), c.width) << c.text.toStdString();
    EXPECT_LT(xlsxFitWidth(4), xlsxFitWidth(4, 12, true));
    EXPECT_EQ(xlsxFitWidth(100000), 255.0);
}

TEST(XlsxText, SheetNamesFollowExcelsRules) {
    struct Case {
        QString name;
        QStringList taken;
        QString expected;
    };
    const Case cases[] = {
        {"個案列表", {}, "個案列表"},
        {"a[b]c:d*e?f/g\\h", {}, "a_b_c_d_e_f_g_h"},
        {"'quoted'", {}, "quoted"},
        {"", {}, "工作表"},
        {"''", {}, "工作表"},
        {"line\nbreak", {}, "line_break"},
        {"1234567890123456789012345678901234", {}, "1234567890123456789012345678901"},
        {"Data", {"data"}, "Data (2)"},
        {"Data", {"DATA", "Data (2)"}, "Data (3)"},
        {"1234567890123456789012345678901", {"1234567890123456789012345678901"}, "123456789012345678901234567 (2)"},
        {" 健康服務紀錄分析總表", {}, " 健康服務紀錄分析總表"}, // a leading blank is allowed
    };
    for (const Case& c : cases)
        EXPECT_EQ(xlsxCleanSheetName(c.name, c.taken), c.expected) << c.name.toStdString();
    // A pair of surrogates at the cut is never split.
    const QString rare = QString(30, u'a') + QString::fromUcs4(U"\U00020BB7");
    EXPECT_EQ(xlsxCleanSheetName(rare), QString(30, u'a'));
}

TEST(XlsxText, NumbersInGeneralForm) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {3, "3"},
        {3.5, "3.5"},
        {-12.25, "-12.25"},
        {0.1 + 0.2, "0.3"}, // binary noise disappears
        {123456789012345, "123456789012345"},
        {1234567890123456, "1.23456789012346E+15"},
        {1e20, "1E+20"},
        {1.5e-7, "1.5E-07"},
        {1e-10, "1E-10"},
        {2e100, "2E+100"},
        {0.001, "0.001"},
        {45292, "45292"},
        {170.0, "170"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xlsxGeneralNumber(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(XlsxText, DateFormatsAreRecognised) {
    struct Case {
        int id;
        const char* code;
        bool date;
    };
    const Case cases[] = {
        {0, "", false},
        {1, "", false},
        {14, "", true},
        {22, "", true},
        {45, "", true},
        {47, "", true},
        {49, "", false},
        {30, "", true},
        {57, "", true}, // East Asian built-in dates
        {164, "yyyy/mm/dd", true},
        {164, "0.00", false},
        {164, "#,##0\"元\"", false},
        {164, "\"day\"0", false},
        {164, "[Red]0.0", false},
        {164, "[h]:mm", true},
        {164, "[$-404]e/m/d", true},
        {164, "0.00E+00", false},
        {164, "General", false},
        {164, "\\d0", false},
        {164, "0;[Red]-0;\"h\"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xlsxIsDateFormat(c.id, QString::fromUtf8(c.code)), c.date) << c.id << " " << c.code;
}

TEST(XlsxText, DateSerialsBecomeTheProgramsDateText) {
    struct Case {
        double serial;
        bool date1904;
        const char* text;
    };
    const Case cases[] = {
        {45292, false, "2024/01/01"},
        {45292.5, false, "2024/01/01 12:00:00"},
        {45292.999999999, false, "2024/01/02"}, // rounds to the next midnight
        {0.75, false, "18:00:00"},              // a time alone
        {1, false, "1900/01/01"},
        {59, false, "1900/02/28"},
        {60, false, "1900/02/29"}, // Excel's own leap day
        {61, false, "1900/03/01"},
        {0, true, "1904/01/01"},
        {43830, true, "2024/01/01"},
        {-1, false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xlsxSerialToText(c.serial, c.date1904), QString::fromLatin1(c.text)) << c.serial;
}

TEST(XlsxText, EscapesDecode) {
    EXPECT_EQ(xlsxDecodeEscapes("a_x000D_b"), "a\rb");
    EXPECT_EQ(xlsxDecodeEscapes("_x005F_x0041_"), "_x0041_");
    EXPECT_EQ(xlsxDecodeEscapes("no_xescape"), "no_xescape");
}

TEST(XlsxPassword, LegacyHashMatchesKnownValues) {
    const char* passwords[] = {"PZPZ", "password", "", "abc", "Test123!", "a very long password 0123456789"};
    QString script = "from openpyxl.utils.protection import hash_password\nimport sys\n"
                     "for p in sys.argv[1:]: print(hash_password(p).rjust(4, '0'))\n";
    QStringList args;
    for (const char* p : passwords)
        args << QString::fromLatin1(p);
    // The independent formula holds up to 15 characters (Excel's limit for the legacy hash); the empty password is
    // checked on its own below.
    args.removeIf([](const QString& p) { return p.isEmpty() || p.size() > 15; });
    const QStringList expected = runPython(script, args).trimmed().split(u'\n');
    ASSERT_EQ(expected.size(), args.size());
    for (int i = 0; i < args.size(); ++i)
        EXPECT_EQ(xlsxLegacyPasswordHash(args[i]), expected[i]) << args[i].toStdString();
    EXPECT_EQ(xlsxLegacyPasswordHash("PZPZ"), "C8A7");
    EXPECT_EQ(xlsxLegacyPasswordHash(""), "CE4B");
    EXPECT_EQ(xlsxLegacyPasswordHash("a very long password 0123456789").size(), 4); // still 16 bits
}
