// A grading run of 10 000 staged persons: grading, storing the history and writing the result workbook must not
// take longer than one and a half times writing the same workbook alone (medians of alternated runs).

#include "Bench.h"

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
} // namespace

OSTIVA_BENCH("risk-grading", "10 000 staged persons: grading + history + workbook, at most 1.5 x the workbook alone") {
    constexpr int kPersons = 10000;
    // One staged database; a run that changes it starts from its own copy, made by its own process.
    QTemporaryDir dir;
    Program base(dir.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(base)) return false;
    stage(base.DBConn, kPersons);
    const QString staged = context.scratch.filePath(QStringLiteral("staged.sqlite"));
    if (!QFile::copy(base.databasePath(), staged)) return false;
    // The sheets the workbook alone writes (the grading drops what it graded from the staged tables).
    const risk::ResultSheets sheets = risk::gradeStaged(base.DBConn, QDate(2025, 6, 1), true);
    std::unique_ptr<Program> program; // the run's own, in its process
    auto fresh = [&] {
        const QString folder = context.scratch.filePath(QString::number(getpid()));
        program = std::make_unique<Program>(folder, std::make_unique<ScriptedUi>());
        const QString database = program->databasePath();
        return QDir().mkpath(QFileInfo(database).path()) && QFile::copy(staged, database) && StartProgram(*program);
    };
    const auto sides = bench::alternateSides(
        std::max(context.repeats, 5),
        {{[&] {
              risk::Framingham(*program, nullptr, {.announceCompletion = false});
              risk::SavePersonalHistory(*program);
              return true;
          },
          fresh},
         {[&] {
             ExcelSession& book = CreateExcelWorkbook(base, 0);
             WriteRecordsetToSheet(base, sheets.health, book.activate(1));
             WriteRecordsetToSheet(base, sheets.overwork, book.activate(2));
             return !FinishExcel(base, false).isEmpty();
         }},
         // The parts on their own: the grading, and the history append over an empty history.
         {[&] { return risk::gradeStaged(program->DBConn, QDate(2025, 6, 1), true).health.recordCount() > 0; }, fresh},
         {[&] {
              risk::SavePersonalHistory(*program);
              return true;
          },
          [&] { return fresh() && risk::Framingham(*program, nullptr, {.announceCompletion = false}); }}});
    if (!sides) {
        std::printf("   a run failed\n");
        return false;
    }
    const bench::SideFigures& full = (*sides)[0];
    const bench::SideFigures& workbook = (*sides)[1];
    std::printf("   medians (min-max) of %d alternated runs, each in its own process\n", std::max(context.repeats, 5));
    std::printf("   grading + history + workbook: %s\n   the workbook alone:           %s\n"
                "   ratio:                        %.2f (target at most 1.5)\n"
                "   of which grading alone:       %s\n   of which history alone:       %s\n",
                bench::sideText(full).c_str(), bench::sideText(workbook).c_str(),
                full.seconds.median / workbook.seconds.median, bench::sideText((*sides)[2]).c_str(),
                bench::sideText((*sides)[3]).c_str());
    return full.seconds.median <= 1.5 * workbook.seconds.median;
}
