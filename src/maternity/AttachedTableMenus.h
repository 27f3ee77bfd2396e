#pragma once
// The menu items of the attached tables and the statistics: in the case list's submenu "母性保護" (after a
// separator) the import, the export, the delete, the example and the company statistics; in the submenu
// "工作場所母性健康保護" of "新興議題" the statistics and the example.

#include "maternity/AttachedTables.h"

#include <optional>

class MainForm;
class Program;
class QMenu;

namespace maternity {

// The case of the selected row of the case list (name, case number, employee number), or nullopt when no row is
// selected.
std::optional<MaternityCase> selectedMaternityCase(const MainForm& form);

// Adds the items to the two submenus (either may be null) and connects them.
void addAttachedTableMenus(MainForm& form, Program& program, QMenu* caseSubmenu, QMenu* motherCareSubmenu);

} // namespace maternity
