// The overwork run behind "運算與套表": what is staged for the grading, and the order of the grading, the question,
// the history check, the storing and the print, with the real health-risk procedures.

#include "KeyInTestSupport.h"
#include "common/TestProgram.h"
#include "core/ExcelOutput.h"
#include "core/HtmlOutput.h"
#include "keyin/Catalogue.h"
#include "keyin/OverworkDialog.h"
#include "keyin/RiskLink.h"

#include <QFile>
#include <QPointer>
#include <gtest/gtest.h>

using namespace keyin;
using namespace keyin::test;

namespace {

const QString kQuestion = "資料格式正確, 匯入成功, \r\n\r\n是否要匯入本次資料做為歷史資料累積之用途";
const QString kStored = "過負荷評估\r\n【健檢】【過勞問卷】已寫入資料庫\r\n\r\n載入個人套表 (Excel + Word)";

// The dialog with its answers settable directly, as a finished key-in leaves them.
class AnsweredDialog : public OverworkDialog {
public:
    using KeyInDialog::setAnswer;
    using OverworkDialog::OverworkDialog;
};

struct Column {
    QString name, type;
    bool operator==(const Column&) const = default;
};

std::vector<Column> columnsOf(Database& db, const QString& table) {
    std::vector<Column> out;
    for (const QString& c : db.columns(table))
        out.push_back({c, db.columnType(table, c)});
    return out;
}

std::vector<Column> typed(const QStringList& names, const QString& type) {
    std::vector<Column> out;
    for (const QString& n : names)
        out.push_back({n, type});
    return out;
}

class OverworkRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tp.start());
        seedOnlineKeyIn(tp.db());
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(12, 0));

        // The real procedures, each noting its call (and the grading what it was given) in the log.
        const RiskProcedures real = riskProcedures(tp.program());
        RiskProcedures logged;
        logged.framingham = [this, real](QProgressBar* bar) {
            log << "Framingham";
            if (beforeGrading) beforeGrading();
            barPassed = bar;
            stagedHealth = columnsOf(tp.db(), "InPutFramingham");
            stagedScale = columnsOf(tp.db(), "InPutBurnOut");
            healthRow = tp.db().query("SELECT * FROM InPutFramingham");
            scaleRow = tp.db().query("SELECT * FROM InPutBurnOut");
            return real.framingham(bar);
        };
        logged.savePersonalHealth = [this, real] {
            log << "SavePersonalHealth";
            real.savePersonalHealth();
        };
        logged.savePersonalBurnOut = [this, real] {
            log << "SavePersonalBurnOut";
            real.savePersonalBurnOut();
        };
        logged.framinghamToWord = [this, real] {
            log << "FraminghamToWord";
            real.framinghamToWord();
        };
        d = new AnsweredDialog(tp.program(), logged);
        d->Form_Load();
        d->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.data()));

        const QStringList a = {"2025", "林O'Neil", "E020", "D200", "製造部", "1", "1980/03/04"};
        const QStringList b = {"2025/05/20", "172", "80", "92",  "142",        "92", "110",
                               "230",        "160", "38", "150", "每日 10 支", "無", "備註'引號"};
        for (int k = 0; k < a.size(); ++k)
            d->setAnswer(QStringLiteral("A%1").arg(k + 1, 2, 10, QChar('0')), a[k]);
        for (int k = 0; k < b.size(); ++k)
            d->setAnswer(QStringLiteral("B%1").arg(k + 1, 2, 10, QChar('0')), b[k]);
        // I: n = 17 (70.8, level 2); J: m = 12 (42.9, level 0); overtime 0, work pattern 1.
        const QStringList i = {"1", "2", "2", "2", "2", "4"};
        const QStringList j = {"1", "1", "5", "5", "5", "5", "5"};
        for (int k = 0; k < 6; ++k)
            d->setAnswer(QStringLiteral("I%1").arg(k + 1, 2, 10, QChar('0')), i[k]);
        for (int k = 0; k < 7; ++k)
            d->setAnswer(QStringLiteral("J%1").arg(k + 1, 2, 10, QChar('0')), j[k]);
        d->setAnswer("X01", "0");
        d->setAnswer("X02", "1");
        d->setAnswer("X03", "夜班");
    }
    void TearDown() override { delete d.data(); }

    // Presses the button with the question answered as given; the log of calls and texts shown meanwhile.
    QStringList run(Ui::Answer keep) {
        log.clear();
        openedBefore = int(tp.ui().opened.size());
        tp.ui().onMessage = [this, keep](const ScriptedUi::Shown& s) {
            log << "message: " + s.text;
            if (s.text == kQuestion) tp.ui().answerNext(keep);
        };
        QTest::mouseClick(d->OKButton, Qt::LeftButton);
        tp.ui().onMessage = nullptr;
        return log;
    }
    QStringList openedSince() { return tp.ui().opened.mid(openedBefore); }
    int count(const char* table) { return tp.db().scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt(); }

    TestProgram tp;
    QPointer<AnsweredDialog> d;
    QStringList log;
    int openedBefore = 0;
    QProgressBar* barPassed = nullptr;
    std::function<void()> beforeGrading; // a failure to set off inside the grading
    std::vector<Column> stagedHealth, stagedScale;
    Recordset healthRow, scaleRow;
};

} // namespace

