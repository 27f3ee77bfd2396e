// The four-level grading of a year of 10 000 health checks against 30 standards: the levels (the standards checked,
// the year read, graded and the work table written) in under half a second, and grading and workbook together within
// 1.5 times the time of writing the same workbook alone.

#include "Bench.h"

#include "core/Database.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "reports/MultipleLevel.h"
#include "reports/MultipleLevelReport.h"

#include <cstdio>

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

OSTIVA_BENCH("multiple-level", "10 000 health checks, 30 standards: the levels < 0.5 s; workbook <= 1.5x alone") {
    constexpr int kPersons = 10000;
    QTemporaryDir dir;
    Program program(dir.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(program)) return false;
    fill(program.DBConn, kPersons);
    reports::MultipleLevelRun run;
    const double levels =
        bench::bestSeconds(context.repeats, [&] { run = reports::runMultipleLevelGrading(program.DBConn, "2025"); });
    const double alone = bench::bestSeconds(
        context.repeats, [&] { reports::BuildMultipleLevelWorkbook(program, run.counts, QStringLiteral("2025")); });
    const double full = bench::bestSeconds(
        context.repeats, [&] { reports::PrepareMultipleLevelGrading(program, QStringLiteral("2025")); });
    std::printf("   health checks graded: %d, count rows: %zu\n", run.healthChecks, run.counts.rows.size() - 1);
    std::printf("   the levels (check, read, grade, work table): %.3f s\n", levels);
    std::printf("   the workbook alone:                          %.3f s\n", alone);
    std::printf("   grading and workbook:                        %.3f s (%.2fx)\n", full, full / alone);
    return levels < 0.5 && full <= 1.5 * alone;
}
