// Opening, editing, ending and deleting maternity cases through the real window: the boxes in order with their texts,
// every refusal, the one-line editor's widgets, and the rows left in the database.

#include "maternity/CaseEditing.h"
#include "maternity/CaseList.h"
#include "maternity/CaseTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>

using namespace maternity;
using namespace maternity::test;

namespace {

const QString kCrLf = "\r\n";

// The six answers in the order the boxes ask them; nullopt cancels a box.
using Answers = std::array<std::optional<QString>, 6>;
const Answers kGood = {QString("林'美"),      QString("1990-5-1"), QString("E001"),
                       QString("A123456789"), QString(""),         QString(" 第一胎 ")};

void answer(ScriptedUi& ui, const Answers& answers) {
    for (const auto& a : answers)
        ui.inputNext(a);
}

Recordset register_(Database& db) {
    return db.query("SELECT 姓名, 個案檔號, 個案建檔日, 出生年月日, 員工編號, 身份ID, 個案解除日, 手機號碼, 備註說明 "
                    "FROM MaternityHealth ORDER BY rowid");
}

} // namespace

TEST(NewCaseRules, RefusalsInTheirOrder) {
    const struct {
        NewCase c;
        QStringList refusals;
    } cases[] = {
        {{"王小美", "1990/01/01", "E1", "A1", "", ""}, {}},
        {{"王小美", "1990-1-1 08:00", "E1", "A1", "", ""}, {}},
        {{"", "", "", "", "", ""},
         {"【個案姓名】 不可空白", "【出生年月日】 應為西元年 YYYY/MM/DD", "【員工編號】 不可空白",
          "【身份 ID】 不可空白"}},
        {{"王?美", "1990/01/01", "E1", "A1", "", ""}, {"【個案姓名】 不可有複雜字"}},
        {{"王小美", "01/05/1990", "E1", "A1", "", ""}, {"【出生年月日】 應為西元年 YYYY/MM/DD"}}, // day first
        {{"王小美", "1990/02/30", "E1", "A1", "", ""}, {"【出生年月日】 應為西元年 YYYY/MM/DD"}}, // no such day
        {{"王小美", "90/01/01", "E1", "A1", "", ""}, {"【出生年月日】 應為西元年 YYYY/MM/DD"}},   // two-digit year
        {{"?", "x", "", "A1", "", ""},
         {"【個案姓名】 不可有複雜字", "【出生年月日】 應為西元年 YYYY/MM/DD", "【員工編號】 不可空白"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(newCaseRefusals(c.c), c.refusals) << c.c.name.toStdString() << " " << c.c.birthDate.toStdString();
    EXPECT_EQ(caseNumberFor("A123456789", QDate(2025, 3, 31)), "A123456789-202503");
}

TEST(NewCaseFlow, DeclinedAtTheFirstQuestionAsksNothingMore) {
    CaseWindow cw;
    cw.open();
    cw.tp.ui().answerNext(Ui::Answer::No);
    cw.choose("QVMaternityHealthProtectionNewCase");
    ASSERT_EQ(cw.tp.ui().shown.size(), 1);
    const auto& q = cw.tp.ui().shown[0];
    EXPECT_EQ(q.title, "母保對象 個案新增");
    EXPECT_EQ(q.text, "個案姓名 、出生年月日、員工編號  、身份 ID、" + kCrLf + "聯絡電話、備註說明。 " + kCrLf + kCrLf +
                          "須填寫以上 6 項資訊，是否要進行 【母保對象】 個案建檔?");
    EXPECT_EQ(q.icon, Ui::Icon::Information);
    EXPECT_EQ(q.buttons, Ui::Buttons::YesNo);
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 0);
}

TEST(NewCaseFlow, EveryBoxCancelledGivesEveryRefusalInOrder) {
    CaseWindow cw;
    cw.open();
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    cw.choose("QVMaternityHealthProtectionNewCase");
    const auto& shown = cw.tp.ui().shown;
    ASSERT_EQ(shown.size(), 8);
    // The six boxes with their titles and prompts.
    const QStringList prompts = {"個案姓名", "出生年月日 (西元年 YYYY/MM/DD)", "員工編號", "身份 ID", "聯絡電話",
                                 "備註說明"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(shown[i + 1].kind, "input");
        EXPECT_EQ(shown[i + 1].title, QStringLiteral("母保個案建檔，%1/6").arg(i + 1));
        EXPECT_EQ(shown[i + 1].text, prompts[i]);
    }
    EXPECT_EQ(shown[7].title, "資訊錯誤，請重新輸入");
    EXPECT_EQ(shown[7].icon, Ui::Icon::Critical);
    EXPECT_EQ(shown[7].text, "【個案姓名】 不可空白" + kCrLf + "【出生年月日】 應為西元年 YYYY/MM/DD" + kCrLf +
                                 "【員工編號】 不可空白" + kCrLf + "【身份 ID】 不可空白" + kCrLf + kCrLf +
                                 "個案基本資訊錯誤，無法建檔");
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 0);
}

TEST(NewCaseFlow, ANameWithAQuestionMarkIsRefused) {
    CaseWindow cw;
    cw.open();
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    Answers a = kGood;
    a[0] = QString("林?美");
    answer(cw.tp.ui(), a);
    cw.choose("QVMaternityHealthProtectionNewCase");
    EXPECT_EQ(cw.tp.ui().messageTexts().last(),
              "【個案姓名】 不可有複雜字" + kCrLf + kCrLf + "個案基本資訊錯誤，無法建檔");
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 0);
}

