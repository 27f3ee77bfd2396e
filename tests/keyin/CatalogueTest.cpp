// The shipped question catalogue: the codes and sections the dialogs rely on, and seeding it once.

#include "keyin/Catalogue.h"

#include "common/TestProgram.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace keyin;

TEST(KeyInCatalogue, EveryTopicHoldsExactlyItsCodesInItsSections) {
    const QMap<QString, QStringList> roots = {
        {kTopicNmq, {"個人資訊NMQ", "診斷與症狀NMQ", "身體酸痛部位NMQ"}},
        {kTopicOverLoading, {"個人資訊", "健檢資訊", "過勞問卷"}},
    };
    for (const QString& topic : {kTopicNmq, kTopicOverLoading}) {
        QStringList codes;
        for (const auto& r : catalogueRows()) {
            if (r.topic != topic) continue;
            codes << r.mainCode;
            EXPECT_TRUE(r.type.startsWith(r.mainCode)) << r.type.toStdString();
            EXPECT_LE(r.type.size(), 100);
            EXPECT_FALSE(r.note.isEmpty()) << r.mainCode.toStdString();
            EXPECT_FALSE(r.type.contains(QStringLiteral("【"))) << r.mainCode.toStdString();
            int tree = -1;
            for (const auto& s : sectionsOf(topic))
                if (s.letter == r.mainCode[0]) tree = s.tree;
            ASSERT_GE(tree, 0) << r.mainCode.toStdString();
            EXPECT_EQ(r.source, roots[topic][tree]) << r.mainCode.toStdString();
        }
        EXPECT_EQ(codes, expectedCodes(topic)) << topic.toStdString();
    }
    EXPECT_EQ(expectedCodes(kTopicNmq).size(), 35);
    EXPECT_EQ(expectedCodes(kTopicOverLoading).size(), 37);
}

TEST(KeyInCatalogue, BurnoutItemsCarryTheQuestionsAndJ07SaysItIsReversed) {
    QMap<QString, CatalogueRow> ow;
    for (const auto& r : catalogueRows())
        if (r.topic == kTopicOverLoading) ow[r.mainCode] = r;
    EXPECT_EQ(ow["I01"].type, "I01 你常覺得疲勞嗎?");
    EXPECT_EQ(ow["I06"].type, "I06 你常常覺得虛弱，好像快要生病了嗎?");
    EXPECT_EQ(ow["J01"].type, "J01 你的工作會令人情緒上心力交瘁嗎？");
    EXPECT_EQ(ow["J07"].type, "J07 不工作的時候，你有足夠的精力陪朋友或家人嗎?");
    EXPECT_TRUE(ow["J07"].note.contains("反向"));
}

TEST(KeyInCatalogue, SeedsAnEmptyCatalogueOnce) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    tp.db().exec("DELETE FROM OnlineKeyIn");
    EXPECT_EQ(seedOnlineKeyIn(tp.db()), int(catalogueRows().size()));
    EXPECT_EQ(seedOnlineKeyIn(tp.db()), 0);
    EXPECT_EQ(tp.db().scalar("SELECT COUNT(*) FROM OnlineKeyIn").toInt(), 72);
    EXPECT_EQ(tp.db().scalar("SELECT xSource FROM OnlineKeyIn WHERE xTopic = 'NMQ' AND MainCode = 'P15'").toString(),
              "身體酸痛部位NMQ");
}
