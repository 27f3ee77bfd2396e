#pragma once
// The main window: the frame and the controls every subsystem shares (toolbar, status bar, the log list, the frames
// laid over it, the person list, the calendar, the popup menus). Subsystems fill the frames and connect their
// handlers through install(MainForm&, Program&); MainForm itself knows no subsystem.

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QSize>
#include <functional>

class Program;
class QAction;
class QCalendarWidget;
class QDate;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QVBoxLayout;

// The size the main window opens at: its designed size, scaled down with its proportions kept until the window and
// its frame (title bar and borders) fit the screen's available area; never larger than designed.
QSize fittedWindowSize(const QSize& designed, const QSize& available, const QSize& frame = QSize(16, 48));

class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(Program& program, QWidget* parent = nullptr);
    ~MainForm() override;

    Program& program() { return m_program; }

    // Form_Load: hides StringFrame and every popup menu, runs the load steps the subsystems registered (in order),
    // sets the caption and the AddEmpl button's visibility.
    void Form_Load();
    // A step of Form_Load a subsystem adds at install time (fill the period lists, load the log list ...). A step that
    // fails with a database error is reported under its name (see core/Guard.h) and the next steps still run.
    void addLoadStep(const QString& name, std::function<void()> step) {
        m_loadSteps.push_back({name, std::move(step)});
    }
    void addLoadStep(std::function<void()> step) { addLoadStep(QStringLiteral("開啟主畫面"), std::move(step)); }

    // Toolbar1: the buttons by key ("ShowReport", "MedicalDrug", "AddEmpl", "PersonalHealth", "FindRS",
    // "OnlineKeyIn", "NewTopic", "Exit"); null for an unknown key.
    QAction* toolbarButton(const QString& key) const { return m_buttons.value(key); }
    // The handler Toolbar1_ButtonClick calls for a key after the check-button rule. Until a subsystem sets one, the
    // key does nothing. The handler runs guarded (core/Guard.h): an error is reported under the button's caption.
    void setToolbarHandler(const QString& key, std::function<void(QAction*)> handler) {
        m_handlers[key] = std::move(handler);
    }
    // The toolbar dispatcher: for a check button, a button pressed down disables every other button and a raised one
    // enables them all again; then the key's handler runs.
    void Toolbar1_ButtonClick(QAction* button);
    // Enables every toolbar button (a frame that closes gives the toolbar back).
    void enableToolbar(bool enabled = true);

    // A popup menu by object name (see the members below); null for a name the window has none of.
    QMenu* popupMenu(const QString& name) const { return m_menus.value(name); }
    // Shows a popup menu at the cursor (tests replace this to see which items a right click offers).
    std::function<void(QMenu*)> popUp;
    // The procedures of other subsystems the toolbar dispatch calls; empty until a subsystem sets them (the key then
    // does nothing). ShowReportFrame gets the button that asked (its state says whether to show or hide the frame).
    std::function<void(QAction*)> ShowReportFrame;
    std::function<void()> ShowPersonQueryPanel;

    // Shared controls.
    QToolBar* Toolbar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTreeWidget* TraceLV = nullptr;        // the log list
    QFrame* FrameSearch = nullptr;         // the log search frame (above the log list)
    QFrame* FrameReport = nullptr;         // the report frame (above the log list)
    QFrame* FrameNursing = nullptr;        // the log-entry frame (over the log list)
    QFrame* FindSomeoneFrame = nullptr;    // the person search panel (exactly over the log list)
    QFrame* StringFrame = nullptr;         // the one-line editor
    QTreeWidget* PersonListView = nullptr; // the person list (inside FindSomeoneFrame)
    QCalendarWidget* MonthView1 = nullptr; // the calendar; its "Tag" property says which box gets the date
    // The popup menus, made with the window; subsystems add their items (each with its objectName).
    QMenu* QVOnlineKeyIn = nullptr;    // "單筆鍵入": the OnlineKeyIn button pops it up
    QMenu* QVNewTopic = nullptr;       // "新興議題": the NewTopic button pops it up
    QMenu* QVStatistica = nullptr;     // "報表": the ShowReport button pops it up
    QMenu* QVPersonalToWord = nullptr; // the person list's right-click menu
    // The area frames are laid in: TraceLV fills it; FrameNursing and FindSomeoneFrame lie over it.
    QWidget* Workspace = nullptr;
    QVBoxLayout* TopFrames = nullptr; // the layout that holds FrameSearch and FrameReport above the workspace

    // The status bar's text.
    void setStatusText(const QString& text);

    // Opens MonthView1 over a date box (at the box's place on the screen) showing `date`, with `tag` as its "Tag".
    void openCalendar(QLineEdit* box, int tag, const QDate& date);
    // The date box the calendar was last opened over; null before the first opening or once that box is gone.
    QLineEdit* calendarBox() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addButton(const QString& key, const QString& caption, bool checkable);
    void buildToolbar();
    QMenu* addPopupMenu(const QString& name, const QString& title);

    Program& m_program;
    QMap<QString, QAction*> m_buttons;
    QMap<QString, std::function<void(QAction*)>> m_handlers;
    QMap<QString, QMenu*> m_menus;
    std::vector<std::pair<QString, std::function<void()>>> m_loadSteps;
    QLabel* m_statusLabel = nullptr;
    QPointer<QLineEdit> m_calendarBox;
};
