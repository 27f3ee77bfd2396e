#include "maternity/AttachedTableMenus.h"

#include "core/MainForm.h"
#include "core/Program.h"
#include "maternity/Statistics.h"
#include "people/PersonPanel.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidgetItem>
#include <exception>
#include <functional>

namespace maternity {

namespace {

// The columns of the case list the actions read: the name is the row text, then the case number and the employee
// number.
constexpr int kCaseNumberColumn = 1;
constexpr int kEmployeeColumn = 5;

QAction* addItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> run, Program& program) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, menu, [run = std::move(run), &program] {
        // Nothing a handler meets ends the program: it is said and the window stays usable.
        try {
            run();
        } catch (const std::exception& e) {
            program.ui().message(QString::fromUtf8(e.what()), {}, Ui::Icon::Critical);
        }
    });
    return action;
}

// Runs an action on the selected case, or says that a case must be selected first.
std::function<void()> onSelectedCase(MainForm& form, Program& program, void (*action)(Program&, const MaternityCase&)) {
    return [&form, &program, action] {
        const auto selected = selectedMaternityCase(form);
        if (!selected) {
            program.ui().message(QStringLiteral("請先在母保對象列表中選取一位個案"), {}, Ui::Icon::Warning);
            return;
        }
        action(program, *selected);
    };
}

} // namespace

std::optional<MaternityCase> selectedMaternityCase(const MainForm& form) {
    const QTreeWidgetItem* row = people::selectedPersonRow(form);
    if (!row) return std::nullopt;
    return MaternityCase{row->text(0), row->text(kCaseNumberColumn), row->text(kEmployeeColumn)};
}

void addAttachedTableMenus(MainForm& form, Program& program, QMenu* caseSubmenu, QMenu* motherCareSubmenu) {
    const auto statistics = [&program] { runMaternityStatistics(program); };
    const auto example = [&program] { openMaternityExample(program); };
    if (caseSubmenu) {
        caseSubmenu->addSeparator();
        addItem(caseSubmenu, "QVMaternityHealthProtectionTableLink",
                QStringLiteral("附表匯入_女性勞工母性健康保護實施辦法_附表1~3"),
                onSelectedCase(form, program, importAttachedTable), program);
        addItem(caseSubmenu, "QVMaternityHealthProtectionIndividualRepor", QStringLiteral("個人_評估表 (附表1~3) 彙整"),
                onSelectedCase(form, program, exportAttachedTables), program);
        addItem(
            caseSubmenu, "QVMaternityHealthProtectionTableDeleteSelect", QStringLiteral("刪除附表_須指定附表案件號"),
            [&program] { deleteAttachedTable(program); }, program);
        addItem(caseSubmenu, "QVMaternityHealthProtectionTableExample", QStringLiteral("附表範本_附表1~3"), example,
                program);
        addItem(caseSubmenu, "QVMaternityHealthProtectionCurrentSate", QStringLiteral("全公司_母保統計表"), statistics,
                program);
    }
    if (motherCareSubmenu) {
        addItem(motherCareSubmenu, "QVNewTopicMotherCareStatistica", QStringLiteral("母性保護_統計表"), statistics,
                program);
        addItem(motherCareSubmenu, "QVNewTopicMotherCareTable", QStringLiteral("母性保護_填寫範本"), example, program);
    }
}

} // namespace maternity
