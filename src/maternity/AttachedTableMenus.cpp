#include "maternity/AttachedTableMenus.h"

#include "core/Guard.h"
#include "core/Program.h"
#include "maternity/AttachedTables.h"
#include "maternity/Install.h"
#include "maternity/Statistics.h"

#include <QAction>
#include <QMenu>
#include <functional>
#include <utility>

namespace maternity {

namespace {

void addItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> run, Program& program) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connectGuarded(action, program, std::move(run));
}

// Runs an action on the case selected in the case list (the list says so when none is).
std::function<void()> onSelectedCase(const Menus& menus, std::function<void(const MaternityCase&)> action) {
    return [selected = menus.selectedCase, action = std::move(action)] {
        if (!selected) return;
        const auto c = selected();
        if (!c) return;
        action(MaternityCase{c->name, c->caseNumber, c->employeeNumber});
    };
}

} // namespace

void addAttachedTableMenus(Program& program, const Menus& menus) {
    const auto statistics = [&program] { runMaternityStatistics(program); };
    const auto example = [&program] { openMaternityExample(program); };
    if (QMenu* m = menus.caseMenu) {
        m->addSeparator();
        addItem(m, "QVMaternityHealthProtectionTableLink",
                QStringLiteral("附表匯入_女性勞工母性健康保護實施辦法_附表1~3"),
                onSelectedCase(menus,
                               [&program, refresh = menus.refreshCaseList](const MaternityCase& c) {
                                   // The list shows the new table in its counts at once.
                                   if (importAttachedTable(program, c) && refresh) refresh();
                               }),
                program);
        addItem(m, "QVMaternityHealthProtectionIndividualRepor", QStringLiteral("個人_評估表 (附表1~3) 彙整"),
                onSelectedCase(menus, [&program](const MaternityCase& c) { exportAttachedTables(program, c); }),
                program);
        addItem(
            m, "QVMaternityHealthProtectionTableDeleteSelect", QStringLiteral("刪除附表_須指定附表案件號"),
            [&program, refresh = menus.refreshCaseList] {
                // The list's counts drop at once, as they rise after an import.
                if (deleteAttachedTable(program) && refresh) refresh();
            },
            program);
        addItem(m, "QVMaternityHealthProtectionTableExample", QStringLiteral("附表範本_附表1~3"), example, program);
        addItem(m, "QVMaternityHealthProtectionCurrentSate", QStringLiteral("全公司_母保統計表"), statistics, program);
    }
    if (QMenu* m = menus.motherCare) {
        addItem(m, "QVNewTopicMotherCareStatistica", QStringLiteral("母性保護_統計表"), statistics, program);
        addItem(m, "QVNewTopicMotherCareTable", QStringLiteral("母性保護_填寫範本"), example, program);
    }
}

} // namespace maternity
