#include "reports/MedicineStats.h"

#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "office/XlsxWorkbook.h"

#include <QHash>

namespace reports {

namespace {

// A ranking row's code and name as a key; NULL stays apart from the empty text, as the ranking's grouping keeps it.
QString medicineKey(const QVariant& code, const QVariant& name) {
    auto part = [](const QVariant& v) {
        return v.isNull() ? QStringLiteral("N") : QStringLiteral("T") + Recordset::toText(v);
    };
    return part(code) + QChar(0x1f) + part(name);
}

} // namespace

MedicineStats computeMedicineStats(const Database& db, const QString& nursingBookColumns, const ReportPeriod& period) {
    MedicineStats s;
    s.period = period;
    s.stock = db.query(QStringLiteral("SELECT [Type] AS [類別], [MedicalObjectName] AS [醫藥品名稱], "
                                      "[ReserveAmount] AS [現貨存量], [ExpireDate] AS [到期日] "
                                      "FROM [DrugListTree] ORDER BY [Type], [MainCode]"));

    const SqlCondition inPeriod = periodCondition(QStringLiteral("[NursingBook].[記錄日期]"), period);
    const QString usedInPeriod = QStringLiteral(" FROM [NursingBook] INNER JOIN [DrugUsing] du "
                                                "ON [NursingBook].[SerialX] = du.[NursingID] WHERE ") +
                                 inPeriod.sql;
    s.ranking = db.query(QStringLiteral("SELECT du.[MedicineID] AS [醫藥品代碼], du.[MedicineName] AS [醫藥品名稱], "
                                        "SUM(du.[UsingAmount]) AS [取用總量]") +
                             usedInPeriod +
                             QStringLiteral(" GROUP BY du.[MedicineID], du.[MedicineName] "
                                            "ORDER BY SUM(du.[UsingAmount]) DESC, du.[MedicineID], du.[MedicineName]"),
                         inPeriod.params);

    const int n = std::min(kTopMedicines, s.ranking.recordCount());
    if (n == 0) return s;
    QHash<QString, int> place;
    QStringList pairs;
    QVariantList params = inPeriod.params;
    for (int i = 0; i < n; ++i) {
        const QVariant& code = s.ranking.value(i, 0);
        const QVariant& name = s.ranking.value(i, 1);
        s.top.push_back({s.ranking.text(i, 0), s.ranking.text(i, 1), {}});
        place.insert(medicineKey(code, name), i);
        pairs << QStringLiteral("(?, ?)");
        params << Recordset::toText(code) << Recordset::toText(name);
    }
    // The entries of all top medicines in one statement, split by medicine below.
    const Recordset uses = db.query(
        QStringLiteral("SELECT ") + nursingBookColumns +
            QStringLiteral(", du.[UsingAmount], du.[MedicineID], du.[MedicineName]") + usedInPeriod +
            QStringLiteral(" AND (ifnull(du.[MedicineID], ''), ifnull(du.[MedicineName], '')) IN (VALUES %1) "
                           "ORDER BY du.[UsingAmount] DESC, [NursingBook].[記錄日期] DESC, [NursingBook].[SerialX]")
                .arg(pairs.join(QStringLiteral(", "))),
        params);
    const int logColumns = uses.fieldCount() - 3;
    const QStringList logFields = uses.fieldNames().mid(0, logColumns + 1); // the log columns and the quantity
    std::vector<std::vector<QVariantList>> rows(static_cast<size_t>(n));
    for (const QVariantList& row : uses.rows()) {
        const auto it = place.constFind(medicineKey(row[logColumns + 1], row[logColumns + 2]));
        if (it == place.constEnd()) continue; // NULL and "" are one in the statement, apart in the ranking
        rows[size_t(*it)].push_back(row.mid(0, logColumns + 1));
    }
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
