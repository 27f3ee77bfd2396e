// The main window: start-up through the real window, the toolbar and its check-button rule, the shared controls.

#include "common/TestProgram.h"
#include "core/ExcelOutput.h"
#include "core/HtmlOutput.h"
#include "core/SplashInformation.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(MainFormFlow, StartUpShowsTheWindowOverAFreshDatabase) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("職場健康服務管理系統 (Ostiva) ") + Program::version());
    EXPECT_TRUE(tp.program().VardelDBPath.isEmpty());
    EXPECT_TRUE(tp.program().NursingBookColumns.startsWith("[SerialX]"));
    for (const char* name : {"Toolbar1", "StatusBar1", "TraceLV", "FrameSearch", "FrameReport", "FrameNursing",
                             "FindSomeoneFrame", "PersonListView", "MonthView1", "StringFrame"})
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_FALSE(w.StringFrame->isVisible());
    EXPECT_FALSE(w.MonthView1->isVisible());
    // The button of the outside personnel database is hidden while no link is set.
    EXPECT_FALSE(w.toolbarButton("AddEmpl")->isVisible());
    EXPECT_TRUE(w.toolbarButton("ShowReport")->isVisible());
    EXPECT_EQ(w.toolbarButton("ShowReport")->text(), QStringLiteral("報表"));
    EXPECT_EQ(w.toolbarButton("MedicalDrug")->text(), QStringLiteral("醫藥品統計"));
    EXPECT_EQ(w.toolbarButton("AddEmpl")->text(), QStringLiteral("個資填補"));
    EXPECT_TRUE(w.toolbarButton("ShowReport")->isCheckable());
    EXPECT_TRUE(w.toolbarButton("MedicalDrug")->isCheckable());
    EXPECT_TRUE(w.toolbarButton("FindRS")->isCheckable());
    EXPECT_FALSE(w.toolbarButton("PersonalHealth")->isCheckable());
    for (QMenu* menu : {w.QVOnlineKeyIn, w.QVNewTopic, w.QVStatistica, w.QVPersonalToWord})
        EXPECT_EQ(w.popupMenu(menu->objectName()), menu);
    // A name the window has no menu of finds none (a mistyped name is not a new empty menu).
    EXPECT_EQ(w.popupMenu("QVStatistic"), nullptr);
    EXPECT_EQ(w.findChild<QMenu*>("QVStatistic"), nullptr);
    // Nothing was asked at start-up.
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty()) << tp.ui().messageTexts().join("|").toStdString();
}

TEST(MainFormFlow, ACheckButtonDownDisablesTheOthersAndRaisedEnablesThemAgain) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    QAction* report = w.toolbarButton("ShowReport");
    QStringList seen;
    w.setToolbarHandler("ShowReport", [&](QAction* a) { seen.append(a->isChecked() ? "down" : "up"); });
    report->trigger(); // down
    EXPECT_TRUE(report->isChecked());
    EXPECT_TRUE(report->isEnabled());
    for (const char* k : {"MedicalDrug", "PersonalHealth", "FindRS", "OnlineKeyIn", "NewTopic", "Exit"})
        EXPECT_FALSE(w.toolbarButton(k)->isEnabled()) << k;
    report->trigger(); // raised
    for (const char* k : {"MedicalDrug", "PersonalHealth", "FindRS", "OnlineKeyIn", "NewTopic", "Exit", "ShowReport"})
        EXPECT_TRUE(w.toolbarButton(k)->isEnabled()) << k;
    EXPECT_EQ(seen, (QStringList{"down", "up"}));
    // A plain button leaves the others alone.
    w.setToolbarHandler("PersonalHealth", [&](QAction*) { seen.append("person"); });
    w.toolbarButton("PersonalHealth")->trigger();
    EXPECT_TRUE(w.toolbarButton("ShowReport")->isEnabled());
    EXPECT_EQ(seen.last(), QStringLiteral("person"));
}

TEST(MainFormFlow, ExitClosesTheWindowAndTheDatabase) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    ASSERT_TRUE(tp.db().isOpen());
    w.toolbarButton("Exit")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(tp.db().isOpen());
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty()); // no question on the way out
}

TEST(MainFormFlow, ProgressWindowIsAlwaysOnTopWithLabelAndBar) {
    SplashInformation splash;
    EXPECT_EQ(splash.objectName(), QStringLiteral("frmSplashInformation"));
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(splash.isModal());
    splash.setMessage("匯入中\n第 2 行");
    splash.setValue(150);
    EXPECT_EQ(splash.ProgressBar1->value(), 100);
    splash.setValue(-5);
    EXPECT_EQ(splash.ProgressBar1->value(), 0);
    EXPECT_EQ(splash.Label1->text(), QStringLiteral("匯入中\n第 2 行"));
}

TEST(UiServices, UntitledBoxesCarryTheProgramTitleAndAnswersComeFromTheScript) {
    TestProgram tp(false);
    auto& ui = tp.ui();
    ui.answerNext(Ui::Answer::No);
    EXPECT_FALSE(ui.askYesNo("繼續?"));
    EXPECT_EQ(ui.shown.last().title, Program::title());
    ui.message("完成", "自訂標題", Ui::Icon::Information);
    EXPECT_EQ(ui.shown.last().title, QStringLiteral("自訂標題"));
    Ui& asked = ui; // the procedures see the Ui interface
    ui.inputNext(std::nullopt);
    EXPECT_FALSE(asked.input("年度代碼").has_value());
    ui.inputNext(QStringLiteral("113"));
    EXPECT_EQ(asked.input("年度代碼").value(), QStringLiteral("113"));
    EXPECT_EQ(asked.openFileName("選擇檔案", "*.xlsx"), QString()); // nothing scripted: cancelled
    EXPECT_TRUE(ui.allAnswersUsed());
}

