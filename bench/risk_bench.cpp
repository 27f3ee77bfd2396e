// A grading run of 10 000 staged persons: grading, storing the history and writing the result workbook must not
// take longer than one and a half times writing the same workbook alone.

#include "Bench.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "risk/Procedures.h"
#include "risk/WorkTables.h"

#include <QDate>
#include <cstdio>

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
    double full = 1e300, workbookOnly = 1e300, gradingOnly = 1e300, historyOnly = 1e300;
    for (int run = 0; run < std::max(context.repeats, 1); ++run) {
        QTemporaryDir dir;
        Program program(dir.path(), std::make_unique<ScriptedUi>());
        if (!StartProgram(program)) return false;
        stage(program.DBConn, kPersons);
        full = std::min(full, bench::bestSeconds(1, [&] {
                            risk::Framingham(program, nullptr, {.announceCompletion = false});
                            risk::SavePersonalHistory(program);
                        }));
        // The parts on their own: the grading, the history append (over an emptied history) and the workbook.
        stage(program.DBConn, kPersons);
        risk::ResultSheets sheets;
        gradingOnly = std::min(gradingOnly, bench::bestSeconds(1, [&] {
                                   sheets = risk::gradeStaged(program.DBConn, QDate(2025, 6, 1), true);
                               }));
        program.DBConn.exec(QStringLiteral("DELETE FROM [PersonalHealth]"));
        program.DBConn.exec(QStringLiteral("DELETE FROM [PersonalBurnOut]"));
        historyOnly = std::min(historyOnly, bench::bestSeconds(1, [&] { risk::SavePersonalHistory(program); }));
        workbookOnly = std::min(workbookOnly, bench::bestSeconds(1, [&] {
                                    ExcelSession& book = CreateExcelWorkbook(program, 0);
                                    WriteRecordsetToSheet(program, sheets.health, book.activate(1));
                                    WriteRecordsetToSheet(program, sheets.overwork, book.activate(2));
                                    FinishExcel(program, false);
                                }));
    }
    std::printf("   grading + history + workbook: %.3f s\n   the workbook alone:           %.3f s\n"
                "   ratio:                        %.2f (target at most 1.5)\n"
                "   of which grading alone:       %.3f s\n   of which history alone:       %.3f s\n",
                full, workbookOnly, full / workbookOnly, gradingOnly, historyOnly);
    return full <= 1.5 * workbookOnly;
}
