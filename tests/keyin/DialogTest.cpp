// The key-in engine and both dialogs before the final OK: layouts, taking answers over, the rules' messages, the
// personnel lookup and the completeness check.

#include "KeyInTestSupport.h"
#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "keyin/Catalogue.h"
#include "keyin/NmqDialog.h"
#include "keyin/OverworkDialog.h"

#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

class KeyInDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tp.start());
        seedOnlineKeyIn(tp.db());
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(12, 0));
    }
    void TearDown() override {
        delete nmq.data();
        delete overwork.data();
    }

    NmqDialog& openNmq() {
        nmq = new NmqDialog(tp.program());
        nmq->Form_Load();
        nmq->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(nmq.data()));
        return *nmq;
    }
    OverworkDialog& openOverwork() {
        overwork = new OverworkDialog(tp.program(), {});
        overwork->Form_Load();
        overwork->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(overwork.data()));
        return *overwork;
    }
    QString page() {
        QFile f(htmlPagePath(tp.program()));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int messages() { return int(tp.ui().messageTexts().size()); }
    QString lastMessage() { return tp.ui().messageTexts().value(messages() - 1); }

    TestProgram tp{false};
    QPointer<NmqDialog> nmq;
    QPointer<OverworkDialog> overwork;
};

} // namespace

TEST_F(KeyInDialogTest, LayoutsSwitchBetweenOverviewAndQuestion) {
    OverworkDialog& d = openOverwork();
    EXPECT_EQ(d.treeWidthTwips(0), 3885);
    EXPECT_EQ(d.treeWidthTwips(1), 3885);
    EXPECT_EQ(d.treeWidthTwips(2), 7575);
    EXPECT_FALSE(d.FrameNote->isVisible());
    EXPECT_FALSE(d.ButtonHR->isVisible());

    clickNode(d.trees[1], d.node("B05"));
    EXPECT_FALSE(d.trees[0]->isVisible());
    EXPECT_FALSE(d.trees[2]->isVisible());
    EXPECT_TRUE(d.FrameNote->isVisible());
    EXPECT_EQ(d.treeWidthTwips(1), 11240);
    EXPECT_TRUE(d.TextNote->toPlainText().startsWith("B05 收縮壓\n\n收縮壓（mmHg）"));
    EXPECT_FALSE(d.ButtonHR->isVisible());
    EXPECT_EQ(d.currentCode(), "B05");

    // The root restores the overview with the restore widths and opens the section guide.
    clickNode(d.trees[1], d.trees[1]->topLevelItem(0));
    EXPECT_EQ(d.treeWidthTwips(0), 3855);
    EXPECT_EQ(d.treeWidthTwips(1), 3855);
    EXPECT_TRUE(d.trees[0]->isVisible() && d.trees[2]->isVisible());
    EXPECT_FALSE(d.FrameNote->isVisible());
    EXPECT_TRUE(page().contains("健檢資訊"));
    EXPECT_TRUE(page().contains("填寫說明_請詳細參考格式要求"));
    EXPECT_TRUE(page().contains("B14"));

    clickNode(d.trees[0], d.node("A03"));
    EXPECT_TRUE(d.ButtonHR->isVisible());
    EXPECT_FALSE(d.ButtonYearType->isVisible());
    QTest::mouseClick(d.DataButtonCancel, Qt::LeftButton);
    clickNode(d.trees[0], d.node("A01"));
    EXPECT_FALSE(d.ButtonHR->isVisible());
    EXPECT_TRUE(d.ButtonYearType->isVisible());
    EXPECT_EQ(d.ButtonYearType->objectName(), "ButtonYearTypeOverLoading");
}