TEST(MainFormFlow, ToolbarDispatchByKey) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    QStringList calls;
    QMenu* popped = nullptr;
    w.popUp = [&](QMenu* m) { popped = m; };
    w.ShowReportFrame = [&](QAction* b) { calls.append(b->objectName() + (b->isChecked() ? ":down" : ":up")); };
    w.ShowPersonQueryPanel = [&] { calls.append("panel"); };

    // 報表 down pops up the report menu; raised it hands the button to the report frame.
    w.toolbarButton("ShowReport")->trigger();
    ASSERT_NE(popped, nullptr);
    EXPECT_EQ(popped->objectName(), QStringLiteral("QVStatistica"));
    EXPECT_TRUE(calls.isEmpty());
    w.toolbarButton("ShowReport")->trigger();
    EXPECT_EQ(calls.last(), QStringLiteral("ShowReport:up"));

    // 醫藥品統計 raises a pressed search button and hides the search frame first.
    w.toolbarButton("FindRS")->setChecked(true);
    w.FrameSearch->show();
    w.toolbarButton("MedicalDrug")->trigger();
    EXPECT_FALSE(w.toolbarButton("FindRS")->isChecked());
    EXPECT_FALSE(w.FrameSearch->isVisible());
    EXPECT_EQ(calls.last(), QStringLiteral("MedicalDrug:down"));
    w.toolbarButton("MedicalDrug")->trigger();

    // 個資填補 without a link to the personnel database explains why and opens nothing.
    const int before = calls.size();
    w.toolbarButton("AddEmpl")->trigger();
    EXPECT_EQ(calls.size(), before);
    ASSERT_FALSE(tp.ui().shown.isEmpty());
    EXPECT_EQ(tp.ui().shown.last().text, QStringLiteral("請先完成與 Vardel 系統資料庫之連結設定"));
    EXPECT_EQ(tp.ui().shown.last().title, QStringLiteral("人事資料庫尚未連結"));
    EXPECT_TRUE(w.toolbarButton("PersonalHealth")->isEnabled());

    w.toolbarButton("PersonalHealth")->trigger();
    EXPECT_EQ(calls.last(), QStringLiteral("panel"));
}

TEST(MainFormLayout, TheWindowFitsTheScreenWithItsProportions) {
    struct Case {
        QSize available, expected;
    };
    const Case cases[] = {
        {{1920, 1040}, {1200, 780}}, // room enough: as designed
        {{1366, 728}, {1046, 680}},  // a 1366 x 768 screen with a task bar: the height decides
        {{1024, 768}, {1008, 655}},  // a narrow screen: the width decides
        {{}, {1200, 780}},           // no screen known
    };
    for (const Case& c : cases) {
        const QSize s = fittedWindowSize({1200, 780}, c.available);
        EXPECT_EQ(s, c.expected) << c.available.width() << "x" << c.available.height();
        if (!c.available.isEmpty()) {
            EXPECT_LE(s.width() + 16, c.available.width());
            EXPECT_LE(s.height() + 48, c.available.height());
        }
    }

    // The real window opens inside the screen it is shown on, status bar included.
    TestProgram tp(false);
    MainForm& w = tp.window();
    const QRect available = w.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(w.frameGeometry()))
        << w.frameGeometry().width() << "x" << w.frameGeometry().height();
    EXPECT_TRUE(available.contains(w.mapToGlobal(w.statusBar()->geometry().bottomRight())));
}

TEST(UiServices, AFileTheDesktopCannotOpenIsReportedWithWhereItIsSaved) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    const QString book = tp.folder() + "/範例.xlsx";
    {
        QFile f(book);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    // A path and a file URL (the web pages are handed over as URLs): both name the file on disk.
    struct Case {
        std::function<void()> open;
        QString file;
    };
    const Case cases[] = {
        {[&] { OpenExampleWorkbook(tp.program(), book); }, book},
        {[&] { ShowHtmlText(tp.program(), "標題", "內容"); }, htmlPagePath(tp.program())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        tp.ui().failNextOpen();
        const int before = int(tp.ui().shown.size());
        c.open();
        ASSERT_GT(tp.ui().shown.size(), before);
        const auto& box = tp.ui().shown[before];
        EXPECT_EQ(box.title, "無法開啟檔案");
        EXPECT_EQ(box.icon, Ui::Icon::Warning);
        EXPECT_TRUE(box.text.contains(QDir::toNativeSeparators(QFileInfo(c.file).absoluteFilePath())))
            << box.text.toStdString();
        EXPECT_EQ(tp.ui().notOpened.size(), 1);
        tp.ui().notOpened.clear();
    }
    // An open the desktop takes says nothing more.
    const int before = int(tp.ui().shown.size());
    EXPECT_TRUE(static_cast<Ui&>(tp.ui()).openWithDesktop(book));
    EXPECT_EQ(tp.ui().shown.size(), before);
    EXPECT_EQ(tp.ui().opened.last(), book);
}
