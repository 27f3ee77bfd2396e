// The program's real boxes under a real window manager: a virtual X display with openbox (XSession), the Qt Ui on
// the xcb platform and the complete main window. Keys and clicks come from xdotool, so they reach the program the way
// a person's do: to whichever window the window manager has given the focus.

#include "XSession.h"
#include "app/Install.h"
#include "core/Language.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/Startup.h"
#include "keyin/Install.h"
#include "keyin/NmqDialog.h"
#include "keyin/OverworkDialog.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kWaitMs = 8000;

// Runs xdotool with its arguments and waits for it.
bool xdo(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(kWaitMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "xdotool " << args.join(' ').toStdString() << " did not finish";
        return false;
    }
    EXPECT_EQ(p.exitCode(), 0) << "xdotool " << args.join(' ').toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.exitCode() == 0;
}

// Types text and presses Enter into the window that has the focus.
void typeAndEnter(const QString& text) {
    xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    xdo({QStringLiteral("key"), QStringLiteral("Return")});
}

// A real mouse click at the centre of a widget.
void clickOn(QWidget* w) {
    const QPoint at = w->mapToGlobal(w->rect().center());
    xdo({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
         QStringLiteral("1")});
}

// The widget that has the keyboard focus, by name.
std::string focusName() {
    QWidget* w = QApplication::focusWidget();
    return w ? (w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName().toStdString())
             : std::string("no widget of the program");
}

// The real Ui without the desktop: a file handed over is only recorded (no viewer starts on the test display).
class DesktopFreeUi : public QtUi {
public:
    QStringList opened;

protected:
    bool desktopOpen(const QString& pathOrUrl) override {
        opened << pathOrUrl;
        return true;
    }
};

// Answers every box the way the nurse does, once the window manager has given it the focus: an input box gets its
// reply typed, every box is closed by Enter. Runs from a timer, so it acts inside the box's own event loop.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer() {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start();
    }
    QString reply;      // what an input box gets typed
    QStringList titles; // the title of every box answered
    QStringList texts;  // the text or prompt of every box answered
    int count() const { return int(titles.size()); }

private:
    void look() {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box == m_last || QApplication::activeWindow() != box) return;
        m_last = box;
        titles << box->windowTitle();
        if (auto* input = qobject_cast<QInputDialog*>(box)) {
            texts << input->labelText();
            typeAndEnter(reply);
        } else {
            auto* message = qobject_cast<QMessageBox*>(box);
            texts << (message ? message->text() : QString());
            xdo({QStringLiteral("key"), QStringLiteral("Return")});
        }
    }
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

// A program folder with the real Ui and the complete main window, shown and active.
struct Session {
    QTemporaryDir dir;
    DesktopFreeUi* ui = nullptr;
    std::unique_ptr<Program> program;
    std::unique_ptr<MainForm> form;

    Session() {
        auto u = std::make_unique<DesktopFreeUi>();
        ui = u.get();
        program = std::make_unique<Program>(dir.path(), std::move(u));
        registerSubsystemTables(*program);
        EXPECT_TRUE(StartProgram(*program));
        form = std::make_unique<MainForm>(*program);
        installSubsystems(*form, *program);
        form->Form_Load();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), kWaitMs));
    }
    ~Session() {
        form.reset();
        program.reset();
    }
    QAction* item(QMenu* menu, const QString& name) {
        for (QAction* a : menu->actions())
            if (a->objectName() == name) return a;
        ADD_FAILURE() << "no menu item " << name.toStdString();
        return nullptr;
    }
    // Waits until a box has closed and the window manager has given the focus to a window of the program again.
    QWidget* windowAfterBoxes() {
        EXPECT_TRUE(QTest::qWaitFor(
            [] {
                QWidget* active = QApplication::activeWindow();
                return active && !QApplication::activeModalWidget() && !qobject_cast<QMessageBox*>(active) &&
                       !qobject_cast<QInputDialog*>(active);
            },
            kWaitMs));
        return QApplication::activeWindow();
    }
};

// Opens a key-in dialog from the menu "單筆鍵入" and shows the question of a code, the answer box taking the keys.
template <class Dialog>
Dialog* openQuestion(Session& s, const QString& menuItem, Dialog* (*find)(MainForm&), int tree, const QString& code) {
    if (QAction* a = s.item(s.form->QVOnlineKeyIn, menuItem)) a->trigger();
    Dialog* d = find(*s.form);
    if (!d) return nullptr;
    EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }, kWaitMs));
    d->nodeClick(tree, d->node(code));
    EXPECT_TRUE(QTest::qWaitFor([d] { return QApplication::focusWidget() == d->TextAnswer; }, kWaitMs));
    return d;
}

} // namespace

