// The report frame through the real window: the toolbar's "報表" and its menu, "醫藥品統計", the confirmation, the
// department keyword, the progress window, the closing message and the toolbar given back.

#include "common/TestProgram.h"
#include "core/SplashInformation.h"
#include "reports/ReportFrame.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace reports;

namespace {

struct Frame {
    explicit Frame(TestProgram& tp)
        : tp(tp), w(tp.window()), list(tp.find<QComboBox>("ReportTypeCombo")), from(tp.find<QLineEdit>("Text5_0")),
          to(tp.find<QLineEdit>("Text5_1")), run(tp.find<QPushButton>("ButtonShowReport")),
          caption(tp.find<QLabel>("FrameReport_Caption")) {}

    QAction* button(const char* key) { return w.toolbarButton(QString::fromUtf8(key)); }
    // Presses "報表" (the menu pops up) and picks a menu item.
    void pick(const char* item) {
        button("ShowReport")->trigger();
        QAction* a = tp.find<QAction>(QString::fromUtf8(item));
        ASSERT_TRUE(a) << item;
        a->trigger();
    }
    QString kind() const { return run->property("Tag").toString(); }
    bool toolbarUsable() {
        for (const char* key : {"FindRS", "PersonalHealth", "OnlineKeyIn", "ShowReport", "MedicalDrug", "NewTopic"})
            if (!button(key)->isEnabled() || button(key)->isChecked()) return false;
        return true;
    }

    TestProgram& tp;
    MainForm& w;
    QComboBox* list;
    QLineEdit* from;
    QLineEdit* to;
    QPushButton* run;
    QLabel* caption;
};

// A builder that records what it was handed.
struct Probe {
    int runs = 0;
    QString kind, from, to, keyword, year;
    bool progressShown = false;
    ReportOutcome outcome = ReportOutcome::Done;
    ReportBuilder builder() {
        return [this](const ReportRequest& r) {
            ++runs;
            kind = r.kind;
            from = r.from;
            to = r.to;
            keyword = r.keyword;
            year = r.year;
            progressShown =
                r.progressWindow && r.progressWindow->isVisible() &&
                r.progressWindow->objectName() == "frmSplashInformation" &&
                r.progressWindow->Label1->text() == "系統正在執行 Excel 報表繪製, 請勿進行其它程式或點選任何程式";
            r.progress(50, "一半");
            return outcome;
        };
    }
};

int splashWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmSplashInformation") ++n;
    return n;
}

} // namespace

TEST(ReportFrameFlow, TheReportMenuOffersFourItemsAndEachOpensTheFrameWithItsKind) {
    TestProgram tp;
    tp.ui().clock = QDateTime(QDate(2025, 2, 10), QTime(9, 0));
    Frame f(tp);
    ASSERT_TRUE(f.list && f.from && f.to && f.run && f.caption);
    // Start-up filled the period list.
    EXPECT_EQ(f.list->count(), 12);
    EXPECT_EQ(f.list->itemText(1), "2025/02 當月");
    EXPECT_EQ(f.from->toolTip(), "標準日期格式: YYYY/MM/DD");

    QMenu* menu = f.w.popupMenu("QVStatistica");
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QString("-") : a->objectName() + "=" + a->text());
    EXPECT_EQ(items, (QStringList{"QVStatisticaRegulation=月季年報表", "-",
                                  "QVStatisticaAdvanceNursingRecord=高風險人員統計分析", "-",
                                  "QVStatisticaMultipleLevel=健檢資料_四段分級", "-",
                                  "QVStatisticaOHS=健康服務工作要項_統計分析", "-",
                                  "QVStatisticaMultipleLevelImport=多項四段分級標準_匯入",
                                  "QVStatisticaMultipleLevelExample=多項四段分級標準_範例檔"}));

    const struct {
        const char* item;
        const char* caption;
        const char* kind;
    } cases[] = {
        {"QVStatisticaRegulation", "月季年報表", "ShowReport"},
        {"QVStatisticaAdvanceNursingRecord", "高風險人員統計分析", "AdvanceNursingRecord"},
        {"QVStatisticaOHS", "健康服務工作要項_統計分析", "ListOHS"},
    };
    for (const auto& c : cases) {
        f.from->setText("2024/01/01");
        f.list->setCurrentIndex(3);
        f.pick(c.item);
        EXPECT_TRUE(f.w.FrameReport->isVisible()) << c.item;
        EXPECT_EQ(f.caption->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(f.run->text(), "報表");
        EXPECT_EQ(f.kind(), QString::fromUtf8(c.kind));
        EXPECT_EQ(f.list->count(), 12);
        EXPECT_EQ(f.list->currentIndex(), -1);         // refilled, nothing chosen
        EXPECT_EQ(f.from->text(), "2024/01/01");       // the dates stay
        EXPECT_FALSE(f.button("FindRS")->isEnabled()); // the toolbar waits for the frame
        // Raising "報表" closes the frame without running anything.
        f.button("ShowReport")->trigger();
        EXPECT_FALSE(f.w.FrameReport->isVisible());
        EXPECT_EQ(f.kind(), "ShowReport");
        EXPECT_TRUE(f.toolbarUsable());
    }
}

