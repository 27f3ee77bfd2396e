// The statistics of the log by event category and month: the numbers of a small log with known answers, the period
// and keyword conditions, the date checks, and the workbook read back.

#include "reports/LogStatistics.h"
#include "reports/LogReportTestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <gtest/gtest.h>

using namespace reports;
using namespace reports::test;

namespace {

const ReportPeriod kPeriod{kFrom, kTo};

const CategoryStatistics* find(const LogStatistics& s, const QString& name) {
    for (const auto& c : s.categories)
        if (c.category.name() == name) return &c;
    return nullptr;
}

qint64 entries(const LogStatistics& s) {
    qint64 n = 0;
    for (const auto& c : s.categories)
        n += c.total;
    return n;
}

class LogStatisticsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0));
        ASSERT_TRUE(tp.start());
        seedSmallLog(tp.db());
    }
    TestProgram tp{true};
};

} // namespace

TEST_F(LogStatisticsTest, CategoriesByLetterAndTypeWithSharesAddingUp) {
    const LogStatistics s = computeLogStatistics(tp.db(), kPeriod, {});
    QStringList names;
    for (const auto& c : s.categories)
        names << c.category.name();
    EXPECT_EQ(names, (QStringList{"A_一般疾病（內科）", "A_其他內科", "B_外傷處置（非職業）", "C_健康諮詢與衛教",
                                  "D_健康管理追蹤", "E_環境", "X_職場訪視及其他服務", "Y_職傷意外"}));

    // Two types under one letter each have their own total: 3 and 1, not "the first type row" for both.
    const CategoryStatistics* a = find(s, "A_一般疾病（內科）");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->total, 3);
    ASSERT_EQ(a->items.size(), 2u);
    EXPECT_EQ(a->items[0].code, "A01");
    EXPECT_EQ(a->items[0].count, 2); // the first day of the period counts, the days outside do not
    EXPECT_EQ(a->items[1].code, "A02");
    const CategoryStatistics* other = find(s, "A_其他內科");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->total, 1);
    ASSERT_EQ(other->items.size(), 1u);
    EXPECT_EQ(other->items[0].note, "其他內科事件");
    // Equal counts keep the code order; the last day of the period counts.
    const CategoryStatistics* b = find(s, "B_外傷處置（非職業）");
    ASSERT_TRUE(b);
    ASSERT_EQ(b->items.size(), 2u);
    EXPECT_EQ(b->items[0].code, "B01");
    EXPECT_EQ(b->items[1].code, "B02");
    EXPECT_TRUE(find(s, "E_環境")->items.empty());

    for (const auto& c : s.categories) {
        if (c.items.empty()) continue;
        double sum = 0;
        qint64 counted = 0;
        for (const auto& item : c.items) {
            sum += item.share;
            counted += item.count;
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << c.category.name().toStdString();
        EXPECT_EQ(counted, c.total) << c.category.name().toStdString();
    }
    EXPECT_EQ(entries(s), 10);
}

TEST_F(LogStatisticsTest, MonthColumnsInCalendarOrderAcrossYears) {
    const LogStatistics s = computeLogStatistics(tp.db(), kPeriod, {});
    const QStringList months{"2019.03月份", "2019.12月份", "2020.01月份"};
    EXPECT_EQ(s.byCategory.months, months);
    EXPECT_EQ(s.byItem.months, months);
    ASSERT_EQ(s.byCategory.rows.size(), 7u); // E_環境 has no entries and no row
    EXPECT_EQ(s.byCategory.rows[0].label, "A_一般疾病（內科）");
    EXPECT_EQ(s.byCategory.rows[0].counts, (std::vector<qint64>{2, 1, 0}));
    EXPECT_EQ(s.byCategory.rows[2].label, "B_外傷處置（非職業）");
    EXPECT_EQ(s.byCategory.rows[2].counts, (std::vector<qint64>{0, 0, 2}));
    ASSERT_FALSE(s.byItem.rows.empty());
    EXPECT_EQ(s.byItem.rows[0].label, "A01_頭痛／頭暈 評估與處置");
    EXPECT_EQ(s.byItem.rows[0].counts, (std::vector<qint64>{2, 0, 0}));

    EXPECT_EQ(monthHeading("2019/03/05"), "2019.03月份");
    EXPECT_EQ(monthHeading("2020/12/31"), "2020.12月份");
}

