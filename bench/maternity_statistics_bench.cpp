// The maternity statistics over 2 000 cases with three tables of each kind: the data under 0.2 s, then the
// workbook written from the template. Over 20 000 cases every run peaks under 300 MiB, each run in a fresh process
// whose peak is the whole process's.

#include "Bench.h"
#include "JobProgram.h"

#include "app/Install.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "maternity/Statistics.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
void seed(Database& db, int caseCount) {
    std::vector<QVariantList> cases, t1, t2, t3, women;
    const QDateTime opened(QDate(2024, 1, 2), QTime(8, 0));
    for (int i = 0; i < caseCount; ++i) {
        const QString no = QStringLiteral("A%1-202401").arg(i, 9, 10, QLatin1Char('0'));
        const QString at = opened.addSecs(i * 600).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        cases.push_back(
            {QStringLiteral("個案%1").arg(i), no, at, QStringLiteral("1990/05/05"), QStringLiteral("E%1").arg(i)});
        for (int k = 0; k < 3; ++k) {
            const QString saved = opened.addSecs(i * 600 + k * 60 + 30).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
            const QString key = QStringLiteral("-%1%2").arg(i, 8, 10, QLatin1Char('0')).arg(k);
            t1.push_back({"T1" + key, no, saved, QStringLiteral("個案%1").arg(i),
                          k == 2 ? QStringLiteral("第二級管理") : QStringLiteral("第一級管理"),
                          i % 3 ? QStringLiteral("無") : QStringLiteral("噪音"), QStringLiteral("無")});
            t2.push_back({"T2" + key, no, saved, QStringLiteral("個案%1").arg(i),
                          k ? QStringLiteral("分娩後") : QStringLiteral("妊娠中"), QStringLiteral("是"),
                          QStringLiteral("有")});
            t3.push_back({"T3" + key, no, saved, QStringLiteral("個案%1").arg(i), QStringLiteral("分娩後"),
                          QStringLiteral("第一級管理")});
        }
    }
    for (int i = 0; i < 5000; ++i)
        women.push_back({QStringLiteral("員工%1").arg(i), QString::number(1 + i % 2),
                         QStringLiteral("19%1/03/01").arg(60 + i % 40)});
    db.execBatch(QStringLiteral("INSERT INTO MaternityHealth (姓名, 個案檔號, 個案建檔日, 出生年月日, 員工編號) "
                                "VALUES (?, ?, ?, ?, ?)"),
                 cases);
    db.execBatch(
        QStringLiteral("INSERT INTO MHPT1 (CaseKeyT1, CaseKey, xSaveDate, Name, RiskT1, HazardPhy, HazardChem) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)"),
        t1);
    db.execBatch(QStringLiteral("INSERT INTO MHPT2 (CaseKeyT2, CaseKey, xSaveDate, Name, CurrentSate, IsBreastfeeding, "
                                "PrenatalVisit) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 t2);
    db.execBatch(QStringLiteral("INSERT INTO MHPT3 (CaseKeyT3, CaseKey, xSaveDate, Name, CurrentSate, RiskT3) VALUES "
                                "(?, ?, ?, ?, ?, ?)"),
                 t3);
    db.execBatch(QStringLiteral("INSERT INTO EMPL (姓名, 性別, 出生年月日) VALUES (?, ?, ?)"), women);
}

// A program of its own over the register made in the folder given first.
std::shared_ptr<Program> startedIn(const QString& folder) {
    return bench::startedIn(folder, [](Program& program) {
        registerSubsystemTables(program);
        return true;
    });
}

const QDateTime kStart(QDate(2024, 1, 1), QTime(0, 0));
const QDate kToday(2026, 12, 7);

maternity::MaternityStatistics compute(Program& program) {
    return maternity::computeMaternityStatistics(program.DBConn, kStart, kToday);
}
// Writes the statistics into the form, saved as the file given third.
bool write(Program& program, const maternity::MaternityStatistics& stats, const QString& out) {
    auto book = OpenWorkbookFile(program, QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx"));
    return book && maternity::writeMaternityStatistics(*book, stats) && book->saveAs(out);
}
} // namespace

// The data alone; the number of cases given second.
OSTIVA_BENCH_JOB("maternity-statistics/data") {
    const std::shared_ptr<Program> program = startedIn(args.value(0));
    const int cases = args.value(1).toInt();
    if (!program) return {};
    return [program, cases] { return compute(*program).caseCount() == cases; };
}

// The data and the workbook.
OSTIVA_BENCH_JOB("maternity-statistics/whole") {
    const std::shared_ptr<Program> program = startedIn(args.value(0));
    const QString out = args.value(2);
    if (!program) return {};
    return [program, out] { return write(*program, compute(*program), out); };
}

// The workbook from the data computed first, untimed.
OSTIVA_BENCH_JOB("maternity-statistics/workbook") {
    const std::shared_ptr<Program> program = startedIn(args.value(0));
    const QString out = args.value(2);
    if (!program) return {};
    const auto stats = std::make_shared<maternity::MaternityStatistics>(compute(*program));
    return [program, stats, out] { return write(*program, *stats, out); };
}

namespace {
// The data, the two together and (workbookAlone) the workbook from data computed first, alternated `rounds` times,
// each run in a fresh process whose peak is the whole process's.
struct Figures {
    maternity::MaternityStatistics stats;
    bench::SideFigures data, workbook, whole;
};
Figures measure(bench::Context& context, int caseCount, int rounds, bool workbookAlone) {
    QTemporaryDir dir;
    Figures f;
    {
        Program program(dir.path(), std::make_unique<ScriptedUi>());
        registerSubsystemTables(program);
        if (!StartProgram(program)) bench::fail("the program did not start");
        seed(program.DBConn, caseCount);
        QDir().mkpath(program.docFolder());
        if (!QFile::copy(QStringLiteral(OSTIVA_DOC_DIR "/套表_母性保護_統計與執行紀錄表.xlsx"),
                         program.docFolder() + QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx")))
            bench::fail("the form could not be copied");
        f.stats = compute(program);
    }
    const QStringList args{dir.path(), QString::number(caseCount),
                           context.scratch.filePath(QStringLiteral("stats.xlsx"))};
    std::vector<bench::Side> sides{bench::fresh("the statistics data", "maternity-statistics/data", args),
                                   bench::fresh("the data and the workbook", "maternity-statistics/whole", args)};
    if (workbookAlone)
        sides.push_back(bench::fresh("the workbook from the data", "maternity-statistics/workbook", args));
    const std::vector<bench::SideFigures> figures = bench::alternate(rounds, sides);
    f.data = figures[0];
    f.whole = figures[1];
    if (workbookAlone) f.workbook = figures[2];
    std::printf(
        "  cases %d, latest tables %d/%d/%d, hazard 1: %d; medians (min-max) of %d alternated runs, each in a fresh "
        "process whose peak is the whole process's\n",
        f.stats.caseCount(), f.stats.t1Count(), f.stats.t2Count(), f.stats.t3Count(),
        f.stats.hazards[0].list.recordCount(), std::max(rounds, 1));
    std::printf("  statistics data:            %s\n", bench::sideText(f.data).c_str());
    std::printf("  data and workbook together: %s\n", bench::sideText(f.whole).c_str());
    if (workbookAlone)
        std::printf("  workbook from the data:     %s (the data computed first, untimed)\n",
                    bench::sideText(f.workbook).c_str());
    return f;
}
} // namespace

OSTIVA_BENCH("maternity-statistics", "2 000 cases × 3 tables of each kind: the statistics data, then its workbook") {
    const Figures f = measure(context, 2000, std::max(context.repeats, 5), true);
    std::printf("  target: statistics data < 0.2 s\n");
    return bench::judged(f.data.seconds.median < 0.2 && f.stats.caseCount() == 2000 && f.stats.t1Count() == 2000);
}

OSTIVA_BENCH("maternity-statistics-20k", "20 000 cases × 3 tables of each kind: every run peaks under 300 MiB") {
    const Figures f = measure(context, 20000, context.repeats, false);
    const double peak = std::max(f.data.peakMiB.max, f.whole.peakMiB.max);
    std::printf("  highest peak: %.1f MiB (target < 300 MiB)\n", peak);
    return bench::judged(peak < 300 && f.stats.caseCount() == 20000);
}
