// The work-item statistics: the counts per work item of a small log with known answers (both period ends included,
// every item counted, also after an item without text), and the statutory form read back with openpyxl.

#include "reports/ServiceItemStats.h"
#include "reports/LogReportTestSupport.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace reports;
using namespace reports::test;

namespace {

const char* const kFirstAid = "工作相關傷病之預防、健康諮詢與急救及緊急處置。";
const char* const kHealthCheck = "勞工體格（健康）檢查結果之分析與評估、健康管理及資料保存。";
const char* const kEducation = "勞工之健康教育、衛生指導、身心健康保護、健康促進等措施之策劃及實施。";

class ServiceItemStatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0));
        ASSERT_TRUE(tp.start());
        seedSmallLog(tp.db());
    }
    qint64 countOf(const ServiceItemStats& s, const QString& item) {
        for (const auto& i : s.items)
            if (i.item == item) return i.count;
        ADD_FAILURE() << "no item " << item.toStdString();
        return -1;
    }
    TestProgram tp{true};
};

} // namespace

TEST_F(ServiceItemStatsTest, EveryItemCountedWithBothPeriodEnds) {
    struct Case {
        const char* from;
        const char* to;
        const char* keyword;
        qint64 firstAid, healthCheck, education, ownItem;
        const char* why;
    };
    const Case cases[] = {
        {kFrom, kTo, "", 6, 1, 1, 1, "both ends included: A01 on the first day, B01 on the last"},
        {"2019/03/02", "2020/01/30", "", 4, 1, 1, 1, "a day in from each end loses both"},
        {kFrom, kTo, "製造部", 3, 1, 0, 1, "a department"},
        {kFrom, kTo, "O'Brien", 0, 0, 1, 0, "an apostrophe in the keyword"},
        {kFrom, kTo, "R&D_", 1, 0, 0, 0, "an underscore is itself"},
        {"2021/01/01", "2021/12/31", "", 0, 0, 0, 0, "an empty period"},
    };
    for (const Case& c : cases) {
        const ServiceItemStats s = computeServiceItemStats(tp.db(), ReportPeriod{c.from, c.to}, c.keyword);
        EXPECT_EQ(countOf(s, kFirstAid), c.firstAid) << c.why;
        EXPECT_EQ(countOf(s, kHealthCheck), c.healthCheck) << c.why;
        EXPECT_EQ(countOf(s, kEducation), c.education) << c.why;
        EXPECT_EQ(countOf(s, "自訂'項目%"), c.ownItem) << c.why;
    }

    const ServiceItemStats s = computeServiceItemStats(tp.db(), ReportPeriod{kFrom, kTo}, {});
    ASSERT_EQ(s.items.size(), 16u); // fourteen shipped items and the two added, in MainCode order
    EXPECT_EQ(s.items[0].item, ""); // an item without text counts nothing (A90 names no item either)...
    EXPECT_EQ(s.items[0].count, 0);
    EXPECT_EQ(s.items[1].item, "自訂'項目%"); // ...and the items after it are still counted
    EXPECT_EQ(s.items[1].count, 1);
    EXPECT_EQ(s.items[2].type, "現場訪視");
}

