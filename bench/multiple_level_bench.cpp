// The four-level grading of a year of 10 000 health checks against 30 standards: the levels (the standards checked,
// the year read, graded and the work table written) in under half a second, and grading and workbook together within
// 1.5 times the time of writing the same workbook alone. Over 100 000 health checks every run peaks under 300 MiB.

#include "Bench.h"

#include "core/Database.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "reports/MultipleLevel.h"
#include "reports/MultipleLevelReport.h"

#include <algorithm>
#include <cstdio>
#include <optional>

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
// The levels, the workbook alone and the whole run, alternated `rounds` times, each run in its own process.
struct Figures {
    int healthChecks = 0;
    bench::SideFigures levels, alone, full;
};
std::optional<Figures> measure(int persons, int rounds) {
    QTemporaryDir dir;
    Program program(dir.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(program)) return std::nullopt;
    fill(program.DBConn, persons);
    // The workbook alone reads the X_Temp and the counts of a run made here.
    const reports::MultipleLevelRun run = reports::runMultipleLevelGrading(program.DBConn, "2025");
    if (run.healthChecks != persons) return std::nullopt;
    const auto sides = bench::alternate(
        rounds,
        {[&] { return reports::runMultipleLevelGrading(program.DBConn, "2025").healthChecks == persons; },
         [&] { return !reports::BuildMultipleLevelWorkbook(program, run.counts, QStringLiteral("2025")).isEmpty(); },
         [&] { return !reports::PrepareMultipleLevelGrading(program, QStringLiteral("2025")).isEmpty(); }});
    if (!sides) return std::nullopt;
    std::printf("   health checks graded: %d, count rows: %zu; medians (min-max) of %d alternated runs, each in its "
                "own process\n",
                run.healthChecks, run.counts.rows.size() - 1, std::max(rounds, 1));
    return Figures{run.healthChecks, (*sides)[0], (*sides)[1], (*sides)[2]};
}

void print(const Figures& f) {
    std::printf("   the levels (check, read, grade, work table): %s\n", bench::sideText(f.levels).c_str());
    std::printf("   the workbook alone:                          %s\n", bench::sideText(f.alone).c_str());
    std::printf("   grading and workbook:                        %s %s\n", bench::sideText(f.full).c_str(),
                bench::workbookTargetText(f.full.seconds.median, f.alone.seconds.median).c_str());
}
} // namespace

OSTIVA_BENCH("multiple-level", "10 000 health checks, 30 standards: the levels < 0.5 s; workbook <= 1.5x alone") {
    const auto f = measure(10000, std::max(context.repeats, 5));
    if (!f) return false;
    print(*f);
    return f->levels.seconds.median < 0.5 &&
           bench::withinWorkbookTarget(f->full.seconds.median, f->alone.seconds.median);
}

OSTIVA_BENCH("multiple-level-100k", "100 000 health checks, 30 standards: every run peaks under 300 MiB") {
    const auto f = measure(100000, context.repeats);
    if (!f) return false;
    print(*f);
    const double peak = std::max({f->levels.peakMiB.max, f->alone.peakMiB.max, f->full.peakMiB.max});
    std::printf("   highest peak: %.1f MiB (target < 300 MiB)\n", peak);
    return peak < 300;
}
