// The three statistics reports of the log over 100 000 entries of 10 000 people: each computes its numbers in under
// 0.3 s, and the whole report takes at most 1.5 times as long as writing its workbook alone (a workbook written in
// milliseconds: at most 0.1 s more, see bench::withinWorkbookTarget), the two alternated and their medians compared.
// 月季年報表 with its summary form over 100 000 and 1 000 000 entries (people = entries / 10), each run whole in a
// process of its own: the process's peak under 400 MiB at a million entries.

#include "Bench.h"
#include "ReportRuns.h"

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

constexpr int kEntries = 100000;
const reports::ReportPeriod kTwoYears{QStringLiteral("2023/01/01"), QStringLiteral("2024/12/31")};

// A log of `entries` entries of entries / 10 people over two years, made in one statement: every tenth person an
// employee in EMPL, codes spread over NursingCode, one entry in five of severity 2 or 3.
void seed(Database& db, qint64 entries) {
    const qint64 people = entries / 10;
    Transaction t(db);
    db.exec(QStringLiteral("CREATE TEMP TABLE bench_codes (k INTEGER PRIMARY KEY, code TEXT)"));
    db.exec(QStringLiteral("INSERT INTO bench_codes SELECT row_number() OVER (ORDER BY MainCode) - 1, MainCode "
                           "FROM NursingCode"));
    const qint64 codes = db.scalar(QStringLiteral("SELECT count(*) FROM bench_codes")).toLongLong();
    db.exec(QStringLiteral("INSERT INTO EMPL (姓名, 員工編號, 部門中文名稱) "
                           "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?) "
                           "SELECT '員工' || i, printf('E%05d', i), '部門' || (i % 20) FROM n"),
            {people});
    db.exec(
        QStringLiteral(
            "INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 人員身份, 員工編號, 人員姓名, 所屬部門, 事件代碼, "
            "嚴重代碼, 事件發生經過與症狀描述, 處理措施, 追蹤情況, 醫護人員) "
            "WITH RECURSIVE n(i, p) AS (SELECT 0, 0 UNION ALL SELECT i + 1, (i + 1) * 7919 % ? FROM n WHERE i + 1 < ?) "
            "SELECT printf('S%07d', i), replace(date('2023-01-01', '+' || (i % 730) || ' days'), '-', '/'), "
            "printf('%02d:%02d', 8 + i % 10, i % 60), "
            "CASE i % 5 WHEN 3 THEN '承攬商' WHEN 4 THEN '派遣' ELSE '員工' END, printf('E%05d', p), '員工' || p, "
            "'部門' || (p % 20), c.code, CASE WHEN i % 20 < 16 THEN '1' WHEN i % 20 < 19 THEN '2' ELSE '3' END, "
            "'第 ' || i || ' 次到健康中心，主訴不適，予以評估及衛教。', '休息觀察', '結案', '護理師甲' "
            "FROM n JOIN bench_codes c ON c.k = i * 31 % ?"),
        {people, entries, codes});
    db.exec(QStringLiteral("DROP TABLE bench_codes"));
    t.commit();
}

bool prepare(Program& program, qint64 entries) {
    if (!StartProgram(program)) return false;
    seed(program.DBConn, entries);
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

// 月季年報表 with its summary form over a log of `entries` entries in a program folder of its own, run whole in a
// child process; prints and returns its figures.
std::optional<bench::Peak> monthlyReportPeak(const QString& folder, qint64 entries) {
    Program program(folder, std::make_unique<ScriptedUi>());
    if (!prepare(program, entries)) return std::nullopt;
    const auto peak = bench::peakOf([&] {
        return reports::BuildNursingLogStatsWorkbook(program, kTwoYears.from, kTwoYears.to, {}) ==
               reports::ReportOutcome::Done;
    });
    if (peak)
        std::printf("   月季年報表 over %lld entries, whole: %.3f s, peak %.1f MiB (%.1f MiB added)\n",
                    static_cast<long long>(entries), peak->seconds, peak->peakMiB, peak->addedMiB);
    else
        std::printf("   月季年報表 over %lld entries failed\n", static_cast<long long>(entries));
    return peak;
}

} // namespace

