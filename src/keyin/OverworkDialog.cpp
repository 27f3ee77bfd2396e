#include "keyin/OverworkDialog.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "core/WordOutput.h"
#include "keyin/Catalogue.h"
#include "risk/WorkTables.h"

#include <QProgressBar>

namespace keyin {

namespace {

QString code(QChar letter, int index) {
    return QStringLiteral("%1%2").arg(letter).arg(index, 2, 10, QLatin1Char('0'));
}

const QString kTemplate = QStringLiteral("套表_過負荷評估問卷.docx");
const QString kCrLf = QStringLiteral("\r\n");

// Inserts the one staged row of a staging table created by the grading's own helper, each value into its column.
void insertStaged(Database& db, const QString& table, const OverworkDialog::NamedRow& row) {
    QStringList columns;
    QVariantList values;
    for (const auto& [column, value] : row) {
        columns << column;
        values << value;
    }
    db.exec(risk::insertSql(table, columns), values);
    letEventsThrough();
}

// The staged people whose year-and-employee key a history table already holds.
int alreadyStored(Database& db, const QString& staged, const QString& history) {
    const QString s = Database::quoteName(staged);
    const QString h = Database::quoteName(history);
    const Recordset rs = db.query(QStringLiteral("SELECT %1.[年度代碼], %1.[員工編號] FROM %1 INNER JOIN %2 ON "
                                                 "(ifnull(%1.[年度代碼], '') || '_' || ifnull(%1.[員工編號], '')) = "
                                                 "%2.[XID] ORDER BY %1.[年度代碼], %1.[員工編號]")
                                      .arg(s, h));
    letEventsThrough();
    return rs.recordCount();
}

// Declares the given columns of a table with a new type, keeping its rows and the column order. SQLite cannot alter
// a column's type, so the table is rebuilt under its own name.
void alterColumnsType(Database& db, const QString& table, const QStringList& changed, const QString& type) {
    std::vector<risk::ColumnDef> defs;
    QStringList quoted;
    for (const QString& c : db.columns(table)) {
        defs.push_back({c, changed.contains(c, Qt::CaseInsensitive) ? type : db.columnType(table, c)});
        quoted << Database::quoteName(c);
    }
    const QString rebuilt = table + QStringLiteral("_rebuilt");
    const QString list = quoted.join(QStringLiteral(", "));
    Transaction tx(db);
    recreateTable(db, rebuilt, defs);
    db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                .arg(Database::quoteName(rebuilt), list, Database::quoteName(table)));
    db.exec(QStringLiteral("DROP TABLE ") + Database::quoteName(table));
    db.exec(
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(Database::quoteName(rebuilt), Database::quoteName(table)));
    tx.commit();
    letEventsThrough();
}

} // namespace

DialogConfig OverworkDialog::makeConfig() {
    DialogConfig c;
    c.objectName = QStringLiteral("DialogOnlineKeyIn");
    c.caption = QStringLiteral("異常工作負荷促發疾病預防評估_個人_單筆鍵入");
    c.topic = kTopicOverLoading;
    c.roots = {QStringLiteral("個人資訊"), QStringLiteral("健檢資訊"), QStringLiteral("過勞問卷")};
    c.loadWidths = {3885, 3885, 7575};
    c.restoreWidths = {3855, 3855, 7575};
    c.yearButtonName = QStringLiteral("ButtonYearTypeOverLoading");
    c.progressBar = true;
    return c;
}

OverworkDialog::OverworkDialog(Program& program, RiskProcedures risk, QWidget* parent)
    : KeyInDialog(program, makeConfig(), parent), m_risk(std::move(risk)) {}

Verdict OverworkDialog::rule(const QString& c, const QString& answer) {
    return validateOverwork(c, answer, m_program.ui().now());
}

