#pragma once
// The work-item statistics ("健康服務工作要項_統計分析"): the statutory form "附表八 勞工健康服務執行紀錄表_3-5項"
// with, for every health-service work item of ListOHS, the number of log entries of the period whose event code
// belongs to it, and the columns the nurse fills in by hand; a second sheet lists the event codes with their items.

#include "reports/ReportFrame.h"
#include "reports/ReportPeriod.h"

#include <QString>
#include <vector>

class Database;
class Program;
struct ExcelSession;

namespace reports {

struct ServiceItemCount {
    QString type;
    QString item; // 健康服務工作要項
    // Entries of the period whose event code names this item's text; 0 for an item without text and for an item
    // whose text an earlier item already has (each entry counts once).
    qint64 count = 0;
};

struct ServiceItemStats {
    ReportPeriod period;
    QString keyword;
    std::vector<ServiceItemCount> items; // every work item, in MainCode order
};

// Three statements: the work items, the code table, and the entries of the period counted per code.
ServiceItemStats computeServiceItemStats(const Database& db, const ReportPeriod& period, const QString& keyword);

// The form on sheet 1 (headings merged, filled and styled; one row per item from row 3) and the event codes on
// sheet 2 "健康服務工作要項".
void writeServiceItemStats(Program& program, ExcelSession& session, const ServiceItemStats& stats);

// The report kind "ListOHS": checks the dates, computes, writes, saves the workbook for the nurse and says "完成"
// (Stopped after a date message or a workbook that could not be written).
ReportOutcome BuildServiceItemStatsWorkbook(Program& program, const QString& fromText, const QString& toText,
                                            const QString& keyword);

} // namespace reports
