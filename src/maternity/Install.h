#pragma once
// The maternity subsystem in the main window: the case list mode "母保對象" of the person panel, its right-click
// items, the submenu "母性保護" and the submenu "工作場所母性健康保護" of the popup menu "新興議題".

#include "maternity/CaseEditing.h"

#include <functional>
#include <optional>

class MainForm;
class Program;
class QMenu;

namespace people {
class ListMode;
}

namespace maternity {

// What further maternity actions plug into.
struct Menus {
    // "母性保護" in the case list's right-click menu (offered while the list has cases): the case actions; other
    // actions go after a separator.
    QMenu* caseMenu = nullptr;
    // "工作場所母性健康保護" (QVNewTopicMotherCare) of "新興議題": the case management; other items go after it.
    QMenu* motherCare = nullptr;
    // The case list mode of the person panel (its reload, its button).
    people::ListMode* caseList = nullptr;
    // The selected case of the list (name and 個案檔號); says "請先在清單中選取一筆資料" and gives nullopt when none.
    std::function<std::optional<SelectedCase>()> selectedCase;
    // Rebuilds the case list with its current search, the selected case kept selected.
    std::function<void()> refreshCaseList;
};

// Registers the case list mode, builds the case menus and connects the case handlers; returns the menus.
Menus installCaseRegister(MainForm& form, Program& program);

// Installs the whole maternity subsystem.
void install(MainForm& form, Program& program);

} // namespace maternity