TEST_F(LogStatisticsTest, DepartmentKeywordMatchesItsCharactersAsTyped) {
    struct Case {
        const char* keyword;
        qint64 entries;
        const char* why;
    };
    const Case cases[] = {
        {"", 10, "no keyword: every department"},
        {"製造部", 6, "part of the name"},
        {"造", 6, "one character anywhere"},
        {"R&D_%", 1, "underscore and percent are themselves"},
        {"R&D_", 1, "an underscore does not stand for any character (R&Dx1部)"},
        {"%", 1, "a lone percent finds only a department holding one"},
        {"_", 1, "a lone underscore finds only a department holding one"},
        {"O'Brien", 1, "an apostrophe"},
        {"\\", 0, "a backslash is itself"},
        {"  製造部 ", 6, "blanks around the keyword do not count"},
        {"人事部", 0, "nothing matches"},
    };
    for (const Case& c : cases) {
        const LogStatistics s = computeLogStatistics(tp.db(), kPeriod, QString::fromUtf8(c.keyword));
        EXPECT_EQ(entries(s), c.entries) << c.why;
    }
}

TEST_F(LogStatisticsTest, PeriodChecksComeFirstAndCreateNothing) {
    struct Case {
        const char* from;
        const char* to;
        const char* message;
        Ui::Icon icon;
    };
    const Case cases[] = {
        {"", kTo, "未選定日期", Ui::Icon::Critical},
        {kFrom, "   ", "未選定日期", Ui::Icon::Critical},
        {"2019/13/01", kTo, "日期範圍不為日期格式", Ui::Icon::None},
        {kFrom, "2020/02/30", "日期範圍不為日期格式", Ui::Icon::None},
        {"今天", kTo, "日期範圍不為日期格式", Ui::Icon::None},
    };
    for (const Case& c : cases) {
        tp.ui().shown.clear();
        BuildNursingLogStatsWorkbook(tp.program(), c.from, c.to, {});
        ASSERT_EQ(tp.ui().shown.size(), 1) << c.message;
        EXPECT_EQ(tp.ui().shown[0].text, c.message);
        EXPECT_EQ(tp.ui().shown[0].icon, c.icon);
        EXPECT_EQ(tp.ui().shown[0].title, tp.ui().programTitle());
    }
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_FALSE(QDir(tp.folder() + "/報表暫存").exists());
    EXPECT_FALSE(QDir(tp.folder() + "/DataBase/健康服務紀錄統計").exists());
}

TEST_F(LogStatisticsTest, WorkbookReadBack) {
    QStringList progress;
    BuildNursingLogStatsWorkbook(tp.program(), kFrom, kTo, {}, [&](const QString& text, int value) {
        progress << text.section("\r\n", 0, 0) + QString(" %1").arg(value);
    });
    ASSERT_EQ(tp.ui().opened.size(), 2); // the statistics, then the summary
    EXPECT_EQ(progress.first(), "【A_一般疾病（內科） 】統計圖 13");
    EXPECT_EQ(progress[7], "【Y_職傷意外 】統計圖 100");
    EXPECT_EQ(progress.last(), "【職傷意外記錄 】統計報表. 100");
    const QString path = localPath(tp.ui().opened[0]);
    EXPECT_TRUE(path.startsWith(tp.folder() + "/報表暫存/"));
    const QJsonObject wb = readBack(path, {"A1", "B1", "C1", "D1", "A2", "B2", "C2", "D2", "A3", "D3"});
    QStringList sheets;
    for (const auto& v : wb["sheets"].toArray())
        sheets << v.toString();
    ASSERT_EQ(sheets.size(), 11);
    EXPECT_EQ(sheets[0], "A_一般疾病（內科）");
    EXPECT_EQ(sheets[5], "E_環境");
    EXPECT_EQ(sheets[7], "Y_職傷意外");
    EXPECT_EQ(sheets[8], "各月份大類比較");
    EXPECT_EQ(sheets[9], "各月份細類比較");

    const QJsonObject a = wb[sheets[0]].toObject();
    const QJsonObject cells = a["cells"].toObject();
    EXPECT_EQ(cells["A1"].toString(), "事件代碼");
    EXPECT_EQ(cells["C1"].toString(), "人數");
    EXPECT_EQ(cells["D1"].toString(), "百分比");
    EXPECT_EQ(cells["A2"].toString(), "A01");
    EXPECT_EQ(cells["C2"].toInt(), 2); // a number, which the chart reads
    EXPECT_EQ(cells["D2"].toString(), "66.67%");
    EXPECT_EQ(cells["D3"].toString(), "33.33%");
    EXPECT_EQ(a["charts"].toInt(), 1);
    EXPECT_EQ(a["fonts"].toObject()["A1"].toString(), "Arial|12.0|True|FFFFFF");
    EXPECT_EQ(wb["E_環境"].toObject()["charts"].toInt(), 0); // named, empty, no chart
    EXPECT_EQ(wb["E_環境"].toObject()["cells"].toObject().size(), 0);

    const QJsonObject cross = wb["各月份大類比較"].toObject();
    const QJsonObject cc = cross["cells"].toObject();
    EXPECT_EQ(cc["A1"].toString(), "傷害分類");
    EXPECT_EQ(cc["B1"].toString(), "2019.03月份");
    EXPECT_EQ(cc["C1"].toString(), "2019.12月份");
    EXPECT_EQ(cc["D1"].toString(), "2020.01月份");
    EXPECT_EQ(cc["A2"].toString(), "A_一般疾病（內科）");
    EXPECT_EQ(cc["B2"].toString(), "2");
    EXPECT_FALSE(cc.contains("D2")); // no entry that month: blank
    EXPECT_FALSE(cross["filter"].toString().isEmpty());
    EXPECT_TRUE(wb["各月份細類比較"].toObject()["filter"].toString().isEmpty());
}

