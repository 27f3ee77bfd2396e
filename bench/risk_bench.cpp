// A grading run of 10 000 staged persons: grading, storing the history and writing the result workbook must not
// take longer than one and a half times writing the same workbook alone (medians of alternated runs, each in a fresh
// process).

#include "Bench.h"
#include "JobProgram.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "risk/Procedures.h"
#include "risk/WorkTables.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {
void stage(Database& db, int persons) {
    risk::createStagingTables(db);
    std::vector<QVariantList> health, scales;
    for (int i = 0; i < persons; ++i) {
        const QString no = QStringLiteral("E%1").arg(i, 5, 10, QLatin1Char('0'));
        QVariantList h{"2025",
                       QStringLiteral("員工%1").arg(i),
                       no,
                       "D01",
                       "製造部",
                       i % 2 ? "男" : "女",
                       QStringLiteral("19%1/03/15").arg(50 + i % 45),
                       "2025/05/01",
                       "170",
                       "72.5",
                       "86",
                       QString::number(110 + i % 60),
                       QString::number(70 + i % 35),
                       QString::number(85 + i % 60),
                       QString::number(160 + i % 120),
                       "150",
                       QString::number(35 + i % 30),
                       QString::number(90 + i % 90),
                       i % 3 ? "無" : "每天一包",
                       i % 7 ? "" : "糖尿病",
                       ""};
        health.push_back(h);
        QVariantList s{"2025", QStringLiteral("員工%1").arg(i), no};
        for (int k = 0; k < 6; ++k)
            s << QString::number(1 + (i + k) % 5);
        s << "50.0"
          << "1";
        for (int k = 0; k < 7; ++k)
            s << QString::number(1 + (i + 2 * k) % 5);
        s << "45.0"
          << "1" << QString::number(i % 3) << QString::number((i / 3) % 3) << "" << QString::number(i % 3);
        scales.push_back(s);
    }
    db.execBatch(risk::insertSql(risk::kInPutFramingham, risk::names(risk::inPutFraminghamColumns())), health);
    db.execBatch(risk::insertSql(risk::kInPutBurnOut, risk::names(risk::inPutBurnOutColumns())), scales);
}

constexpr int kPersons = 10000;
const QDate kToday(2025, 6, 1);

// A program of its own, in a folder named after this process under the folder given second, on its own copy of the
// staged database given first.
std::shared_ptr<Program> stagedCopy(const QStringList& args) {
    return bench::startedIn(QDir(args.value(1)).filePath(QString::number(getpid())), [&args](Program& program) {
        const QString database = program.databasePath();
        return QDir().mkpath(QFileInfo(database).path()) && QFile::copy(args.value(0), database);
    });
}

bool historyAppended(const risk::HistoryResult& saved) {
    return saved.health.appended == kPersons && saved.burnOut.appended == kPersons;
}
} // namespace

// The whole run: grading, the history and the workbook.
OSTIVA_BENCH_JOB("risk-grading/full") {
    const std::shared_ptr<Program> program = stagedCopy(args);
    if (!program) return {};
    return [program] {
        return risk::Framingham(*program, nullptr, {.announceCompletion = false}) &&
               historyAppended(risk::SavePersonalHistory(*program));
    };
}

// The workbook alone, from the sheets graded first.
OSTIVA_BENCH_JOB("risk-grading/workbook") {
    const std::shared_ptr<Program> program = stagedCopy(args);
    if (!program) return {};
    const auto sheets = std::make_shared<risk::ResultSheets>(risk::gradeStaged(program->DBConn, kToday, true));
    if (sheets->health.recordCount() != kPersons) return {};
    return [program, sheets] {
        ExcelSession& book = CreateExcelWorkbook(*program, 0);
        WriteRecordsetToSheet(*program, sheets->health, book.activate(1));
        WriteRecordsetToSheet(*program, sheets->overwork, book.activate(2));
        return !FinishExcel(*program, false).isEmpty();
    };
}

// The grading alone.
OSTIVA_BENCH_JOB("risk-grading/grading") {
    const std::shared_ptr<Program> program = stagedCopy(args);
    if (!program) return {};
    return [program] { return risk::gradeStaged(program->DBConn, kToday, true).health.recordCount() == kPersons; };
}

// The history append alone, over an empty history, after the grading.
OSTIVA_BENCH_JOB("risk-grading/history") {
    const std::shared_ptr<Program> program = stagedCopy(args);
    if (!program || !risk::Framingham(*program, nullptr, {.announceCompletion = false})) return {};
    return [program] { return historyAppended(risk::SavePersonalHistory(*program)); };
}

OSTIVA_BENCH("risk-grading", "10 000 staged persons: grading + history + workbook, at most 1.5 x the workbook alone") {
    // One staged database; every run starts from its own copy, made by its own process.
    const QString staged = context.scratch.filePath(QStringLiteral("staged.sqlite"));
    {
        QTemporaryDir dir;
        Program base(dir.path(), std::make_unique<ScriptedUi>());
        if (!StartProgram(base)) bench::fail("the program did not start");
        stage(base.DBConn, kPersons);
        if (!QFile::copy(base.databasePath(), staged)) bench::fail("the staged database could not be copied");
    }
    const QStringList args{staged, context.scratch.path()};
    const int rounds = std::max(context.repeats, 5);
    const std::vector<bench::SideFigures> sides =
        bench::alternate(rounds, {bench::fresh("grading + history + workbook", "risk-grading/full", args),
                                  bench::fresh("the workbook alone", "risk-grading/workbook", args),
                                  bench::fresh("the grading alone", "risk-grading/grading", args),
                                  bench::fresh("the history alone", "risk-grading/history", args)});
    const bench::SideFigures& full = sides[0];
    const bench::SideFigures& workbook = sides[1];
    std::printf("   medians (min-max) of %d alternated runs, each in a fresh process from its own copy of the staged "
                "database; a peak is the whole process's, what it made ready untimed included\n",
                rounds);
    std::printf("   grading + history + workbook:      %s\n   the workbook alone (graded first): %s\n"
                "   ratio:                             %.2f (target at most 1.5)\n"
                "   of which grading alone:            %s\n   of which history alone (graded first): %s\n",
                bench::sideText(full).c_str(), bench::sideText(workbook).c_str(),
                full.seconds.median / workbook.seconds.median, bench::sideText(sides[2]).c_str(),
                bench::sideText(sides[3]).c_str());
    return bench::judged(full.seconds.median <= 1.5 * workbook.seconds.median);
}