TEST_F(KeyInDialogTest, NmqOverviewGuidanceListAndSectionGuide) {
    NmqDialog& d = openNmq();
    EXPECT_EQ(d.objectName(), "DialogOnlineKeyInNMQ");
    EXPECT_EQ(d.treeWidthTwips(0), 4885);
    EXPECT_EQ(d.treeWidthTwips(1), 5885);
    EXPECT_EQ(d.treeWidthTwips(2), 4575);
    EXPECT_EQ(d.trees[2]->topLevelItem(0)->text(0), "身體酸痛部位NMQ");
    EXPECT_EQ(d.trees[2]->topLevelItem(0)->childCount(), 15);

    // The hidden guidance list: one row per item of the topic, headed by the catalogue's column names.
    EXPECT_FALSE(d.ListViewNote->isVisible());
    ASSERT_EQ(d.ListViewNote->topLevelItemCount(), 35);
    EXPECT_EQ(d.ListViewNote->headerItem()->text(0), "MainCode");
    EXPECT_EQ(d.ListViewNote->headerItem()->text(2), "xNote");
    EXPECT_EQ(d.ListViewNote->columnWidth(0), 400 * 8 / 15);
    EXPECT_EQ(d.ListViewNote->topLevelItem(34)->text(0), "P15");
    EXPECT_EQ(d.ListViewNote->topLevelItem(34)->text(3), "身體酸痛部位NMQ");

    clickNode(d.trees[2], d.node("P02"));
    EXPECT_EQ(d.treeWidthTwips(2), 11240);
    EXPECT_TRUE(d.TextNote->toPlainText().startsWith("P02 左肩酸痛程度\n\n此部位的酸痛"));
    EXPECT_FALSE(d.ButtonHR->isVisible());
    EXPECT_FALSE(d.ButtonYearType->isVisible());
    clickNode(d.trees[2], d.trees[2]->topLevelItem(0));
    EXPECT_EQ(d.treeWidthTwips(0), 4885);
    EXPECT_EQ(d.treeWidthTwips(1), 5885);
    EXPECT_FALSE(d.FrameNote->isVisible());
    const QString guide = page();
    EXPECT_TRUE(guide.contains("<title>身體酸痛部位NMQ</title>"));
    EXPECT_TRUE(guide.contains("代碼") && guide.contains("項目名稱"));
    EXPECT_TRUE(guide.contains("P15 右腳踝_腳酸痛程度"));
    EXPECT_FALSE(guide.contains("A01 年度代碼"));
}

TEST_F(KeyInDialogTest, NmqAnswersAreDecodedOrRefusedWithTheirGuidance) {
    NmqDialog& d = openNmq();
    answerItem(d, "A04", "1");
    EXPECT_EQ(d.answer("A04"), "男");
    EXPECT_EQ(d.node("A04")->text(0), "A04 性別【男】");
    EXPECT_EQ(d.currentCode(), "A05"); // moved on to the next item

    const int before = messages();
    answerItem(d, "A04", "12");
    ASSERT_EQ(messages(), before + 1);
    // A refusal repeats the question panel in a plain box of the program's own title.
    EXPECT_EQ(lastMessage(), "A04 性別\r\n\r\n請輸入一個數字：1 = 男，2 = 女。");
    EXPECT_EQ(d.TextNote->toPlainText(), "A04 性別\n\n請輸入一個數字：1 = 男，2 = 女。");
    EXPECT_EQ(tp.ui().shown.last().title, tp.ui().programTitle());
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::None);
    EXPECT_EQ(tp.ui().shown.last().buttons, Ui::Buttons::Ok);
    EXPECT_EQ(d.answer("A04"), "男");
    EXPECT_EQ(d.TextAnswer->text(), "12"); // the typed text stays for correcting
    EXPECT_EQ(d.currentCode(), "A04");

    answerItem(d, "B03", "2");
    EXPECT_EQ(d.answer("B03"), "是");
    answerItem(d, "B03", "5");
    EXPECT_EQ(d.answer("B03"), "5");
    answerItem(d, "P07", "6");
    EXPECT_FALSE(d.isAnswered("P07"));
    answerItem(d, "P07", "3");
    EXPECT_EQ(d.answer("P07"), "3");
}

