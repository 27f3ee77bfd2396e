// The four-level grading of a year of 10 000 health checks against 30 standards: the levels (the standards checked,
// the year read, graded and the work table written) in under half a second, and grading and workbook together within
// 1.5 times the time of writing the same workbook alone. Over 100 000 health checks every run peaks under 300 MiB.
// Each run in a fresh process whose peak is the whole process's.

#include "Bench.h"
#include "JobProgram.h"

#include "core/Database.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "reports/MultipleLevel.h"
#include "reports/MultipleLevelReport.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
void fill(Database& db, int persons) {
    std::vector<QVariantList> rows;
    for (int i = 0; i < persons; ++i) {
        const QString no = QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
        rows.push_back({"2025_" + no, no, "2025", QStringLiteral("員工%1").arg(i), i % 2 ? "1" : "2", "1980/01/01",
                        150 + i % 40, 50 + i % 50, 70 + i % 40, 18 + (i % 200) / 10.0, 100 + i % 90, 60 + i % 50,
                        80 + i % 150, 140 + i % 160, 80 + i % 250, 30 + i % 50, 70 + i % 130});
    }
    db.execBatch("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, 出生年月日, 身高, 體重, 腰圍, BMI, "
                 "收縮壓, 舒張壓, 飯前血醣, 總膽固醇, 三酸甘油脂, 高密度膽固醇, 低密度膽固醇) VALUES "
                 "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 rows);
    // 30 standards: ten items, each for men, women and both.
    const char* items[] = {"收縮壓",       "舒張壓",       "飯前血醣", "總膽固醇", "三酸甘油脂",
                           "高密度膽固醇", "低密度膽固醇", "BMI",      "腰圍",     "體重"};
    std::vector<QVariantList> standards;
    for (const char* item : items)
        for (const char* sex : {"1", "2", "0"})
            standards.push_back({item, sex, "<60", "60~89.9 OR 200~219", "<120", "<160", ">=160"});
    db.exec("DELETE FROM MultipleLevel");
    db.execBatch("INSERT INTO MultipleLevel (項目名稱, 性別, Level_0, Level_1, Level_2, Level_3, Level_4) VALUES "
                 "(?, ?, ?, ?, ?, ?, ?)",
                 standards);
}
} // namespace

// The levels: the standards checked, the year read, graded and the work table written; the number of health checks
// given second.
OSTIVA_BENCH_JOB("multiple-level/levels") {
    const std::shared_ptr<Program> program = bench::startedIn(args.value(0));
    const int persons = args.value(1).toInt();
    if (!program) return {};
    return [program, persons] {
        return reports::runMultipleLevelGrading(program->DBConn, "2025").healthChecks == persons;
    };
}

// The workbook alone, from the levels graded first, untimed.
OSTIVA_BENCH_JOB("multiple-level/workbook") {
    const std::shared_ptr<Program> program = bench::startedIn(args.value(0));
    if (!program) return {};
    const auto run =
        std::make_shared<reports::MultipleLevelRun>(reports::runMultipleLevelGrading(program->DBConn, "2025"));
    if (run->healthChecks != args.value(1).toInt()) return {};
    return [program, run] {
        return !reports::BuildMultipleLevelWorkbook(*program, run->counts, QStringLiteral("2025")).isEmpty();
    };
}

// Grading and workbook, as the run button does them.
OSTIVA_BENCH_JOB("multiple-level/whole") {
    const std::shared_ptr<Program> program = bench::startedIn(args.value(0));
    if (!program) return {};
    return [program] { return !reports::PrepareMultipleLevelGrading(*program, QStringLiteral("2025")).isEmpty(); };
}

namespace {
// The levels, the workbook alone and the whole run, alternated `rounds` times, each run in a fresh process whose peak
// is the whole process's.
struct Figures {
    bench::SideFigures levels, alone, full;
};
Figures measure(int persons, int rounds) {
    QTemporaryDir dir;
    std::size_t countRows = 0;
    {
        Program program(dir.path(), std::make_unique<ScriptedUi>());
        if (!StartProgram(program)) bench::fail("the program did not start");
        fill(program.DBConn, persons);
        const reports::MultipleLevelRun run = reports::runMultipleLevelGrading(program.DBConn, "2025");
        if (run.healthChecks != persons) bench::fail("the health checks were not graded");
        countRows = run.counts.rows.size() - 1;
    }
    const QStringList args{dir.path(), QString::number(persons)};
    const std::vector<bench::SideFigures> sides =
        bench::alternate(rounds, {bench::fresh("the levels", "multiple-level/levels", args),
                                  bench::fresh("the workbook alone", "multiple-level/workbook", args),
                                  bench::fresh("grading and workbook", "multiple-level/whole", args)});
    std::printf("   health checks graded: %d, count rows: %zu; medians (min-max) of %d alternated runs, each in a "
                "fresh process whose peak is the whole process's\n",
                persons, countRows, std::max(rounds, 1));
    return Figures{sides[0], sides[1], sides[2]};
}

void print(const Figures& f) {
    std::printf("   the levels (check, read, grade, work table): %s\n", bench::sideText(f.levels).c_str());
    std::printf("   the workbook alone (graded first, untimed):  %s\n", bench::sideText(f.alone).c_str());
    std::printf("   grading and workbook:                        %s %s\n", bench::sideText(f.full).c_str(),
                bench::workbookTargetText(f.full.seconds.median, f.alone.seconds.median).c_str());
}
} // namespace

OSTIVA_BENCH("multiple-level", "10 000 health checks, 30 standards: the levels < 0.5 s; workbook <= 1.5x alone") {
    const Figures f = measure(10000, std::max(context.repeats, 5));
    print(f);
    return bench::judged(f.levels.seconds.median < 0.5 &&
                         bench::withinWorkbookTarget(f.full.seconds.median, f.alone.seconds.median));
}

OSTIVA_BENCH("multiple-level-100k", "100 000 health checks, 30 standards: every run peaks under 300 MiB") {
    const Figures f = measure(100000, context.repeats);
    print(f);
    const double peak = std::max({f.levels.peakMiB.max, f.alone.peakMiB.max, f.full.peakMiB.max});
    std::printf("   highest peak: %.1f MiB (target < 300 MiB)\n", peak);
    return bench::judged(peak < 300);
}