TEST(NewCaseFlow, ConfirmedCaseIsStoredAndListed) {
    CaseWindow cw;
    cw.open();
    // Declined at the confirmation: nothing is stored.
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), kGood);
    cw.tp.ui().answerNext(Ui::Answer::No);
    cw.choose("QVMaternityHealthProtectionNewCase");
    const auto& confirm = cw.tp.ui().shown.last();
    EXPECT_EQ(confirm.title, "母保個案 基本資訊確認");
    EXPECT_EQ(confirm.icon, Ui::Icon::Information);
    EXPECT_EQ(confirm.buttons, Ui::Buttons::YesNo);
    EXPECT_EQ(confirm.text, "個案姓名 : 林'美" + kCrLf + "出生年月日 : 1990-5-1" + kCrLf + "員工編號 : E001" + kCrLf +
                                "身份 ID : A123456789" + kCrLf + "聯絡電話 : -" + kCrLf + "備註說明 :  第一胎 " +
                                kCrLf + kCrLf + "以上資訊，是否正確?");
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 0);

    // Accepted.
    cw.tp.find<QLineEdit>("KeyNameTxt")->setText("nobody");
    const int before = cw.messageCount();
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), kGood);
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionNewCase");
    EXPECT_EQ(cw.messagesSince(before).last(), "母保個案 【林'美】 建檔成功");
    EXPECT_EQ(cw.tp.ui().shown.last().title, cw.tp.ui().programTitle());
    EXPECT_TRUE(cw.tp.ui().allAnswersUsed());

    const Recordset rs = register_(cw.tp.db());
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.text(0, "姓名"), "林'美");
    EXPECT_EQ(rs.text(0, "個案檔號"), "A123456789-202506");
    EXPECT_EQ(rs.text(0, "個案建檔日"), "2025/06/15 10:30:05");
    EXPECT_EQ(rs.text(0, "出生年月日"), "1990/05/01");
    EXPECT_EQ(rs.text(0, "員工編號"), "E001");
    EXPECT_EQ(rs.text(0, "身份ID"), "A123456789");
    EXPECT_TRUE(rs.isNull(0, rs.fieldIndex("個案解除日")));
    EXPECT_EQ(rs.text(0, "手機號碼"), "-");
    EXPECT_EQ(rs.text(0, "備註說明"), " 第一胎 ");
    // The list is rebuilt for every case, whatever the keyword box holds.
    EXPECT_EQ(cw.column(CaseNumber), QStringList{"A123456789-202506"});
    EXPECT_EQ(cw.column(CaseEnded), QStringList{"列管中"});
}