TEST_F(KeyInDialogTest, NmqBirthDateFillsTheAgeOnlyWhenAccepted) {
    NmqDialog& d = openNmq();
    answerItem(d, "A05", "1990/06/01");
    EXPECT_EQ(d.answer("A11"), "35.0");
    EXPECT_EQ(d.node("A11")->text(0), "A11 年齡【35.0】");
    answerItem(d, "A05", "2025/06/02"); // future: refused, the age stays
    EXPECT_EQ(d.answer("A11"), "35.0");
    EXPECT_EQ(d.answer("A05"), "1990/06/01");
    answerItem(d, "A05", "06/01/1980");
    EXPECT_EQ(d.answer("A11"), "35.0");
}

TEST_F(KeyInDialogTest, NmqB04SetsOrClearsTheBodyRegions) {
    NmqDialog& d = openNmq();
    answerItem(d, "B04", "0");
    for (int k = 1; k <= 15; ++k) {
        const QString c = QStringLiteral("P%1").arg(k, 2, 10, QLatin1Char('0'));
        EXPECT_TRUE(d.isAnswered(c));
        EXPECT_EQ(d.answer(c), "0");
        EXPECT_TRUE(d.node(c)->text(0).endsWith("【0】"));
    }
    EXPECT_EQ(d.answer("B04"), "沒有任何不適感");
    answerItem(d, "B04", "1");
    for (int k = 1; k <= 15; ++k) {
        const QString c = QStringLiteral("P%1").arg(k, 2, 10, QLatin1Char('0'));
        EXPECT_FALSE(d.isAnswered(c));
        EXPECT_FALSE(d.node(c)->text(0).contains("【"));
    }
    // The last item of a tree returns to the overview.
    answerItem(d, "P15", "2");
    EXPECT_TRUE(d.trees[0]->isVisible() && d.trees[1]->isVisible());
    EXPECT_FALSE(d.FrameNote->isVisible());
}

TEST_F(KeyInDialogTest, OverworkRulesAndEmptyAnswers) {
    OverworkDialog& d = openOverwork();
    answerItem(d, "A06", "12");
    EXPECT_FALSE(d.isAnswered("A06"));
    answerItem(d, "A06", "1");
    EXPECT_EQ(d.answer("A06"), "1");
    answerItem(d, "B12", " 0 ");
    EXPECT_EQ(d.node("B12")->text(0), "B12 抽菸習慣【無】");
    const int before = messages();
    answerItem(d, "I03", "");
    EXPECT_EQ(messages(), before); // passes silently, nothing stored, the panel stays
    EXPECT_FALSE(d.isAnswered("I03"));
    EXPECT_EQ(d.currentCode(), "I03");
    answerItem(d, "X01", "12");
    EXPECT_FALSE(d.isAnswered("X01"));
    EXPECT_EQ(messages(), before + 1);
    answerItem(d, "X01", "2");
    EXPECT_EQ(d.answer("X01"), "2");
    answerItem(d, "B05", "");
    EXPECT_EQ(messages(), before + 2);
}

TEST_F(KeyInDialogTest, OverLongAnswersAreRefusedWhenTakenOver) {
    OverworkDialog& d = openOverwork();
    answerItem(d, "A03", QString(21, 'x'));
    EXPECT_FALSE(d.isAnswered("A03"));
    EXPECT_TRUE(lastMessage().contains("最多可輸入 20 個字元"));
    answerItem(d, "A03", "E001'; DROP TABLE x");
    EXPECT_EQ(d.answer("A03"), "E001'; DROP TABLE x");
    answerItem(d, "X03", QString(300, QChar(0x5B57)));
    EXPECT_TRUE(d.isAnswered("X03")); // long text column
}

