#include "core/Guard.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"

QString databaseErrorText(const QString& what, const QString& reason) {
    return QStringLiteral("「") + what + QStringLiteral("」無法完成, 資料庫回報:\r\n\r\n") + reason;
}

namespace {
// What a failed action leaves behind is put away: a workbook half-built, a transaction it opened and did not close.
void cleanUp(Program& program, int depth, bool hadWorkbook) {
    if (!hadWorkbook) program.excel.reset();
    while (program.DBConn.transactionDepth() > depth) {
        try {
            program.DBConn.rollback();
        } catch (const DbError&) {
            break;
        }
    }
}
} // namespace

bool runGuarded(Program& program, const QString& what, const std::function<void()>& f) {
    const int depth = program.DBConn.transactionDepth();
    const bool hadWorkbook = bool(program.excel);
    try {
        f();
        return true;
    } catch (const DbError& e) {
        cleanUp(program, depth, hadWorkbook);
        program.ui().message(databaseErrorText(what, e.message()), QStringLiteral("資料庫錯誤"), Ui::Icon::Critical);
    } catch (const std::exception& e) {
        cleanUp(program, depth, hadWorkbook);
        program.ui().message(QStringLiteral("「") + what + QStringLiteral("」無法完成:\r\n\r\n") +
                                 QString::fromLocal8Bit(e.what()),
                             QStringLiteral("錯誤"), Ui::Icon::Critical);
    }
    return false;
}
