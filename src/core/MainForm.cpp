#include "core/MainForm.h"

#include "core/Guard.h"
#include "core/Program.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The window as it was designed (a 1280 x 800 screen or larger shows it whole).
constexpr QSize kDesignedSize(1200, 780);

QFrame* makeFrame(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->hide();
    return f;
}
} // namespace

QSize fittedWindowSize(const QSize& designed, const QSize& available, const QSize& frame) {
    if (available.isEmpty()) return designed;
    const double room = std::min(double(available.width() - frame.width()) / designed.width(),
                                 double(available.height() - frame.height()) / designed.height());
    if (room >= 1.0) return designed;
    const double scale = std::max(room, 0.1);
    return QSize(int(designed.width() * scale + 1e-9), int(designed.height() * scale + 1e-9));
}

MainForm::MainForm(Program& program, QWidget* parent) : QMainWindow(parent), m_program(program) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(Program::caption());
    // Opens whole on the screen it appears on, status bar included, centred in the area the desktop leaves free.
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    resize(fittedWindowSize(kDesignedSize, available.size()));
    if (!available.isEmpty())
        move(available.x() + std::max(0, (available.width() - width() - 16) / 2),
             available.y() + std::max(0, (available.height() - height() - 48) / 2));
    program.mainForm = this;

    QVOnlineKeyIn = addPopupMenu(QStringLiteral("QVOnlineKeyIn"), QStringLiteral("單筆鍵入"));
    QVNewTopic = addPopupMenu(QStringLiteral("QVNewTopic"), QStringLiteral("新興議題"));
    QVStatistica = addPopupMenu(QStringLiteral("QVStatistica"), QStringLiteral("報表"));
    QVPersonalToWord = addPopupMenu(QStringLiteral("QVPersonalToWord"), QString());
    buildToolbar();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusLabel = new QLabel(StatusBar1);
    m_statusLabel->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(m_statusLabel, 1);
    setStatusBar(StatusBar1);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("CentralArea"));
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);
    TopFrames = new QVBoxLayout();
    outer->addLayout(TopFrames);
    FrameSearch = makeFrame(central, QStringLiteral("FrameSearch"));
    FrameReport = makeFrame(central, QStringLiteral("FrameReport"));
    TopFrames->addWidget(FrameSearch);
    TopFrames->addWidget(FrameReport);

    // The workspace: the log list fills it; the person panel and the entry frame lie exactly over it.
    Workspace = new QWidget(central);
    Workspace->setObjectName(QStringLiteral("Workspace"));
    auto* grid = new QGridLayout(Workspace);
    grid->setContentsMargins(0, 0, 0, 0);
    TraceLV = new QTreeWidget(Workspace);
    TraceLV->setObjectName(QStringLiteral("TraceLV"));
    TraceLV->setRootIsDecorated(false);
    TraceLV->setAlternatingRowColors(true);
    TraceLV->setUniformRowHeights(true);
    TraceLV->setSortingEnabled(false);
    TraceLV->setColumnCount(0);
    grid->addWidget(TraceLV, 0, 0);
    FrameNursing = makeFrame(Workspace, QStringLiteral("FrameNursing"));
    grid->addWidget(FrameNursing, 0, 0);
    FindSomeoneFrame = makeFrame(Workspace, QStringLiteral("FindSomeoneFrame"));
    grid->addWidget(FindSomeoneFrame, 0, 0);
    PersonListView = new QTreeWidget(FindSomeoneFrame);
    PersonListView->setObjectName(QStringLiteral("PersonListView"));
    PersonListView->setRootIsDecorated(false);
    PersonListView->hide();
    StringFrame = makeFrame(Workspace, QStringLiteral("StringFrame"));
    grid->addWidget(StringFrame, 0, 0, Qt::AlignCenter);
    outer->addWidget(Workspace, 1);

    MonthView1 = new QCalendarWidget(central);
    MonthView1->setObjectName(QStringLiteral("MonthView1"));
    MonthView1->setWindowFlags(Qt::Popup);
    MonthView1->setProperty("Tag", 0);
    MonthView1->hide();

    setCentralWidget(central);

    popUp = [](QMenu* menu) { menu->exec(QCursor::pos()); };
    program.ui().setParentWindow(this);
}

MainForm::~MainForm() {
    if (m_program.mainForm == this) m_program.mainForm = nullptr;
    m_program.ui().setParentWindow(nullptr);
}

QAction* MainForm::addButton(const QString& key, const QString& caption, bool checkable) {
    auto* a = new QAction(caption, this);
    a->setObjectName(key);
    a->setCheckable(checkable);
    a->setProperty("Key", key);
    Toolbar1->addAction(a);
    if (auto* b = Toolbar1->widgetForAction(a)) b->setObjectName(QStringLiteral("Toolbar1_") + key);
    m_buttons.insert(key, a);
    connect(a, &QAction::triggered, this, [this, a] { Toolbar1_ButtonClick(a); });
    return a;
}