void OverworkDialog::ButtonHR_Click() {
    Ui& ui = m_program.ui();
    const auto reply = ui.input(QStringLiteral("請輸入完整的員工編號"), QStringLiteral("使用人事資料查詢"), QString());
    const QString number = reply ? reply->trimmed() : QString();
    if (number.isEmpty()) return;
    const Recordset rs = m_program.DBConn.query(QStringLiteral("SELECT * FROM [EMPL] WHERE [員工編號] = ?"), {number});
    if (rs.recordCount() == 0) {
        ui.message(QStringLiteral("查無員工編號【") + number + QStringLiteral("】 之員工"),
                   QStringLiteral("找不到指定之員工編號"), Ui::Icon::Critical);
        return;
    }
    fillChecked(QStringLiteral("A02"), rs.text(0, QStringLiteral("姓名")));
    fillChecked(QStringLiteral("A03"), rs.text(0, QStringLiteral("員工編號")));
    // The personnel list has no department code.
    fillChecked(QStringLiteral("A04"), QStringLiteral("X部門代號"));
    fillChecked(QStringLiteral("A05"), rs.text(0, QStringLiteral("部門中文名稱")));
    fillChecked(QStringLiteral("A06"), rs.text(0, QStringLiteral("性別")));
    fillChecked(QStringLiteral("A07"), rs.text(0, QStringLiteral("出生年月日")));
    show();
    raise();
    activateWindow();
}

void OverworkDialog::ButtonYearType_Click() {
    // One row per year code that both histories hold, even when no one person has both records of that year; the
    // count is of the persons who have both.
    const Recordset rs = m_program.DBConn.query(QStringLiteral(
        "SELECT h.[年度代碼] AS 年度代碼, COUNT(DISTINCT CASE WHEN EXISTS (SELECT 1 FROM [PersonalBurnOut] b "
        "WHERE b.[XID] = h.[XID]) THEN h.[XID] END) AS 現有筆數 FROM [PersonalHealth] h "
        "WHERE h.[年度代碼] IN (SELECT [年度代碼] FROM [PersonalBurnOut]) GROUP BY h.[年度代碼] ORDER BY "
        "h.[年度代碼]"));
    ShowRecordsetAsHtml(m_program, QStringLiteral("年度代碼、健檢與過勞問卷_現有筆數  "), rs, QString());
    letEventsThrough();
}

OverworkDialog::NamedRow OverworkDialog::healthCheckRow() const {
    return {
        {"年度代碼", answer("A01")},   {"姓名", answer("A02")},         {"員工編號", answer("A03")},
        {"部門代號", answer("A04")},   {"部門名稱", answer("A05")},     {"性別", answer("A06")},
        {"出生年月日", answer("A07")}, {"健檢日期", answer("B01")},     {"身高_cm", answer("B02")},
        {"體重_kg", answer("B03")},    {"腰圍_cm", answer("B04")},      {"收縮壓", answer("B05")},
        {"舒張壓", answer("B06")},     {"飯前血醣", answer("B07")},     {"總膽固醇", answer("B08")},
        {"三酸甘油脂", answer("B09")}, {"高密度膽固醇", answer("B10")}, {"低密度膽固醇", answer("B11")},
        {"抽菸習慣", answer("B12")},   {"既往病歷", answer("B13")},     {"健檢過程備註說明", answer("B14")},
    };
}

OverworkDialog::NamedRow OverworkDialog::burnoutRow() const {
    QStringList i, j;
    for (int k = 1; k <= 6; ++k)
        i << answer(code('I', k));
    for (int k = 1; k <= 7; ++k)
        j << answer(code('J', k));
    const BurnoutScores s = scoreBurnout(i, j, answer("X01"), answer("X02"));
    NamedRow row{{"年度代碼", answer("A01")}, {"姓名", answer("A02")}, {"員工編號", answer("A03")}};
    for (int k = 1; k <= 6; ++k)
        row.append({code('I', k), i[k - 1]});
    row.append({"I_Score", rules::format(s.iScore, "0.0")});
    row.append({"I_Risk", QString::number(s.iRisk)});
    for (int k = 1; k <= 7; ++k)
        row.append({code('J', k), j[k - 1]});
    row.append({"J_Score", rules::format(s.jScore, "0.0")});
    row.append({"J_Risk", QString::number(s.jRisk)});
    row.append({"月加班時數等級", answer("X01")});
    row.append({"工作型態評估等級", answer("X02")});
    row.append({"工作型態內容說明", answer("X03")});
    row.append({"工作負荷等級", QString::number(s.workload)});
    return row;
}

