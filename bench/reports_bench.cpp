// The report frame's builders over 10 000 people and 100 000 log entries (five years): the tables of each report
// under 0.3 s, and the whole report within 1.5 times the writing of its workbook alone (a workbook written in
// milliseconds: at most 0.1 s more, see bench::withinWorkbookTarget), the two alternated, each run in a process of
// its own, and their medians compared. The high-risk persons over the five years of 100 000 and 1 000 000 entries
// (people = entries / 10), each run whole in a fresh process: its peak under 400 MiB at a million entries.

#include "Bench.h"
#include "JobProgram.h"
#include "ReportRuns.h"

#include "app/Install.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "reports/HighRiskStats.h"
#include "reports/LogCorrection.h"
#include "reports/MedicineStats.h"

#include <QDate>
#include <QDir>
#include <cstdio>
#include <memory>

using namespace reports;

namespace {

constexpr int kEntries = 100000;

// A log of `entries` entries of entries / 10 people over five years, some people more often than others, one entry
// in three with a medicine; and the store of 50 medicines. One transaction, one statement per table.
void seed(Database& db, qint64 entries) {
    const qint64 people = entries / 10;
    Transaction t(db);
    // The person of entry i: employee (i * 7919 + i * i % 9973) % people.
    db.exec(
        QStringLiteral(
            "INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 員工編號, 人員姓名, 所屬部門, 事件代碼, 嚴重代碼, "
            "事件發生經過與症狀描述) "
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?), "
            "e(i, p) AS (SELECT i, (i * 7919 + (i * i) % 9973) % ? FROM n) "
            "SELECT printf('S%07d', i), replace(date('2020-01-01', '+' || (i * 1827 / ?) || ' days'), '-', '/'), "
            "'10:00', printf('E%05d', p), printf('員工%05d', p), '部門' || (i % 40), printf('A%02d', 1 + i % 9), "
            "CASE WHEN i % 23 = 0 THEN '3' WHEN i % 11 = 0 THEN '2' ELSE '1' END, '經過說明，第 ' || i || ' 筆' "
            "FROM e"),
        {entries, people, entries});
    db.exec(QStringLiteral("INSERT INTO DrugUsing (NursingID, MedicineID, MedicineName, UsingAmount) "
                           "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 3 FROM n WHERE i + 3 < ?) "
                           "SELECT printf('S%07d', i), printf('M%02d', i / 3 % 50), '藥品' || (i / 3 % 50), "
                           "CAST(1 + i % 4 AS REAL) FROM n"),
            {entries});
    db.exec(QStringLiteral("INSERT INTO DrugListTree (Type, MainCode, MedicalObjectName, ReserveAmount, ExpireDate) "
                           "WITH RECURSIVE m(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM m WHERE i + 1 < 50) "
                           "SELECT '類' || (i % 5), printf('M%02d', i), '藥品' || i, CAST(i AS REAL), '2026/12/31' "
                           "FROM m"));
    t.commit();
}

// A report's tables, computed in this process, best of the runs; its workbook alone and the report whole, each run
// in a process of its own, the two alternated.
struct Figures {
    double data = 0;
    bench::SideFigures write, whole;
    bool met() const { return data < 0.3 && bench::withinWorkbookTarget(whole.seconds.median, write.seconds.median); }
    void print(const char* what, int rounds, const QString& rows) const {
        std::printf("   %s, medians (min-max) of %d alternated runs, each in a process of its own: workbook alone %s, "
                    "whole %s\n",
                    what, rounds, bench::sideText(write).c_str(), bench::sideText(whole).c_str());
        std::printf("   %-26s tables %.3f s, workbook alone %.3f s, whole report %.3f s %s [%s]\n", what, data,
                    write.seconds.median, whole.seconds.median,
                    bench::workbookTargetText(whole.seconds.median, write.seconds.median).c_str(), qPrintable(rows));
    }
};

} // namespace

// The high-risk persons over the five years of the log made in the folder given, whole.
OSTIVA_BENCH_JOB("report-builders/high-risk") {
    const std::shared_ptr<Program> program = bench::startedIn(args.value(0));
    if (!program) return {};
    return [program] {
        const ReportRequest request{*program, kKindAdvanceNursingRecord, "2020/01/01", "2024/12/31", {}, {}, nullptr};
        return BuildHighRiskStatsWorkbook(request) == ReportOutcome::Done;
    };
}

