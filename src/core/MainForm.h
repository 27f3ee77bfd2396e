#pragma once
// The main window: the frame and the controls every subsystem shares (toolbar, status bar, the log list, the frames
// laid over it, the person list, the calendar, the popup menus). Subsystems fill the frames and connect their
// handlers through install(MainForm&, Program&); MainForm itself knows no subsystem.

#include <QMainWindow>
#include <QMap>
#include <QSize>
#include <functional>

class Program;
class QAction;
class QCalendarWidget;
class QFrame;
class QGridLayout;
class QLabel;
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

    // The popup menus by object name ("QVStatistica", "QVOnlineKeyIn", "QVNewTopic", "QVPersonalToWord" ...).
    // popupMenu creates an empty one on first use; subsystems add their items (each with its objectName).
    QMenu* popupMenu(const QString& name, const QString& title = {});
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
    // The area frames are laid in: TraceLV fills it; FrameNursing and FindSomeoneFrame lie over it.
    QWidget* Workspace = nullptr;
    QVBoxLayout* TopFrames = nullptr; // the layout that holds FrameSearch and FrameReport above the workspace

    // The status bar's text.
    void setStatusText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addButton(const QString& key, const QString& caption, bool checkable);
    void buildToolbar();

    Program& m_program;
    QMap<QString, QAction*> m_buttons;
    QMap<QString, std::function<void(QAction*)>> m_handlers;
    QMap<QString, QMenu*> m_menus;
    std::vector<std::pair<QString, std::function<void()>>> m_loadSteps;
    QLabel* m_statusLabel = nullptr;
};
