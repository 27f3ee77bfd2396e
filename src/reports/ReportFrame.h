#pragma once
// The report frame FrameReport of the main window: the period list ReportTypeCombo ("日期篩選", Label1_7), the date
// boxes Text5_0 and Text5_1 ("日期範圍", Label1_6) and the run button ButtonShowReport, whose "Tag" property holds
// the report kind. It opens from the report menu QVStatistica of the toolbar's "報表" and from the toolbar buttons
// "醫藥品統計" and "個資填補"; the run button checks the dates, asks for confirmation (and for a department keyword
// where the kind has one), runs the kind's builder and closes the frame.
//
// Builders plug in by kind, from any file, without editing the frame:
//
//     reports::registerReportBuilder(form, reports::kKindMedicalDrug, [](const reports::ReportRequest& r) {
//         ...
//         return reports::ReportOutcome::Done;
//     });
//
// A kind without a builder is refused with a message; the frame stays open.

#include <QString>
#include <functional>

class MainForm;
class Program;
class SplashInformation;

namespace reports {

// The report kinds: the texts of ButtonShowReport's Tag.
inline const QString kKindShowReport = QStringLiteral("ShowReport");                     // 月季年報表
inline const QString kKindAdvanceNursingRecord = QStringLiteral("AdvanceNursingRecord"); // 高風險人員統計分析
inline const QString kKindMultiple = QStringLiteral("Multiple");                         // 健檢資料_四段分級
inline const QString kKindListOHS = QStringLiteral("ListOHS");         // 健康服務工作要項_統計分析
inline const QString kKindMedicalDrug = QStringLiteral("MedicalDrug"); // 醫藥品統計
inline const QString kKindAddEmpl = QStringLiteral("AddEmpl");         // 個資填補

// What a builder is given when the run button runs it.
struct ReportRequest {
    Program& program;
    QString kind;
    // The texts of Text5_0 and Text5_1 as they stand (a builder that takes a period checks them itself, see
    // reports/ReportPeriod.h). Not checked by the frame for the kind "Multiple", which has no period.
    QString from;
    QString to;
    // The department keyword, trimmed; empty means every department (also when the nurse cancelled the box). Only
    // the kinds "ShowReport" and "ListOHS" ask for one.
    QString keyword;
    // The health-check year chosen in ReportTypeCombo (the kind "Multiple"; never empty for it).
    QString year;
    // The progress window of the kinds that show one ("ShowReport", "MedicalDrug", "AddEmpl"), else null.
    SplashInformation* progressWindow = nullptr;

    // Sets the progress window's bar (0..100) and, when not empty, its label; nothing without a window.
    void progress(int value, const QString& text = {}) const;
};

// How a builder ended. Done: the frame says the caption followed by " 完成" and closes. Stopped: the builder said why
// (a date check, nothing to do ...) and the frame stays open with its dates for another try.
enum class ReportOutcome { Done, Stopped };

using ReportBuilder = std::function<ReportOutcome(const ReportRequest&)>;

// Registers the builder of a kind on a window's report frame, replacing an earlier one. May be called before or
// after the frame is built. A database error thrown by a builder is caught by the frame and shown in a message box.
void registerReportBuilder(MainForm& form, const QString& kind, ReportBuilder builder);
// Whether a kind has a builder on this window.
bool hasReportBuilder(MainForm& form, const QString& kind);

// Builds the frame's controls inside FrameReport, the four items of QVStatistica, and takes over
// MainForm::ShowReportFrame; a load step fills ReportTypeCombo with the period list at start-up.
void buildReportFrame(MainForm& form, Program& program);

// The confirmation of a kind: the text of its Yes/No box and the box's title (empty texts for an unknown kind).
struct ReportConfirmation {
    QString text;
    QString title;
};
ReportConfirmation reportConfirmation(const QString& kind);
// Whether a kind shows the progress window, and whether it asks for a department keyword.
bool showsProgressWindow(const QString& kind);
bool asksDepartmentKeyword(const QString& kind);

// The procedures of the frame, as the window runs them (tests drive the same ones through the widgets).
// Shows the frame while the button is down (hides it otherwise): the kind is the button's key, both captions the
// button's caption; the date boxes are made visible.
void ShowReportFrame(MainForm& form, Program& program, const QString& buttonKey);
void QVStatisticaRegulation_Click(MainForm& form, Program& program);
void QVStatisticaAdvanceNursingRecord_Click(MainForm& form, Program& program);
void QVStatisticaMultipleLevel_Click(MainForm& form, Program& program);
void QVStatisticaOHS_Click(MainForm& form, Program& program);
void ButtonShowReport_Click(MainForm& form, Program& program);
// A choice in ReportTypeCombo: the period rule writes Text5_0 and Text5_1, unless the list holds health-check years.
void ReportTypeCombo_Click(MainForm& form, Program& program);

} // namespace reports
