#include "reports/NmqHistory.h"

#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "office/XlsxText.h"
#include "people/PersonPanel.h"
#include "people/PersonQueries.h"
#include "reports/PersonActions.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

namespace reports {

namespace {
constexpr int kMaxColumns = 3;        // the newest three questionnaires (ties with the third included)
constexpr double kColumnWidth = 20.0; // every column of the sheet
} // namespace

const std::vector<NmqHistoryRow>& nmqHistoryRows() {
    static const std::vector<NmqHistoryRow> rows = {
        {"年度代碼", "年度代碼"},
        {"姓名", "姓名"},
        {"員工編號", "員工編號"},
        {"Basic02", "填表日期"},
        {"Basic03", "廠區"},
        {"Basic04", "部門"},
        {"Basic05", "課_組"},
        {"Basic06", "作業名稱"},
        {"Basic07", "職稱"},
        {"Basic09", "性別"},
        {"Basic10", "年齡"},
        {"Basic11", "年資"},
        {"Basic12", "身高"},
        {"Basic13", "體重"},
        {"Basic14", "慣用手"},
        {"Basic15", "是否為肌肉骨骼相關之職業病"},
        {"Basic16", "是否已通報中"},
        {"Basic17", "是否不適"},
        {"Basic18", "症狀持續時間"},
        {"Q001", "頸"},
        {"Q002", "左肩"},
        {"Q003", "右肩"},
        {"Q004", "上背"},
        {"Q005", "下背或腰"},
        {"Q006", "左手肘_前臂"},
        {"Q007", "右手肘_前臂"},
        {"Q008", "左手_手腕"},
        {"Q009", "右手_手腕"},
        {"Q010", "左臀_大腿"},
        {"Q011", "右臀_大腿"},
        {"Q012", "左膝"},
        {"Q013", "右膝"},
        {"Q014", "左腳踝_腳"},
        {"Q015", "右腳踝_腳"},
        {"Q016", "其他症狀或病史說明"},
        {"ErgoTotal", "等級3以上_酸痛部位累計"},
        {"xFileName", "匯入檔檔名"},
    };
    return rows;
}

Recordset newestNmqQuestionnaires(const Database& db, const QString& employeeNo) {
    QStringList select;
    for (const NmqHistoryRow& r : nmqHistoryRows())
        select << Database::quoteName(QString::fromUtf8(r.column)) + QStringLiteral(" AS ") +
                      Database::quoteName(QString::fromUtf8(r.heading));
    // rank() keeps every row tied with the third place, as TOP 3 does.
    return db.query(
        QStringLiteral("SELECT %1 FROM (SELECT *, rank() OVER (ORDER BY \"年度代碼\" DESC, \"Basic02\" DESC) "
                       "AS nmq_rank, rowid AS nmq_row FROM \"PersonalNMQ\" WHERE \"員工編號\" = ?) "
                       "WHERE nmq_rank <= %2 ORDER BY nmq_rank, nmq_row")
            .arg(select.join(QStringLiteral(", ")))
            .arg(kMaxColumns),
        {employeeNo});
}

QString WriteNmqHistory(Program& program, const QString& employeeNo, const QString& nmqCount) {
    Ui& ui = program.ui();
    auto none = [&ui] {
        ui.message(QStringLiteral("此人無 NMQ 資料， 無法套印"), QStringLiteral("此人無 NMQ 資料"), Ui::Icon::Critical);
    };
    if (nmqCount == QLatin1String("-")) {
        none();
        return {};
    }
    try {
        const Recordset rs = newestNmqQuestionnaires(program.DBConn, employeeNo);
        letEventsThrough();
        if (rs.recordCount() == 0) { // removed since the list was filled
            none();
            return {};
        }
        ExcelSession& session = CreateExcelWorkbook(program, 3);
        session.name = QStringLiteral("NMQ個人列表_") + employeeNo;
        // The questionnaires stand as columns: each heading in column A styled as a header, each questionnaire in a
        // column from B, every cell text.
        office::XlsxSheet& sheet = session.worksheet(2);
        office::XlsxWorkbook& book = session.book;
        const int headerStyle = book.addStyle(excelHeaderStyle());
        const int textStyle = book.addStyle(office::XlsxStyle::text());
        sheet.setColumnStyle(0, rs.recordCount(), office::XlsxStyle::text());
        for (int f = 0; f < rs.fieldCount(); ++f) {
            sheet.setText(f, 0, rs.fieldName(f), headerStyle);
            for (int r = 0; r < rs.recordCount(); ++r)
                sheet.setText(f, r + 1, rs.text(r, f), textStyle);
        }
        sheet.setColumnWidth(0, office::kXlsxMaxColumns - 1, kColumnWidth);
        letEventsThrough();

        const QString picture = QDir(program.docFolder()).filePath(kNmqBodyPicture);
        const office::XlsxCellRef e1{0, 4};
        const QSize size(sheet.columnLeftPx(4), sheet.rowTopPx(int(nmqHistoryRows().size())));
        const bool pictured = QFileInfo(picture).isFile() && sheet.addPictureSized(picture, e1, size);
        // The raw result sheet is gone; the side-by-side sheet becomes the first.
        book.removeSheet(0);
        session.sheet = &book.sheet(0);
        if (!pictured)
            ui.message(QStringLiteral("找不到人體背面圖, 工作表不附圖:\r\n\r\n") + QDir::toNativeSeparators(picture),
                       {}, Ui::Icon::Warning);
        letEventsThrough();
        return FinishExcel(program, true);
    } catch (const DbError& e) {
        program.excel.reset();
        ui.message(QStringLiteral("資料庫錯誤, 無法產生 NMQ 個人列表:\r\n\r\n") + e.message(), {}, Ui::Icon::Critical);
        return {};
    }
}

void PersonalReportNMQ_Click(MainForm& form, Program& program) {
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    WriteNmqHistory(program, row->subItem(people::HsEmployeeNo), row->subItem(people::HsNmqCount));
}

} // namespace reports