TEST(NewCaseFlow, ASecondCaseOfThePersonInTheSameMonthIsRefused) {
    CaseWindow cw;
    cw.open();
    addCase(cw.tp.db(), {"林美", "A123456789-202506", "2025/06/01 09:00:00"});
    const int before = cw.messageCount();
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), kGood);
    cw.choose("QVMaternityHealthProtectionNewCase");
    // Refused before the confirmation is asked.
    const QStringList shown = cw.messagesSince(before);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], "個案檔號【A123456789-202506】已存在 (個案姓名【林美】)，" + kCrLf +
                            "同一身份 ID 於同一月份只能建立一筆母保個案，無法建檔");
    EXPECT_EQ(cw.tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(cw.tp.ui().shown.last().title, "母保對象 個案新增");
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 1);

    // The case number stored while the confirmation was open is refused too.
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(),
           {QString("陳美"), QString("1990/01/01"), QString("E9"), QString("B223456789"), QString(), QString()});
    cw.tp.ui().onMessage = [&](const ScriptedUi::Shown& s) {
        if (s.title == "母保個案 基本資訊確認")
            addCase(cw.tp.db(), {"陳美", "B223456789-202506", "2025/06/15 10:00:00"});
    };
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionNewCase");
    cw.tp.ui().onMessage = nullptr;
    EXPECT_TRUE(cw.tp.ui().messageTexts().last().startsWith("個案檔號【B223456789-202506】已存在"));
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 2);

    // The next month the same person may be opened again.
    cw.tp.ui().clock = QDateTime(QDate(2025, 7, 1), QTime(8, 0));
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), kGood);
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionNewCase");
    EXPECT_EQ(cw.tp.ui().messageTexts().last(), "母保個案 【林'美】 建檔成功");
    EXPECT_EQ(register_(cw.tp.db()).text(2, "個案檔號"), "A123456789-202507");
}

TEST(CaseEditFlow, PhoneAndRemarksThroughTheOneLineEditor) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    addCase(cw.tp.db(), {"陳美玲", "B2-202502", "2025/02/02 08:00:00", "1990/01/01", "E002", "B2", {}, "0911", "備註"});
    MainForm& w = cw.open();
    // The list keeps its search after an edit.
    cw.search("美");
    cw.select("B2-202502");
    cw.choose("QVMaternityHealthProtectionEdit_0");
    auto* text = cw.tp.find<QLineEdit>("StringText");
    ASSERT_TRUE(text);
    EXPECT_TRUE(w.StringFrame->isVisible());
    EXPECT_EQ(cw.tp.find<QLabel>("StringFrameCaption")->text(), "編輯_個案資訊 (手機)");
    EXPECT_EQ(text->text(), "0911");
    text->clear();
    QTest::keyClicks(text, "  0988-'12 ");
    QTest::mouseClick(cw.tp.find<QPushButton>("StringOKButton"), Qt::LeftButton);
    EXPECT_FALSE(w.StringFrame->isVisible());
    Recordset rs = register_(cw.tp.db());
    EXPECT_EQ(rs.text(1, "手機號碼"), "0988-'12");
    EXPECT_EQ(rs.text(0, "手機號碼"), "-");
    EXPECT_EQ(cw.column(CasePhone), (QStringList{"0988-'12", "-"}));
    EXPECT_EQ(cw.tp.find<QLineEdit>("KeyNameTxt")->text(), "美");

    // Cleared remarks are stored as "-".
    cw.select("B2-202502");
    cw.choose("QVMaternityHealthProtectionEdit_1");
    EXPECT_EQ(cw.tp.find<QLabel>("StringFrameCaption")->text(), "編輯_個案資訊 (備註說明)");
    EXPECT_EQ(text->text(), "備註");
    text->setText("   ");
    QTest::mouseClick(cw.tp.find<QPushButton>("StringOKButton"), Qt::LeftButton);
    EXPECT_EQ(register_(cw.tp.db()).text(1, "備註說明"), "-");

    // Cancel stores nothing.
    cw.select("A1-202501");
    cw.choose("QVMaternityHealthProtectionEdit_1");
    text->setText("不該存入");
    QTest::mouseClick(cw.tp.find<QPushButton>("StringCancelButton"), Qt::LeftButton);
    EXPECT_FALSE(w.StringFrame->isVisible());
    EXPECT_EQ(register_(cw.tp.db()).text(0, "備註說明"), "-");

    // A second edit replaces the one pending: only the case last chosen changes.
    cw.select("A1-202501");
    cw.choose("QVMaternityHealthProtectionEdit_0");
    cw.select("B2-202502");
    cw.choose("QVMaternityHealthProtectionEdit_1");
    text->setText("第二胎");
    QTest::keyClick(text, Qt::Key_Return);
    rs = register_(cw.tp.db());
    EXPECT_EQ(rs.text(0, "手機號碼"), "-");
    EXPECT_EQ(rs.text(0, "備註說明"), "-");
    EXPECT_EQ(rs.text(1, "備註說明"), "第二胎");
    EXPECT_TRUE(cw.tp.ui().messageTexts().isEmpty());
}