// The nurse presses "報表" and closes its menu without a choice (Esc or a click beside it): nothing opened, so the
// button comes back up and the toolbar is usable again instead of staying greyed.
TEST(ReportFrameFlow, TheReportMenuClosedWithoutAChoiceGivesTheToolbarBack) {
    TestProgram tp;
    Frame f(tp);
    f.w.popUp = [](QMenu* m) {
        m->popup(QPoint(0, 0));
        m->hide();
    };
    f.button("ShowReport")->trigger();
    EXPECT_FALSE(f.w.FrameReport->isVisible());
    EXPECT_TRUE(f.toolbarUsable());
}

TEST(ReportFrameFlow, PeriodsFillTheDateBoxes) {
    TestProgram tp;
    tp.ui().clock = QDateTime(QDate(2025, 2, 10), QTime(9, 0));
    Frame f(tp);
    f.pick("QVStatisticaAdvanceNursingRecord");
    f.list->setCurrentIndex(0);
    emit f.list->activated(0);
    EXPECT_EQ(f.from->text(), "2025/01/01");
    EXPECT_EQ(f.to->text(), "2025/01/31");
    f.list->setCurrentIndex(11);
    emit f.list->activated(11);
    EXPECT_EQ(f.from->text(), "");
}

TEST(ReportFrameFlow, ConfirmationYesRunsTheBuilderAndClosesTheFrameNoKeepsItOpen) {
    TestProgram tp;
    Frame f(tp);
    Probe probe;
    registerReportBuilder(f.w, kKindShowReport, probe.builder());
    f.pick("QVStatisticaRegulation");
    f.from->setText("2024/01/01");
    f.to->setText("2024/12/31");

    // No: nothing runs, nothing is asked further, the frame stays.
    tp.ui().answerNext(Ui::Answer::No);
    f.run->click();
    EXPECT_EQ(probe.runs, 0);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    const auto& box = tp.ui().shown.last();
    EXPECT_EQ(box.text,
              "此功能將 針對指定日期內的所有健康日誌紀錄, \r\n\r\n進行【健康日誌統計分析】. \r\n\r\n是否確定執行?");
    EXPECT_EQ(box.title, "日誌統計");
    EXPECT_EQ(box.icon, Ui::Icon::Information);
    EXPECT_EQ(box.buttons, Ui::Buttons::YesNo);
    EXPECT_TRUE(f.w.FrameReport->isVisible());

    // Yes, then a keyword with blanks around it: the builder gets it trimmed, with the progress window up. The
    // window stays on top, so it comes up only after the keyword is typed: up before, it would cover the box.
    int splashWhileAsked = -1;
    tp.ui().onInput = [&](const ScriptedUi::Shown&) { splashWhileAsked = splashWindows(); };
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().inputNext(QStringLiteral("  製造' 50%_部 "));
    f.run->click();
    EXPECT_EQ(splashWhileAsked, 0);
    ASSERT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.kind, "ShowReport");
    EXPECT_EQ(probe.from, "2024/01/01");
    EXPECT_EQ(probe.to, "2024/12/31");
    EXPECT_EQ(probe.keyword, "製造' 50%_部");
    EXPECT_TRUE(probe.progressShown);
    const auto& asked = tp.ui().shown[2];
    EXPECT_EQ(asked.kind, "input");
    EXPECT_EQ(asked.title, "部門關鍵字");
    EXPECT_EQ(asked.text, "若需要針對特定部門進行統計，\r\n\r\n請在下方填入部門名稱的關鍵字 \r\n\r\n"
                          "若無，則無需輸入任何資料；或按【取消】。");
    EXPECT_EQ(tp.ui().shown.last().text, "月季年報表 完成");
    EXPECT_EQ(tp.ui().shown.last().title, "完成");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Information);
    QApplication::processEvents();
    EXPECT_EQ(splashWindows(), 0);
    // The run closes the frame and gives the toolbar back.
    EXPECT_FALSE(f.w.FrameReport->isVisible());
    EXPECT_EQ(f.kind(), "ShowReport");
    EXPECT_EQ(f.run->text(), "報表");
    EXPECT_TRUE(f.toolbarUsable());

    // A cancelled keyword means every department.
    f.pick("QVStatisticaRegulation");
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().inputNext(std::nullopt);
    f.run->click();
    EXPECT_EQ(probe.runs, 2);
    EXPECT_EQ(probe.keyword, "");
    EXPECT_TRUE(tp.ui().allAnswersUsed());
}

