// The three statistics reports of the log over 100 000 entries of 10 000 people: each computes its numbers in under
// 0.3 s, and the whole report, run as one, takes at most 1.5 times as long as writing its workbook alone (a workbook
// written in milliseconds: at most 0.1 s more, see bench::withinWorkbookTarget), the two alternated, each run in a
// process of its own, and their medians compared. 月季年報表 with its summary form over 100 000 and 1 000 000 entries
// (people = entries / 10), each run whole in a fresh process: its peak under 400 MiB at a million entries.

#include "Bench.h"
#include "JobProgram.h"
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
#include <memory>

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

// Prints a report's figures; returns whether its numbers took under 0.3 s and the whole report, run as one, met its
// target beside its workbook written alone (bench::withinWorkbookTarget).
bool report(const char* what, double data, const bench::SideFigures& writing, const bench::SideFigures& whole) {
    const double alone = writing.seconds.median, all = whole.seconds.median;
    std::printf("   %-30s data %.3f s, workbook alone %.3f s, whole %.3f s %s\n", what, data, alone, all,
                bench::workbookTargetText(all, alone).c_str());
    return data < 0.3 && bench::withinWorkbookTarget(all, alone);
}

} // namespace

// 月季年報表 with its summary form, whole, over the log made in the folder given.
OSTIVA_BENCH_JOB("log-statistics/whole") {
    const std::shared_ptr<Program> program = bench::startedIn(args.value(0));
    if (!program) return {};
    return [program] {
        return reports::BuildNursingLogStatsWorkbook(*program, kTwoYears.from, kTwoYears.to, {}) ==
               reports::ReportOutcome::Done;
    };
}

