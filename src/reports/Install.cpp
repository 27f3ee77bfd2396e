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
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

namespace reports {

namespace {
// Connects a period list and its two date boxes once (the report frame's controls may be built after this install).
void wirePeriodList(MainForm& form, Program& program, const QString& listName, int firstBox,
                    void (*click)(MainForm&, Program&)) {
    auto* list = form.findChild<QComboBox*>(listName);
    if (!list) return;
    fillPeriodList(list, program.ui().now().date());
    if (list->property("periodListWired").toBool()) return;
    list->setProperty("periodListWired", true);
    connectGuarded(list, &QComboBox::activated, &form, program, QStringLiteral("選擇期間"),
                   [&form, &program, click](int) { click(form, program); });
    for (int i = firstBox; i < firstBox + 2; ++i)
        connectDateBox(form, program, form.findChild<QLineEdit*>(QStringLiteral("Text5_%1").arg(i)), i);
}

void onMenuItem(MainForm& form, Program& program, const char* name, void (*handler)(MainForm&, Program&)) {
    QMenu* menu = form.popupMenu(QStringLiteral("QVPersonalToWord"));
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String(name))
            connectGuarded(a, program, [&form, &program, handler] { handler(form, program); });
}
// The grading standards are kept beside the grading itself: the report menu offers their import and their example
// workbook after the grading's own item.
void addMultipleLevelStandardsItems(MainForm& form, Program& program) {
    QMenu* menu = form.popupMenu(QStringLiteral("QVStatistica"));
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
    form.addLoadStep(QStringLiteral("填入期間選單"), [&form, &program] {
        wirePeriodList(form, program, QStringLiteral("SearchTypeCombo"), 2, SearchTypeCombo_Click);
    });
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

    onMenuItem(form, program, "QVPersonalSelected", QVPersonalSelected_Click);
    onMenuItem(form, program, "QVPersonalToExcel", QVPersonalToExcel_Click);
    onMenuItem(form, program, "QVPersonalToWeb", QVPersonalToWeb_Click);
    onMenuItem(form, program, "QVPersonalToExcelSelected", QVPersonalToExcelSelected_Click);
    onMenuItem(form, program, "QVPersonalToWebSelected", QVPersonalToWebSelected_Click);
    onMenuItem(form, program, "QVPersonalToWordSelected", QVPersonalToWordSelected_Click);
    people::setPanelItemHandler(form, people::PanelItem::PersonalReportAll,
                                [&form, &program] { PersonalReportAll_Click(form, program); });
    people::setPanelItemHandler(form, people::PanelItem::PersonalReportNMQ,
                                [&form, &program] { PersonalReportNMQ_Click(form, program); });
    addMultipleLevelStandardsItems(form, program);
    registerReportBuilder(form, kKindMultiple, [](const ReportRequest& r) {
        const QString written = PrepareMultipleLevelGrading(r.program, r.year, [&r](int value) { r.progress(value); });
        return written.isEmpty() ? ReportOutcome::Stopped : ReportOutcome::Done;
    });
}

} // namespace reports
