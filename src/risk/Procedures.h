#pragma once
// The public procedures of the health-risk assessment that the overwork key-in dialog and the batch import call, in
// this order: Framingham (grade the staged health checks with the staged overwork scales), SavePersonalHealth and
// SavePersonalBurnOut (or SavePersonalHistory for both at once), FraminghamToWord (the print table).

#include "core/Database.h"

#include <QDate>
#include <functional>

class Program;
class QProgressBar;

namespace risk {

// How a grading run goes.
struct GradingRun {
    bool announceCompletion = true; // say "完成" once more after the workbook's own
    bool withOverload = true;       // grade with the overwork scales staged in InPutBurnOut
    bool fromHistory = false;       // re-grade stored health checks: not part of this procedure, the run returns false
};
// Grades every InPutFramingham row into a rebuilt Framingham table (with the overwork scale of InPutBurnOut when
// withOverload), drops InPutFramingham, writes the two result sheets into a new workbook ending with its "完成", and
// says "完成" once more when announceCompletion (not when the workbook could not be written: FinishExcel has said
// why). The bar (may be null) runs from 0 to 100. Returns false, changing and showing nothing, when InPutFramingham
// does not exist or fromHistory is set. A database failure throws DbError and leaves InPutFramingham and the old
// Framingham.
bool Framingham(Program& program, QProgressBar* bar, const GradingRun& run = {});

// Rebuilds ToWord: one row per Framingham row with every Framingham column and the overwork columns of its scale,
// SEX as "男"/"女" and the levels, the risk, the class and the overwork risk level as display texts. False when
// Framingham does not exist.
bool FraminghamToWord(Program& program);

struct SaveResult {
    int appended = 0;
    int skipped = 0; // rows whose XID is stored already (or repeats within the run), or without year or number
};
// Appends every Framingham row to PersonalHealth under XID = 年度代碼 & "_" & 員工編號, measurements as numbers
// (NULL when not a number), grades as text. A row whose XID is already stored is not appended again. All or nothing.
SaveResult SavePersonalHealth(Program& program);
// Appends every InPutBurnOut row to PersonalBurnOut with all its columns by name, under the same rule. Throws DbError
// (writing nothing) when PersonalBurnOut lacks one of the staged columns.
SaveResult SavePersonalBurnOut(Program& program);
// Both, in one transaction: a failure of either leaves the history as it was.
struct HistoryResult {
    SaveResult health, burnOut;
};
HistoryResult SavePersonalHistory(Program& program);

// The grading without the workbook and the messages: rebuilds Framingham from InPutFramingham (dropping it) and
// returns the two result sheets. `today` is the age reference day when a check has no date.
struct ResultSheets {
    Recordset health; // "健康風險分級與數值解析_健檢資料": the Framingham table
    Recordset overwork; // "工作負荷促發腦心血管疾病風險_問卷資料": the scales with the risk they were graded with
};
ResultSheets gradeStaged(Database& db, const QDate& today, bool withOverload,
                         const std::function<void(int percent)>& progress = {});

inline const QString kHealthSheetName = QStringLiteral("健康風險分級與數值解析_健檢資料");
inline const QString kOverworkSheetName = QStringLiteral("工作負荷促發腦心血管疾病風險_問卷資料");

} // namespace risk
