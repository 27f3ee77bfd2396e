#include "maternity/Install.h"

#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "maternity/AttachedTableMenus.h"
#include "maternity/CaseList.h"
#include "people/PersonPanel.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <memory>

namespace maternity {

namespace {

// Connects a menu item to a case handler; a database error is said in a box and the window stays usable.
void onTriggered(QAction* action, CaseRegister* reg, std::function<void(CaseRegister&)> handler) {
    connectGuarded(action, reg->program, [reg, handler] { handler(*reg); });
}

QAction* addItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

} // namespace

Menus installCaseRegister(MainForm& form, Program& program) {
    people::ListModeSpec spec;
    spec.buttonName = QStringLiteral("MaternityHealthButton");
    spec.caption = kModeCases;
    spec.selection = people::Selection::Single;
    spec.columnWidthShare = 0.07;
    spec.rows = [&program](const QString& keyword) {
        return maternityCaseList(program.DBConn, keyword, program.ui().now().date());
    };
    people::ListMode& list = people::addListMode(form, spec);

    // The handlers' context lives as long as the window.
    auto* reg = new CaseRegister{form, program, list};
    QObject::connect(&form, &QObject::destroyed, [reg] { delete reg; });
    // An edit of a case is never stored once another row may be the selected one.
    people::whenSelectedRowMayChange(form, [reg] { CancelCaseEdit(*reg); });

    // The case list's right-click menu: a new case always, the case actions while the list has cases.
    onTriggered(list.addMenuItem(QStringLiteral("QVMaternityHealthProtectionNewCase"), QStringLiteral("新增_母保個案"),
                                 people::Offer::Always),
                reg, QVMaternityHealthProtectionNewCase_Click);
    QMenu* caseMenu = list.addSubmenu(QStringLiteral("QVMaternityHealthProtection"), QStringLiteral("母性保護"));
    onTriggered(
        addItem(caseMenu, QStringLiteral("QVMaternityHealthProtectionEndCase"), QStringLiteral("解除_母保個案")), reg,
        QVMaternityHealthProtectionEndCase_Click);
    for (CaseField field : {CaseField::Phone, CaseField::Remarks})
        onTriggered(
            addItem(caseMenu, QStringLiteral("QVMaternityHealthProtectionEdit_%1").arg(int(field)), editCaption(field)),
            reg, [field](CaseRegister& r) { QVMaternityHealthProtectionEdit_Click(r, field); });
    onTriggered(
        addItem(caseMenu, QStringLiteral("QVMaternityHealthProtectionDeleteCase"), QStringLiteral("刪除_母保個案")),
        reg, QVMaternityHealthProtectionDeleteCase_Click);

    // "新興議題" → "工作場所母性健康保護" → "母性保護_個案管理".
    QMenu* newTopic = form.QVNewTopic;
    auto* motherCare = new QMenu(QStringLiteral("工作場所母性健康保護"), newTopic);
    motherCare->setObjectName(QStringLiteral("QVNewTopicMotherCare"));
    newTopic->addMenu(motherCare)->setObjectName(QStringLiteral("QVNewTopicMotherCare"));
    onTriggered(
        addItem(motherCare, QStringLiteral("QVNewTopicMotherCareManagement"), QStringLiteral("母性保護_個案管理")), reg,
        QVNewTopicMotherCareManagement_Click);

    Menus menus;
    menus.caseMenu = caseMenu;
    menus.motherCare = motherCare;
    menus.caseList = &list;
    menus.selectedCase = [reg] { return maternity::selectedCase(*reg); };
    menus.refreshCaseList = [reg] { RefreshMaternityCaseList(*reg); };
    return menus;
}

void install(MainForm& form, Program& program) {
    const Menus menus = installCaseRegister(form, program);
    addAttachedTableMenus(program, menus);
}

} // namespace maternity
