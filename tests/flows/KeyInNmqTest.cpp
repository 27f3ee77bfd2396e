// The NMQ questionnaire of one person from the menu "單筆鍵入" to the stored record and the printed document.

#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "keyin/Install.h"
#include "keyin/KeyInTestSupport.h"
#include "keyin/NmqDialog.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

const QStringList kGrades = {"0", "3", "5", "2", "4", "0", "0", "1", "0", "0", "0", "0", "0", "0", "0"};

// Keys in every item in order, the way the nurse does: click the first item of a tree, then type and press Enter;
// the dialog moves on to the next item by itself.
void keyInEverything(NmqDialog& d) {
    const QList<QStringList> trees = {
        {"2025_NMQ", "王小明", "E001", "1", "1990/06/01", "北廠'A", "製造部", "組裝課", "搬運", "技術員", "35.0", "5",
         "170", "65"},
        {"1", "0", "0", "1", "2", "0"},
        kGrades,
    };
    keyInTrees(d, trees, {"A01", "B01", "P01"});
}

// The dialog the menu item opens, or null (the failure recorded) when the item or the dialog is missing: the caller
// stops with ASSERT_TRUE before using it.
NmqDialog* openFromMenu(TestProgram& tp) {
    MainForm& form = tp.window();
    QAction* item = tp.find<QAction>("QVNewTopicErgonomicsIndividual");
    if (!item) {
        ADD_FAILURE() << "no menu item QVNewTopicErgonomicsIndividual";
        return nullptr;
    }
    item->trigger();
    NmqDialog* d = nmqDialog(form);
    if (!d) {
        ADD_FAILURE() << "the menu item opened no NMQ dialog";
        return nullptr;
    }
    EXPECT_TRUE(QTest::qWaitForWindowExposed(d));
    return d;
}

} // namespace

TEST(KeyInNmqFlow, KeyedInStoredAndPrinted) {
    TestProgram tp;
    tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(14, 30, 5));
    MainForm& form = tp.window();

    // The toolbar's "單筆鍵入" offers both questionnaires.
    QMenu* menu = form.popupMenu("QVOnlineKeyIn");
    ASSERT_TRUE(menu);
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    EXPECT_TRUE(captions.contains("肌肉骨骼症狀調查表_個人_單筆鍵入"));
    EXPECT_TRUE(captions.contains("異常工作負荷促發疾病預防評估_個人_單筆鍵入"));

    NmqDialog* dOpened = openFromMenu(tp);
    ASSERT_TRUE(dOpened);
    NmqDialog& d = *dOpened;
    EXPECT_EQ(d.windowTitle(), "肌肉骨骼症狀調查表_個人_單筆鍵入");
    EXPECT_FALSE(d.isModal());
    keyInEverything(d);
    EXPECT_EQ(d.answer("A11"), "35.0");
    EXPECT_EQ(d.answer("B04"), "有不適感");
    EXPECT_EQ(d.answer("P05"), "4");
    EXPECT_FALSE(d.FrameNote->isVisible()); // the last body region returned to the overview

    // A second click on the menu item keeps the answers.
    tp.find<QAction>("QVNewTopicErgonomicsIndividual")->trigger();
    EXPECT_EQ(nmqDialog(form), &d);
    EXPECT_EQ(d.answer("A02"), "王小明");

    tp.ui().randoms = {7};
    const int shownBefore = int(tp.ui().messageTexts().size());
    // While the run waits on its boxes, the button is disabled and the dialog cannot be closed under it.
    bool checkedDuringRun = false;
    tp.ui().onMessage = [&](const ScriptedUi::Shown& s) {
        if (s.text != "NMQ 資料寫入，載入個人套表") return;
        checkedDuringRun = true;
        EXPECT_FALSE(d.OKButton->isEnabled());
        d.OKButton->click();
        QTest::mouseClick(d.CancelButton, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
    };
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    tp.ui().onMessage = nullptr;
    EXPECT_TRUE(checkedDuringRun);
    EXPECT_TRUE(d.OKButton->isEnabled());
    const QStringList messages = tp.ui().messageTexts().mid(shownBefore);
    EXPECT_EQ(messages, (QStringList{"NMQ 資料寫入，載入個人套表", "NMQ 資料已準備完成，執行個人套表", "套印完成"}));
    for (const auto& box : tp.ui().shown.mid(shownBefore)) {
        EXPECT_EQ(box.title, tp.ui().programTitle()) << box.text.toStdString();
        EXPECT_EQ(box.icon, Ui::Icon::None) << box.text.toStdString();
        EXPECT_EQ(box.buttons, Ui::Buttons::Ok) << box.text.toStdString();
    }
    EXPECT_EQ(tp.ui().waitedMs, 1000);

    const Recordset rs = tp.db().query("SELECT * FROM PersonalNMQ");
    ASSERT_EQ(rs.recordCount(), 1);
    // Every column the item it comes from: each answer above is distinct, so a value written to its neighbour's
    // column shows here.
    const std::pair<const char*, const char*> stored[] = {
        {"XID", "2025_NMQ2506011430007"},
        {"年度代碼", "2025_NMQ"},
        {"姓名", "王小明"},
        {"員工編號", "E001"},
        {"Basic01", "E001 "},
        {"Basic02", "2025/06/01 14:30:05"},
        {"Basic03", "北廠'A"},
        {"Basic04", "製造部"},
        {"Basic05", "組裝課"},
        {"Basic06", "搬運"},
        {"Basic07", "技術員"},
        {"Basic08", "王小明"},
        {"Basic09", "男"},
        {"Basic10", "35.0"},
        {"Basic11", "5"},
        {"Basic12", "170"},
        {"Basic13", "65"},
        {"Basic14", "右手"},
        {"Basic15", "不是"},
        {"Basic16", "不適用"},
        {"Basic17", "有不適感"},
        {"Basic18", "最近 1~2 個月內感覺酸"},
    };
    for (const auto& [column, value] : stored)
        EXPECT_EQ(rs.text(0, column), QString::fromUtf8(value)) << column;
    for (int k = 0; k < 15; ++k)
        EXPECT_EQ(rs.text(0, QStringLiteral("Q%1").arg(k + 1, 3, 10, QLatin1Char('0'))), kGrades[k]);
    EXPECT_EQ(rs.text(0, "Q016"), "無");
    EXPECT_EQ(rs.text(0, "ErgoTotal"), "3");
    EXPECT_EQ(rs.text(0, "xFileName"), "單筆鍵入");

    // The printed document holds the stored record.
    ASSERT_FALSE(tp.ui().opened.isEmpty());
    const QString doc = tp.ui().opened.last();
    EXPECT_TRUE(doc.endsWith(".docx"));
    const QString text = docxText(doc);
    EXPECT_TRUE(text.contains("2025_NMQ2506011430007"));
    EXPECT_TRUE(text.contains("王小明"));
    EXPECT_TRUE(text.contains("有不適感"));

    // Pressing OK again stores a second record; a drawn key that is taken is drawn again.
    tp.ui().randoms = {7, 8};
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 2);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ WHERE XID = '2025_NMQ2506011430008'").toInt(), 1);

    // A template Word cannot read: the record is stored, the failure is said, and no "套印完成" follows.
    const QString templatePath = tp.program().docFolder() + "套表_NMQ評估問卷.docx";
    ASSERT_TRUE(QFile::remove(templatePath));
    {
        QFile broken(templatePath);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a document");
    }
    const int beforeBroken = int(tp.ui().shown.size());
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 3);
    const auto brokenRun = tp.ui().shown.mid(beforeBroken);
    ASSERT_EQ(brokenRun.size(), 3);
    EXPECT_EQ(brokenRun[1].text, "NMQ 資料已準備完成，執行個人套表");
    EXPECT_EQ(brokenRun[2].icon, Ui::Icon::Critical);
    EXPECT_NE(brokenRun[2].text, "套印完成");

    // Without the template the record is stored and the missing path is named.
    ASSERT_TRUE(QFile::remove(templatePath));
    const int opened = int(tp.ui().opened.size());
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 4);
    EXPECT_EQ(tp.ui().messageTexts().last(), "套印檔案不存在: \r\n\r\n" + templatePath);
    EXPECT_EQ(tp.ui().shown.last().title, "無法套印");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(int(tp.ui().opened.size()), opened);

    // The year list counts the stored records per year code.
    QTest::mouseClick(d.DataButtonCancel, Qt::LeftButton);
    clickNode(d.trees[0], d.node("A01"));
    QTest::mouseClick(d.ButtonYearType, Qt::LeftButton);
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<title>年度代碼與 NMQ_現有筆數 </title>"));
    EXPECT_TRUE(html.contains("NMQ_現有筆數"));
    EXPECT_TRUE(html.contains("2025_NMQ"));
}