OSTIVA_BENCH("log-statistics",
             "月季年報表, its summary form, 工作要項 form over 100 000 entries; 月季年報表 over 1 000 000") {
    const bool peaksMet = bench::peaksMet(context, kEntries, monthlyReportPeak);

    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    if (!prepare(program, kEntries)) return false;
    Database& db = program.DBConn;
    const QString from = kTwoYears.from;
    const QString to = kTwoYears.to;
    const int rounds = std::max(context.repeats, 5);

    // 月季年報表: the counts both of its workbooks sum up, then the category workbook.
    reports::LogCounts counts;
    const double countsData =
        bench::bestSeconds(context.repeats, [&] { counts = reports::countLogEntries(db, kTwoYears, {}); });
    reports::LogStatistics stats;
    const double statsData =
        countsData + bench::bestSeconds(context.repeats, [&] { stats = reports::computeLogStatistics(counts); });

    // Its summary form: the counts again, and the lists.
    const std::vector<reports::EventCategory> categories = reports::eventCategories(counts.codes);
    reports::LogSummary summary;
    const double summaryData = countsData + bench::bestSeconds(context.repeats, [&] {
                                   summary = reports::computeLogSummary(db, counts, categories);
                               });

    // Each workbook alone and both as the report frame runs them (the counts read once), in turn.
    const std::vector<bench::Runs> monthly =
        bench::alternated(rounds, {[&] {
                                       ExcelSession& session =
                                           CreateExcelWorkbook(program, std::max(8, int(stats.categories.size()) - 1));
                                       reports::writeLogStatistics(program, session, stats);
                                       FinishExcel(program, false);
                                   },
                                   [&] { reports::writeLogSummary(program, summary); },
                                   [&] { reports::BuildNursingLogStatsWorkbook(program, from, to, {}); }});
    const double statsWrite = monthly[0].median();
    const double summaryWrite = monthly[1].median();
    const bench::Runs monthlyAlone = bench::sumOf(monthly[0], monthly[1]);
    const double monthlyData = statsData + summaryData - countsData;

    // 健康服務工作要項_統計分析.
    reports::ServiceItemStats items;
    const double itemsData =
        bench::bestSeconds(context.repeats, [&] { items = reports::computeServiceItemStats(db, kTwoYears, {}); });
    const std::vector<bench::Runs> itemRuns =
        bench::alternated(rounds, {[&] {
                                       ExcelSession& session = CreateExcelWorkbook(program, 0);
                                       reports::writeServiceItemStats(program, session, items);
                                       FinishExcel(program, true);
                                   },
                                   [&] { reports::BuildServiceItemStatsWorkbook(program, from, to, {}); }});

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
    std::printf("   medians of %d alternated runs (range in brackets): category workbook %s, summary form %s, "
                "月季年報表 whole %s; work-item form %s, whole %s\n",
                rounds, monthly[0].text().c_str(), monthly[1].text().c_str(), monthly[2].text().c_str(),
                itemRuns[0].text().c_str(), itemRuns[1].text().c_str());
    bool met = counted == kEntries && peaksMet;
    met = report("category workbook", statsData, statsWrite, statsWrite + statsData) && met;
    met = report("summary form", summaryData, summaryWrite, summaryWrite + summaryData) && met;
    met = report("月季年報表 as the frame runs it", monthlyData, monthlyAlone.median(), monthly[2].median()) && met;
    met = report("work-item form", itemsData, itemRuns[0].median(), itemRuns[1].median()) && met;
    std::printf("   the three with a keyword: data %.3f s\n", keywordData);
    return met && keywordData < 0.9;
}