TEST_F(ServiceItemStatsTest, FormReadBack) {
    BuildServiceItemStatsWorkbook(tp.program(), kFrom, kTo, {});
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"完成"});
    const QString path = localPath(tp.ui().opened[0]);
    EXPECT_TRUE(path.startsWith(tp.folder() + "/報表暫存/健康服務工作要項_統計分析_"));
    const QJsonObject wb = readBack(
        path, {"A1", "E1", "F1", "A2", "B2", "C2", "D2", "A3", "B4", "C3", "C4", "D3", "F18", "C16", "B16", "A19"});
    QStringList sheets;
    for (const auto& v : wb["sheets"].toArray())
        sheets << v.toString();
    EXPECT_EQ(sheets, (QStringList{"附表八 勞工健康服務執行紀錄表_3-5項", "健康服務工作要項", "工作表3"}));

    const QJsonObject form = wb[sheets[0]].toObject();
    EXPECT_EQ(form["merges"].toArray(), (QJsonArray{"A1:D1", "E1:E2", "F1:F2"}));
    const QJsonObject c = form["cells"].toObject();
    EXPECT_EQ(c["A1"].toString(), "三、臨場健康服務執行情形");
    EXPECT_EQ(c["E1"].toString(), "四、建議採行措施\n(針對發現問題所採行之措施)  ");
    EXPECT_EQ(c["F1"].toString(), "五、對於前次建議改善事項之追蹤辦理情形 ");
    EXPECT_EQ(c["A2"].toString(), "Type");
    EXPECT_EQ(c["B2"].toString(), "健康服務工作要項");
    EXPECT_EQ(c["C2"].toString(), "已完成案件數 ");
    EXPECT_EQ(c["D2"].toString(), "發現問題 ");
    EXPECT_EQ(c["A3"].toString(), "其他");
    EXPECT_EQ(c["C3"].toInt(), 0);
    EXPECT_EQ(c["B4"].toString(), "自訂'項目%");
    EXPECT_EQ(c["C4"].toInt(), 1);
    EXPECT_EQ(c["B16"].toString(), kFirstAid);
    EXPECT_EQ(c["C16"].toInt(), 6);
    EXPECT_EQ(c["D3"].toString(), "User 自填");
    EXPECT_EQ(c["F18"].toString(), "User 自填"); // the last item
    EXPECT_FALSE(c.contains("A19"));
    EXPECT_EQ(form["maxRow"].toInt(), 18);

    const QJsonObject fills = form["fills"].toObject();
    EXPECT_EQ(fills["A1"].toString(), "006666");
    EXPECT_EQ(fills["A2"].toString(), "8A95A9");
    EXPECT_EQ(fills["D2"].toString(), "8A95A9");
    EXPECT_EQ(fills["E1"].toString(), "AB545A");
    EXPECT_EQ(fills["F1"].toString(), "D89C7A");
    EXPECT_FALSE(fills.contains("C3"));
    const QJsonObject fonts = form["fonts"].toObject();
    for (const char* ref : {"A1", "E1", "A2", "C2"})
        EXPECT_EQ(fonts[ref].toString(), "微軟正黑體|14.0|True|FFFFE1") << ref;
    EXPECT_TRUE(fonts["D3"].toString().endsWith("|AEA9A6"));
    const QJsonObject widths = form["widths"].toObject();
    // Widths as stored, with the padding Excel adds to the width it shows.
    EXPECT_NEAR(widths["A"].toDouble(), 20, 1);
    EXPECT_NEAR(widths["B"].toDouble(), 48, 1);
    EXPECT_NEAR(widths["C"].toDouble(), 20, 1);
    EXPECT_NEAR(widths["D"].toDouble(), 32, 1); // D to F
    EXPECT_TRUE(form["filter"].toString().startsWith("A2:"));
    // The heading rows keep a height that shows the wrapped headings of E and F whole in any reader; the form prints
    // on landscape A4, its columns fitted to the page width.
    EXPECT_EQ(runPython("import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                        "print(*[ws.row_dimensions[r].height for r in (1, 2, 3)], ws.page_setup.orientation,"
                        " ws.page_setup.paperSize, ws.sheet_properties.pageSetUpPr.fitToPage,"
                        " ws.page_setup.fitToWidth, ws.page_setup.fitToHeight)\n",
                        {path})
                  .trimmed(),
              "30.0 30.0 None landscape 9 True None 0");

    const QJsonObject codes = wb["健康服務工作要項"].toObject();
    EXPECT_EQ(codes["cells"].toObject()["A1"].toString(), "MainCode");
    EXPECT_EQ(codes["maxRow"].toInt(), 1 + tp.db().scalar("SELECT COUNT(*) FROM NursingCode").toInt());
}

TEST_F(ServiceItemStatsTest, TwoItemsOfTheSameWordingCountAnEntryOnce) {
    // Articles 9 and 11 both end with "其他經中央主管機關指定公告者。"; X06 names that text. Its two entries count
    // under the first of the two items in the form's order only, and column C adds up to the entries that name an
    // item: the nine of the small log (A90 names none) and the two of X06.
    tp.db().execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 人員身份, 事件代碼, 嚴重代碼) VALUES (?, ?, ?, "
                      "?, ?)",
                      {{"o1", "2019/05/01", "員工", "X06", "1"}, {"o2", "2019/05/02", "員工", "X06", "1"}});
    BuildServiceItemStatsWorkbook(tp.program(), kFrom, kTo, {});
    ASSERT_EQ(tp.ui().opened.size(), 1);
    QStringList refs;
    for (int row = 3; row <= 18; ++row)
        refs << QString("B%1").arg(row) << QString("C%1").arg(row);
    const QJsonObject c = readBack(localPath(tp.ui().opened[0]), refs)["附表八 勞工健康服務執行紀錄表_3-5項"]
                              .toObject()["cells"]
                              .toObject();
    int total = 0;
    QStringList countsOfTheWording;
    for (int row = 3; row <= 18; ++row) {
        total += c[QString("C%1").arg(row)].toInt();
        if (c[QString("B%1").arg(row)].toString() == "其他經中央主管機關指定公告者。")
            countsOfTheWording << QString("%1:%2").arg(row).arg(c[QString("C%1").arg(row)].toInt());
    }
    EXPECT_EQ(countsOfTheWording, (QStringList{"9:2", "18:0"}));
    EXPECT_EQ(total, 11);
}

TEST_F(ServiceItemStatsTest, AnEmptyItemListLeavesTheTwoHeadingRows) {
    tp.db().exec("DELETE FROM ListOHS");
    BuildServiceItemStatsWorkbook(tp.program(), kFrom, kTo, {});
    ASSERT_EQ(tp.ui().opened.size(), 1);
    const QJsonObject wb = readBack(localPath(tp.ui().opened[0]), {"A1", "A3"});
    const QJsonObject form = wb["附表八 勞工健康服務執行紀錄表_3-5項"].toObject();
    EXPECT_EQ(form["maxRow"].toInt(), 2);
    EXPECT_FALSE(form["cells"].toObject().contains("A3"));
}

TEST_F(ServiceItemStatsTest, DateChecksCreateNothing) {
    BuildServiceItemStatsWorkbook(tp.program(), "", kTo, {});
    BuildServiceItemStatsWorkbook(tp.program(), kFrom, "2020/31/01", {});
    ASSERT_EQ(tp.ui().shown.size(), 2);
    EXPECT_EQ(tp.ui().shown[0].text, "未選定日期");
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_EQ(tp.ui().shown[1].text, "日期範圍不為日期格式");
    EXPECT_EQ(tp.ui().shown[1].icon, Ui::Icon::None);
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}
