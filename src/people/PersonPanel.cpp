#include "people/PersonPanel.h"

#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "people/PersonQueries.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>
#include <memory>
#include <vector>

namespace people {

namespace {

const QString kNon = QStringLiteral("Non");
const QString kSelectItem = QStringLiteral("SelectItem");

QIcon makeIcon(bool marked) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.2));
    p.setBrush(marked ? QColor(0x2e, 0x8b, 0x57) : Qt::NoBrush);
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pm);
}

const QIcon& icon(const QString& name) {
    static const QIcon non = makeIcon(false);
    static const QIcon marked = makeIcon(true);
    return name == kSelectItem ? marked : non;
}

void setRowIcon(QTreeWidgetItem* item, const QString& name) {
    item->setIcon(0, icon(name));
    item->setData(0, Qt::UserRole, name);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// What the panel keeps beside its widgets: the button row (registered modes add their buttons to it) and the modes.
class PanelState : public QObject {
public:
    explicit PanelState(MainForm& form, QHBoxLayout* row, int nextButton)
        : QObject(&form), buttonRow(row), nextButtonIndex(nextButton) {}
    QHBoxLayout* buttonRow;
    int nextButtonIndex; // where the next registered button goes (before the stretch and the close button)
    QList<QPushButton*> searchButtons;
    std::vector<std::unique_ptr<ListMode>> modes;
    std::vector<std::function<void()>> selectedRowWatchers;
    std::array<QAction*, kPanelItemCount> items{}; // the panel's own items of QVPersonalToWord, by PanelItem
};

PanelState* panelState(const MainForm& form) {
    for (QObject* c : form.children())
        if (auto* s = dynamic_cast<PanelState*>(c)) return s;
    return nullptr;
}

// Tells every watcher that the selected row may have changed.
void selectedRowMayHaveChanged(const MainForm& form) {
    if (PanelState* state = panelState(form))
        for (const auto& watcher : state->selectedRowWatchers)
            watcher();
}

struct MenuItem {
    const char* name;
    const char* caption;
};
// The items of the panel's right-click menu, in PanelItem order; a right click shows those that fit the list mode.
const MenuItem kMenuItems[kPanelItemCount] = {
    {"QVPersonalSelected", "健康日誌_選擇此人"},
    {"QVPersonalToWordSelected", "套印目前選取項目 (Word)"},
    {"QVPersonalToExcelSelected", "健康服務_輸出目前選取項目 (Excel)"},
    {"QVPersonalToWebSelected", "健康服務_輸出目前選取項目 (Web)"},
    {"PersonalReportAll", "健康服務_個人化彙整套表"},
    {"PersonalReportNMQ", "NMQ 個人列表 (近三年或近三次)"},
    {"QVPersonalToExcel", "輸出至 Ecxel"},
    {"QVPersonalToWeb", "以 Web 型式檢視"},
};

} // namespace

void buildPersonPanel(MainForm& form, Program& program) {
    if (panelState(form)) return; // built already
    QFrame* frame = form.FindSomeoneFrame;
    // The panel lies over the log list and must hide it.
    frame->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(frame);
    auto* row = new QHBoxLayout();
    auto* key = new QLineEdit(frame);
    key->setObjectName(QStringLiteral("KeyNameTxt"));
    key->setMaximumWidth(220);
    row->addWidget(key);
    auto* find = button(frame, QStringLiteral("FindPersonButton"), QStringLiteral("健康服務查詢"));
    auto* select = button(frame, QStringLiteral("PersonSelectButton"), QStringLiteral("人事資料查詢"));
    auto* toWord = button(frame, QStringLiteral("ToWordPersonButton"), kModeToWord);
    auto* close = button(frame, QStringLiteral("ClosePanelButton"), QStringLiteral("關閉"));
    for (QPushButton* b : {find, select, toWord})
        row->addWidget(b);
    // The buttons of the modes other subsystems register go here, after the panel's own.
    auto* state = new PanelState(form, row, row->count());
    state->searchButtons = {find, select, toWord};
    // A watcher's context may go with the window before the list does: none is called once the window goes.
    QObject::connect(&form, &QObject::destroyed, state, [state] { state->selectedRowWatchers.clear(); });
    row->addStretch(1);
    row->addWidget(close);
    layout->addLayout(row);
    layout->addWidget(form.PersonListView, 1);
    // Keeps the buttons at the top while the list is hidden (before the first search).
    layout->addStretch(0);

    QTreeWidget* list = form.PersonListView;
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setProperty("Tag", QString());

    connectGuarded(find, &QPushButton::clicked, &form, program, find->text(),
                   [&form, &program] { FindPersonButton_Click(form, program); });
    connectGuarded(select, &QPushButton::clicked, &form, program, select->text(),
                   [&form, &program] { PersonSelectButton_Click(form, program); });
    connectGuarded(toWord, &QPushButton::clicked, &form, program, toWord->text(),
                   [&form, &program] { ToWordPersonButton_Click(form, program); });
    connectGuarded(close, &QPushButton::clicked, &form, program, close->text(),
                   [&form] { ClosePersonQueryPanel(form); });
    connectGuarded(list, &QTreeWidget::itemClicked, &form, program, QStringLiteral("選取人員"),
                   [list](QTreeWidgetItem* item, int) { MarkSelectedListItem(list, item); });
    connectGuarded(list, &QTreeWidget::itemSelectionChanged, &form, program, QStringLiteral("選取人員"),
                   [&form] { selectedRowMayHaveChanged(form); });
    connectGuarded(list, &QWidget::customContextMenuRequested, &form, program, QStringLiteral("人員清單選單"),
                   [&form](const QPoint&) { PersonListView_MouseUp(form); });

    // The actions of the items belong to other subsystems: an item shows in its mode but cannot be chosen until a
    // handler is connected (setPanelItemHandler).
    for (int i = 0; i < kPanelItemCount; ++i) {
        QAction* a = form.QVPersonalToWord->addAction(QString::fromUtf8(kMenuItems[i].caption));
        a->setObjectName(QString::fromUtf8(kMenuItems[i].name));
        a->setVisible(false);
        a->setEnabled(false);
        state->items[i] = a;
    }
}

