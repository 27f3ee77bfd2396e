#include "keyin/NmqDialog.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "core/WordOutput.h"
#include "keyin/Catalogue.h"

namespace keyin {

namespace {

QString code(QChar letter, int index) {
    return QStringLiteral("%1%2").arg(letter).arg(index, 2, 10, QLatin1Char('0'));
}

const QString kTemplate = QStringLiteral("套表_NMQ評估問卷.docx");

} // namespace

DialogConfig NmqDialog::makeConfig() {
    DialogConfig c;
    c.objectName = QStringLiteral("DialogOnlineKeyInNMQ");
    c.caption = QStringLiteral("肌肉骨骼症狀調查表_個人_單筆鍵入");
    c.topic = kTopicNmq;
    c.roots = {QStringLiteral("個人資訊NMQ"), QStringLiteral("診斷與症狀NMQ"), QStringLiteral("身體酸痛部位NMQ")};
    c.loadWidths = {4885, 5885, 4575};
    c.restoreWidths = {4885, 5885, 4575};
    c.yearButtonName = QStringLiteral("ButtonYearTypeNMQ");
    return c;
}

NmqDialog::NmqDialog(Program& program, QWidget* parent) : KeyInDialog(program, makeConfig(), parent) {}

Verdict NmqDialog::rule(const QString& c, const QString& answer) {
    return validateNmq(c, answer, m_program.ui().now());
}

void NmqDialog::applySideEffects(const QString& c, const Verdict& v) {
    (void)c;
    if (v.age) setAnswer(QStringLiteral("A11"), *v.age);
    if (v.pItems == Verdict::PItems::AllZero)
        for (int k = 1; k <= 15; ++k)
            setAnswer(code('P', k), QStringLiteral("0"));
    if (v.pItems == Verdict::PItems::Clear)
        for (int k = 1; k <= 15; ++k)
            clearAnswer(code('P', k));
}

void NmqDialog::ButtonHR_Click() {
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
    const QDate today = ui.now().date();
    fillChecked(QStringLiteral("A02"), rs.text(0, QStringLiteral("姓名")));
    fillChecked(QStringLiteral("A03"), rs.text(0, QStringLiteral("員工編號")));
    fillChecked(QStringLiteral("A04"), rs.text(0, QStringLiteral("性別")));
    const QString birth = rs.text(0, QStringLiteral("出生年月日")).trimmed();
    fillChecked(QStringLiteral("A05"), birth);
    // The age and the years of service come only from dates the rules accept.
    if (isAnswered(QStringLiteral("A05")))
        fillChecked(QStringLiteral("A11"), yearsNumberText(rules::parseDate(birth).value(), today));
    else
        clearAnswer(QStringLiteral("A11"));
    fillChecked(QStringLiteral("A07"), rs.text(0, QStringLiteral("部門中文名稱")));
    fillChecked(QStringLiteral("A10"), rs.text(0, QStringLiteral("職稱")));
    const QString hired = rs.text(0, QStringLiteral("到職日")).trimmed();
    const auto hiredDate = rules::parseDate(hired);
    if (hiredDate && *hiredDate <= today)
        fillChecked(QStringLiteral("A12"), yearsNumberText(*hiredDate, today));
    else
        clearAnswer(QStringLiteral("A12"));
    show();
    raise();
    activateWindow();
}

void NmqDialog::ButtonYearType_Click() {
    const Recordset rs = m_program.DBConn.query(
        QStringLiteral("SELECT [年度代碼], COUNT([年度代碼]) AS NMQ_現有筆數 FROM [PersonalNMQ] GROUP BY [年度代碼] "
                       "ORDER BY [年度代碼]"));
    ShowRecordsetAsHtml(m_program, QStringLiteral("年度代碼與 NMQ_現有筆數 "), rs, QString());
    letEventsThrough();
}

QString NmqDialog::freshXid(const QDateTime& now) {
    // A thousand and one numbers per minute: draw again while a stored record holds the key.
    for (int attempt = 0; attempt < 5000; ++attempt) {
        const QString xid = nmqXid(answer(QStringLiteral("A01")), now, m_program.ui().random(0, 1000));
        if (m_program.DBConn.scalar(QStringLiteral("SELECT COUNT(*) FROM [PersonalNMQ] WHERE [XID] = ?"), {xid})
                .toInt() == 0)
            return xid;
    }
    return QString();
}

void NmqDialog::run() {
    Ui& ui = m_program.ui();
    const QDateTime now = ui.now();
    const QString xid = freshXid(now);
    if (xid.isEmpty()) {
        ui.message(QStringLiteral("無法產生不重複的紀錄編號，請稍候一分鐘再按「運算與套表」。"),
                   QStringLiteral("無法寫入"), Ui::Icon::Critical);
        return;
    }
    QStringList p;
    for (int k = 1; k <= 15; ++k)
        p << answer(code('P', k));

    // The record, column by column.
    QList<std::pair<QString, QVariant>> record = {
        {"XID", xid},
        {"年度代碼", answer("A01")},
        {"姓名", answer("A02")},
        {"員工編號", answer("A03")},
        {"Basic01", answer("A03") + QLatin1Char(' ')},
        {"Basic02", rules::dateTimeText(now)},
        {"Basic03", answer("A06")},
        {"Basic04", answer("A07")},
        {"Basic05", answer("A08")},
        {"Basic06", answer("A09")},
        {"Basic07", answer("A10")},
        {"Basic08", answer("A02")},
        {"Basic09", answer("A04")},
        {"Basic10", answer("A11")},
        {"Basic11", answer("A12")},
        {"Basic12", answer("A13")},
        {"Basic13", answer("A14")},
        {"Basic14", answer("B01")},
        {"Basic15", answer("B02")},
        {"Basic16", answer("B03")},
        {"Basic17", answer("B04")},
        {"Basic18", answer("B05")},
    };
    for (int k = 1; k <= 15; ++k) // the body regions P01 .. P15 as Q001 .. Q015
        record.append({QStringLiteral("Q%1").arg(k, 3, 10, QLatin1Char('0')), p[k - 1]});
    record.append({"Q016", answer("B06")});
    record.append({"ErgoTotal", QString::number(ergoTotal(p))});
    record.append({"xFileName", QStringLiteral("單筆鍵入")});

    QStringList quoted, marks;
    QVariantList values;
    for (const auto& [column, value] : record) {
        quoted << Database::quoteName(column);
        marks << QStringLiteral("?");
        values << value;
    }
    m_program.DBConn.exec(QStringLiteral("INSERT INTO [PersonalNMQ] (%1) VALUES (%2)")
                              .arg(quoted.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                          values);
    letEventsThrough();
    letEventsThrough();

    ui.message(QStringLiteral("NMQ 資料寫入，載入個人套表"));
    ui.wait(1000);
    const QString templatePath = m_program.docFolder() + kTemplate;
    if (!PathExists(templatePath, PathKind::File)) {
        ui.message(QStringLiteral("套印檔案不存在: \r\n\r\n") + templatePath, QStringLiteral("無法套印"),
                   Ui::Icon::Critical);
        return;
    }
    ui.message(QStringLiteral("NMQ 資料已準備完成，執行個人套表"));
    const WordMergeResult merged =
        RunWordMailMerge(m_program, templatePath, QStringLiteral("SELECT * FROM [PersonalNMQ] WHERE XID = ? "), {xid},
                         QStringLiteral("NMQ評估問卷"));
    letEventsThrough();
    // A merge that produced nothing has said why; only a document handed over is announced as printed.
    if (merged == WordMergeResult::Opened) ui.message(QStringLiteral("套印完成"));
}

} // namespace keyin