TEST(CaseEditFlow, TheEditorNamesItsCaseAndAnotherSelectionSearchOrCloseCancelsIt) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    addCase(cw.tp.db(), {"陳美玲", "B2-202502", "2025/02/02 08:00:00"});
    MainForm& w = cw.open();
    // Each way the selected row may change: a click on another case, a new search, closing the panel.
    const std::vector<std::function<void()>> changes = {
        [&] { cw.select("B2-202502"); },
        [&] { cw.search(""); },
        [&] { QTest::mouseClick(cw.tp.find<QPushButton>("ClosePanelButton"), Qt::LeftButton); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        cw.select("A1-202501");
        cw.choose("QVMaternityHealthProtectionEdit_0");
        EXPECT_EQ(cw.tp.find<QLabel>("StringFrameSubject")->text(), "個案姓名【王小美】，個案檔號【A1-202501】") << i;
        changes[i]();
        EXPECT_FALSE(w.StringFrame->isVisible()) << i;
        cw.tp.find<QLineEdit>("StringText")->setText("0900");
        cw.tp.find<QPushButton>("StringOKButton")->click();
        const Recordset rs = register_(cw.tp.db());
        EXPECT_EQ(rs.text(0, "手機號碼"), "-") << i;
        EXPECT_EQ(rs.text(1, "手機號碼"), "-") << i;
    }
    EXPECT_TRUE(cw.tp.ui().messageTexts().isEmpty());
}

TEST(CaseEditFlow, EndingStampsTheMomentOfConfirmation) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    addCase(cw.tp.db(), {"陳美玲", "B2-202502", "2025/02/02 08:00:00"});
    cw.open();
    cw.select("A1-202501");
    cw.tp.ui().answerNext(Ui::Answer::No);
    cw.choose("QVMaternityHealthProtectionEndCase");
    const auto question = cw.tp.ui().shown.last();
    EXPECT_EQ(question.title, "母保對象 解除列管");
    EXPECT_EQ(question.icon, Ui::Icon::Information);
    EXPECT_EQ(question.buttons, Ui::Buttons::YesNo);
    EXPECT_EQ(question.text,
              "個案檔號【A1-202501】，" + kCrLf + "個案姓名【王小美】" + kCrLf + kCrLf + " 將於 2025/06/15 解除列管?");
    EXPECT_TRUE(register_(cw.tp.db()).isNull(0, 6));

    cw.search("陳"); // the list is rebuilt with every case afterwards
    cw.select("B2-202502");
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionEndCase");
    EXPECT_EQ(cw.tp.ui().messageTexts().last(),
              "個案檔號【B2-202502】，" + kCrLf + "個案姓名【陳美玲】" + kCrLf + kCrLf + "母保對象已解除列管");
    Recordset rs = register_(cw.tp.db());
    EXPECT_TRUE(rs.isNull(0, 6));
    EXPECT_EQ(rs.text(1, "個案解除日"), "2025/06/15 10:30:05");
    EXPECT_EQ(cw.column(CaseEnded), (QStringList{"2025/06/15 10:30:05", "列管中"}));
}

TEST(CaseEditFlow, AnEndedCaseIsNotEndedAgain) {
    CaseWindow cw;
    addCase(cw.tp.db(),
            {"陳美玲", "B2-202502", "2025/02/02 08:00:00", "1990/01/01", "E002", "B2", QString("2026/12/06 16:14:00")});
    cw.open();
    cw.select("B2-202502");
    cw.choose("QVMaternityHealthProtectionEndCase");
    const auto said = cw.tp.ui().shown.last();
    EXPECT_EQ(said.buttons, Ui::Buttons::Ok);
    EXPECT_EQ(said.title, "母保對象 解除列管");
    EXPECT_EQ(said.text, "個案檔號【B2-202502】，" + kCrLf + "個案姓名【陳美玲】" + kCrLf + kCrLf +
                             "母保對象已於 2026/12/06 16:14:00 解除列管，不再重複解除");
    EXPECT_EQ(register_(cw.tp.db()).text(0, "個案解除日"), "2026/12/06 16:14:00");
}

