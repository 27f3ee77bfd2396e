#include "reports/MedicineStats.h"

#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "office/XlsxWorkbook.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace reports {

MedicineStats computeMedicineStats(const Database& db, const QString& nursingBookColumns, const ReportPeriod& period) {
    MedicineStats s;
    s.period = period;
    s.stock = db.query(QStringLiteral("SELECT [Type] AS [類別], [MedicalObjectName] AS [醫藥品名稱], "
                                      "[ReserveAmount] AS [現貨存量], [ExpireDate] AS [到期日] "
                                      "FROM [DrugListTree] ORDER BY [Type], [MainCode]"));

    // The ranking also lists the uses behind each of its rows (their DrugUsing rowids), so the top medicines' entries
    // are fetched by those uses instead of a second pass over the period.
    const SqlCondition inPeriod = periodCondition(QStringLiteral("[NursingBook].[記錄日期]"), period);
    const Recordset ranked = db.query(
        QStringLiteral("SELECT du.[MedicineID] AS [醫藥品代碼], du.[MedicineName] AS [醫藥品名稱], "
                       "SUM(du.[UsingAmount]) AS [取用總量], json_group_array(du.rowid) AS xUses "
                       "FROM [NursingBook] INNER JOIN [DrugUsing] du ON [NursingBook].[SerialX] = du.[NursingID] "
                       "WHERE %1 GROUP BY du.[MedicineID], du.[MedicineName] "
                       "ORDER BY SUM(du.[UsingAmount]) DESC, du.[MedicineID], du.[MedicineName]")
            .arg(inPeriod.sql),
        inPeriod.params);
    std::vector<QVariantList> rankingRows;
    rankingRows.reserve(size_t(ranked.recordCount()));
    for (const QVariantList& row : ranked.rows())
        rankingRows.push_back(row.mid(0, 3));
    s.ranking = Recordset(ranked.fieldNames().mid(0, 3), std::move(rankingRows));

    const int n = std::min(kTopMedicines, ranked.recordCount());
    if (n == 0) return s;
    QHash<qint64, int> placeOfUse;
    QJsonArray topUses;
    for (int i = 0; i < n; ++i) {
        s.top.push_back({ranked.text(i, 0), ranked.text(i, 1), {}});
        const QJsonArray uses = QJsonDocument::fromJson(ranked.text(i, 3).toUtf8()).array();
        for (const QJsonValue& use : uses) {
            placeOfUse.insert(use.toInteger(), i);
            topUses.append(use);
        }
    }
    // The entries of all top medicines in one statement, split by medicine below.
    QVariantList params{QString::fromUtf8(QJsonDocument(topUses).toJson(QJsonDocument::Compact))};
    params += inPeriod.params;
    const Recordset uses =
        db.query(QStringLiteral("SELECT ") + nursingBookColumns +
                     QStringLiteral(", du.[UsingAmount], du.rowid AS xUse FROM json_each(?) AS xTop "
                                    "INNER JOIN [DrugUsing] du ON du.rowid = xTop.value "
                                    "INNER JOIN [NursingBook] ON [NursingBook].[SerialX] = du.[NursingID] WHERE %1 "
                                    "ORDER BY du.[UsingAmount] DESC, [NursingBook].[記錄日期] DESC, "
                                    "[NursingBook].[SerialX]")
                         .arg(inPeriod.sql),
                 params);
    const int quantity = uses.fieldCount() - 2;
    const QStringList logFields = uses.fieldNames().mid(0, quantity + 1); // the log columns and the quantity
    std::vector<std::vector<QVariantList>> rows(static_cast<size_t>(n));
    for (const QVariantList& row : uses.rows())
        rows[size_t(placeOfUse.value(row[quantity + 1].toLongLong()))].push_back(row.mid(0, quantity + 1));
    for (int i = 0; i < n; ++i) {
        QStringList fields = logFields;
        fields.last() = s.top[size_t(i)].name + QStringLiteral("_取用量");
        s.top[size_t(i)].uses = Recordset(fields, std::move(rows[size_t(i)]));
    }
    return s;
}

QString writeMedicineWorkbook(Program& program, const MedicineStats& stats) {
    ExcelSession& x = CreateExcelWorkbook(program, kTopMedicines);
    x.name = QStringLiteral("醫藥物品統計");
    office::XlsxSheet& stock = x.activate(1);
    stock.setName(QStringLiteral("醫藥品存量盤點"));
    if (stats.stock.recordCount() > 0) WriteRecordsetToSheet(program, stats.stock, stock);

    office::XlsxSheet& ranking = x.activate(2);
    ranking.setName(QStringLiteral("醫藥品用量排序"));
    ranking.setNote(0, 2, stats.period.text(), 100, 50); // C1
    if (stats.ranking.recordCount() > 0) WriteRecordsetToSheet(program, stats.ranking, ranking);

    for (size_t i = 0; i < stats.top.size(); ++i) {
        office::XlsxSheet& sheet = x.activate(int(i) + 3);
        sheet.setName(QStringLiteral("TOP_%1 醫藥品").arg(int(i) + 1, 2, 10, QLatin1Char('0')));
        WriteRecordsetToSheet(program, stats.top[i].uses, sheet);
    }
    return FinishExcel(program, false);
}

ReportOutcome BuildMedicineStatsWorkbook(const ReportRequest& request) {
    Program& program = request.program;
    const auto period = CheckReportPeriod(program.ui(), request.from, request.to);
    if (!period) return ReportOutcome::Stopped;
    const MedicineStats stats = computeMedicineStats(program.DBConn, program.NursingBookColumns, *period);
    request.progress(50);
    return writeMedicineWorkbook(program, stats).isEmpty() ? ReportOutcome::Stopped : ReportOutcome::Done;
}

} // namespace reports
