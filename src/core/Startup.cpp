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
    program.NursingBookColumns = nursingBookColumns();
    program.VardelDBPath.clear();
    program.EmplTablePrefix.clear();
    return true;
}
