#pragma once
// The menu items of the attached tables and the statistics: in the case list's submenu "母性保護" (after a
// separator) the import, the export, the delete, the example and the company statistics; in the submenu
// "工作場所母性健康保護" of "新興議題" the statistics and the example.

class Program;

namespace maternity {

struct Menus;

// Adds the items to the case submenu and the mother-care submenu of `menus` and connects them; the case actions
// work on the case the case list reports as selected.
void addAttachedTableMenus(Program& program, const Menus& menus);

} // namespace maternity