TEST(ReportFrameFlow, EveryKindHasItsConfirmationProgressAndKeywordRule) {
    TestProgram tp;
    Frame f(tp);
    tp.program().VardelDBPath = tp.folder() + "/vardel.sqlite"; // "個資填補" opens the frame only when linked
    Probe probe;
    for (const QString& k :
         {kKindShowReport, kKindAdvanceNursingRecord, kKindMultiple, kKindListOHS, kKindMedicalDrug, kKindAddEmpl})
        registerReportBuilder(f.w, k, probe.builder());
    tp.db().exec("INSERT INTO PersonalHealth (XID, 年度代碼) VALUES ('1', '2024')");
    f.from->setText("2024/01/01");
    f.to->setText("2024/12/31");

    const struct {
        std::function<void()> open;
        const char* kind;
        const char* text;
        const char* title;
        bool progress;
        bool keyword;
    } cases[] = {
        {[&] { f.pick("QVStatisticaAdvanceNursingRecord"); }, "AdvanceNursingRecord",
         "此功能將 針對指定日期內的所有健康日誌紀錄, \r\n\r\n進行【高風險人員_統計分析】. \r\n\r\n是否確定執行?",
         "高風險人員_統計分析", false, false},
        {[&] { f.pick("QVStatisticaOHS"); }, "ListOHS",
         "此功能將 針對指定日期內的所健康日誌紀錄, \r\n\r\n進行【健康服務工作要項_統計分析】. \r\n\r\n是否確定執行?",
         "健康服務工作要項_統計分析", false, true},
        {[&] { f.button("MedicalDrug")->trigger(); }, "MedicalDrug",
         "此功能將 針對指定日期內的所有醫藥物品取用紀錄, \r\n\r\n進行【醫藥物品統計】. \r\n\r\n是否確定執行?",
         "醫藥物品統計", true, false},
        {[&] { f.button("AddEmpl")->trigger(); }, "AddEmpl",
         "此功能將以 【員工編號】為索引值, 針對指定日期內的所有健康日誌紀錄, \r\n\r\n以系統人事資料庫內容, "
         "進行個資校正. \r\n\r\n是否確定執行?",
         "個資校正", true, false},
        {[&] {
             f.pick("QVStatisticaMultipleLevel");
             f.list->setCurrentIndex(0);
             emit f.list->activated(0);
         },
         "Multiple", "此功能將針對已選取之 【健檢年度】進行多項四段分級, \r\n\r\n是否確定執行?", "多項四段分級", false,
         false},
    };
    for (const auto& c : cases) {
        c.open();
        EXPECT_TRUE(f.w.FrameReport->isVisible()) << c.kind;
        EXPECT_EQ(f.kind(), QString::fromUtf8(c.kind));
        const int runs = probe.runs;
        // No: nothing runs and the frame waits.
        tp.ui().answerNext(Ui::Answer::No);
        f.run->click();
        EXPECT_EQ(probe.runs, runs) << c.kind;
        EXPECT_EQ(tp.ui().shown.last().title, QString::fromUtf8(c.title));
        EXPECT_TRUE(f.w.FrameReport->isVisible()) << c.kind;
        const int before = int(tp.ui().shown.size());
        tp.ui().answerNext(Ui::Answer::Yes);
        if (c.keyword) tp.ui().inputNext(QStringLiteral("品保"));
        f.run->click();
        ASSERT_EQ(probe.runs, runs + 1) << c.kind;
        const auto shown = tp.ui().shown.mid(before);
        ASSERT_EQ(shown.size(), c.keyword ? 3 : 2) << c.kind;
        EXPECT_EQ(shown[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(shown[0].title, QString::fromUtf8(c.title));
        EXPECT_EQ(probe.progressShown, c.progress) << c.kind;
        EXPECT_EQ(probe.keyword, c.keyword ? "品保" : "") << c.kind;
        EXPECT_FALSE(f.w.FrameReport->isVisible()) << c.kind;
        // The button that opened the frame comes up with "報表", and the whole toolbar is usable again.
        EXPECT_TRUE(f.toolbarUsable()) << c.kind;
        EXPECT_FALSE(f.button("AddEmpl")->isChecked());
    }
    EXPECT_EQ(probe.year, "2024");
}

TEST(ReportFrameFlow, TheDatesMustBeFilledExceptForTheGradingWhichNeedsAYear) {
    TestProgram tp;
    Frame f(tp);
    Probe probe;
    registerReportBuilder(f.w, kKindAdvanceNursingRecord, probe.builder());
    registerReportBuilder(f.w, kKindMultiple, probe.builder());
    f.pick("QVStatisticaAdvanceNursingRecord");
    f.from->setText("2024/01/01");
    f.to->setText(" ");
    f.run->click();
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].text, "未指定製表日期");
    EXPECT_EQ(tp.ui().shown[0].title, "製表日");
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_EQ(probe.runs, 0);
    EXPECT_TRUE(f.w.FrameReport->isVisible());
    f.button("ShowReport")->trigger();

    // The grading: no stored year says so and leaves the list as it was.
    f.pick("QVStatisticaMultipleLevel");
    EXPECT_EQ(tp.ui().shown.last().text, " 查無相關年度資料");
    EXPECT_EQ(f.list->count(), 12);
    EXPECT_FALSE(f.from->isVisible());
    EXPECT_FALSE(f.to->isVisible());
    // With the period list still in it, no year is chosen: refused, although the hidden boxes are empty.
    f.run->click();
    EXPECT_EQ(tp.ui().shown.last().text, "未指定健檢年度");
    EXPECT_EQ(tp.ui().shown.last().title, "多項四段分級");
    EXPECT_EQ(probe.runs, 0);
    f.button("ShowReport")->trigger();

    tp.db().exec("INSERT INTO PersonalHealth (XID, 年度代碼) VALUES ('a', '2023'), ('b', '2025'), ('c', '2023'), "
                 "('d', NULL), ('e', '')");
    f.from->setText("2020/01/01");
    f.pick("QVStatisticaMultipleLevel");
    QStringList years;
    for (int i = 0; i < f.list->count(); ++i)
        years << f.list->itemText(i);
    EXPECT_EQ(years, (QStringList{"2025", "2023"}));
    EXPECT_EQ(f.list->currentIndex(), -1);
    f.run->click(); // no year chosen yet
    EXPECT_EQ(tp.ui().shown.last().text, "未指定健檢年度");
    // Choosing a year writes no period into the hidden boxes.
    f.list->setCurrentIndex(1);
    emit f.list->activated(1);
    EXPECT_EQ(f.from->text(), "2020/01/01");
    tp.ui().answerNext(Ui::Answer::Yes);
    f.run->click();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.year, "2023");
    EXPECT_EQ(tp.ui().shown.last().text, "健檢資料_四段分級 完成");

    // "醫藥品統計" after the grading offers the periods again, and the date boxes come back.
    f.button("MedicalDrug")->trigger();
    EXPECT_TRUE(f.from->isVisible());
    EXPECT_EQ(f.list->count(), 12);
    EXPECT_EQ(f.caption->text(), "醫藥品統計");
    EXPECT_EQ(f.run->text(), "醫藥品統計");
}