void OverworkDialog::stage() {
    Database& db = m_program.DBConn;
    Transaction tx(db);
    risk::createStagingTables(db);
    letEventsThrough();
    insertStaged(db, risk::kInPutFramingham, healthCheckRow());
    insertStaged(db, risk::kInPutBurnOut, burnoutRow());
    tx.commit();
}

void OverworkDialog::run() {
    Ui& ui = m_program.ui();
    if (!m_risk.framingham || !m_risk.savePersonalHealth || !m_risk.savePersonalBurnOut || !m_risk.framinghamToWord) {
        ui.message(QStringLiteral("健康風險評估程序未安裝，無法運算。"), QStringLiteral("無法運算"),
                   Ui::Icon::Critical);
        return;
    }
    stage();
    if (ProgressBar1) ProgressBar1->setValue(0);
    if (!m_risk.framingham(ProgressBar1)) return;

    const bool keep = ui.message(QStringLiteral("資料格式正確, 匯入成功, ") + kCrLf + kCrLf +
                                     QStringLiteral("是否要匯入本次資料做為歷史資料累積之用途"),
                                 QString(), Ui::Icon::Information, Ui::Buttons::YesNo) == Ui::Answer::Yes;
    if (keep) {
        Database& db = m_program.DBConn;
        QString report;
        if (int n = alreadyStored(db, QStringLiteral("Framingham"), QStringLiteral("PersonalHealth")); n > 0)
            report = QStringLiteral("【  發現 %1 筆,  個人健檢資料】已存在於系統資料庫中, 請由 【系統設定】-->"
                                    "【使用 MS-Excel 匯入匯出】 單獨處理")
                         .arg(n);
        // The staged key is narrowed to the width of a history key part; the answers were held to it when taken over.
        alterColumnsType(db, risk::kInPutBurnOut, {QStringLiteral("年度代碼"), QStringLiteral("員工編號")},
                         QStringLiteral("VARCHAR(20)"));
        if (int n = alreadyStored(db, QStringLiteral("InPutBurnOut"), QStringLiteral("PersonalBurnOut")); n > 0)
            report += QStringLiteral("<P> <P>【  發現 %1 筆,  過勞量表資料】已存在於系統資料庫中, 請由 【系統設定】-->"
                                     "【使用 MS-Excel 匯入匯出】 單獨處理")
                          .arg(n);
        if (!report.isEmpty()) {
            ShowHtmlText(m_program, QStringLiteral("匯入檔中, 部份資料已存在於系統資料庫"), report);
            return;
        }
        {
            // Both histories gain the person, or neither does.
            Transaction tx(db);
            m_risk.savePersonalHealth();
            m_risk.savePersonalBurnOut();
            tx.commit();
        }
        letEventsThrough();
        ui.message(QStringLiteral("過負荷評估") + kCrLf + QStringLiteral("【健檢】【過勞問卷】已寫入資料庫") + kCrLf +
                   kCrLf + QStringLiteral("載入個人套表 (Excel + Word)"));
    }

    m_risk.framinghamToWord();
    letEventsThrough();
    const QString templatePath = m_program.docFolder() + kTemplate;
    if (!PathExists(templatePath, PathKind::File)) {
        ui.message(QStringLiteral("套印檔案不存在: ") + kCrLf + kCrLf + templatePath, QStringLiteral("無法套印"),
                   Ui::Icon::Critical);
        return;
    }
    const WordMergeResult merged = RunWordMailMerge(m_program, templatePath, QStringLiteral("SELECT * FROM [ToWord]"),
                                                    {}, QStringLiteral("過負荷評估問卷"));
    letEventsThrough();
    // A merge that produced nothing has said why; only a document handed over is announced as printed.
    if (merged == WordMergeResult::Opened) ui.message(QStringLiteral("套印完成"));
}

} // namespace keyin
