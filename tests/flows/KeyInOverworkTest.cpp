// The overwork assessment of one person from the menu "單筆鍵入" through the grading, the history and the print.

#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "keyin/Install.h"
#include "keyin/KeyInTestSupport.h"
#include "keyin/OverworkDialog.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

const QString kQuestion = "資料格式正確, 匯入成功, \r\n\r\n是否要匯入本次資料做為歷史資料累積之用途";
const QString kStored = "過負荷評估\r\n【健檢】【過勞問卷】已寫入資料庫\r\n\r\n載入個人套表 (Excel + Word)";

// Keys in every item tree by tree: a click on the first item, then an answer and Enter for each.
void keyInEverything(OverworkDialog& d) {
    const QList<QStringList> trees = {
        {"2025", "陳大同", "E010", "D100", "行政部", "2", "1975/01/15"},
        {"2025/05/20", "160", "55", "70", "118", "76", "90", "180", "100", "55", "100", "0", "高血壓", "0"},
        {"3", "3", "3", "3", "3", "3", "2", "2", "2", "2", "2", "2", "2", "1", "0", "輪班"},
    };
    keyInTrees(d, trees, {"A01", "B01", "I01"});
}

class KeyInOverworkFlow : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 0));
        tp.window();
        QAction* item = tp.find<QAction>("QVNewTopicKaroshIndividualiInput");
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text(), "異常工作負荷促發疾病預防評估_個人_單筆鍵入");
        item->trigger();
        d = overworkDialog(tp.window());
        ASSERT_TRUE(d);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    }

    // Presses "運算與套表" and returns the texts shown meanwhile.
    QStringList run(Ui::Answer keep) {
        const int before = int(tp.ui().messageTexts().size());
        tp.ui().onMessage = [this, keep](const ScriptedUi::Shown& s) {
            if (s.text == kQuestion) {
                // Every other box takes its default; this one gets the answer asked for.
                tp.ui().answerNext(keep);
                questionIcon = s.icon;
                questionButtons = s.buttons;
                questionTitle = s.title;
            }
        };
        QTest::mouseClick(d->OKButton, Qt::LeftButton);
        tp.ui().onMessage = nullptr;
        return tp.ui().messageTexts().mid(before);
    }

    int count(const char* table) { return tp.db().scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }

    TestProgram tp;
    OverworkDialog* d = nullptr;
    Ui::Icon questionIcon = Ui::Icon::None;
    Ui::Buttons questionButtons = Ui::Buttons::Ok;
    QString questionTitle;
};

} // namespace