TEST(ReportFrameFlow, AKindWithoutBuilderOrABuilderThatStopsOrFailsLeavesTheFrameOpen) {
    TestProgram tp;
    Frame f(tp);
    f.pick("QVStatisticaOHS");
    f.from->setText("2024/01/01");
    f.to->setText("2024/01/31");
    // Until a builder is registered for the kind, the run says so and asks nothing.
    if (!hasReportBuilder(f.w, kKindListOHS)) {
        f.run->click();
        ASSERT_EQ(tp.ui().shown.size(), 1);
        EXPECT_EQ(tp.ui().shown[0].text, "「健康服務工作要項_統計分析」尚未提供, 無法產生此報表");
        EXPECT_TRUE(f.w.FrameReport->isVisible());
    }

    Probe probe;
    probe.outcome = ReportOutcome::Stopped;
    registerReportBuilder(f.w, kKindListOHS, probe.builder());
    tp.ui().answerNext(Ui::Answer::Yes);
    f.run->click();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_FALSE(tp.ui().messageTexts().contains("健康服務工作要項_統計分析 完成"));
    EXPECT_TRUE(f.w.FrameReport->isVisible());
    EXPECT_TRUE(f.run->isEnabled());

    // A database error in the builder becomes a message; the window stays usable.
    registerReportBuilder(f.w, kKindListOHS, [](const ReportRequest& r) {
        r.program.DBConn.query("SELECT nothing FROM no_such_table");
        return ReportOutcome::Done;
    });
    tp.ui().answerNext(Ui::Answer::Yes);
    f.run->click();
    EXPECT_TRUE(tp.ui().shown.last().text.startsWith("「健康服務工作要項_統計分析」無法完成, 資料庫回報:"));
    EXPECT_EQ(tp.ui().shown.last().title, "資料庫錯誤");
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_TRUE(f.w.FrameReport->isVisible());
    EXPECT_TRUE(f.run->isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(splashWindows(), 0);
    f.button("ShowReport")->trigger();
    EXPECT_TRUE(f.toolbarUsable());
}
