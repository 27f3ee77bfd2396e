// The three statistics reports of the log over 100 000 entries of 10 000 people: each computes its numbers in under
// 0.3 s, and the whole report takes at most 1.5 times as long as writing its workbook alone (a workbook written in
// milliseconds: at most 0.1 s more, see bench::withinWorkbookTarget).

#include "Bench.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "reports/LogStatistics.h"
#include "reports/LogSummary.h"
#include "reports/ServiceItemStats.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

constexpr int kPeople = 10000;
constexpr int kEntries = 100000;
const reports::ReportPeriod kTwoYears{QStringLiteral("2023/01/01"), QStringLiteral("2024/12/31")};

void seed(Database& db) {
    const Recordset codes = db.query(QStringLiteral("SELECT MainCode FROM NursingCode ORDER BY MainCode"));
    const char* const types[] = {"員工", "員工", "員工", "承攬商", "派遣"};
    const char* const severities[] = {"1", "1", "1", "1", "1", "1", "1", "1", "1", "1",
                                      "1", "1", "1", "1", "1", "1", "2", "2", "2", "3"};
    std::vector<QVariantList> people, log;
    for (int i = 0; i < kPeople; ++i)
        people.push_back({QStringLiteral("員工%1").arg(i), QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0')),
                          QStringLiteral("部門%1").arg(i % 20)});
    for (int i = 0; i < kEntries; ++i) {
        const int person = (i * 7919) % kPeople;
        log.push_back(
            {QStringLiteral("S%1").arg(i, 7, 10, QLatin1Char('0')),
             QDate(2023, 1, 1).addDays(i % 730).toString(QStringLiteral("yyyy/MM/dd")),
             QStringLiteral("%1:%2").arg(8 + i % 10, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0')),
             types[i % 5], QStringLiteral("E%1").arg(person, 5, 10, QLatin1Char('0')),
             QStringLiteral("員工%1").arg(person), QStringLiteral("部門%1").arg(person % 20),
             codes.text((i * 31) % codes.recordCount(), 0), severities[i % 20],
             QStringLiteral("第 %1 次到健康中心，主訴不適，予以評估及衛教。").arg(i), QStringLiteral("休息觀察"),
             QStringLiteral("結案"), QStringLiteral("護理師甲")});
    }
    db.execBatch(QStringLiteral("INSERT INTO EMPL (姓名, 員工編號, 部門中文名稱) VALUES (?, ?, ?)"), people);
    db.execBatch(QStringLiteral("INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 人員身份, 員工編號, 人員姓名, "
                                "所屬部門, 事件代碼, 嚴重代碼, 事件發生經過與症狀描述, 處理措施, 追蹤情況, 醫護人員) "
                                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 log);
}

bool prepare(Program& program) {
    if (!StartProgram(program)) return false;
    seed(program.DBConn);
    QDir().mkpath(program.docFolder());
    return QFile::copy(QStringLiteral(OSTIVA_DOC_DIR "/健康服務紀錄統計.xlsx"),
                       program.docFolder() + QStringLiteral("健康服務紀錄統計.xlsx"));
}

// Prints a report's figures; returns whether its numbers took under 0.3 s and the whole report met its target beside
// its workbook written alone (bench::withinWorkbookTarget).
bool report(const char* what, double data, double writing, double whole) {
    std::printf("   %-30s data %.3f s, workbook alone %.3f s, whole %.3f s %s\n", what, data, writing, whole,
                bench::workbookTargetText(whole, writing).c_str());
    return data < 0.3 && bench::withinWorkbookTarget(whole, writing);
}

} // namespace

OSTIVA_BENCH("log-statistics", "100 000 log entries, 10 000 people: 月季年報表, its summary form, 工作要項 form") {
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    if (!prepare(program)) return false;
    Database& db = program.DBConn;
    const QString from = kTwoYears.from;
    const QString to = kTwoYears.to;

    // 月季年報表: the counts both of its workbooks sum up, then the category workbook.
    reports::LogCounts counts;
    const double countsData =
        bench::bestSeconds(context.repeats, [&] { counts = reports::countLogEntries(db, kTwoYears, {}); });
    reports::LogStatistics stats;
    const double statsData =
        countsData + bench::bestSeconds(context.repeats, [&] { stats = reports::computeLogStatistics(counts); });
    const double statsWrite = bench::bestSeconds(context.repeats, [&] {
        ExcelSession& session = CreateExcelWorkbook(program, std::max(8, int(stats.categories.size()) - 1));
        reports::writeLogStatistics(program, session, stats);
        FinishExcel(program, false);
    });

    // Its summary form: the counts again, and the lists.
    const std::vector<reports::EventCategory> categories = reports::eventCategories(counts.codes);
    reports::LogSummary summary;
    const double summaryData = countsData + bench::bestSeconds(context.repeats, [&] {
                                   summary = reports::computeLogSummary(db, counts, categories);
                               });
    const double summaryWrite =
        bench::bestSeconds(context.repeats, [&] { reports::writeLogSummary(program, summary); });

    // Both as the report frame runs them: the counts are read once.
    const double monthlyData = statsData + summaryData - countsData;
    const double monthlyWhole =
        bench::bestSeconds(context.repeats, [&] { reports::BuildNursingLogStatsWorkbook(program, from, to, {}); });

    // 健康服務工作要項_統計分析.
    reports::ServiceItemStats items;
    const double itemsData =
        bench::bestSeconds(context.repeats, [&] { items = reports::computeServiceItemStats(db, kTwoYears, {}); });
    const double itemsWrite = bench::bestSeconds(context.repeats, [&] {
        ExcelSession& session = CreateExcelWorkbook(program, 0);
        reports::writeServiceItemStats(program, session, items);
        FinishExcel(program, true);
    });
    const double itemsWhole =
        bench::bestSeconds(context.repeats, [&] { reports::BuildServiceItemStatsWorkbook(program, from, to, {}); });

    // A department keyword narrows every statement without costing more.
    const double keywordData = bench::bestSeconds(context.repeats, [&] {
        reports::computeLogStatistics(db, kTwoYears, QStringLiteral("部門1"));
        reports::computeLogSummary(db, categories, kTwoYears, QStringLiteral("部門1")); // counts again
        reports::computeServiceItemStats(db, kTwoYears, QStringLiteral("部門1"));
    });

    qint64 counted = 0;
    for (const auto& c : stats.categories)
        counted += c.total;
    std::printf("   counts by code, month, person type and severity: %.3f s (%zu rows)\n", countsData,
                counts.rows.size());
    std::printf("   %lld entries counted in %zu categories; lists of %d, %d and %d rows\n", counted,
                stats.categories.size(), summary.injuries.recordCount(), summary.severity2.recordCount(),
                summary.severity3.recordCount());
    bool met = counted == kEntries;
    met = report("category workbook", statsData, statsWrite, statsWrite + statsData) && met;
    met = report("summary form", summaryData, summaryWrite, summaryWrite + summaryData) && met;
    met = report("月季年報表 as the frame runs it", monthlyData, statsWrite + summaryWrite, monthlyWhole) && met;
    met = report("work-item form", itemsData, itemsWrite, itemsWhole) && met;
    std::printf("   the three with a keyword: data %.3f s\n", keywordData);
    return met && keywordData < 0.9;
}
