// The import of grading standards refusing a sheet of 1 048 575 rows whose header names Level_5 instead of Level_4:
// the header is answered from the beginning of the sheet, so the refusal takes under a second and under 100 MiB
// more memory, and leaves nothing staged in the database.

#include "Bench.h"

#include "core/Database.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"
#include "office/XlsxWorkbook.h"
#include "people/StandardsImport.h"

#include <QFileInfo>
#include <cstdio>

OSTIVA_BENCH("standards-import-wrong-header",
             "1 048 575 rows under a header with Level_5: refused in < 1 s and < 100 MiB added, nothing staged") {
    constexpr int kRows = 1048575;
    const QString path = context.scratch.filePath(QStringLiteral("wrong_header.xlsx"));
    {
        office::XlsxWorkbook book;
        office::XlsxSheet& sheet = book.addSheet(QStringLiteral("標準"));
        const QStringList header{"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_5"};
        const QStringList row{"收縮壓", "0", "<120", "<130", "<140", "<160", ">=160"};
        sheet.streamTextBlock(
            0, 0, kRows, 7, [header, row](int r, int c) { return r == 0 ? header[c] : row[c]; }, -1);
        if (!book.save(path).ok()) bench::fail("the workbook could not be written");
    }
    QTemporaryDir dir;
    Program program(dir.path(), std::make_unique<ScriptedUi>());
    if (!StartProgram(program)) bench::fail("the program did not start");
    auto& ui = static_cast<ScriptedUi&>(program.ui());
    const int rounds = std::max(context.repeats, 3);
    auto refused = [&] {
        const bool imported = people::importMultipleLevelStandards(program, path);
        return !imported && ui.messageTexts().size() == 1 &&
               ui.messageTexts()[0].endsWith(QStringLiteral("多出欄位: Level_5")) &&
               !program.DBConn.tableExists(QStringLiteral("InPutTempTable"));
    };
    const bench::SideFigures refusal =
        bench::alternate(rounds, {bench::forked("the refusal by the header", refused)}).front();
    const double seconds = refusal.seconds.median, added = refusal.addedMiB.median;
    std::printf("   workbook: %d rows, %.1f MiB on disk\n", kRows, QFileInfo(path).size() / 1048576.0);
    std::printf("   refusal: %s (medians (min-max) of %d runs, each in a process of its own)\n",
                bench::sideText(refusal).c_str(), rounds);
    return bench::judged(seconds < 1.0 && added < 100.0);
}