TEST_F(KeyInDialogTest, PersonnelLookupFillsCheckedValues) {
    tp.db().exec("INSERT INTO EMPL (姓名, 性別, 出生年月日, 員工編號, 部門中文名稱, 到職日, 職稱) VALUES "
                 "('王小明', '1', '1990/06/30', 'E001', '製造部', '2020/02/01', '技術員'), "
                 "('林美', '', 'unknown', 'E002', '品保部', '', '課長')");
    NmqDialog& d = openNmq();
    answerItem(d, "A12", "9"); // a hand answer the lookup replaces
    clickNode(d.trees[0], d.node("A03"));
    ASSERT_TRUE(d.ButtonHR->isVisible());
    tp.ui().inputNext(QStringLiteral(" E001 "));
    QTest::mouseClick(d.ButtonHR, Qt::LeftButton);
    ASSERT_FALSE(tp.ui().shown.isEmpty());
    EXPECT_EQ(tp.ui().shown.last().kind, "input");
    EXPECT_EQ(tp.ui().shown.last().text, "請輸入完整的員工編號");
    EXPECT_EQ(tp.ui().shown.last().title, "使用人事資料查詢");
    EXPECT_EQ(d.answer("A02"), "王小明");
    EXPECT_EQ(d.answer("A03"), "E001");
    EXPECT_EQ(d.answer("A04"), "男");
    EXPECT_EQ(d.answer("A05"), "1990/06/30");
    EXPECT_EQ(d.answer("A07"), "製造部");
    EXPECT_EQ(d.answer("A10"), "技術員");
    EXPECT_EQ(d.node("A10")->text(0), "A10 職稱【技術員】");
    EXPECT_EQ(d.answer("A11"), "35");
    EXPECT_EQ(d.answer("A12"), "5.3");
    EXPECT_EQ(d.currentCode(), "A03");

    // Values the rules refuse leave their items unanswered.
    tp.ui().inputNext(QStringLiteral("E002"));
    QTest::mouseClick(d.ButtonHR, Qt::LeftButton);
    EXPECT_EQ(d.answer("A02"), "林美");
    EXPECT_FALSE(d.isAnswered("A04"));
    EXPECT_FALSE(d.isAnswered("A05"));
    EXPECT_FALSE(d.isAnswered("A11"));
    EXPECT_FALSE(d.isAnswered("A12"));

    const int before = messages();
    tp.ui().inputNext(QStringLiteral("E404"));
    QTest::mouseClick(d.ButtonHR, Qt::LeftButton);
    ASSERT_EQ(messages(), before + 1);
    EXPECT_EQ(lastMessage(), "查無員工編號【E404】 之員工");
    EXPECT_EQ(tp.ui().shown.last().title, "找不到指定之員工編號");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(d.answer("A02"), "林美");
}

TEST_F(KeyInDialogTest, OverworkLookupUsesTheStoredSexAndBirthDate) {
    tp.db().exec("INSERT INTO EMPL (姓名, 性別, 出生年月日, 員工編號, 部門中文名稱) VALUES "
                 "('陳大同', '2', '1975/01/15', 'E010', '行政部')");
    OverworkDialog& d = openOverwork();
    answerItem(d, "A02", "手填姓名");
    clickNode(d.trees[0], d.node("A03"));
    tp.ui().inputNext(QStringLiteral("E010"));
    QTest::mouseClick(d.ButtonHR, Qt::LeftButton);
    EXPECT_EQ(d.answer("A02"), "陳大同");
    EXPECT_EQ(d.answer("A04"), "X部門代號");
    EXPECT_EQ(d.node("A04")->text(0), "A04 部門代號【X部門代號】");
    EXPECT_EQ(d.answer("A05"), "行政部");
    EXPECT_EQ(d.answer("A06"), "2");
    EXPECT_EQ(d.answer("A07"), "1975/01/15");
}

TEST_F(KeyInDialogTest, CompletenessCheckListsUnansweredItemsAndStoresNothing) {
    NmqDialog& d = openNmq();
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(lastMessage(), "所有項目皆必填，發現有部份項目未填");
    EXPECT_EQ(tp.ui().shown.last().title, tp.ui().programTitle());
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::None);
    const QString p = page();
    EXPECT_TRUE(p.contains("除錯訊息"));
    EXPECT_TRUE(p.contains("A01 年度代碼 未填入"));
    EXPECT_TRUE(p.contains("P15 右腳踝_腳酸痛程度 未填入"));
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 0);
    EXPECT_TRUE(d.OKButton->isEnabled());
}

