#include "reports/HighRiskStats.h"

#include "core/ExcelOutput.h"
#include "core/Program.h"
#include "office/XlsxWorkbook.h"

namespace reports {

namespace {

// The severity as a number: SQLite's cast reads the numeric prefix after leading blanks, as Val does ("" and
// text give 0).
const QString kSevere = QStringLiteral("CAST(nb.[嚴重代碼] AS REAL) >= 2");

// The columns of the two entry sheets; typeName and noteName head NursingCode's Type and Note.
QString entryColumns(const QString& typeName, const QString& noteName) {
    return QStringLiteral("nb.[記錄日期] AS [記錄日期], nb.[記錄時間] AS [記錄時間], nb.[人員身份] AS [人員身份], "
                          "nb.[員工編號] AS [員工編號], nb.[人員姓名] AS [人員姓名], nb.[聯絡分機] AS [聯絡分機], "
                          "nb.[所屬部門] AS [所屬部門], nb.[事件代碼] AS [事件代碼], nc.[Type] AS %1, "
                          "nc.[Note] AS %2, nb.[嚴重代碼] AS [嚴重代碼], "
                          "nb.[事件發生經過與症狀描述] AS [事件發生經過與症狀描述], nb.[處理措施] AS [處理措施], "
                          "nb.[追蹤情況] AS [追蹤情況], nb.[醫護人員] AS [醫護人員], nb.[xPDF] AS [xPDF] "
                          "FROM [NursingBook] nb LEFT JOIN [NursingCode] nc ON nb.[事件代碼] = nc.[MainCode] ")
        .arg(Database::quoteName(typeName), Database::quoteName(noteName));
}

// Column L of an entry sheet holds the long descriptions.
void wrapDescriptions(office::XlsxSheet& sheet) {
    constexpr int kColumnL = 11;
    sheet.setColumnWidth(kColumnL, kColumnL, 60);
    office::XlsxStyle wrap;
    wrap.wrap = true;
    sheet.applyStyle({0, kColumnL, office::kXlsxMaxRows - 1, kColumnL}, wrap);
}

} // namespace

HighRiskStats computeHighRiskStats(const Database& db, const ReportPeriod& period) {
    HighRiskStats s;
    s.period = period;

    // The ranking keeps everyone tied with the last place, as a TOP over a sorted count does.
    const SqlCondition inPeriod = periodCondition(QStringLiteral("[記錄日期]"), period);
    s.top = db.query(QStringLiteral("SELECT [員工編號], [人員姓名], [xTotal] FROM ("
                                    " SELECT [員工編號], [人員姓名], COUNT([員工編號]) AS [xTotal],"
                                    "  RANK() OVER (ORDER BY COUNT([員工編號]) DESC) AS xPlace"
                                    " FROM [NursingBook] WHERE %1 GROUP BY [員工編號], [人員姓名])"
                                    " WHERE xPlace <= %2 ORDER BY [xTotal] DESC, [員工編號], [人員姓名]")
                         .arg(inPeriod.sql)
                         .arg(kTopPersons),
                     inPeriod.params);

    const SqlCondition nbPeriod = periodCondition(QStringLiteral("nb.[記錄日期]"), period);
    s.severe =
        SpooledRows::read(db,
                          QStringLiteral("SELECT ") + entryColumns(QStringLiteral("Type"), QStringLiteral("Note")) +
                              QStringLiteral("WHERE %1 AND %2 ORDER BY nb.[員工編號], nb.[人員姓名], nb.[記錄日期], "
                                             "nb.[記錄時間] DESC")
                                  .arg(kSevere, nbPeriod.sql),
                          nbPeriod.params);

    s.history = SpooledRows::read(
        db,
        QStringLiteral("SELECT ") + entryColumns(QStringLiteral("事件類別"), QStringLiteral("事件項目")) +
            QStringLiteral("WHERE nb.[員工編號] IN (SELECT nb.[員工編號] FROM [NursingBook] nb WHERE %1 AND %2 AND "
                           "trim(ifnull(nb.[員工編號], '')) <> '' GROUP BY nb.[員工編號]) "
                           "ORDER BY nb.[員工編號], nb.[記錄日期] DESC, nb.[記錄時間] DESC")
                .arg(kSevere, nbPeriod.sql),
        nbPeriod.params);
    return s;
}

QString writeHighRiskWorkbook(Program& program, const HighRiskStats& stats) {
    ExcelSession& x = CreateExcelWorkbook(program, 3);
    x.name = QStringLiteral("高風險人員_統計分析");
    if (stats.top.recordCount() > 0) {
        office::XlsxSheet& sheet = x.activate(1);
        sheet.setName(QStringLiteral("健康日誌紀錄 TOP 30 員工名單"));
        WriteRecordsetToSheet(program, stats.top, sheet);
        sheet.setText(1, 3, stats.period.text()); // D2
    }
    if (stats.severe.recordCount() > 0) {
        office::XlsxSheet& sheet = x.activate(2);
        sheet.setName(QStringLiteral("高風險人員_嚴重代碼曾出現 2 或 3 者"));
        for (office::XlsxSheet* written : WriteRecordsetToSheet(program, stats.severe, sheet))
            wrapDescriptions(*written);
    }
    if (stats.history.recordCount() > 0) {
        office::XlsxSheet& sheet = x.activate(3);
        sheet.setName(QStringLiteral("高風險人員_歷程記錄"));
        for (office::XlsxSheet* written : WriteRecordsetToSheet(program, stats.history, sheet))
            wrapDescriptions(*written);
    }
    return FinishExcel(program, false);
}

ReportOutcome BuildHighRiskStatsWorkbook(const ReportRequest& request) {
    const auto period = CheckReportPeriod(request.program.ui(), request.from, request.to);
    if (!period) return ReportOutcome::Stopped;
    const HighRiskStats stats = computeHighRiskStats(request.program.DBConn, *period);
    request.progress(50);
    return writeHighRiskWorkbook(request.program, stats).isEmpty() ? ReportOutcome::Stopped : ReportOutcome::Done;
}

} // namespace reports