TEST_F(KeyInOverworkFlow, GradedStoredAndPrinted) {
    keyInEverything(*d);
    EXPECT_EQ(d->answer("B12"), "無");
    EXPECT_EQ(d->answer("X03"), "輪班");
    EXPECT_FALSE(d->FrameNote->isVisible());

    const QStringList shown = run(Ui::Answer::Yes);
    // The grading announces its end twice (its workbook, then the run), then the question, the history message and
    // the print.
    EXPECT_EQ(shown, (QStringList{"完成", "完成", kQuestion, kStored, "套印完成"})) << shown.join(" | ").toStdString();
    EXPECT_EQ(questionTitle, Program::title()); // no title of its own
    EXPECT_EQ(tp.ui().shown.last().title, Program::title());
    EXPECT_EQ(questionIcon, Ui::Icon::Information);
    EXPECT_EQ(questionButtons, Ui::Buttons::YesNo);
    EXPECT_EQ(d->ProgressBar1->value(), 100);

    // The staging: the health check was graded (and its staging table removed), the scale stays with its scores.
    EXPECT_FALSE(tp.db().tableExists("InPutFramingham"));
    const Recordset scale = tp.db().query("SELECT * FROM InPutBurnOut");
    ASSERT_EQ(scale.recordCount(), 1);
    EXPECT_EQ(scale.fieldCount(), 24);
    EXPECT_EQ(scale.text(0, "員工編號"), "E010");
    EXPECT_EQ(scale.text(0, "I_Score"), "50.0");
    EXPECT_EQ(scale.text(0, "I_Risk"), "1");
    EXPECT_EQ(scale.text(0, "J_Score"), "67.9");
    EXPECT_EQ(scale.text(0, "J_Risk"), "2");
    EXPECT_EQ(scale.text(0, "月加班時數等級"), "1");
    EXPECT_EQ(scale.text(0, "工作型態評估等級"), "0");
    EXPECT_EQ(scale.text(0, "工作型態內容說明"), "輪班");
    EXPECT_EQ(scale.text(0, "工作負荷等級"), "2");
    EXPECT_EQ(count("Framingham"), 1);
    // Keeping the run narrows the staged key to the width of a history key part; the rest stays as staged.
    EXPECT_EQ(tp.db().columnType("InPutBurnOut", "年度代碼"), "VARCHAR(20)");
    EXPECT_EQ(tp.db().columnType("InPutBurnOut", "員工編號"), "VARCHAR(20)");
    EXPECT_EQ(tp.db().columnType("InPutBurnOut", "姓名"), "VARCHAR(50)");
    EXPECT_EQ(tp.db().columnType("InPutBurnOut", "工作型態內容說明"), "TEXT");
    EXPECT_EQ(tp.db().columns("InPutBurnOut").first(), "年度代碼");

    // The history.
    const Recordset health = tp.db().query("SELECT * FROM PersonalHealth");
    ASSERT_EQ(health.recordCount(), 1);
    EXPECT_EQ(health.text(0, "XID"), "2025_E010");
    EXPECT_EQ(health.text(0, "SEX"), "2");
    EXPECT_EQ(health.text(0, "既往病歷"), "高血壓");
    const Recordset burnout = tp.db().query("SELECT * FROM PersonalBurnOut");
    ASSERT_EQ(burnout.recordCount(), 1);
    EXPECT_EQ(burnout.text(0, "XID"), "2025_E010");
    EXPECT_EQ(burnout.text(0, "J_Score"), "67.9");
    EXPECT_EQ(burnout.text(0, "工作負荷等級"), "2");
    EXPECT_EQ(count("ToWord"), 1);

    // The printed report.
    ASSERT_FALSE(tp.ui().opened.isEmpty());
    const QString doc = tp.ui().opened.last();
    ASSERT_TRUE(doc.endsWith(".docx"));
    const QString text = docxText(doc);
    EXPECT_TRUE(text.contains("陳大同"));
    EXPECT_TRUE(text.contains("E010"));

    // The year list counts the persons with both a health check and a scale.
    QTest::mouseClick(d->DataButtonCancel, Qt::LeftButton);
    clickNode(d->trees[0], d->node("A01"));
    QTest::mouseClick(d->ButtonYearType, Qt::LeftButton);
    {
        QFile yearPage(htmlPagePath(tp.program()));
        ASSERT_TRUE(yearPage.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(yearPage.readAll());
        EXPECT_TRUE(html.contains("<title>年度代碼、健檢與過勞問卷_現有筆數  </title>"));
        EXPECT_TRUE(html.contains("<tr><th>年度代碼</th><th>現有筆數</th></tr>\n<tr><td>2025</td><td>1</td></tr>\n"
                                  "</table>"));
    }

    // The same person again: with Yes the page names both stored records and nothing is printed.
    const int opened = int(tp.ui().opened.size());
    QStringList again = run(Ui::Answer::Yes);
    EXPECT_FALSE(again.contains("套印完成"));
    EXPECT_FALSE(again.contains(kStored));
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("匯入檔中, 部份資料已存在於系統資料庫"));
    EXPECT_TRUE(html.contains("發現 1 筆,  個人健檢資料"));
    EXPECT_TRUE(html.contains("發現 1 筆,  過勞量表資料"));
    EXPECT_EQ(count("PersonalHealth"), 1);
    EXPECT_EQ(count("PersonalBurnOut"), 1);
    // Only the grading's workbook and the page open; no document.
    const QStringList openedAgain = tp.ui().opened.mid(opened);
    ASSERT_EQ(openedAgain.size(), 2) << openedAgain.join(" | ").toStdString();
    EXPECT_TRUE(openedAgain[0].endsWith(".xlsx"));
    EXPECT_TRUE(openedAgain[1].endsWith("DebugStr.html"));

    // With No the report is printed again and the history stays as it is.
    again = run(Ui::Answer::No);
    EXPECT_EQ(again.last(), "套印完成");
    EXPECT_EQ(count("PersonalHealth"), 1);
    EXPECT_TRUE(tp.ui().opened.last().endsWith(".docx"));

    // Without the template nothing is merged and the missing path is named.
    const QString templatePath = tp.program().docFolder() + "套表_過負荷評估問卷.docx";
    ASSERT_TRUE(QFile::remove(templatePath));
    again = run(Ui::Answer::No);
    EXPECT_EQ(again.last(), "套印檔案不存在: \r\n\r\n" + templatePath);
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(tp.ui().shown.last().title, "無法套印");
}

TEST_F(KeyInOverworkFlow, OneMissingItemStagesNothing) {
    keyInEverything(*d);
    // Clearing the check-up date is refused, so the item is made unanswered through a fresh lookup instead.
    tp.db().exec("INSERT INTO EMPL (姓名, 性別, 出生年月日, 員工編號, 部門中文名稱) VALUES "
                 "('陳大同', '2', 'unknown', 'E010', '行政部')");
    QTest::mouseClick(d->DataButtonCancel, Qt::LeftButton);
    clickNode(d->trees[0], d->node("A03"));
    tp.ui().inputNext(QStringLiteral("E010"));
    QTest::mouseClick(d->ButtonHR, Qt::LeftButton);
    EXPECT_FALSE(d->isAnswered("A07"));

    run(Ui::Answer::Yes);
    EXPECT_EQ(tp.ui().messageTexts().last(), "所有項目皆必填，發現有部份項目未填");
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("A07 出生年月日 未填入"));
    EXPECT_EQ(html.count("未填入"), 1);
    EXPECT_FALSE(tp.db().tableExists("InPutBurnOut"));
    EXPECT_FALSE(tp.db().tableExists("InPutFramingham"));
}