TEST(BoxFocus, AfterARefusedAnswerTheNextKeysGoToTheAnswerBox) {
    Session s;
    BoxAnswerer boxes;
    auto* d = openQuestion<keyin::NmqDialog>(s, QStringLiteral("QVNewTopicErgonomicsIndividual"), keyin::nmqDialog, 2,
                                             QStringLiteral("P02"));
    ASSERT_TRUE(d);

    // A grade of 6 is refused with the item's text; the box is closed by Enter.
    typeAndEnter(QStringLiteral("6"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.count() == 1; }, kWaitMs));
    EXPECT_TRUE(boxes.texts.value(0).startsWith(QStringLiteral("P02")));
    EXPECT_EQ(s.windowAfterBoxes(), d);

    // The nurse types the grade again: it replaces the refused one and is taken over.
    typeAndEnter(QStringLiteral("3"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->answer(QStringLiteral("P02")) == QLatin1String("3"); }, kWaitMs))
        << "the keys went to " << focusName();
    EXPECT_EQ(boxes.count(), 1);

    // A birth date written month first is refused the same way; the date typed year first is taken over.
    d->DataButtonCancel->click();
    d->nodeClick(0, d->node(QStringLiteral("A05")));
    typeAndEnter(QStringLiteral("06/01/1990"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.count() == 2; }, kWaitMs));
    EXPECT_TRUE(boxes.texts.value(1).startsWith(QStringLiteral("A05")));
    EXPECT_EQ(s.windowAfterBoxes(), d);
    typeAndEnter(QStringLiteral("1990/06/01"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return d->answer(QStringLiteral("A05")) == QLatin1String("1990/06/01"); }, kWaitMs))
        << "the keys went to " << focusName();
}

TEST(BoxFocus, AfterAnUnknownEmployeeNumberTheNextKeysGoToTheAnswerBox) {
    Session s;
    BoxAnswerer boxes;
    boxes.reply = QStringLiteral("Z999");
    auto* d = openQuestion<keyin::OverworkDialog>(s, QStringLiteral("QVNewTopicKaroshIndividualiInput"),
                                                  keyin::overworkDialog, 0, QStringLiteral("A03"));
    ASSERT_TRUE(d);

    // "使用人事資料" clicked with the mouse: the number asked, then the critical box for a number not on the list.
    clickOn(d->ButtonHR);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.count() == 2; }, kWaitMs));
    EXPECT_EQ(boxes.titles, (QStringList{QStringLiteral("使用人事資料查詢"), QStringLiteral("找不到指定之員工編號")}));
    EXPECT_EQ(s.windowAfterBoxes(), d);

    // The nurse types the number by hand instead.
    typeAndEnter(QStringLiteral("E100"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->answer(QStringLiteral("A03")) == QLatin1String("E100"); }, kWaitMs))
        << "the keys went to " << focusName();
}

TEST(BoxFocus, AfterComputeAndPrintWithItemsMissingTheDialogKeepsTheFocus) {
    Session s;
    BoxAnswerer boxes;
    auto* d = openQuestion<keyin::NmqDialog>(s, QStringLiteral("QVNewTopicErgonomicsIndividual"), keyin::nmqDialog, 0,
                                             QStringLiteral("A01"));
    ASSERT_TRUE(d);

    // "運算與套表" clicked with nothing answered: the box says so, the missing items go to the page.
    clickOn(d->OKButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.count() == 1; }, kWaitMs));
    EXPECT_EQ(boxes.texts.value(0), QStringLiteral("所有項目皆必填，發現有部份項目未填"));
    EXPECT_EQ(s.windowAfterBoxes(), d);

    // The nurse answers the first item: the keys reach the answer box.
    d->TextAnswer->setFocus();
    typeAndEnter(QStringLiteral("2025"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->answer(QStringLiteral("A01")) == QLatin1String("2025"); }, kWaitMs))
        << "the keys went to " << focusName();
}

TEST(BusyWindow, AClickDuringAnExportStartsNothingWhileTheWorkbookIsWritten) {
    Session s;
    BoxAnswerer boxes;
    s.program->DBConn.exec(QStringLiteral("INSERT INTO EMPL (姓名, 性別, 員工編號, 部門中文名稱) VALUES "
                                          "('王小明', '1', 'A001', '品保部')"));
    s.form->toolbarButton(QStringLiteral("PersonalHealth"))->trigger();
    s.form->findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"))->setText(QStringLiteral("A001"));
    auto* search = s.form->findChild<QPushButton*>(QStringLiteral("PersonSelectButton"));
    search->click();
    ASSERT_EQ(s.form->PersonListView->topLevelItemCount(), 1);

    // The panel's search button, watched: a new search must not start while the list is being exported.
    int searchesDuringExport = 0;
    QObject::connect(search, &QPushButton::clicked, [&] { searchesDuringExport += s.program->excel != nullptr; });

    // The nurse clicks it just as the export starts: the click waits in the program's queue of window events when the
    // export begins (the X server hands it over at once; the pause covers the thread that reads it in).
    clickOn(search);
    QThread::msleep(300);
    if (QAction* a = s.item(s.form->QVPersonalToWord, QStringLiteral("QVPersonalToExcel"))) a->trigger();

    EXPECT_EQ(searchesDuringExport, 0);
    EXPECT_EQ(s.ui->opened.size(), 1);
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("完成")});
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    XSession x;
    QString error;
    if (!x.start(&error)) {
        fprintf(stderr, "No window manager session: %s\n", qPrintable(error));
        return 1;
    }
    qputenv("DISPLAY", x.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QApplication app(argc, argv);
        useTraditionalChinese();
        result = RUN_ALL_TESTS();
    }
    return result;
}
