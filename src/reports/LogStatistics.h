#pragma once
// The statistics of the health-service log by event category and month ("月季年報表"): one sheet per event
// category with the count and share of every event code and a bar chart, and two month-by-month cross tables; the
// summary workbook (LogSummary.h) follows. The numbers are computed first (computeLogStatistics, what the tests
// read) and then written.

#include "reports/ReportFrame.h"
#include "reports/ReportPeriod.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

class Database;
class Program;
struct ExcelSession;

namespace reports {

// An event category: the first letter of an event code together with its type in NursingCode.
struct EventCategory {
    QString letter;
    QString type;
    // "A_一般疾病（內科）": the sheet name and the label of the category.
    QString name() const { return letter + QLatin1Char('_') + type; }
    bool operator==(const EventCategory&) const = default;
    bool operator<(const EventCategory& o) const { return letter != o.letter ? letter < o.letter : type < o.type; }
};

// An event code of NursingCode: its category, item text and work item (NULL read as "").
struct EventCode {
    EventCategory category;
    QString note;
    QString workItem; // 健康服務工作要項
};
// Every event code by MainCode, read in one statement; a code listed twice counts once (its first row).
using EventCodeTable = std::map<QString, EventCode>;
EventCodeTable loadEventCodes(const Database& db);

// The categories of NursingCode, by letter and then type.
std::vector<EventCategory> eventCategories(const EventCodeTable& codes);
std::vector<EventCategory> eventCategories(const Database& db);

// One event code of a category in the period: its count and its share of the category's total.
struct CategoryItem {
    QString code;
    QString note;
    qint64 count = 0;
    double share = 0; // count / total of the category
};

struct CategoryStatistics {
    EventCategory category;
    qint64 total = 0;                // every log entry of the category's letter and type in the period
    std::vector<CategoryItem> items; // most frequent first (codes in order among equals)
};

// A month-by-month count: one column per month with entries, headed "2019.03月份", in calendar order across years.
struct MonthCrossTable {
    QStringList months;
    struct Row {
        QString label;              // the class of the row (category, or code and item)
        std::vector<qint64> counts; // one per month; 0 where the month has none (written blank)
    };
    std::vector<Row> rows; // in label order
};

struct LogStatistics {
    ReportPeriod period;
    QString keyword;
    std::vector<CategoryStatistics> categories; // every category of NursingCode, with or without entries
    MonthCrossTable byCategory;                 // "各月份大類比較": rows "A_type"
    MonthCrossTable byItem;                     // "各月份細類比較": rows "A01_note"
};

// The log entries a statistics report counts: the period on NursingBook.記錄日期 (both ends included) and, for a
// keyword, NursingBook.所屬部門 containing it.
SqlCondition logEntriesOf(const ReportPeriod& period, const QString& keyword);

// The heading of a month column for a stored date "YYYY/MM/DD": "YYYY.MM月份".
QString monthHeading(const QString& date);

// The entries of a period counted by event code, month ("YYYY/MM"), person type and severity: what both workbooks
// of the report sum up, read in one statement, with the code table beside it.
struct LogCount {
    QString code;
    QString month;
    QString personType;
    QString severity;
    qint64 count = 0;
};
struct LogCounts {
    ReportPeriod period;
    QString keyword;
    EventCodeTable codes;
    std::vector<LogCount> rows;
};
LogCounts countLogEntries(const Database& db, const ReportPeriod& period, const QString& keyword);

// The statistics of a period, summed from the counts: an entry whose code is not in NursingCode counts nowhere.
LogStatistics computeLogStatistics(const LogCounts& counts);
LogStatistics computeLogStatistics(const Database& db, const ReportPeriod& period, const QString& keyword);

// What the builder tells the progress window: a message and a value from 0 to 100.
using ReportProgress = std::function<void(const QString& message, int value)>;

// Writes the statistics into a new workbook: category i on worksheet i (named after it, a chart where it has
// entries), the cross tables on worksheets 9 and 10, or right after the categories when there are more than eight.
void writeLogStatistics(Program& program, ExcelSession& session, const LogStatistics& stats,
                        const ReportProgress& progress = {});

// The report kind "ShowReport": checks the dates, computes, writes and saves the workbook (left for the nurse), then
// the summary workbook of the same period. Nothing is created when a date is missing or wrong (Stopped).
ReportOutcome BuildNursingLogStatsWorkbook(Program& program, const QString& fromText, const QString& toText,
                                           const QString& keyword, const ReportProgress& progress = {});

} // namespace reports