TEST_F(OverworkRun, StagesExactlyTheGradingsTwoTablesWithTheAnswersAndScores) {
    run(Ui::Answer::No);
    EXPECT_EQ(barPassed, d->ProgressBar1);

    std::vector<Column> health = typed({"年度代碼", "姓名", "員工編號", "部門代號", "部門名稱", "性別", "出生年月日",
                                        "健檢日期", "身高_cm", "體重_kg", "腰圍_cm", "收縮壓", "舒張壓", "飯前血醣",
                                        "總膽固醇", "三酸甘油脂", "高密度膽固醇", "低密度膽固醇"},
                                       "VARCHAR(50)");
    health.push_back({"抽菸習慣", "VARCHAR(255)"});
    health.push_back({"既往病歷", "TEXT"});
    health.push_back({"健檢過程備註說明", "TEXT"});
    EXPECT_EQ(stagedHealth, health);

    std::vector<Column> scale = typed({"年度代碼",
                                       "姓名",
                                       "員工編號",
                                       "I01",
                                       "I02",
                                       "I03",
                                       "I04",
                                       "I05",
                                       "I06",
                                       "I_Score",
                                       "I_Risk",
                                       "J01",
                                       "J02",
                                       "J03",
                                       "J04",
                                       "J05",
                                       "J06",
                                       "J07",
                                       "J_Score",
                                       "J_Risk",
                                       "月加班時數等級",
                                       "工作型態評估等級"},
                                      "VARCHAR(50)");
    scale.push_back({"工作型態內容說明", "TEXT"});
    scale.push_back({"工作負荷等級", "VARCHAR(50)"});
    EXPECT_EQ(stagedScale, scale);

    ASSERT_EQ(healthRow.recordCount(), 1);
    QStringList h;
    for (int c = 0; c < healthRow.fieldCount(); ++c)
        h << healthRow.text(0, c);
    EXPECT_EQ(h, (QStringList{"2025",       "林O'Neil", "E020", "D200", "製造部",     "1",  "1980/03/04",
                              "2025/05/20", "172",      "80",   "92",   "142",        "92", "110",
                              "230",        "160",      "38",   "150",  "每日 10 支", "無", "備註'引號"}));
    ASSERT_EQ(scaleRow.recordCount(), 1);
    QStringList s;
    for (int c = 0; c < scaleRow.fieldCount(); ++c)
        s << scaleRow.text(0, c);
    EXPECT_EQ(s, (QStringList{"2025", "林O'Neil", "E020", "1", "2", "2", "2",    "2", "4", "70.8", "2",    "1",
                              "1",    "5",        "5",    "5", "5", "5", "42.9", "0", "0", "1",    "夜班", "2"}));
}