TEST_F(LogStatisticsTest, TheBarsHaveTheirOneColourFill) {
    BuildNursingLogStatsWorkbook(tp.program(), kFrom, kTo, {});
    ASSERT_FALSE(tp.ui().opened.isEmpty());
    // The fill of the series (colour index 55), not the theme's accent the chart would take.
    const QString fills =
        runPython("import re, sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                  "xml = z.read(sorted(n for n in z.namelist() if n.startswith('xl/charts/chart'))[0]).decode()\n"
                  "ser = re.search(r'<c:ser>.*?</c:ser>', xml, re.S).group(0)\n"
                  "print(*re.findall(r'<a:solidFill><a:srgbClr val=\"([0-9A-F]+)\"', ser))\n",
                  {localPath(tp.ui().opened[0])});
    EXPECT_EQ(fills.trimmed(), QString("333399"));
}

TEST_F(LogStatisticsTest, MoreCategoriesThanTheElevenSheetsGetSheetsOfTheirOwn) {
    std::vector<QVariantList> codes;
    for (char letter = 'F'; letter <= 'P'; ++letter)
        codes.push_back({QString(QChar(letter)) + "01", QString("類別%1").arg(letter), "事件", ""});
    tp.db().execBatch("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES (?, ?, ?, ?)", codes);
    // A type that is no valid sheet name as it stands.
    codes.push_back({"Q02", "內科/外科:急診?", "事件", ""});
    tp.db().execBatch("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES (?, ?, ?, ?)",
                      {codes.back()});
    tp.db().exec("INSERT INTO NursingBook (SerialX, 記錄日期, 事件代碼) VALUES ('P', '2019/05/05', 'P01')");
    const LogStatistics s = computeLogStatistics(tp.db(), kPeriod, {});
    ASSERT_EQ(s.categories.size(), 20u);
    EXPECT_EQ(find(s, "P_類別P")->total, 1);
    EXPECT_EQ(s.categories.back().category.name(), "Y_職傷意外");
    BuildNursingLogStatsWorkbook(tp.program(), kFrom, kTo, {});
    ASSERT_FALSE(tp.ui().opened.isEmpty());
    const QJsonObject wb = readBack(localPath(tp.ui().opened[0]), {"A2"});
    QStringList sheets;
    for (const auto& v : wb["sheets"].toArray())
        sheets << v.toString();
    ASSERT_EQ(sheets.size(), 22);
    for (int i = 0; i < 20; ++i)
        if (s.categories[size_t(i)].category.letter != "Q" || s.categories[size_t(i)].category.type == "類別Q") {
            EXPECT_EQ(sheets[i], s.categories[size_t(i)].category.name());
        }
    EXPECT_TRUE(sheets.contains("Q_內科_外科_急診_"));
    EXPECT_EQ(sheets[20], "各月份大類比較");
    EXPECT_EQ(sheets[21], "各月份細類比較");
    EXPECT_EQ(wb["P_類別P"].toObject()["cells"].toObject()["A2"].toString(), "P01");
    EXPECT_EQ(wb["P_類別P"].toObject()["charts"].toInt(), 1);
}