void ShowPersonQueryPanel(MainForm& form) {
    form.Toolbar1->setEnabled(false);
    // The panel shares the log list's cell of the workspace, so it takes exactly the list's place and size.
    form.FindSomeoneFrame->show();
    form.FindSomeoneFrame->raise();
    auto* find = form.findChild<QPushButton*>(QStringLiteral("FindPersonButton"));
    auto* select = form.findChild<QPushButton*>(QStringLiteral("PersonSelectButton"));
    if (PanelState* state = panelState(form))
        for (QPushButton* b : std::as_const(state->searchButtons))
            b->show();
    find->setText(QStringLiteral("健康服務查詢"));
    find->setToolTip(QStringLiteral("至少要有一筆健康檢查資料，才能將各項資料 (健檢、過勞問卷、NMQ、健康日誌...等) "
                                    "進行串聯查詢"));
    select->setText(QStringLiteral("人事資料查詢"));
    if (auto* key = form.findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"))) key->setFocus();
    form.PersonListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    form.PersonListView->hide();
    selectedRowMayHaveChanged(form);
}

void ClosePersonQueryPanel(MainForm& form) {
    form.FindSomeoneFrame->hide();
    form.enableToolbar();
    selectedRowMayHaveChanged(form);
}

QString listMode(const MainForm& form) {
    return form.PersonListView->property("Tag").toString();
}

void fillPersonList(MainForm& form, const Recordset& rows, const QString& mode, double columnWidthShare) {
    QTreeWidget* list = form.PersonListView;
    list->setProperty("Tag", mode);
    list->setUpdatesEnabled(false);
    list->clear();
    list->setColumnCount(rows.fieldCount());
    list->setHeaderLabels(rows.fieldNames());
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.recordCount());
    for (int r = 0; r < rows.recordCount(); ++r) {
        auto* item = new QTreeWidgetItem();
        for (int c = 0; c < rows.fieldCount(); ++c)
            item->setText(c, rows.text(r, c));
        setRowIcon(item, kNon);
        items.append(item);
    }
    list->addTopLevelItems(items);
    // A list shown for the first time gets its width from the panel's layout first.
    list->show();
    if (QLayout* l = list->parentWidget()->layout()) l->activate();
    const int shareWidth = int(list->viewport()->width() * columnWidthShare);
    for (int c = 0; c < rows.fieldCount(); ++c) {
        if (columnWidthShare > 0)
            list->setColumnWidth(c, std::max(shareWidth, 20));
        else
            list->resizeColumnToContents(c);
    }
    list->setUpdatesEnabled(true);
    selectedRowMayHaveChanged(form);
}

bool PersonSelectButton_Click(MainForm& form, Program& program) {
    fillPersonList(form, searchEmployees(program.DBConn, keywordText(form)), kModeEmployees);
    return true;
}

bool FindPersonButton_Click(MainForm& form, Program& program) {
    fillPersonList(form, searchHealthServices(program.DBConn, keywordText(form), program.ui().now().date()),
                   kModeHealthServices);
    return true;
}

bool ToWordPersonButton_Click(MainForm& form, Program& program) {
    if (!program.DBConn.tableExists(QStringLiteral("ToWord"))) {
        program.ui().info(QStringLiteral("目前沒有套表資料, 請先完成過負荷評估"), kModeToWord);
        return false;
    }
    fillPersonList(form, searchToWord(program.DBConn), kModeToWord);
    return true;
}

QString rowIconName(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

void MarkSelectedListItem(QTreeWidget* list, QTreeWidgetItem* item) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        const QString want = row == item ? kSelectItem : kNon;
        if (rowIconName(row) != want) setRowIcon(row, want);
    }
}

QString keywordText(const MainForm& form) {
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"));
    return box ? box->text().trimmed() : QString();
}

