// The overwork dialog's list of the year codes stored so far, shown from the year-code item.

#include "KeyInTestSupport.h"
#include "common/TestProgram.h"
#include "core/HtmlOutput.h"
#include "keyin/Catalogue.h"
#include "keyin/OverworkDialog.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

// The rows of the page's table, each cell's text joined by "|".
QStringList pageRows(Program& program) {
    QFile f(htmlPagePath(program));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString html = QString::fromUtf8(f.readAll());
    QStringList rows;
    static const QRegularExpression row(QStringLiteral("<tr>(.*?)</tr>"));
    static const QRegularExpression cell(QStringLiteral("<t[dh]>(.*?)</t[dh]>"));
    for (auto r = row.globalMatch(html); r.hasNext();) {
        QStringList cells;
        const QString inner = r.next().captured(1);
        for (auto c = cell.globalMatch(inner); c.hasNext();)
            cells << c.next().captured(1);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString pageTitle(Program& program) {
    QFile f(htmlPagePath(program));
    if (!f.open(QIODevice::ReadOnly)) return {};
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"));
    return title.match(QString::fromUtf8(f.readAll())).captured(1);
}

} // namespace

TEST(OverworkYearList, EveryYearBothHistoriesHoldWithThePersonsHavingBoth) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedOnlineKeyIn(tp.db());
    Database& db = tp.db();
    // 2024: two persons with both records, one with a health check only.
    // 2023: a health check of one person and a scale of another: the year is in both histories, no person has both.
    // 2022: a health check only; 2021: a scale only.
    for (const auto& [year, number] : std::vector<std::pair<QString, QString>>{
             {"2024", "E1"}, {"2024", "E2"}, {"2024", "E3"}, {"2023", "E1"}, {"2022", "E1"}})
        db.exec("INSERT INTO PersonalHealth (XID, 年度代碼, 員工編號) VALUES (?, ?, ?)",
                {year + "_" + number, year, number});
    for (const auto& [year, number] :
         std::vector<std::pair<QString, QString>>{{"2024", "E1"}, {"2024", "E2"}, {"2023", "E2"}, {"2021", "E1"}})
        db.exec("INSERT INTO PersonalBurnOut (XID, 年度代碼, 員工編號) VALUES (?, ?, ?)",
                {year + "_" + number, year, number});

    QPointer<OverworkDialog> d = new OverworkDialog(tp.program(), {});
    d->Form_Load();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.data()));
    clickNode(d->trees[0], d->node("A01"));
    ASSERT_TRUE(d->ButtonYearType->isVisible());
    EXPECT_EQ(d->ButtonYearType->objectName(), "ButtonYearTypeOverLoading");
    EXPECT_EQ(d->ButtonYearType->text(), "現有年度代碼");
    QTest::mouseClick(d->ButtonYearType, Qt::LeftButton);

    EXPECT_EQ(pageTitle(tp.program()), "年度代碼、健檢與過勞問卷_現有筆數  ");
    EXPECT_EQ(pageRows(tp.program()), (QStringList{"年度代碼|現有筆數", "2023|0", "2024|2"}));
    delete d.data();
}