TEST_F(OverworkRun, KeptRunGradesAsksStoresThenPrints) {
    const QStringList shown = run(Ui::Answer::Yes);
    EXPECT_EQ(shown, (QStringList{"Framingham", "message: 完成", "message: 完成", "message: " + kQuestion,
                                  "SavePersonalHealth", "SavePersonalBurnOut", "message: " + kStored,
                                  "FraminghamToWord", "message: 套印完成"}));
    EXPECT_EQ(count("PersonalHealth"), 1);
    EXPECT_EQ(count("PersonalBurnOut"), 1);
    EXPECT_EQ(tp.db().scalar("SELECT XID FROM PersonalBurnOut").toString(), "2025_E020");
    const QStringList opened = openedSince();
    ASSERT_EQ(opened.size(), 2) << opened.join(" | ").toStdString();
    EXPECT_TRUE(opened[0].endsWith(".xlsx"));
    EXPECT_TRUE(opened[1].endsWith(".docx"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->answer("A02"), "林O'Neil"); // the dialog keeps its answers
}

TEST_F(OverworkRun, NoSkipsTheHistoryAndPrints) {
    const QStringList shown = run(Ui::Answer::No);
    EXPECT_EQ(shown, (QStringList{"Framingham", "message: 完成", "message: 完成", "message: " + kQuestion,
                                  "FraminghamToWord", "message: 套印完成"}));
    EXPECT_EQ(count("PersonalHealth"), 0);
    EXPECT_EQ(count("PersonalBurnOut"), 0);
    EXPECT_TRUE(openedSince().last().endsWith(".docx"));
}

TEST_F(OverworkRun, AKeyStoredInOneHistoryStopsTheRunWithThePage) {
    // Only the overwork history holds the person's key: the page carries that count alone, after its two breaks.
    tp.db().exec("INSERT INTO PersonalBurnOut (XID, 年度代碼, 員工編號) VALUES ('2025_E020', '2025', 'E020')");
    const QStringList shown = run(Ui::Answer::Yes);
    EXPECT_EQ(shown, (QStringList{"Framingham", "message: 完成", "message: 完成", "message: " + kQuestion}));
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("<title>匯入檔中, 部份資料已存在於系統資料庫</title>"));
    EXPECT_TRUE(html.contains("<P> <P>【  發現 1 筆,  過勞量表資料】已存在於系統資料庫中, 請由 【系統設定】-->"
                              "【使用 MS-Excel 匯入匯出】 單獨處理"));
    EXPECT_FALSE(html.contains("個人健檢資料"));
    EXPECT_EQ(count("PersonalHealth"), 0);
    EXPECT_EQ(count("PersonalBurnOut"), 1);
    const QStringList opened = openedSince();
    EXPECT_TRUE(std::none_of(opened.begin(), opened.end(), [](const QString& p) { return p.endsWith(".docx"); }));
}

TEST_F(OverworkRun, AMissingTemplateIsNamedAndNothingIsPrinted) {
    const QString templatePath = tp.program().docFolder() + "套表_過負荷評估問卷.docx";
    ASSERT_TRUE(QFile::remove(templatePath));
    const QStringList shown = run(Ui::Answer::Yes);
    EXPECT_EQ(shown.mid(shown.indexOf("FraminghamToWord")),
              (QStringList{"FraminghamToWord", "message: 套印檔案不存在: \r\n\r\n" + templatePath}));
    EXPECT_EQ(tp.ui().shown.last().title, "無法套印");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_EQ(count("PersonalHealth"), 1); // stored before the print
}

TEST_F(OverworkRun, AFailureWithTheWorkbookHalfBuiltIsSaidAndLeavesNoWorkbookBehind) {
    beforeGrading = [this] {
        CreateExcelWorkbook(tp.program(), 0);
        throw DbError("disk I/O error", QString());
    };
    const QStringList shown = run(Ui::Answer::Yes);
    EXPECT_EQ(shown, (QStringList{"Framingham", "message: 「運算與套表」無法完成, 資料庫回報:\r\n\r\ndisk I/O error"}));
    EXPECT_EQ(tp.ui().shown.last().title, "資料庫錯誤");
    EXPECT_FALSE(tp.program().excel); // the next report starts its own
    EXPECT_TRUE(d->OKButton->isEnabled());
}
