#pragma once
// The overwork questionnaire print of the persons selected in the "套表人員查詢" list: their employee numbers go into
// ToWordList (rebuilt on every run, each number once) and the template "套表_過負荷評估問卷.docx" is merged with
// their ToWord rows.

#include <QStringList>

class MainForm;
class Program;

namespace reports {

// The employee numbers (sub-item 5) of the selected rows, in list order, each once.
QStringList selectedToWordEmployees(const MainForm& form);
// Rebuilds ToWordList with the given numbers, in one transaction.
void rebuildToWordList(Program& program, const QStringList& employeeNos);
// The statement that selects the ToWord rows of the listed persons.
QString toWordMergeSql();

// Prints the selected persons' questionnaires. With no row selected it says so and stops; "套印完成" follows only a
// merge that succeeded. Returns whether the merge ran and succeeded.
bool RAToWord(MainForm& form, Program& program);

} // namespace reports
