#include "reports/PersonActions.h"

#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "healthlog/Frames.h"
#include "people/PersonPanel.h"
#include "people/PersonQueries.h"
#include "reports/OverworkPrint.h"
#include "reports/PersonalRecords.h"

#include <QTreeWidget>

namespace reports {

void QVPersonalSelected_Click(MainForm& form, Program& program) {
    if (form.FrameNursing->isHidden()) return;
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    healthlog::setEntryPerson(
        form, {row->subItem(people::kEmployeesNameColumn), row->subItem(people::kEmployeesEmployeeNoColumn),
               row->subItem(people::kEmployeesDepartmentColumn), row->subItem(people::kEmployeesMobileColumn)});
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
