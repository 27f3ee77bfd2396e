#include "healthlog/LogList.h"

#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"

#include <QTreeWidget>

namespace healthlog {

namespace {
QString withoutTrailingSemicolon(QString sql) {
    sql = sql.trimmed();
    while (sql.endsWith(QLatin1Char(';')))
        sql.chop(1);
    return sql;
}
} // namespace

LogListResult LoadNursingLogList(Program& program, const QString& sql, const QVariantList& params) {
    Ui& ui = program.ui();
    if (!FieldExists(program.DBConn, QStringLiteral("NursingBook"), QStringLiteral("SerialX"))) {
        ui.critical(QStringLiteral("健康日誌資料表 NursingBook 缺少欄位 SerialX, 無法載入紀錄"),
                    QStringLiteral("資料表錯誤"));
        return LogListResult::NoSerialX;
    }
    // One row past the limit is enough to know the statement finds too many; the rest is never read.
    const Recordset rs = program.DBConn.query(
        QStringLiteral("SELECT * FROM (%1) LIMIT %2").arg(withoutTrailingSemicolon(sql)).arg(kLogListLimit + 1),
        params);
    if (rs.recordCount() == 0) {
        ui.info(QStringLiteral("無資料"));
        return LogListResult::NoRows;
    }
    if (rs.recordCount() > kLogListLimit) {
        ui.warning(QStringLiteral("查詢結果超過 %1 筆, 請縮小查詢範圍").arg(kLogListLimit),
                   QStringLiteral("資料筆數過多"));
        return LogListResult::TooManyRows;
    }

    QTreeWidget* list = program.mainForm ? program.mainForm->TraceLV : nullptr;
    if (!list) return LogListResult::Loaded;
    list->setUpdatesEnabled(false);
    list->clear();
    list->setColumnCount(rs.fieldCount());
    list->setHeaderLabels(rs.fieldNames());
    QList<QTreeWidgetItem*> items;
    items.reserve(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        auto* item = new QTreeWidgetItem();
        for (int c = 0; c < rs.fieldCount(); ++c)
            item->setText(c, rs.text(r, c));
        items.append(item);
    }
    list->addTopLevelItems(items);
    list->setUpdatesEnabled(true);
    program.mainForm->setStatusText(QStringLiteral("資料筆數: %1").arg(rs.recordCount()));
    return LogListResult::Loaded;
}

QString newestEntriesSql(const Program& program, int count) {
    return QStringLiteral("SELECT %1 FROM [NursingBook] ORDER BY [記錄日期] DESC, [SerialX] DESC LIMIT %2")
        .arg(program.NursingBookColumns)
        .arg(count);
}

LogListResult LoadNewestNursingLog(Program& program) {
    // At start-up an empty log is normal, not worth a message.
    if (FieldExists(program.DBConn, QStringLiteral("NursingBook"), QStringLiteral("SerialX")) &&
        !program.DBConn.scalar(QStringLiteral("SELECT 1 FROM [NursingBook] LIMIT 1")).isValid()) {
        if (QTreeWidget* list = program.mainForm ? program.mainForm->TraceLV : nullptr) {
            const Recordset none = program.DBConn.query(newestEntriesSql(program, 0));
            list->clear();
            list->setColumnCount(none.fieldCount());
            list->setHeaderLabels(none.fieldNames());
            program.mainForm->setStatusText(QStringLiteral("資料筆數: 0"));
        }
        return LogListResult::NoRows;
    }
    return LoadNursingLogList(program, newestEntriesSql(program));
}

} // namespace healthlog
