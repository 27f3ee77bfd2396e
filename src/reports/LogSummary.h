#pragma once
// The summary workbook of the health-service log ("健康服務紀錄統計"): the shipped form of DataBase/DOC/ filled with
// the severity counts per person type and category, the three most frequent event items of every person type and
// category, and the lists of occupational injuries and of severities 2 and 3; saved under
// DataBase/健康服務紀錄統計/ with the date and time in its name, never over an older report.

#include "core/Database.h"
#include "core/SpooledRows.h"
#include "reports/LogStatistics.h"

#include <QStringList>
#include <array>
#include <optional>
#include <vector>

class Program;

namespace reports {

// The form has room for six categories and three person types ("員工", "承攬商", "派遣", in this order).
constexpr int kSummarySlots = 6;
constexpr int kPersonTypes = 3;
const QStringList& summaryPersonTypes();

struct TopItem {
    QString note;
    qint64 count = 0;
    double share = 0; // of the person type's entries of the category
};

// Log entries of employees known to the personnel file, by its SEX: "2" female, any other value male.
struct SexCounts {
    qint64 male = 0;
    qint64 female = 0;
    QString refusal; // why the personnel link cannot serve; empty when it counted
};

struct LogSummary {
    ReportPeriod period;
    // The first six categories of the list; an empty slot when the list is shorter.
    std::array<std::optional<EventCategory>, kSummarySlots> heads;
    // The categories past the sixth: the form names them under the grid.
    QStringList unshown;
    // Appended to the title when the personnel link is set.
    std::optional<SexCounts> bySex;
    // severity[person type][severity 1..3 as 0..2][slot]: entries of the period; nullopt where there are none. An
    // entry counts in its code's category; one whose code is not in NursingCode in the first category of its letter.
    std::array<std::array<std::array<std::optional<qint64>, kSummarySlots>, 3>, kPersonTypes> severity;
    // top[person type][slot]: at most three items, most frequent first (notes in order among equals).
    std::array<std::array<std::vector<TopItem>, kSummarySlots>, kPersonTypes> top;
    // The lists of sheets 2 to 4, ordered by date and time, kept in temporary files: over a long log they are long.
    SpooledRows injuries;  // "職傷意外記錄": codes beginning with "Y"
    SpooledRows severity2; // "嚴重等級_2"
    SpooledRows severity3; // "嚴重等級_3"
};

// The summary of a period for a category list (as the category statistics give it), from the counts of the period
// and the three lists, read in one statement.
LogSummary computeLogSummary(const Database& db, const LogCounts& counts, const std::vector<EventCategory>& categories);
LogSummary computeLogSummary(const Database& db, const std::vector<EventCategory>& categories,
                             const ReportPeriod& period, const QString& keyword);

// The entries of a period (and department keyword) whose employee number is in the EMPL table of the personnel file
// VardelDBPath names (attached as for the personal-data correction), counted by SEX.
SexCounts countLogEntriesBySex(Database& db, const QString& vardelPath, const QString& emplTablePrefix,
                               const ReportPeriod& period, const QString& keyword);

// Fills the form "健康服務紀錄統計.xlsx" of DataBase/DOC/ and saves it as
// DataBase/健康服務紀錄統計/健康服務紀錄統計_YYYYMMDD_hhmmss.xlsx ("_2", "_3" ... when taken), then opens it. A missing
// or unreadable form, or a file that cannot be written, is said in a critical box. Returns the file, "" if none.
QString writeLogSummary(Program& program, const LogSummary& summary);

// The second half of the report kind "ShowReport": computes and writes the summary workbook, with the male and female
// counts in the title when the personnel link is set (a link that cannot serve is said, and the form goes on without).
QString BuildNursingLogSummaryWorkbook(Program& program, const std::vector<EventCategory>& categories,
                                       const LogCounts& counts, const ReportProgress& progress = {});

} // namespace reports
