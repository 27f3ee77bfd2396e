#pragma once
// The high-risk persons workbook of the report kind "AdvanceNursingRecord": for a period of the log, the persons
// with the most entries, every entry of severity 2 or more, and the whole log history of the persons who had one.

#include "core/Database.h"
#include "core/SpooledRows.h"
#include "reports/ReportFrame.h"
#include "reports/ReportPeriod.h"

class Program;

namespace reports {

// How many places the ranking keeps; persons tied with the last place are all kept.
constexpr int kTopPersons = 30;

struct HighRiskStats {
    ReportPeriod period;
    // 員工編號, 人員姓名, xTotal (the person's entries in the period), most entries first. A person is an employee
    // number together with a name: one number logged under two names is two rows.
    Recordset top;
    // The entries of the period whose severity, read as a number (a text's numeric prefix, as Val reads it), is 2
    // or more: 記錄日期 記錄時間 人員身份 員工編號 人員姓名 聯絡分機 所屬部門 事件代碼 Type Note 嚴重代碼
    // 事件發生經過與症狀描述 處理措施 追蹤情況 醫護人員 xPDF; by person, then oldest first. An event code missing from
    // NursingCode leaves Type and Note empty. Kept in a temporary file, as the history: both may run to the whole log.
    SpooledRows severe;
    // Every entry of any date of the persons with a severe entry in the period (Type and Note headed 事件類別 and
    // 事件項目), by employee number, newest first. An entry without employee number names nobody: its person has no
    // history, or every unnumbered entry of the log would be listed.
    SpooledRows history;
};

// The three tables, one statement each. Throws DbError.
HighRiskStats computeHighRiskStats(const Database& db, const ReportPeriod& period);

// The workbook: sheet 1 "健康日誌紀錄 TOP 30 員工名單" with the period in D2, sheet 2 "高風險人員_嚴重代碼曾出現 2 或 3
// 者", sheet 3 "高風險人員_歷程記錄" (column L 60 wide, wrapped, on both); a table without rows leaves its sheet
// unnamed and empty. Saved and opened by FinishExcel without "完成". Returns the file written, "" after a failure was
// said.
QString writeHighRiskWorkbook(Program& program, const HighRiskStats& stats);

// The builder the report frame runs: the period check, the tables, the workbook.
ReportOutcome BuildHighRiskStatsWorkbook(const ReportRequest& request);

} // namespace reports