void MainForm::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    addButton(QStringLiteral("FindRS"), QStringLiteral("紀錄查詢"), true);
    addButton(QStringLiteral("PersonalHealth"), QStringLiteral("人員查詢"), false);
    addButton(QStringLiteral("OnlineKeyIn"), QStringLiteral("單筆鍵入"), false);
    addButton(QStringLiteral("ShowReport"), QStringLiteral("報表"), true);
    addButton(QStringLiteral("MedicalDrug"), QStringLiteral("醫藥品統計"), true);
    addButton(QStringLiteral("AddEmpl"), QStringLiteral("個資填補"), true);
    addButton(QStringLiteral("NewTopic"), QStringLiteral("新興議題"), false);
    Toolbar1->addSeparator();
    addButton(QStringLiteral("Exit"), QStringLiteral("離開"), false);

    // The buttons that only pop up a menu; their menus are filled by the subsystems.
    setToolbarHandler(QStringLiteral("OnlineKeyIn"), [this](QAction*) { popUp(QVOnlineKeyIn); });
    setToolbarHandler(QStringLiteral("NewTopic"), [this](QAction*) { popUp(QVNewTopic); });
    setToolbarHandler(QStringLiteral("Exit"), [this](QAction*) { close(); });

    // The report button pops up the report menu while it is down; raised, it gives the report frame its state back.
    setToolbarHandler(QStringLiteral("ShowReport"), [this](QAction* b) {
        if (!b->isChecked()) {
            if (ShowReportFrame) ShowReportFrame(b);
            return;
        }
        QMenu* menu = QVStatistica;
        bool shown = false;
        const auto watch = connect(menu, &QMenu::aboutToShow, this, [&shown] { shown = true; });
        popUp(menu);
        disconnect(watch);
        // The menu closed without a choice, or with one that opened no frame: nothing is left open, so the button
        // comes back up and the toolbar is usable again.
        if (shown && b->isChecked() && !FrameReport->isVisible()) {
            b->setChecked(false);
            enableToolbar();
        }
    });
    setToolbarHandler(QStringLiteral("MedicalDrug"), [this](QAction* b) {
        QAction* find = m_buttons.value(QStringLiteral("FindRS"));
        if (find->isChecked()) {
            find->setChecked(false);
            FrameSearch->hide();
        }
        if (ShowReportFrame) ShowReportFrame(b);
    });
    setToolbarHandler(QStringLiteral("AddEmpl"), [this](QAction* b) {
        if (!m_program.VardelDBPath.isEmpty()) {
            if (ShowReportFrame) ShowReportFrame(b);
            return;
        }
        m_program.ui().message(QStringLiteral("請先完成與 Vardel 系統資料庫之連結設定"),
                               QStringLiteral("人事資料庫尚未連結"), Ui::Icon::Information);
        // Nothing opened: the button comes back up and the toolbar is usable again.
        b->setChecked(false);
        enableToolbar();
    });
    setToolbarHandler(QStringLiteral("PersonalHealth"), [this](QAction*) {
        if (ShowPersonQueryPanel) ShowPersonQueryPanel();
    });
}

QMenu* MainForm::addPopupMenu(const QString& name, const QString& title) {
    auto* m = new QMenu(title, this);
    m->setObjectName(name);
    m->hide();
    m_menus.insert(name, m);
    return m;
}

void MainForm::Toolbar1_ButtonClick(QAction* button) {
    if (!button) return;
    if (button->isCheckable()) {
        // A check button pressed down keeps the others from starting a second job; raised, all come back.
        const bool down = button->isChecked();
        for (QAction* a : std::as_const(m_buttons))
            if (a != button) a->setEnabled(!down);
    }
    const QString key = button->property("Key").toString();
    auto h = m_handlers.find(key);
    if (h == m_handlers.end() || !*h) return;
    const auto handler = *h;
    if (!runGuarded(m_program, button->text(), [&] { handler(button); }) && button->isCheckable() &&
        button->isChecked()) {
        // What the button was to open did not open: it comes back up and gives the toolbar back.
        button->setChecked(false);
        enableToolbar();
    }
}

void MainForm::enableToolbar(bool enabled) {
    Toolbar1->setEnabled(true);
    for (QAction* a : std::as_const(m_buttons))
        a->setEnabled(enabled);
}

void MainForm::setStatusText(const QString& text) {
    m_statusLabel->setText(text);
}

void MainForm::openCalendar(QLineEdit* box, int tag, const QDate& date) {
    MonthView1->setSelectedDate(date);
    // The calendar is a popup window: it opens at the box's place on the screen.
    if (box) MonthView1->move(box->mapToGlobal(QPoint(0, 0)));
    m_calendarBox = box;
    MonthView1->setProperty("Tag", QString::number(tag));
    MonthView1->show();
}

QLineEdit* MainForm::calendarBox() const {
    return m_calendarBox;
}

void MainForm::Form_Load() {
    StringFrame->hide();
    for (QMenu* m : std::as_const(m_menus))
        m->hide();
    for (auto& [name, step] : m_loadSteps)
        runGuarded(m_program, name, step);
    setWindowTitle(Program::caption());
    // The link to the outside personnel database is never set, so its button stays hidden.
    m_buttons.value(QStringLiteral("AddEmpl"))->setVisible(!m_program.VardelDBPath.isEmpty());
}

void MainForm::closeEvent(QCloseEvent* event) {
    // Every change was written when it was made: close the other windows and the database without a question.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
    m_program.DBConn.close();
    event->accept();
}