OSTIVA_BENCH("report-builders", "10 000 people, 100 000 log entries: high-risk persons, medicines, correction; "
                                "high-risk persons over 1 000 000") {
    const bool peaksMet = bench::peaksMet(
        context, "high-risk persons (five years)", kEntries,
        [](const QString& folder, qint64 entries) {
            Program program(folder, std::make_unique<ScriptedUi>());
            if (!StartProgram(program)) return false;
            seed(program.DBConn, entries);
            return true;
        },
        "report-builders/high-risk");

    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(program)) bench::fail("the program did not start");
    seed(program.DBConn, kEntries);
    MainForm form(program);
    installSubsystems(form, program);
    bool met = true;
    context.repeats = 5;

    // The nurse's longest period is a year; the whole five years are measured for information.
    bool targeted = true;
    for (const ReportPeriod& period :
         {ReportPeriod{"2024/01/01", "2024/12/31"}, ReportPeriod{"2020/01/01", "2024/12/31"}}) {
        std::printf("   period %s%s\n", qPrintable(period.text()), targeted ? "" : " (no target)");
        const ReportRequest request{program, kKindAdvanceNursingRecord, period.from, period.to, {}, {}, nullptr};

        Figures high;
        HighRiskStats h;
        high.data = bench::bestSeconds("the high-risk tables", context.repeats, [&] {
            h = computeHighRiskStats(program.DBConn, period);
            return h.top.recordCount() > 0;
        });
        const std::vector<bench::SideFigures> highRuns = bench::alternate(
            context.repeats, {bench::forked("the high-risk workbook alone",
                                            [&] { return !writeHighRiskWorkbook(program, h).isEmpty(); }),
                              bench::forked("the high-risk persons whole", [&] {
                                  return BuildHighRiskStatsWorkbook(request) == ReportOutcome::Done;
                              })});
        high.write = highRuns[0];
        high.whole = highRuns[1];
        high.print("high-risk persons", context.repeats,
                   QStringLiteral("%1 top, %2 severe, %3 history rows")
                       .arg(h.top.recordCount())
                       .arg(h.severe.recordCount())
                       .arg(h.history.recordCount()));
        met = met && (!targeted || high.met());

        Figures med;
        MedicineStats m;
        med.data = bench::bestSeconds("the medicine tables", context.repeats, [&] {
            m = computeMedicineStats(program.DBConn, program.NursingBookColumns, period);
            return m.ranking.recordCount() > 0;
        });
        const std::vector<bench::SideFigures> medRuns = bench::alternate(
            context.repeats,
            {bench::forked("the medicine workbook alone", [&] { return !writeMedicineWorkbook(program, m).isEmpty(); }),
             bench::forked("the medicine statistics whole",
                           [&] { return BuildMedicineStatsWorkbook(request) == ReportOutcome::Done; })});
        med.write = medRuns[0];
        med.whole = medRuns[1];
        int topRows = 0;
        for (const auto& t : m.top)
            topRows += t.uses.recordCount();
        med.print("medicine statistics", context.repeats,
                  QStringLiteral("%1 ranked, %2 top-sheet rows").arg(m.ranking.recordCount()).arg(topRows));
        met = met && (!targeted || med.met());
        targeted = false;
    }

    // The correction has no workbook: its one UPDATE over the period, and the run with the log list reloaded.
    const QString vardel = context.scratch.filePath(QStringLiteral("vardel.sqlite"));
    {
        Database v;
        if (!v.open(vardel)) bench::fail("the personnel file could not be made");
        v.exec(
            QStringLiteral("CREATE TABLE EMPL (EMPLNO TEXT PRIMARY KEY, NAME TEXT, DepName TEXT, RealDepCode TEXT)"));
        std::vector<QVariantList> people;
        for (int i = 0; i < kEntries / 10; ++i)
            people.push_back({QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("姓名%1").arg(i),
                              QStringLiteral("部門"), QStringLiteral("D1")});
        v.execBatch(QStringLiteral("INSERT INTO EMPL VALUES (?, ?, ?, ?)"), people);
    }
    program.VardelDBPath = vardel;
    const ReportPeriod all{"2020/01/01", "2024/12/31"};
    qint64 corrected = 0;
    const double update = bench::bestSeconds("the correction's update", context.repeats, [&] {
        const LogCorrection c = correctLogPersonalData(program.DBConn, vardel, {}, all);
        corrected = c.corrected;
        return c.refusal.isEmpty() && c.corrected > 0;
    });
    const ReportRequest correction{program, kKindAddEmpl, all.from, all.to, {}, {}, nullptr};
    const double whole = bench::bestSeconds("the correction with the log list", context.repeats,
                                            [&] { return CorrectLogPersonalData(correction) == ReportOutcome::Done; });
    std::printf("   %-26s update %.3f s (%lld entries), with the log list %.3f s\n", "personal-data correction", update,
                static_cast<long long>(corrected), whole);
    return bench::judged(met && peaksMet && update < 0.3);
}
