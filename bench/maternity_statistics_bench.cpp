// The maternity statistics over 2 000 cases with three tables of each kind: the data under 0.2 s, then the
// workbook written from the template.

#include "Bench.h"

#include "app/Install.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "maternity/Statistics.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {
void seed(Database& db) {
    std::vector<QVariantList> cases, t1, t2, t3, women;
    const QDateTime opened(QDate(2024, 1, 2), QTime(8, 0));
    for (int i = 0; i < 2000; ++i) {
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
} // namespace

OSTIVA_BENCH("maternity-statistics", "2 000 cases × 3 tables of each kind: the statistics data, then its workbook") {
    Program program(context.scratch.path(), std::make_unique<ScriptedUi>());
    registerSubsystemTables(program);
    if (!StartProgram(program)) return false;
    seed(program.DBConn);
    // The templates of the build's program folder.
    const QString doc = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/DataBase/DOC/");
    QDir().mkpath(program.docFolder());
    QFile::copy(doc + QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx"),
                program.docFolder() + QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx"));

    maternity::MaternityStatistics stats;
    const double data = bench::bestSeconds(context.repeats, [&] {
        stats = maternity::computeMaternityStatistics(program.DBConn, QDate(2024, 1, 1).startOfDay(), QDate(2026, 12, 7));
    });
    bool written = false;
    const double workbook = bench::bestSeconds(context.repeats, [&] {
        auto book = OpenWorkbookFile(program, QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx"));
        written = book && maternity::writeMaternityStatistics(*book, stats) &&
                  book->saveAs(context.scratch.path() + QStringLiteral("/stats.xlsx"));
    });
    std::printf("  cases %d, latest tables %d/%d/%d, hazard 1: %d\n", stats.caseCount(), stats.t1Count(),
                stats.t2Count(), stats.t3Count(), stats.hazards[0].list.recordCount());
    std::printf("  statistics data: %.3f s (target < 0.2 s)\n", data);
    std::printf("  workbook written: %.3f s%s\n", workbook, written ? "" : " (FAILED)");
    return data < 0.2 && written && stats.caseCount() == 2000 && stats.t1Count() == 2000;
}
