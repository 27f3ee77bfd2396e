#include "people/StandardsImport.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "core/Schema.h"
#include "office/XlsxPackage.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace people {

namespace {
const char* const kKind = "多項四段分級標準";
constexpr int kMaxText = 50;
} // namespace

StagedSheet stageSheet(Database& db, office::XlsxPackage& package, int sheet) {
    StagedSheet staged;
    const int cols = package.columnCount(sheet);
    const int rows = package.rowCount(sheet);
    QStringList headers;
    for (int c = 0; c < cols; ++c)
        headers << package.cellText(sheet, 0, c).trimmed();
    while (!headers.isEmpty() && headers.last().isEmpty())
        headers.removeLast();
    if (headers.isEmpty()) {
        staged.error = QStringLiteral("工作表第一列沒有欄位名稱");
        return staged;
    }
    QSet<QString> seen;
    for (int c = 0; c < headers.size(); ++c) {
        if (headers[c].isEmpty()) {
            staged.error = QStringLiteral("第一列第 %1 欄的欄位名稱為空白").arg(c + 1);
            return staged;
        }
        if (seen.contains(headers[c].toLower())) {
            staged.error = QStringLiteral("欄位名稱「%1」重複").arg(headers[c]);
            return staged;
        }
        seen.insert(headers[c].toLower());
    }
    std::vector<QVariantList> values;
    for (int r = 1; r < rows; ++r) {
        QVariantList row;
        bool any = false;
        for (int c = 0; c < headers.size(); ++c) {
            const QString t = package.cellText(sheet, r, c);
            if (t.trimmed().isEmpty()) {
                row.append(QVariant());
            } else {
                row.append(t);
                any = true;
            }
        }
        if (any) values.push_back(std::move(row));
    }
    std::vector<ColumnDef> defs;
    for (const QString& h : headers)
        defs.push_back({h, QStringLiteral("TEXT")});
    Transaction tx(db);
    recreateTable(db, kInputTempTable, defs);
    if (!values.empty()) db.execBatch(insertSql(kInputTempTable, headers), values);
    tx.commit();
    staged.headers = headers;
    staged.rows = int(values.size());
    return staged;
}

QStringList multipleLevelColumns() {
    return {QStringLiteral("項目名稱"), QStringLiteral("性別"),    QStringLiteral("Level_0"), QStringLiteral("Level_1"),
            QStringLiteral("Level_2"),  QStringLiteral("Level_3"), QStringLiteral("Level_4")};
}

QString checkMultipleLevelColumns(const QStringList& headers) {
    const QStringList wanted = multipleLevelColumns();
    QStringList missing, extra, repeated;
    for (const QString& w : wanted)
        if (!headers.contains(w)) missing << w;
    for (const QString& h : headers) {
        if (!wanted.contains(h))
            extra << h;
        else if (headers.count(h) > 1 && !repeated.contains(h))
            repeated << h;
    }
    QStringList lines;
    if (!missing.isEmpty()) lines << QStringLiteral("缺少欄位: ") + missing.join(QStringLiteral(", "));
    if (!extra.isEmpty()) lines << QStringLiteral("多出欄位: ") + extra.join(QStringLiteral(", "));
    if (!repeated.isEmpty()) lines << QStringLiteral("重複欄位: ") + repeated.join(QStringLiteral(", "));
    return lines.join(QStringLiteral("\r\n"));
}

int rebuildMultipleLevel(Database& db, const QStringList& stagedColumns, QString* error) {
    const QString table = QStringLiteral("MultipleLevel");
    QStringList quoted;
    std::vector<ColumnDef> defs;
    for (const QString& c : stagedColumns) {
        quoted << Database::quoteName(c);
        defs.push_back({c, QStringLiteral("VARCHAR(50)")});
    }
    // Varchar(50): a longer text would not fit the standards table.
    QStringList tooLong;
    for (const QString& c : stagedColumns) {
        const Recordset rs = db.query(QStringLiteral("SELECT rowid FROM %1 WHERE length(%2) > ? ORDER BY rowid")
                                          .arg(Database::quoteName(kInputTempTable), Database::quoteName(c)),
                                      {kMaxText});
        for (int r = 0; r < rs.recordCount(); ++r)
            tooLong << QStringLiteral("%1 (第 %2 筆)").arg(c, rs.text(r, 0));
    }
    if (!tooLong.isEmpty()) {
        if (error) *error = QStringLiteral("以下內容超過 %1 個字: ").arg(kMaxText) + tooLong.join(QStringLiteral(", "));
        return 0;
    }
    const QString list = quoted.join(QStringLiteral(", "));
    Transaction tx(db);
    recreateTable(db, table, defs);
    const int n = db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 ORDER BY rowid")
                              .arg(Database::quoteName(table), list, Database::quoteName(kInputTempTable)));
    tx.commit();
    return n;
}

bool importMultipleLevelStandards(Program& program, const QString& path) {
    Ui& ui = program.ui();
    const QString title = QString::fromUtf8(kKind);
    std::unique_ptr<office::XlsxPackage> package = OpenWorkbookFile(program, QFileInfo(path).absoluteFilePath());
    if (!package) return false;
    try {
        Database& db = program.DBConn;
        const StagedSheet staged = stageSheet(db, *package, 0);
        if (!staged.error.isEmpty()) {
            ui.message(QStringLiteral("匯入檔無法讀取:\r\n\r\n") + staged.error, title, Ui::Icon::Critical);
            return false;
        }
        const QString columns = checkMultipleLevelColumns(staged.headers);
        if (!columns.isEmpty()) {
            ui.message(QStringLiteral("匯入檔的欄位必須恰為 項目名稱, 性別, Level_0 ~ Level_4 (順序不拘):\r\n\r\n") +
                           columns,
                       title, Ui::Icon::Critical);
            return false;
        }
        if (!ui.askYesNo(QStringLiteral("此功能將以匯入檔的 %1 筆標準, 取代目前全部的多項四段分級標準.\r\n\r\n"
                                        "是否確定執行?")
                             .arg(staged.rows),
                         title))
            return false;
        QString error;
        const int n = rebuildMultipleLevel(db, staged.headers, &error);
        if (!error.isEmpty()) {
            ui.message(QStringLiteral("匯入檔無法匯入, 分級標準未變更:\r\n\r\n") + error, title, Ui::Icon::Critical);
            return false;
        }
        ui.message(QStringLiteral("多項四段分級標準 匯入完成, 共 %1 筆").arg(n), title, Ui::Icon::Information);
        return true;
    } catch (const DbError& e) {
        ui.message(QStringLiteral("資料庫錯誤, 分級標準未變更:\r\n\r\n") + e.message(), title, Ui::Icon::Critical);
        return false;
    }
}

void MultipleLevelImport_Click(Program& program) {
    const QString path = program.ui().openFileName(QStringLiteral("選擇 多項四段分級標準 匯入檔"),
                                                   QStringLiteral("Excel 活頁簿 (*.xlsx)"), program.docFolder());
    if (path.isEmpty()) return;
    importMultipleLevelStandards(program, path);
}

} // namespace people