TEST(CaseEditFlow, DeletingLeavesTheAssessmentRows) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A123456789-202506", "2025/06/02 08:00:00"});
    addCase(cw.tp.db(), {"陳美玲", "B2-202502", "2025/02/02 08:00:00"});
    addTables(cw.tp.db(), 1, "A123456789-202506", 2);
    addTables(cw.tp.db(), 3, "A123456789-202506", 1);
    cw.open();
    cw.select("A123456789-202506");
    cw.tp.ui().answerNext(Ui::Answer::No);
    cw.choose("QVMaternityHealthProtectionDeleteCase");
    const auto question = cw.tp.ui().shown.last();
    EXPECT_EQ(question.title, "母保對象 刪除紀錄");
    EXPECT_EQ(question.text, "個案檔號【A123456789-202506】，" + kCrLf + "個案姓名【王小美】" + kCrLf + kCrLf +
                                 " 此動作將刪除以下指定個案，是否確定執行?");
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 2);

    cw.select("A123456789-202506");
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionDeleteCase");
    EXPECT_EQ(cw.tp.ui().messageTexts().last(),
              "個案檔號【A123456789-202506】，" + kCrLf + "個案姓名【王小美】" + kCrLf + kCrLf + "母保紀錄 已刪除");
    const Recordset rs = register_(cw.tp.db());
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.text(0, "個案檔號"), "B2-202502");
    EXPECT_EQ(cw.tp.db().scalar("SELECT COUNT(*) FROM MHPT1 WHERE CaseKey = 'A123456789-202506'").toInt(), 2);
    EXPECT_EQ(cw.tp.db().scalar("SELECT COUNT(*) FROM MHPT3 WHERE CaseKey = 'A123456789-202506'").toInt(), 1);
    EXPECT_EQ(cw.column(CaseNumber), QStringList{"B2-202502"});

    // The same person opened again in the same month finds the rows under the number again.
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    answer(cw.tp.ui(), kGood);
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionNewCase");
    EXPECT_EQ(cw.column(CaseNumber), (QStringList{"A123456789-202506", "B2-202502"}));
    EXPECT_EQ(cw.column(CaseTable1), (QStringList{"2", "0"}));
    EXPECT_EQ(cw.column(CaseTable3), (QStringList{"1", "0"}));
}

TEST(CaseEditFlow, TheDeleteQuestionDefaultsToNo) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    cw.open();
    cw.select("A1-202501");
    cw.choose("QVMaternityHealthProtectionDeleteCase"); // the question left to its default button
    EXPECT_EQ(cw.tp.ui().shown.last().buttons, Ui::Buttons::YesNoDefaultNo);
    EXPECT_EQ(register_(cw.tp.db()).recordCount(), 1);
}

TEST(CaseEditFlow, NoSelectedCaseIsSaidAndNothingChanges) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    MainForm& w = cw.open();
    for (const char* item : {"QVMaternityHealthProtectionEdit_0", "QVMaternityHealthProtectionEdit_1",
                             "QVMaternityHealthProtectionEndCase", "QVMaternityHealthProtectionDeleteCase"}) {
        const int before = cw.messageCount();
        cw.choose(item);
        EXPECT_EQ(cw.messagesSince(before), QStringList{"請先在清單中選取一筆資料"}) << item;
        EXPECT_FALSE(w.StringFrame->isVisible()) << item;
    }
    // A list of another mode holds no case either.
    QTest::mouseClick(cw.tp.find<QPushButton>("PersonSelectButton"), Qt::LeftButton);
    cw.tp.find<QAction>("QVMaternityHealthProtectionDeleteCase")->trigger();
    EXPECT_EQ(cw.tp.ui().messageTexts().last(), "請先在清單中選取一筆資料");
    const Recordset rs = register_(cw.tp.db());
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_TRUE(rs.isNull(0, 6));
    EXPECT_EQ(rs.text(0, "手機號碼"), "-");
}

TEST(CaseEditFlow, ADatabaseErrorIsSaidAndTheWindowStaysUsable) {
    CaseWindow cw;
    addCase(cw.tp.db(), {"王小美", "A1-202501", "2025/01/02 08:00:00"});
    cw.open();
    cw.select("A1-202501");
    cw.tp.db().exec("DROP TABLE MaternityHealth");
    cw.tp.ui().answerNext(Ui::Answer::Yes);
    cw.choose("QVMaternityHealthProtectionEndCase");
    EXPECT_EQ(cw.tp.ui().shown.last().title, "資料庫錯誤");
    EXPECT_EQ(cw.tp.ui().shown.last().icon, Ui::Icon::Critical);
    cw.search("");
    EXPECT_EQ(cw.tp.ui().shown.last().title, "資料庫錯誤");
}
