#include "people/StandardsImport.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/HtmlOutput.h"
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
constexpr int kMaxNamedColumns = 20; // extra columns named in a message; the rest are counted
// Where earlier versions staged the sheet before rebuilding the standards.
const QString kOldStagingTable = QStringLiteral("InPutTempTable");
} // namespace

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
    if (!extra.isEmpty()) {
        QString named = extra.mid(0, kMaxNamedColumns).join(QStringLiteral(", "));
        if (extra.size() > kMaxNamedColumns) named += QStringLiteral(" … 共 %1 欄").arg(extra.size());
        lines << QStringLiteral("多出欄位: ") + named;
    }
    if (!repeated.isEmpty()) lines << QStringLiteral("重複欄位: ") + repeated.join(QStringLiteral(", "));
    return lines.join(QStringLiteral("\r\n"));
}

StandardsSheet readStandardsSheet(office::XlsxPackage& package, int sheet) {
    StandardsSheet out;
    // A sheet that cannot be read (damaged, or past the reader's limits) is refused with its reason rather than read
    // as empty cells.
    if (const office::OfficeStatus st = package.loadCells(sheet);
        !st && st.code() != office::OfficeError::NoSuchSheet) {
        out.error = st.message();
        return out;
    }
    // The header first: a sheet that is not the standards is answered before its rows are looked at.
    const int cols = package.columnCount(sheet);
    QStringList headers;
    for (int c = 0; c < cols; ++c)
        headers << package.cellText(sheet, 0, c).trimmed();
    while (!headers.isEmpty() && headers.last().isEmpty())
        headers.removeLast();
    if (headers.isEmpty()) {
        out.error = QStringLiteral("工作表第一列沒有欄位名稱");
        return out;
    }
    QSet<QString> seen;
    for (int c = 0; c < headers.size(); ++c) {
        if (headers[c].isEmpty()) {
            out.error = QStringLiteral("第一列第 %1 欄的欄位名稱為空白").arg(c + 1);
            return out;
        }
        if (seen.contains(headers[c].toLower())) {
            out.error = QStringLiteral("欄位名稱「%1」重複").arg(headers[c]);
            return out;
        }
        seen.insert(headers[c].toLower());
    }
    out.columns = checkMultipleLevelColumns(headers);
    if (!out.columns.isEmpty()) return out;
    out.headers = headers;
    if (package.rowsLeftOut(sheet)) {
        out.error = QStringLiteral("工作表超過 %1 列, 不是分級標準").arg(kMaxStandardRows);
        return out;
    }

    const int itemAt = int(headers.indexOf(QStringLiteral("項目名稱")));
    const int sexAt = int(headers.indexOf(QStringLiteral("性別")));
    std::array<int, grading::kLevelCount> levelAt{};
    for (int n = 0; n < grading::kLevelCount; ++n)
        levelAt[size_t(n)] = int(headers.indexOf(QStringLiteral("Level_%1").arg(n)));
    const int rows = package.rowCount(sheet);
    for (int r = 1; r < rows; ++r) {
        std::vector<std::optional<QString>> cells(size_t(headers.size()));
        bool any = false;
        for (int c = 0; c < headers.size(); ++c) {
            const QString t = package.cellText(sheet, r, c);
            if (t.trimmed().isEmpty()) continue;
            cells[size_t(c)] = t;
            any = true;
        }
        if (!any) continue;
        grading::StandardRow row;
        row.position = r + 1; // the row number Excel shows
        row.item = cells[size_t(itemAt)].value_or(QString());
        row.sex = cells[size_t(sexAt)].value_or(QString());
        for (int n = 0; n < grading::kLevelCount; ++n)
            row.levels[size_t(n)] = cells[size_t(levelAt[size_t(n)])];
        grading::checkStandardRow(row, &out.problems);
        for (int c = 0; c < headers.size(); ++c)
            if (cells[size_t(c)] && cells[size_t(c)]->size() > kMaxText)
                out.problems.push_back({row.position, row.item, row.sex, headers[c], *cells[size_t(c)],
                                        QStringLiteral("超過 %1 個字").arg(kMaxText)});
        out.cells.push_back(std::move(cells));
    }
    if (out.cells.empty()) out.error = QStringLiteral("沒有分級標準");
    return out;
}

int replaceMultipleLevel(Database& db, const StandardsSheet& sheet) {
    const QString table = QStringLiteral("MultipleLevel");
    std::vector<ColumnDef> defs;
    for (const QString& c : sheet.headers)
        defs.push_back({c, QStringLiteral("VARCHAR(50)")});
    std::vector<QVariantList> values;
    values.reserve(sheet.cells.size());
    for (const auto& row : sheet.cells) {
        QVariantList v;
        for (const auto& cell : row)
            v.append(cell ? QVariant(*cell) : QVariant());
        values.push_back(std::move(v));
    }
    Transaction tx(db);
    recreateTable(db, table, defs);
    db.execBatch(insertSql(table, sheet.headers), values);
    db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(Database::quoteName(kOldStagingTable)));
    tx.commit();
    return int(values.size());
}

bool importMultipleLevelStandards(Program& program, const QString& path) {
    Ui& ui = program.ui();
    const QString title = QString::fromUtf8(kKind);
    std::unique_ptr<office::XlsxPackage> package =
        OpenWorkbookFile(program, QFileInfo(path).absoluteFilePath(), kMaxStandardRows + 1);
    if (!package) return false;
    const StandardsSheet sheet = readStandardsSheet(*package, 0);
    package.reset();
    if (!sheet.columns.isEmpty()) {
        ui.message(QStringLiteral("匯入檔的欄位必須恰為 項目名稱, 性別, Level_0 ~ Level_4 (順序不拘):\r\n\r\n") +
                       sheet.columns,
                   title, Ui::Icon::Critical);
        return false;
    }
    if (!sheet.error.isEmpty()) {
        ui.message(QStringLiteral("匯入檔無法匯入, 分級標準未變更:\r\n\r\n") + sheet.error, title, Ui::Icon::Critical);
        return false;
    }
    if (!sheet.problems.empty()) {
        ui.message(QStringLiteral("匯入檔有 %1 處無法使用, 分級標準未變更.\r\n\r\n"
                                  "請修正後重新匯入; 問題清單 (依工作表列號) 已顯示於網頁.")
                       .arg(sheet.problems.size()),
                   title, Ui::Icon::Critical);
        ShowHtmlText(program, QStringLiteral("除錯訊息"),
                     grading::standardProblemsHtml(sheet.problems, QStringLiteral("工作表列號"),
                                                   QStringLiteral("以上標準修正前, 不匯入; 目前的分級標準未變更。")));
        return false;
    }
    if (!ui.askYesNo(QStringLiteral("此功能將以匯入檔的 %1 筆標準, 取代目前全部的多項四段分級標準.\r\n\r\n"
                                    "是否確定執行?")
                         .arg(sheet.cells.size()),
                     title))
        return false;
    try {
        const int n = replaceMultipleLevel(program.DBConn, sheet);
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
