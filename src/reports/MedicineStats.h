#pragma once
// The medicine statistics workbook of the report kind "MedicalDrug": the medicine store with its stock, the
// medicines handed out with the log entries of a period ranked by quantity, and the entries of the ten most used.

#include "core/Database.h"
#include "reports/ReportFrame.h"
#include "reports/ReportPeriod.h"

#include <vector>

class Program;

namespace reports {

// How many of the most used medicines get a sheet of their own.
constexpr int kTopMedicines = 10;

struct MedicineStats {
    ReportPeriod period;
    // The whole store, whatever the period: 類別, 醫藥品名稱, 現貨存量, 到期日, by type and code.
    Recordset stock;
    // One row per medicine code and name used in the period: 醫藥品代碼, 醫藥品名稱, 取用總量 (the sum of the
    // quantities), largest total first (code, then name, among equal totals).
    Recordset ranking;
    // The first ten rows of the ranking, each with the entries of the period that used that code under that name:
    // the log-list columns (NursingBookColumns) and "<name>_取用量", the quantity of that use, largest first. Two
    // codes under one name keep their entries apart.
    struct TopMedicine {
        QString code;
        QString name;
        Recordset uses;
    };
    std::vector<TopMedicine> top;
};

// The tables: one statement for the stock, one for the ranking, one for the entries of all top medicines. Throws
// DbError.
MedicineStats computeMedicineStats(const Database& db, const QString& nursingBookColumns, const ReportPeriod& period);

// The workbook: sheet 1 "醫藥品存量盤點", sheet 2 "醫藥品用量排序" with the period as the note of C1 (named and noted
// even without use), sheets 3 to 12 "TOP_01 醫藥品" ... one per top medicine. Saved and opened by FinishExcel without
// "完成". Returns the file written, "" after a failure was said.
QString writeMedicineWorkbook(Program& program, const MedicineStats& stats);

// The builder the report frame runs: the period check, the tables, the workbook.
ReportOutcome BuildMedicineStatsWorkbook(const ReportRequest& request);

} // namespace reports
