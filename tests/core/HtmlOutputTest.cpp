// The web page: fixed head, title, time, escaping, the attachment link, and the list-view table.

#include "core/HtmlOutput.h"
#include "common/TestProgram.h"

#include <QFile>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
QString readPage(TestProgram& tp) {
    QFile f(htmlPagePath(tp.program()));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}
} // namespace

TEST(HtmlOutput, PageHasHeadTitleTimeAndEscapedBody) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.ui().clock = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
    ASSERT_TRUE(ShowHtmlText(tp.program(), "除錯訊息 <A&B>", "<p>本文</p>"));
    const QString page = readPage(tp);
    EXPECT_TRUE(page.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(page.contains("<title>除錯訊息 &lt;A&amp;B&gt;</title>"));
    EXPECT_TRUE(page.contains("2026/01/02 03:04:05"));
    EXPECT_TRUE(page.contains("<P></P>\n<P></P>\n<p>本文</p>"));
    ASSERT_EQ(tp.ui().opened.size(), 1);
    EXPECT_TRUE(tp.ui().opened.first().startsWith("file:///"));
    EXPECT_TRUE(tp.ui().opened.first().endsWith("DataBase/DebugStr.html"));
}

TEST(HtmlOutput, RecordsetValuesAreEscapedAndAttachmentsLinked) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    tp.db().execBatch("INSERT INTO NursingBook (SerialX, 人員姓名, xPDF) VALUES (?, ?, ?)",
                      {{"240101120000", "<script>王</script>", "240101120000_報告 1.pdf"},
                       {"240101120001", "A&B", "-"},
                       {"240101120002", "O'Neil", QVariant()}});
    Recordset rs = tp.db().query("SELECT SerialX, 人員姓名, xPDF FROM NursingBook ORDER BY SerialX");
    ASSERT_TRUE(ShowRecordsetAsHtml(tp.program(), "員工編號: A1 [健康服務紀錄] ", rs, "圖例說明"));
    const QString page = readPage(tp);
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_TRUE(page.contains("&lt;script&gt;王&lt;/script&gt;"));
    EXPECT_TRUE(page.contains("<td>A&amp;B</td>"));
    EXPECT_TRUE(page.contains("<td>O&#x27;Neil</td>") || page.contains("<td>O'Neil</td>"));
    // One link, to the attachment folder, with the file name encoded; "-" and empty mean none.
    EXPECT_EQ(page.count("<a href="), 1);
    EXPECT_TRUE(page.contains("%E9%99%84%E4%BB%B6%E8%B3%87%E6%96%99/240101120000_") ||
                page.contains("附件資料/240101120000_"));
    EXPECT_TRUE(page.contains("<td>-</td>"));
    EXPECT_TRUE(page.contains("圖例說明<P><P>"));
    EXPECT_TRUE(page.contains("<th>SerialX</th><th>人員姓名</th><th>xPDF</th>"));
}

TEST(HtmlOutput, ListViewTableHasCaptionsAndRows) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    QTreeWidget list;
    list.setHeaderLabels({"姓名", "員工編號"});
    new QTreeWidgetItem(&list, QStringList{"王<一>", "A1"});
    new QTreeWidgetItem(&list, QStringList{"李二", "A2"});
    ASSERT_TRUE(ShowListViewAsHtml(tp.program(), &list, "人事資料查詢"));
    const QString page = readPage(tp);
    EXPECT_TRUE(page.contains("<tr><th>姓名</th><th>員工編號</th></tr>"));
    EXPECT_TRUE(page.contains("<tr><td>王&lt;一&gt;</td><td>A1</td></tr>"));
    EXPECT_TRUE(page.contains("<tr><td>李二</td><td>A2</td></tr>"));
}