TEST(KeyInNmqFlow, NothingIsStoredWhileAnItemIsMissing) {
    TestProgram tp;
    NmqDialog* dOpened = openFromMenu(tp);
    ASSERT_TRUE(dOpened);
    NmqDialog& d = *dOpened;
    answerItem(d, "A01", "2025");
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(tp.ui().messageTexts().last(), "所有項目皆必填，發現有部份項目未填");
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 0);
}

TEST(KeyInNmqFlow, LeaveDiscardsTheAnswers) {
    TestProgram tp;
    NmqDialog* dOpened = openFromMenu(tp);
    ASSERT_TRUE(dOpened);
    NmqDialog& d = *dOpened;
    answerItem(d, "A02", "王小明");
    QTest::mouseClick(d.CancelButton, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(nmqDialog(tp.window()), nullptr);
    NmqDialog* againOpened = openFromMenu(tp);
    ASSERT_TRUE(againOpened);
    NmqDialog& again = *againOpened;
    EXPECT_FALSE(again.isAnswered("A02"));
    EXPECT_EQ(again.node("A02")->text(0), "A02 姓名");
}

TEST(KeyInNmqFlow, AnEmptiedCatalogueStaysEmptyAndIsReported) {
    // The program writes the catalogue only when it creates the table: starting the window does not refill it, and
    // the dialog says the questionnaire cannot be stored.
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    tp.db().exec("DELETE FROM OnlineKeyIn");
    NmqDialog* dOpened = openFromMenu(tp);
    ASSERT_TRUE(dOpened);
    NmqDialog& d = *dOpened;
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM OnlineKeyIn").toInt(), 0);
    EXPECT_EQ(tp.ui().shown.last().title, "題庫不完整");
    EXPECT_EQ(d.trees[0]->topLevelItem(0)->childCount(), 0);
    QTest::mouseClick(d.OKButton, Qt::LeftButton);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM PersonalNMQ").toInt(), 0);
}
