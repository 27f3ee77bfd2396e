#pragma once
// The person search panel: FindSomeoneFrame laid exactly over the log list, the keyword box KeyNameTxt, the search
// buttons, the close button and PersonListView, whose "Tag" property holds the list mode (the caption of the button
// that filled it). A right click offers the items of the popup menu QVPersonalToWord that fit the mode.

#include "core/Database.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class MainForm;
class Program;
class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace people {

// Whether a list mode lets the nurse mark several rows at once.
enum class Selection { Multiple, Single };
// When a popup item of a list mode is offered by the right click.
enum class Offer { WhileListHasRows, Always };

// What a subsystem gives for a list mode of its own.
struct ListModeSpec {
    QString buttonName; // objectName of its search button in the panel's button row
    QString caption;    // the button's caption, which is also the mode (PersonListView's Tag)
    Selection selection = Selection::Multiple;
    // Every column as this share of the list's width; 0 fits each column to its contents.
    double columnWidthShare = 0;
    // The rows the list shows for a keyword (the caller trims it): field names head the columns, the first field is
    // the row text. May throw DbError.
    std::function<Recordset(const QString& keyword)> rows;
};

// A list mode a subsystem added to the panel: the typed handle it keeps. The panel owns it; it lives as long as the
// main window.
class ListMode {
public:
    ListMode(MainForm& form, ListModeSpec spec, QPushButton* button);

    // The mode: the button's caption and the list's Tag while it shows this mode.
    const QString& mode() const { return m_spec.caption; }
    QPushButton* button() const { return m_button; }
    // Whether the list shows this mode now.
    bool isCurrent() const;
    // Fills the list in this mode with the rows for the keyword and shows it (DbError passes through).
    void load(const QString& keyword);
    // The search button's click: the mode's selection rule, then load with the keyword box's trimmed text.
    void search();

    // Adds an item or a submenu (object name and caption) to the right-click menu, offered only in this mode: while
    // the list has rows, or always. The submenu's menu action carries the name too.
    QAction* addMenuItem(const QString& name, const QString& caption, Offer offer = Offer::WhileListHasRows);
    QMenu* addSubmenu(const QString& name, const QString& title, Offer offer = Offer::WhileListHasRows);
    // Shows the items this mode offers (the right click calls it after hiding every item).
    void offerItems(bool listHasRows) const;

private:
    MainForm& m_form;
    ListModeSpec m_spec;
    QPushButton* m_button;
    std::vector<std::pair<QAction*, Offer>> m_items;
};

// Adds a list mode: its search button goes into the panel's button row, after the panel's own. The panel must have
// been built (people::install).
ListMode& addListMode(MainForm& form, ListModeSpec spec);

// Calls `handler` whenever the selected row, the one an action of the panel works on, may change: the list's
// selection changes, the list is filled again (any search), or the panel is shown afresh or closed. Work pending on
// the selected row (an edit in the one-line editor) is dropped there.
void whenSelectedRowMayChange(MainForm& form, std::function<void()> handler);

// The selected row of the list as texts: column 0 is the row text (the name), column N its sub-item N.
struct PersonRow {
    QStringList columns;
    QString name() const { return columns.value(0); }
    QString subItem(int n) const { return columns.value(n); }
};
// The selected row (see selectedPersonRow), or nullopt when none is selected.
std::optional<PersonRow> selectedRow(const MainForm& form);
// The message shown when an action needs a selected row and none is selected.
inline constexpr const char* kNothingSelected = "請先在清單中選取一筆資料";
// The selected row, or nullopt after telling the nurse (kNothingSelected) that none is selected.
std::optional<PersonRow> selectedRowOrSay(const MainForm& form, Program& program);
// The keyword box KeyNameTxt's text, trimmed.
QString keywordText(const MainForm& form);

// Builds the panel's controls inside FindSomeoneFrame and the items of QVPersonalToWord (hidden until a right click).
void buildPersonPanel(MainForm& form, Program& program);

// Disables Toolbar1, shows the panel over the log list with its buttons, puts the focus in the keyword box and hides
// the list (multiple selection) until a search fills it.
void ShowPersonQueryPanel(MainForm& form);
// The close button: hides the panel and gives Toolbar1 back.
void ClosePersonQueryPanel(MainForm& form);

// The searches; each sets the list mode and fills and shows the list with every matching row. They return whether
// the list was filled ("套表人員查詢" says so when no grading run has left its print table).
bool PersonSelectButton_Click(MainForm& form, Program& program); // "人事資料查詢"
bool FindPersonButton_Click(MainForm& form, Program& program);   // "健康服務查詢"
bool ToWordPersonButton_Click(MainForm& form, Program& program); // "套表人員查詢"

// Fills PersonListView with a result: one column per field headed by its name, the first field as the row text, each
// row unmarked ("Non"); the mode goes into the list's Tag. Columns fit their contents, or each takes the given share
// of the list's width. The list is shown.
void fillPersonList(MainForm& form, const Recordset& rows, const QString& mode, double columnWidthShare = 0);
// The list mode (PersonListView's Tag).
QString listMode(const MainForm& form);

// The small icons of a row: "Non" (unmarked) and "SelectItem" (marked); the name is kept in the item's UserRole.
QString rowIconName(const QTreeWidgetItem* item);
// Moves the "SelectItem" icon to the given row (every other row becomes "Non").
void MarkSelectedListItem(QTreeWidget* list, QTreeWidgetItem* item);

// "The selected row" of the list: the current row when it is selected, else the first selected row; null when no row
// is selected.
QTreeWidgetItem* selectedPersonRow(const MainForm& form);

// The panel's own items of the popup menu QVPersonalToWord (each named so), in menu order. Other subsystems serve
// them.
enum class PanelItem {
    QVPersonalSelected,
    QVPersonalToWordSelected,
    QVPersonalToExcelSelected,
    QVPersonalToWebSelected,
    PersonalReportAll,
    PersonalReportNMQ,
    QVPersonalToExcel,
    QVPersonalToWeb,
};
inline constexpr int kPanelItemCount = 8;
// Connects a handler to a popup item; the item, offered but disabled until then, becomes choosable. The panel must
// have been built (people::install).
void setPanelItemHandler(MainForm& form, PanelItem item, std::function<void()> handler);

// The right click: hides every item of QVPersonalToWord, shows those the mode offers (see the .cpp; a registered mode
// offers its own) and pops the menu up.
void PersonListView_MouseUp(MainForm& form);

} // namespace people
