#include "people/PersonPanel.h"

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

QString keyword(MainForm& form) {
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"));
    return box ? box->text().trimmed() : QString();
}

struct MenuItem {
    const char* name;
    const char* caption;
};
// The items of the panel's right-click menu; a right click shows those that fit the list mode.
const MenuItem kMenuItems[] = {
    {"QVPersonalSelected", "健康日誌_選擇此人"},
    {"QVPersonalToWordSelected", "套印目前選取項目 (Word)"},
    {"QVPersonalToExcelSelected", "健康服務_輸出目前選取項目 (Excel)"},
    {"QVPersonalToWebSelected", "健康服務_輸出目前選取項目 (Web)"},
    {"PersonalReportAll", "健康服務_個人化彙整套表"},
    {"PersonalReportNMQ", "NMQ 個人列表 (近三年或近三次)"},
    {"QVPersonalToExcel", "輸出至 Ecxel"},
    {"QVPersonalToWeb", "以 Web 型式檢視"},
};

// The maternity items are added by the maternity cases; the right click finds them by these names.
const QString kMaternityNewCase = QStringLiteral("QVMaternityHealthProtectionNewCase");
const QString kMaternitySubmenuTitle = QStringLiteral("母性保護");

} // namespace

void buildPersonPanel(MainForm& form, Program& program) {
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
    auto* maternity = button(frame, QStringLiteral("MaternityHealthButton"), kModeMaternity);
    auto* close = button(frame, QStringLiteral("ClosePanelButton"), QStringLiteral("關閉"));
    for (QPushButton* b : {find, select, toWord, maternity})
        row->addWidget(b);
    // The maternity case search is not part of this program yet: the button stays until then, but cannot be pressed.
    maternity->setEnabled(false);
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

    QObject::connect(find, &QPushButton::clicked, &form, [&form, &program] { FindPersonButton_Click(form, program); });
    QObject::connect(select, &QPushButton::clicked, &form,
                     [&form, &program] { PersonSelectButton_Click(form, program); });
    QObject::connect(toWord, &QPushButton::clicked, &form,
                     [&form, &program] { ToWordPersonButton_Click(form, program); });
    QObject::connect(close, &QPushButton::clicked, &form, [&form] { ClosePersonQueryPanel(form); });
    QObject::connect(list, &QTreeWidget::itemClicked, &form,
                     [list](QTreeWidgetItem* item, int) { MarkSelectedListItem(list, item); });
    QObject::connect(list, &QWidget::customContextMenuRequested, &form,
                     [&form](const QPoint&) { PersonListView_MouseUp(form); });

    QMenu* menu = form.popupMenu(QStringLiteral("QVPersonalToWord"));
    for (const MenuItem& m : kMenuItems) {
        QAction* a = menu->addAction(QString::fromUtf8(m.caption));
        a->setObjectName(QString::fromUtf8(m.name));
        a->setVisible(false);
    }
    // The consultation form and the NMQ history belong to the reports: their items show in their mode but cannot be
    // chosen until a handler is connected (setPanelItemHandler).
    for (const char* name : {"PersonalReportAll", "PersonalReportNMQ"})
        menu->findChild<QAction*>(QString::fromUtf8(name))->setEnabled(false);
}

void ShowPersonQueryPanel(MainForm& form) {
    form.Toolbar1->setEnabled(false);
    // The panel shares the log list's cell of the workspace, so it takes exactly the list's place and size.
    form.FindSomeoneFrame->show();
    form.FindSomeoneFrame->raise();
    auto* find = form.findChild<QPushButton*>(QStringLiteral("FindPersonButton"));
    auto* select = form.findChild<QPushButton*>(QStringLiteral("PersonSelectButton"));
    for (const char* name : {"FindPersonButton", "PersonSelectButton", "MaternityHealthButton", "ToWordPersonButton"})
        if (auto* b = form.findChild<QPushButton*>(QString::fromUtf8(name))) b->show();
    find->setText(QStringLiteral("健康服務查詢"));
    find->setToolTip(QStringLiteral("至少要有一筆健康檢查資料，才能將各項資料 (健檢、過勞問卷、NMQ、健康日誌...等) "
                                    "進行串聯查詢"));
    select->setText(QStringLiteral("人事資料查詢"));
    if (auto* key = form.findChild<QLineEdit*>(QStringLiteral("KeyNameTxt"))) key->setFocus();
    form.PersonListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    form.PersonListView->hide();
}

void ClosePersonQueryPanel(MainForm& form) {
    form.FindSomeoneFrame->hide();
    form.enableToolbar();
}

QString listMode(const MainForm& form) {
    return form.PersonListView->property("Tag").toString();
}

void fillPersonList(MainForm& form, const Recordset& rows, const QString& mode) {
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
    for (int c = 0; c < rows.fieldCount(); ++c)
        list->resizeColumnToContents(c);
    list->setUpdatesEnabled(true);
    list->show();
}

bool PersonSelectButton_Click(MainForm& form, Program& program) {
    fillPersonList(form, searchEmployees(program.DBConn, keyword(form)), kModeEmployees);
    return true;
}

bool FindPersonButton_Click(MainForm& form, Program& program) {
    fillPersonList(form, searchHealthServices(program.DBConn, keyword(form), program.ui().now().date()),
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

QTreeWidgetItem* selectedPersonRow(const MainForm& form) {
    QTreeWidget* list = form.PersonListView;
    if (QTreeWidgetItem* current = list->currentItem(); current && current->isSelected()) return current;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected()) return list->topLevelItem(i);
    return nullptr;
}

void setPanelItemHandler(MainForm& form, PanelItem item, std::function<void()> handler) {
    const QString name = item == PanelItem::PersonalReportAll ? QStringLiteral("PersonalReportAll")
                                                              : QStringLiteral("PersonalReportNMQ");
    QAction* action = form.popupMenu(QStringLiteral("QVPersonalToWord"))->findChild<QAction*>(name);
    if (!action) return;
    action->setEnabled(true);
    QObject::connect(action, &QAction::triggered, &form, std::move(handler));
}

void PersonListView_MouseUp(MainForm& form) {
    QMenu* menu = form.popupMenu(QStringLiteral("QVPersonalToWord"));
    const QList<QAction*> actions = menu->actions();
    for (QAction* a : actions)
        a->setVisible(false);
    auto show = [&actions](const QString& name) {
        for (QAction* a : actions)
            if (a->objectName() == name) a->setVisible(true);
    };
    const QString mode = listMode(form);
    if (form.PersonListView->topLevelItemCount() > 0) {
        if (mode == kModeToWord) {
            show(QStringLiteral("QVPersonalToWordSelected"));
        } else if (mode == kModeHealthServices) {
            for (const char* n :
                 {"QVPersonalToWebSelected", "QVPersonalToExcelSelected", "PersonalReportAll", "PersonalReportNMQ"})
                show(QString::fromUtf8(n));
        } else if (mode == kModeEmployees) {
            // Taking a person into the log entry only makes sense while an entry is open.
            if (!form.FrameNursing->isHidden()) show(QStringLiteral("QVPersonalSelected"));
        } else if (mode == kModeMaternity) {
            for (QAction* a : actions)
                if (a->menu() && a->menu()->title() == kMaternitySubmenuTitle) a->setVisible(true);
        }
        show(QStringLiteral("QVPersonalToExcel"));
        show(QStringLiteral("QVPersonalToWeb"));
    }
    // A new maternity case can be opened from an empty list too.
    if (mode == kModeMaternity) show(kMaternityNewCase);
    form.popUp(menu);
}

} // namespace people
