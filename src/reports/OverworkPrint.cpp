#include "reports/OverworkPrint.h"

#include "core/Database.h"
#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/WordOutput.h"
#include "people/PersonQueries.h"

#include <QTreeWidget>

namespace reports {

QStringList selectedToWordEmployees(const MainForm& form) {
    QStringList out;
    const QTreeWidget* list = form.PersonListView;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (!item->isSelected()) continue;
        // A person selected in two rows is printed once per ToWord row, not once per list row.
        const QString no = item->text(people::kToWordEmployeeNoColumn);
        if (!out.contains(no)) out.append(no);
    }
    return out;
}

void rebuildToWordList(Program& program, const QStringList& employeeNos) {
    Database& db = program.DBConn;
    Transaction tx(db);
    if (db.tableExists(QStringLiteral("ToWordList"))) db.exec(QStringLiteral("DROP TABLE \"ToWordList\""));
    db.exec(QStringLiteral("CREATE TABLE \"ToWordList\" (\"員工編號\" VARCHAR(50))"));
    std::vector<QVariantList> rows;
    for (const QString& no : employeeNos)
        rows.push_back({no});
    db.execBatch(QStringLiteral("INSERT INTO \"ToWordList\" (\"員工編號\") VALUES (?)"), rows);
    tx.commit();
    letEventsThrough();
}

QString toWordMergeSql() {
    return QStringLiteral("SELECT \"ToWord\".* FROM \"ToWord\" INNER JOIN \"ToWordList\" ON "
                          "\"ToWord\".\"員工編號\" = \"ToWordList\".\"員工編號\"");
}

bool RAToWord(MainForm& form, Program& program) {
    const QStringList employees = selectedToWordEmployees(form);
    if (employees.isEmpty()) {
        program.ui().info(QStringLiteral("尚未選取任何人員, 請先在清單中選取要套印的人員"));
        return false;
    }
    rebuildToWordList(program, employees);
    // RunWordMailMerge says itself what went wrong (missing template, no rows); only a printed document is done.
    const bool merged =
        RunWordMailMerge(program, program.docFolder() + QStringLiteral("套表_過負荷評估問卷.docx"), toWordMergeSql(),
                         {}, QStringLiteral("套表_過負荷評估問卷")) == WordMergeResult::Opened;
    if (merged) program.ui().message(QStringLiteral("套印完成"));
    return merged;
}

} // namespace reports