std::optional<PersonRow> selectedRow(const MainForm& form) {
    const QTreeWidgetItem* item = selectedPersonRow(form);
    if (!item) return std::nullopt;
    PersonRow row;
    for (int c = 0; c < form.PersonListView->columnCount(); ++c)
        row.columns.append(item->text(c));
    return row;
}

std::optional<PersonRow> selectedRowOrSay(const MainForm& form, Program& program) {
    std::optional<PersonRow> row = selectedRow(form);
    if (!row) program.ui().info(QString::fromUtf8(kNothingSelected));
    return row;
}

QTreeWidgetItem* selectedPersonRow(const MainForm& form) {
    QTreeWidget* list = form.PersonListView;
    if (QTreeWidgetItem* current = list->currentItem(); current && current->isSelected()) return current;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected()) return list->topLevelItem(i);
    return nullptr;
}

void setPanelItemHandler(MainForm& form, PanelItem item, std::function<void()> handler) {
    PanelState* state = panelState(form);
    if (!state) return;
    QAction* action = state->items[int(item)];
    action->setEnabled(true);
    connectGuarded(action, form.program(), std::move(handler));
}

void PersonListView_MouseUp(MainForm& form) {
    QMenu* menu = form.QVPersonalToWord;
    for (QAction* a : menu->actions())
        a->setVisible(false);
    PanelState* state = panelState(form);
    if (!state) return;
    auto show = [state](std::initializer_list<PanelItem> items) {
        for (PanelItem item : items)
            state->items[int(item)]->setVisible(true);
    };
    const QString mode = listMode(form);
    const bool hasRows = form.PersonListView->topLevelItemCount() > 0;
    if (hasRows) {
        if (mode == kModeToWord) {
            show({PanelItem::QVPersonalToWordSelected});
        } else if (mode == kModeHealthServices) {
            show({PanelItem::QVPersonalToWebSelected, PanelItem::QVPersonalToExcelSelected,
                  PanelItem::PersonalReportAll, PanelItem::PersonalReportNMQ});
        } else if (mode == kModeEmployees) {
            // Taking a person into the log entry only makes sense while an entry is open.
            if (!form.FrameNursing->isHidden()) show({PanelItem::QVPersonalSelected});
        }
        show({PanelItem::QVPersonalToExcel, PanelItem::QVPersonalToWeb});
    }
    // A registered mode offers its own items (some of them on an empty list too).
    for (const auto& m : state->modes)
        if (m->mode() == mode) m->offerItems(hasRows);
    form.popUp(menu);
}

ListMode::ListMode(MainForm& form, ListModeSpec spec, QPushButton* button)
    : m_form(form), m_spec(std::move(spec)), m_button(button) {}

bool ListMode::isCurrent() const {
    return listMode(m_form) == m_spec.caption;
}

void ListMode::load(const QString& keyword) {
    const Recordset rows = m_spec.rows ? m_spec.rows(keyword) : Recordset();
    fillPersonList(m_form, rows, m_spec.caption, m_spec.columnWidthShare);
}

void ListMode::search() {
    m_form.PersonListView->setSelectionMode(m_spec.selection == Selection::Single
                                                ? QAbstractItemView::SingleSelection
                                                : QAbstractItemView::ExtendedSelection);
    load(keywordText(m_form));
}

QAction* ListMode::addMenuItem(const QString& name, const QString& caption, Offer offer) {
    QAction* a = m_form.QVPersonalToWord->addAction(caption);
    a->setObjectName(name);
    a->setVisible(false);
    m_items.emplace_back(a, offer);
    return a;
}

QMenu* ListMode::addSubmenu(const QString& name, const QString& title, Offer offer) {
    QMenu* parent = m_form.QVPersonalToWord;
    auto* sub = new QMenu(title, parent);
    sub->setObjectName(name);
    QAction* a = parent->addMenu(sub);
    a->setObjectName(name);
    a->setVisible(false);
    m_items.emplace_back(a, offer);
    return sub;
}

void ListMode::offerItems(bool listHasRows) const {
    for (const auto& [action, offer] : m_items)
        if (listHasRows || offer == Offer::Always) action->setVisible(true);
}

void whenSelectedRowMayChange(MainForm& form, std::function<void()> handler) {
    PanelState* state = panelState(form);
    if (!state) {
        buildPersonPanel(form, form.program());
        state = panelState(form);
    }
    state->selectedRowWatchers.push_back(std::move(handler));
}

ListMode& addListMode(MainForm& form, ListModeSpec spec) {
    PanelState* state = panelState(form);
    if (!state) {
        buildPersonPanel(form, form.program());
        state = panelState(form);
    }
    auto* b = button(form.FindSomeoneFrame, spec.buttonName, spec.caption);
    state->buttonRow->insertWidget(state->nextButtonIndex++, b);
    state->searchButtons.append(b);
    const QString caption = spec.caption;
    state->modes.push_back(std::make_unique<ListMode>(form, std::move(spec), b));
    ListMode* mode = state->modes.back().get();
    connectGuarded(b, &QPushButton::clicked, &form, form.program(), caption, [mode] { mode->search(); });
    return *mode;
}

} // namespace people