TEST_F(KeyInDialogTest, AnItemTextWithABracketIsNotAnAnswer) {
    tp.db().exec("UPDATE OnlineKeyIn SET Type = 'B06 其他症狀【自填】<病史&說明>' WHERE xTopic = 'NMQ' AND "
                 "MainCode = 'B06'");
    NmqDialog& d = openNmq();
    EXPECT_FALSE(d.isAnswered("B06"));
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    // The list page shows the item text as written, not as markup.
    EXPECT_TRUE(page().contains("B06 其他症狀【自填】&lt;病史&amp;說明&gt; 未填入<P><P>"));
}

TEST_F(KeyInDialogTest, AnIncompleteCatalogueIsReportedAndCannotPass) {
    tp.db().exec("DELETE FROM OnlineKeyIn WHERE xTopic = 'OverLoading' AND MainCode IN ('B07', 'J07')");
    const int before = messages();
    OverworkDialog& d = openOverwork();
    ASSERT_EQ(messages(), before + 1);
    EXPECT_EQ(tp.ui().shown.last().title, "題庫不完整");
    EXPECT_TRUE(lastMessage().contains("B07 題庫中沒有此項目"));
    EXPECT_TRUE(lastMessage().contains("J07 題庫中沒有此項目"));
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_TRUE(page().contains("J07 (題庫中沒有此項目) 未填入"));

    tp.db().exec("DELETE FROM OnlineKeyIn");
    openNmq();
    EXPECT_TRUE(lastMessage().contains("A01 題庫中沒有此項目"));
}

TEST_F(KeyInDialogTest, EscapeClosesLikeLeave) {
    NmqDialog& d = openNmq();
    answerItem(d, "A02", "王小明");
    QTest::keyClick(&d, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(nmq.isNull());

    NmqDialog& again = openNmq();
    EXPECT_FALSE(again.isAnswered("A02"));
    QTest::mouseClick(again.CancelButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(nmq.isNull());
}

TEST_F(KeyInDialogTest, ARefusedAnswerIsSelectedForRetypingAndNeverJoinsTheNextAnswer) {
    // A refusal box takes the focus while it is open; what the nurse types after it closes must replace the refused
    // text, and an answer typed after choosing another item must be that item's alone.
    struct Case {
        bool nmq;
        QString refusedCode, refused, corrected, nextCode, nextText, nextStored;
    };
    const Case cases[] = {
        {true, "A13", "abc", "172", "A09", "焊錫", "焊錫"},
        {true, "A04", "3", "2", "A06", "新竹廠", "新竹廠"},
        {false, "A06", "12", "1", "A05", "行政部", "行政部"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refusedCode.toStdString());
        KeyInDialog& d = c.nmq ? static_cast<KeyInDialog&>(openNmq()) : openOverwork();
        tp.ui().onMessage = [&](const ScriptedUi::Shown&) { d.OKButton->setFocus(); };
        const int before = messages();
        answerItem(d, c.refusedCode, c.refused);
        tp.ui().onMessage = nullptr;
        ASSERT_EQ(messages(), before + 1);
        EXPECT_EQ(d.focusWidget(), d.TextAnswer);
        EXPECT_EQ(d.TextAnswer->selectedText(), c.refused);

        // Typing replaces the refused text.
        typeText(d.TextAnswer, c.corrected);
        EXPECT_EQ(d.TextAnswer->text(), c.corrected);

        // Refused again, then another item is chosen: its answer box starts empty.
        d.TextAnswer->setText(c.refused);
        QTest::mouseClick(d.DatalButtonOK, Qt::LeftButton);
        EXPECT_EQ(messages(), before + 2);
        QTest::mouseClick(d.DataButtonCancel, Qt::LeftButton);
        clickNode(d.trees[size_t(treeOf(d, c.nextCode))], d.node(c.nextCode));
        EXPECT_EQ(d.currentCode(), c.nextCode);
        EXPECT_EQ(d.TextAnswer->text(), "");
        typeText(d.TextAnswer, c.nextText);
        QTest::keyClick(d.TextAnswer, Qt::Key_Return);
        EXPECT_EQ(d.answer(c.nextCode), c.nextStored);
        EXPECT_FALSE(d.isAnswered(c.refusedCode) && d.answer(c.refusedCode).contains(c.refused));
        delete nmq.data();
        delete overwork.data();
    }
}
