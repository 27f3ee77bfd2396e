#include "reports/LogCorrection.h"

#include "core/Database.h"
#include "core/Program.h"
#include "healthlog/LogList.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace reports {

namespace {

const QString kNotLinkedTitle = QStringLiteral("人事資料庫尚未連結");
const QStringList kVardelColumns = {QStringLiteral("EMPLNO"), QStringLiteral("NAME"), QStringLiteral("DepName"),
                                    QStringLiteral("RealDepCode")};

} // namespace

std::optional<QString> vardelSchemaName(const QString& emplTablePrefix) {
    QString name = emplTablePrefix.trimmed();
    if (name.endsWith(QLatin1Char('.'))) name.chop(1);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) name = name.mid(1, name.size() - 2);
    if (name.isEmpty()) return QStringLiteral("Vardel");
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch()) return std::nullopt;
    return name;
}

VardelLink::VardelLink(Database& db, const QString& vardelPath, const QString& emplTablePrefix,
                       const QStringList& columns)
    : m_db(db) {
    const auto schema = vardelSchemaName(emplTablePrefix);
    if (vardelPath.trimmed().isEmpty() || !schema) {
        m_refusal = QStringLiteral("請先完成與 Vardel 系統資料庫之連結設定");
        return;
    }
    // ATTACH would create an empty file where none is.
    if (!QFileInfo(vardelPath).isFile()) {
        m_refusal = QStringLiteral("以下檔案不存在: \r\n\r\n") + vardelPath;
        return;
    }
    m_schema = *schema;
    bool present = false;
    const Recordset list = db.query(QStringLiteral("PRAGMA database_list"));
    for (int r = 0; r < list.recordCount(); ++r)
        present = present || list.text(r, QStringLiteral("name")).compare(m_schema, Qt::CaseInsensitive) == 0;
    if (!present) {
        db.exec(QStringLiteral("ATTACH DATABASE ? AS ") + Database::quoteName(m_schema), {vardelPath});
        m_attached = true;
    }
    Recordset have;
    try {
        have = db.query(QStringLiteral("SELECT name FROM pragma_table_info('EMPL', ?)"), {m_schema});
    } catch (const DbError&) {
        detach(); // a constructor that throws runs no destructor
        throw;
    }
    QStringList missing;
    for (const QString& column : columns) {
        bool found = false;
        for (int r = 0; r < have.recordCount(); ++r)
            found = found || have.text(r, 0).compare(column, Qt::CaseInsensitive) == 0;
        if (!found) missing << column;
    }
    if (!missing.isEmpty())
        m_refusal = QStringLiteral("人事資料庫的 EMPL 資料表缺少欄位: ") + missing.join(QStringLiteral(", "));
}

VardelLink::~VardelLink() {
    detach();
}

void VardelLink::detach() {
    if (!m_attached) return;
    m_attached = false;
    try {
        m_db.exec(QStringLiteral("DETACH DATABASE ") + Database::quoteName(m_schema));
    } catch (const DbError&) {
    }
}

QString VardelLink::empl() const {
    return Database::quoteName(m_schema) + QStringLiteral(".[EMPL]");
}

LogCorrection correctLogPersonalData(Database& db, const QString& vardelPath, const QString& emplTablePrefix,
                                     const ReportPeriod& period) {
    LogCorrection result;
    const VardelLink link(db, vardelPath, emplTablePrefix, kVardelColumns);
    if (!link.ready()) {
        result.refusal = link.refusal();
        return result;
    }
    const SqlCondition inPeriod = periodCondition(QStringLiteral("[NursingBook].[記錄日期]"), period);
    result.corrected =
        db.exec(QStringLiteral("UPDATE [NursingBook] SET [人員身份] = '員工', [人員姓名] = e.[NAME], "
                               "[所屬部門] = ifnull(e.[DepName], '') || '_' || ifnull(e.[RealDepCode], '') "
                               "FROM %1 AS e WHERE [NursingBook].[員工編號] = e.[EMPLNO] "
                               "AND trim(ifnull([NursingBook].[員工編號], '')) <> '' AND %2")
                    .arg(link.empl(), inPeriod.sql),
                inPeriod.params);
    return result;
}

ReportOutcome CorrectLogPersonalData(const ReportRequest& request) {
    Program& program = request.program;
    Ui& ui = program.ui();
    if (program.VardelDBPath.isEmpty()) {
        ui.message(QStringLiteral("請先完成與 Vardel 系統資料庫之連結設定"), kNotLinkedTitle, Ui::Icon::Information);
        return ReportOutcome::Stopped;
    }
    const auto period = CheckReportPeriod(ui, request.from, request.to);
    if (!period) return ReportOutcome::Stopped;
    const LogCorrection done =
        correctLogPersonalData(program.DBConn, program.VardelDBPath, program.EmplTablePrefix, *period);
    if (!done.refusal.isEmpty()) {
        ui.message(done.refusal, kNotLinkedTitle, Ui::Icon::Critical);
        return ReportOutcome::Stopped;
    }
    request.progress(80);
    healthlog::LoadNewestNursingLog(program);
    return ReportOutcome::Done;
}

} // namespace reports
