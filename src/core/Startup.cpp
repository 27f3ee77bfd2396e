#include "core/Startup.h"

#include "core/Program.h"
#include "core/Schema.h"

#include <QDir>

bool StartProgram(Program& program) {
    QDir().mkpath(program.DBFolder());
    QString error;
    if (!program.DBConn.open(program.databasePath(), &error)) {
        program.ui().critical(QStringLiteral("無法開啟資料庫: ") + program.databasePath() + QStringLiteral("\r\n\r\n") +
                              error);
        return false;
    }
    try {
        EnsureDatabaseSchema(program.DBConn, program.schema);
    } catch (const DbError& e) {
        program.ui().critical(QStringLiteral("資料庫結構無法建立: ") + e.message());
        program.DBConn.close();
        return false;
    }
    // A database that opens but cannot be written (a read-only file or folder) still shows its rows; the nurse is
    // told now rather than by every save that fails later.
    if (QString reason; !program.DBConn.canWrite(&reason))
        program.ui().warning(QStringLiteral("資料庫無法寫入: ") + QDir::toNativeSeparators(program.databasePath()) +
                             QStringLiteral("\r\n\r\n") + reason +
                             QStringLiteral("\r\n\r\n資料可以查閱, 但新增或修改的資料都無法存入。"));
    program.NursingBookColumns = nursingBookColumns();
    program.VardelDBPath.clear();
    program.EmplTablePrefix.clear();
    return true;
}
