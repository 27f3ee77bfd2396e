#pragma once
// The person search panel: FindSomeoneFrame laid exactly over the log list, the keyword box KeyNameTxt, the search
// buttons, the close button and PersonListView, whose "Tag" property holds the list mode (the caption of the button
// that filled it). A right click offers the items of the popup menu QVPersonalToWord that fit the mode.

#include "core/Database.h"

#include <QString>
#include <functional>

class MainForm;
class Program;
class QTreeWidget;
class QTreeWidgetItem;

namespace people {

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
// row unmarked ("Non"); the mode goes into the list's Tag. The list is shown.
void fillPersonList(MainForm& form, const Recordset& rows, const QString& mode);
// The list mode (PersonListView's Tag).
QString listMode(const MainForm& form);

// The small icons of a row: "Non" (unmarked) and "SelectItem" (marked); the name is kept in the item's UserRole.
QString rowIconName(const QTreeWidgetItem* item);
// Moves the "SelectItem" icon to the given row (every other row becomes "Non").
void MarkSelectedListItem(QTreeWidget* list, QTreeWidgetItem* item);

// "The selected row" of the list: the current row when it is selected, else the first selected row; null when no row
// is selected.
QTreeWidgetItem* selectedPersonRow(const MainForm& form);

// The items of the popup menu QVPersonalToWord that another subsystem serves.
enum class PanelItem { PersonalReportAll, PersonalReportNMQ };
// Connects a handler to a popup item; the item, offered but disabled until then, becomes choosable.
void setPanelItemHandler(MainForm& form, PanelItem item, std::function<void()> handler);

// The right click: hides every item of QVPersonalToWord, shows those the mode offers (see the .cpp) and pops the
// menu up.
void PersonListView_MouseUp(MainForm& form);

} // namespace people