OSTIVA_BENCH("log-statistics",
             "月季年報表, its summary form, 工作要項 form over 100 000 entries; 月季年報表 over 1 000 000") {
    const bool peaksMet = bench::peaksMet(
        context, "月季年報表", kEntries,
        [](const QString& folder, qint64 entries) {
            Program program(folder, std::make_unique<ScriptedUi>());
            return prepare(program, entries);
        },
        "log-statistics/whole");

    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    if (!prepare(program, kEntries)) bench::fail("the log of 100 000 entries could not be made");
    Database& db = program.DBConn;
    const QString from = kTwoYears.from;
    const QString to = kTwoYears.to;
    const int rounds = std::max(context.repeats, 5);

    // 月季年報表: the counts both of its workbooks sum up, then the category workbook and the summary form, each
    // computed as one run.
    reports::LogCounts counts;
    const double countsData = bench::bestSeconds("the counts", context.repeats, [&] {
        counts = reports::countLogEntries(db, kTwoYears, {});
        return !counts.rows.empty();
    });
    reports::LogStatistics stats;
    const double statsData = bench::bestSeconds("the category statistics", context.repeats, [&] {
        stats = reports::computeLogStatistics(db, kTwoYears, {});
        return !stats.categories.empty();
    });
    const std::vector<reports::EventCategory> categories = reports::eventCategories(counts.codes);
    reports::LogSummary summary;
    const double summaryData = bench::bestSeconds("the summary form's data", context.repeats, [&] {
        const reports::LogCounts c = reports::countLogEntries(db, kTwoYears, {});
        summary = reports::computeLogSummary(db, c, reports::eventCategories(c.codes));
        return summary.heads[0].has_value();
    });
    // Both from the counts read once, as the report frame runs them.
    const double monthlyData = bench::bestSeconds("月季年報表's data", context.repeats, [&] {
        const reports::LogCounts c = reports::countLogEntries(db, kTwoYears, {});
        const reports::LogStatistics s = reports::computeLogStatistics(c);
        const reports::LogSummary m = reports::computeLogSummary(db, c, reports::eventCategories(c.codes));
        return !s.categories.empty() && m.heads[0].has_value();
    });

    // Each workbook alone and each report whole, in turn.
    auto writeStatistics = [&](const reports::LogStatistics& s) {
        ExcelSession& session = CreateExcelWorkbook(program, std::max(8, int(s.categories.size()) - 1));
        reports::writeLogStatistics(program, session, s);
        return !FinishExcel(program, false).isEmpty();
    };
    auto writeSummary = [&](const reports::LogSummary& s) { return !reports::writeLogSummary(program, s).isEmpty(); };
    const std::vector<bench::SideFigures> monthly = bench::alternate(
        rounds,
        {bench::forked("the category workbook alone", [&] { return writeStatistics(stats); }),
         bench::forked("the category workbook whole",
                       [&] { return writeStatistics(reports::computeLogStatistics(db, kTwoYears, {})); }),
         bench::forked("the summary form alone", [&] { return writeSummary(summary); }),
         bench::forked("the summary form whole",
                       [&] {
                           const reports::LogCounts c = reports::countLogEntries(db, kTwoYears, {});
                           return writeSummary(reports::computeLogSummary(db, c, reports::eventCategories(c.codes)));
                       }),
         bench::forked("月季年報表's two workbooks alone",
                       [&] { return writeStatistics(stats) && writeSummary(summary); }),
         bench::forked("月季年報表 whole", [&] {
             return reports::BuildNursingLogStatsWorkbook(program, from, to, {}) == reports::ReportOutcome::Done;
         })});

    // 健康服務工作要項_統計分析.
    reports::ServiceItemStats items;
    const double itemsData = bench::bestSeconds("the work-item form's data", context.repeats, [&] {
        items = reports::computeServiceItemStats(db, kTwoYears, {});
        return !items.items.empty();
    });
    const std::vector<bench::SideFigures> itemRuns =
        bench::alternate(rounds, {bench::forked("the work-item form alone",
                                                [&] {
                                                    ExcelSession& session = CreateExcelWorkbook(program, 0);
                                                    reports::writeServiceItemStats(program, session, items);
                                                    return !FinishExcel(program, true).isEmpty();
                                                }),
                                  bench::forked("the work-item form whole", [&] {
                                      return reports::BuildServiceItemStatsWorkbook(program, from, to, {}) ==
                                             reports::ReportOutcome::Done;
                                  })});

    // A department keyword narrows every statement without costing more.
    qint64 narrowed = 0;
    const double keywordData = bench::bestSeconds("the three with a keyword", context.repeats, [&] {
        const reports::LogStatistics s = reports::computeLogStatistics(db, kTwoYears, QStringLiteral("部門1"));
        reports::computeLogSummary(db, categories, kTwoYears, QStringLiteral("部門1")); // counts again
        reports::computeServiceItemStats(db, kTwoYears, QStringLiteral("部門1"));
        narrowed = 0;
        for (const auto& c : s.categories)
            narrowed += c.total;
        return narrowed > 0 && narrowed < kEntries;
    });

    qint64 counted = 0;
    for (const auto& c : stats.categories)
        counted += c.total;
    std::printf("   counts by code, month, person type and severity: %.3f s (%zu rows)\n", countsData,
                counts.rows.size());
    std::printf("   %lld entries counted in %zu categories; lists of %d, %d and %d rows\n", counted,
                stats.categories.size(), summary.injuries.recordCount(), summary.severity2.recordCount(),
                summary.severity3.recordCount());
    std::printf("   medians (min-max) of %d alternated runs, each in a process of its own:\n", rounds);
    const char* const sides[] = {"category workbook alone", "category workbook whole", "summary form alone",
                                 "summary form whole",      "月季年報表 alone",        "月季年報表 whole"};
    for (size_t i = 0; i < monthly.size(); ++i)
        std::printf("     %-24s %s\n", sides[i], bench::sideText(monthly[i]).c_str());
    std::printf("     %-24s %s\n     %-24s %s\n", "work-item form alone", bench::sideText(itemRuns[0]).c_str(),
                "work-item form whole", bench::sideText(itemRuns[1]).c_str());
    bool met = counted == kEntries && peaksMet;
    met = report("category workbook", statsData, monthly[0], monthly[1]) && met;
    met = report("summary form", summaryData, monthly[2], monthly[3]) && met;
    met = report("月季年報表 as the frame runs it", monthlyData, monthly[4], monthly[5]) && met;
    met = report("work-item form", itemsData, itemRuns[0], itemRuns[1]) && met;
    std::printf("   the three with a keyword: data %.3f s (%lld entries)\n", keywordData,
                static_cast<long long>(narrowed));
    return bench::judged(met && keywordData < 0.9);
}
