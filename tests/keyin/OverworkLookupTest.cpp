// The overwork dialog's personnel lookup from the employee-number item: the question asked, an unknown number, a
// cancelled box, and values the personnel list holds that the item's rule refuses.

#include "KeyInTestSupport.h"
#include "common/TestProgram.h"
#include "keyin/Catalogue.h"
#include "keyin/OverworkDialog.h"

#include <QPointer>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

class OverworkLookup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tp.start());
        seedOnlineKeyIn(tp.db());
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(12, 0));
        tp.db().exec("INSERT INTO EMPL (姓名, 性別, 出生年月日, 員工編號, 部門中文名稱) VALUES "
                     "('何O''Hara', '3', '1975/01/15', 'E030', NULL), "
                     "('許大明', '1', '1820/01/01', 'E031', '工務部')");
        d = new OverworkDialog(tp.program(), {});
        d->Form_Load();
        d->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.data()));
        answerItem(*d, "A02", "手填");
        answerItem(*d, "A06", "2");
        clickNode(d->trees[0], d->node("A03"));
        ASSERT_TRUE(d->ButtonHR->isVisible());
    }
    void TearDown() override { delete d.data(); }

    void lookUp(std::optional<QString> reply) {
        tp.ui().inputNext(std::move(reply));
        QTest::mouseClick(d->ButtonHR, Qt::LeftButton);
    }

    TestProgram tp{false};
    QPointer<OverworkDialog> d;
};

} // namespace

TEST_F(OverworkLookup, AnUnknownOrCancelledNumberChangesNothing) {
    lookUp(QStringLiteral(" E404 "));
    ASSERT_GE(tp.ui().shown.size(), 2);
    const auto& asked = tp.ui().shown[tp.ui().shown.size() - 2];
    EXPECT_EQ(asked.kind, "input");
    EXPECT_EQ(asked.text, "請輸入完整的員工編號");
    EXPECT_EQ(asked.title, "使用人事資料查詢");
    const auto& refused = tp.ui().shown.last();
    EXPECT_EQ(refused.text, "查無員工編號【E404】 之員工");
    EXPECT_EQ(refused.title, "找不到指定之員工編號");
    EXPECT_EQ(refused.icon, Ui::Icon::Critical);

    const int before = int(tp.ui().shown.size());
    lookUp(std::nullopt);
    lookUp(QStringLiteral("   "));
    EXPECT_EQ(int(tp.ui().shown.size()), before + 2); // the two input boxes only
    EXPECT_EQ(d->answer("A02"), "手填");
    EXPECT_EQ(d->answer("A06"), "2");
}

TEST_F(OverworkLookup, ValuesTheRulesRefuseLeaveTheirItemsUnanswered) {
    // An apostrophe in the number is looked up as typed.
    lookUp(QStringLiteral("E030' OR '1'='1"));
    EXPECT_EQ(tp.ui().shown.last().text, "查無員工編號【E030' OR '1'='1】 之員工");

    lookUp(QStringLiteral("E030"));
    EXPECT_EQ(d->answer("A02"), "何O'Hara");
    EXPECT_EQ(d->node("A04")->text(0), d->node("A04")->data(0, KeyInDialog::TagRole).toString() + "【X部門代號】");
    EXPECT_FALSE(d->isAnswered("A05")); // no department name
    EXPECT_FALSE(d->isAnswered("A06")); // not a sex code: the hand answer is not kept either
    EXPECT_EQ(d->answer("A07"), "1975/01/15");

    lookUp(QStringLiteral("E031"));
    EXPECT_EQ(d->answer("A06"), "1");
    EXPECT_FALSE(d->isAnswered("A07")); // more than ninety years ago
    EXPECT_EQ(d->currentCode(), "A03"); // the question stays where it was
}
