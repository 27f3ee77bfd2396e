#include "reports/Install.h"

#include "core/ExcelOutput.h"
#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "people/PersonPanel.h"
#include "people/StandardsImport.h"
#include "reports/ConsultationForm.h"
#include "reports/HighRiskStats.h"
#include "reports/LogCorrection.h"
#include "reports/LogStatistics.h"
#include "reports/MedicineStats.h"
#include "reports/MultipleLevelReport.h"
#include "reports/NmqHistory.h"
#include "reports/OverworkPrint.h"
#include "reports/Periods.h"
#include "reports/PersonActions.h"
#include "reports/ReportFrame.h"
#include "reports/ServiceItemStats.h"

#include <QAction>
#include <QMenu>

namespace reports {

namespace {
// The grading standards are kept beside the grading itself: the report menu offers their import and their example
// workbook after the grading's own item.
void addMultipleLevelStandardsItems(MainForm& form, Program& program) {
    QMenu* menu = form.QVStatistica;
    QAction* import = new QAction(QStringLiteral("多項四段分級標準_匯入"), menu);
    import->setObjectName(QStringLiteral("QVStatisticaMultipleLevelImport"));
    QAction* example = new QAction(QStringLiteral("多項四段分級標準_範例檔"), menu);
    example->setObjectName(QStringLiteral("QVStatisticaMultipleLevelExample"));
    menu->addSeparator()->setObjectName(QStringLiteral("BarStatisticaMultipleLevelStandards"));
    menu->addAction(import);
    menu->addAction(example);
    // Neither item opens the report frame: the report button comes back up when they are done.
    auto raiseReportButton = [&form] {
        if (QAction* b = form.toolbarButton(QStringLiteral("ShowReport"))) b->setChecked(false);
        form.enableToolbar();
    };
    connectGuarded(import, program, [&program, raiseReportButton] {
        people::MultipleLevelImport_Click(program);
        raiseReportButton();
    });
    connectGuarded(example, program, [&program, raiseReportButton] {
        OpenExampleWorkbook(program, program.docFolder() + QStringLiteral("範例_多項四段分級標準.xlsx"));
        raiseReportButton();
    });
}
} // namespace

void install(MainForm& form, Program& program) {
    // Form_Load fills the search's period list with labels of the day the program starts (the report frame fills
    // its own).
    form.addLoadStep(QStringLiteral("填入期間選單"), [&form, &program] { connectSearchPeriod(form, program); });
    buildReportFrame(form, program);
    registerReportBuilder(form, kKindShowReport, [](const ReportRequest& r) {
        return BuildNursingLogStatsWorkbook(r.program, r.from, r.to, r.keyword,
                                            [&r](const QString& text, int value) { r.progress(value, text); });
    });
    registerReportBuilder(form, kKindListOHS, [](const ReportRequest& r) {
        return BuildServiceItemStatsWorkbook(r.program, r.from, r.to, r.keyword);
    });
    registerReportBuilder(form, kKindAdvanceNursingRecord, BuildHighRiskStatsWorkbook);
    registerReportBuilder(form, kKindMedicalDrug, BuildMedicineStatsWorkbook);
    registerReportBuilder(form, kKindAddEmpl, CorrectLogPersonalData);

    using people::PanelItem;
    const std::pair<PanelItem, void (*)(MainForm&, Program&)> panelItems[] = {
        {PanelItem::QVPersonalSelected, QVPersonalSelected_Click},
        {PanelItem::QVPersonalToExcel, QVPersonalToExcel_Click},
        {PanelItem::QVPersonalToWeb, QVPersonalToWeb_Click},
        {PanelItem::QVPersonalToExcelSelected, QVPersonalToExcelSelected_Click},
        {PanelItem::QVPersonalToWebSelected, QVPersonalToWebSelected_Click},
        {PanelItem::QVPersonalToWordSelected, QVPersonalToWordSelected_Click},
        {PanelItem::PersonalReportAll, PersonalReportAll_Click},
        {PanelItem::PersonalReportNMQ, PersonalReportNMQ_Click},
    };
    for (const auto& [item, handler] : panelItems)
        people::setPanelItemHandler(form, item, [&form, &program, handler] { handler(form, program); });
    addMultipleLevelStandardsItems(form, program);
    registerReportBuilder(form, kKindMultiple, [](const ReportRequest& r) {
        const QString written = PrepareMultipleLevelGrading(r.program, r.year, [&r](int value) { r.progress(value); });
        return written.isEmpty() ? ReportOutcome::Stopped : ReportOutcome::Done;
    });
}

} // namespace reports
