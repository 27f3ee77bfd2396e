#include "reports/PersonActions.h"

#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "people/PersonPanel.h"
#include "people/PersonQueries.h"
#include "reports/OverworkPrint.h"
#include "reports/PersonalRecords.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

namespace reports {

namespace {
void setBox(MainForm& form, int index, const QString& text) {
    if (auto* box = form.findChild<QLineEdit*>(QStringLiteral("Text4_%1").arg(index))) box->setText(text);
}
} // namespace

void QVPersonalSelected_Click(MainForm& form, Program& program) {
    if (form.FrameNursing->isHidden()) return;
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    if (auto* type = form.findChild<QComboBox*>(QStringLiteral("SubjectTypeCombo"))) type->setCurrentIndex(0);
    setBox(form, 1, row->subItem(people::kEmployeesNameColumn));
    setBox(form, 2, row->subItem(people::kEmployeesEmployeeNoColumn));
    setBox(form, 3, row->subItem(people::kEmployeesDepartmentColumn));
    setBox(form, 10, row->subItem(people::kEmployeesMobileColumn));
}

void QVPersonalToExcel_Click(MainForm& form, Program& program) {
    ExportListViewToExcel(program, form.PersonListView, false, people::listMode(form));
}

void QVPersonalToWeb_Click(MainForm& form, Program& program) {
    ShowListViewAsHtml(program, form.PersonListView, people::listMode(form));
}

void QVPersonalToExcelSelected_Click(MainForm& form, Program& program) {
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    const QString employeeNo = row->subItem(people::HsEmployeeNo);
    ExcelSession& book = CreateExcelWorkbook(program, 5);
    book.name = QStringLiteral("員工編號_") + employeeNo;
    ExportPersonAllRecords(program, employeeNo, PersonReport::Workbook);
    letEventsThrough();
    FinishExcel(program, true);
}

void QVPersonalToWebSelected_Click(MainForm& form, Program& program) {
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    ExportPersonAllRecords(program, row->subItem(people::HsEmployeeNo), PersonReport::WebPage);
}

void QVPersonalToWordSelected_Click(MainForm& form, Program& program) {
    RAToWord(form, program);
}

} // namespace reports
