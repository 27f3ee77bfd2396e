#include "reports/MultipleLevelReport.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "office/XlsxText.h"

#include <algorithm>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace reports {

namespace {
const char* const kTitle = "多項四段分級";
const char* const kAdvice[kLevelCount] = {
    "健康指標均在正常範圍內；建議邀請參加健康講座，並發表經驗分享。",
    "輕微偏離正常範圍，無臨床症狀或無需醫療介入，建議以 mail 寄發衛教資訊。",
    "明顯異常但尚無急迫醫療需求，建議醫師追蹤或輕度治療。建議應於一個月內，安排面談或mail 寄發通知。",
    "異常指標明顯且可能影響健康，需積極醫療介入與追蹤。建議應於二週內與員工取得聯繫。",
    "極度異常，存在急迫醫療需求或嚴重健康風險。建議應於一週內與員工取得聯繫。",
};

// A header and text cells as WriteRecordsetToSheet writes them (the text format, the header style, the columns
// fitted), filled a row at a time; "；<@>" reads as a line break.
class GradedSheetWriter {
public:
    GradedSheetWriter(office::XlsxSheet& sheet, const QStringList& header) : m_sheet(sheet), m_header(header) {
        const int cols = int(header.size());
        office::XlsxWorkbook& book = sheet.workbook();
        sheet.setColumnStyle(0, cols - 1, office::XlsxStyle::text());
        m_textStyle = book.addStyle(office::XlsxStyle::text());
        m_bodyWidths.assign(size_t(cols), 0);
        m_headerWidths.assign(size_t(cols), 0);
        sheet.writeTextBlock(
            0, 0, 1, cols, [&](int, int c) { return lineBreaks(header[c]); }, book.addStyle(excelHeaderStyle()),
            &m_headerWidths);
    }
    static QString lineBreaks(QString text) { return text.replace(QStringLiteral("；<@>"), QStringLiteral("；\n")); }

    void add(int row, const RowView& values) {
        m_sheet.writeTextBlock(
            row, 0, 1, int(m_header.size()), [&](int, int c) { return lineBreaks(values.text(c)); }, m_textStyle,
            &m_bodyWidths);
    }
    void fitColumns() {
        const office::XlsxStyle look = excelHeaderStyle();
        for (size_t c = 0; c < size_t(m_header.size()); ++c) {
            const double h =
                office::xlsxFitWidth(m_headerWidths[c], look.fontSize.value_or(11), look.bold.value_or(false));
            m_sheet.setColumnWidth(int(c), int(c), std::max(h, office::xlsxFitWidth(m_bodyWidths[c])));
        }
    }

private:
    office::XlsxSheet& m_sheet;
    const QStringList& m_header;
    int m_textStyle = 0;
    std::vector<int> m_headerWidths, m_bodyWidths;
};

// The graded sheet from X_Temp's rows of `sql` as they come, each stored in the sheet at once, without a result set
// beside it; rows past the sheet's capacity (ExcelSession::rowsPerSheet) go on over further sheets right after it
// (WriteListOverSheets), each part read by its own LIMIT of `sql`. Each row of the first sheet is as high as its
// longest summary, so that a reader that does not size rows itself shows every line of it. Returns the number of rows
// below its header.
int writeGradedSheet(ExcelSession& session, const Database& db, const QString& sql, office::XlsxSheet& sheet) {
    const QStringList header = db.columns(QStringLiteral("X_Temp"));
    if (header.isEmpty()) return 0;
    const int total = db.scalar(QStringLiteral("SELECT count(*) FROM \"X_Temp\"")).toInt();
    std::vector<int> summaryColumns;
    for (const QString& c : gradingColumns().mid(2))
        if (header.contains(c)) summaryColumns.push_back(int(header.indexOf(c)));
    office::XlsxWorkbook& book = sheet.workbook();
    int firstSheetRows = 0;
    // Sheets of a new workbook are added and filled in memory: no part fails.
    (void)WriteListOverSheets(
        sheet.name(), total, session.rowsPerSheet, sheet.index(),
        [&](int after, int* added) {
            office::XlsxSheet& next = book.addSheet(sheet.name(), after + 1);
            session.continuations.push_back(&next);
            *added = next.index();
            return office::OfficeStatus::success();
        },
        [&](int at, int first, int count) {
            office::XlsxSheet& target = book.sheet(at);
            GradedSheetWriter writer(target, header);
            int row = 0;
            db.forEachRow(sql + QStringLiteral(" LIMIT ? OFFSET ?"), {count, first}, [&](const RowView& values) {
                writer.add(++row, values);
                if (&target != &sheet) return;
                constexpr double kLinePt = 16.5;
                qsizetype lines = 1;
                for (const int c : summaryColumns)
                    lines = std::max(lines, values.text(c).count(QLatin1Char('\n')) + 1);
                if (lines > 1) sheet.setRowHeight(row, double(lines) * kLinePt);
            });
            writer.fitColumns();
            if (&target == &sheet)
                firstSheetRows = row;
            else // a sheet that carries on the list keeps the AutoFilter the writer of lists gives it
                target.setAutoFilter({0, 0, row, int(header.size()) - 1});
            return office::OfficeStatus::success();
        });
    return firstSheetRows;
}
} // namespace

QString levelAdvice(int level) {
    return level >= 0 && level < kLevelCount ? QString::fromUtf8(kAdvice[level]) : QString();
}

void SetupReportPage(Program& program, office::XlsxSheet& sheet, const CountTable& table, int lastColumn,
                     int rowCount) {
    const int rows = std::min(rowCount + 1, int(table.rows.size()));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c <= lastColumn && c < int(table.rows[size_t(r)].size()); ++c) {
            const QVariant& v = table.rows[size_t(r)][c];
            if (!v.isValid() || v.isNull()) continue;
            if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
                sheet.setNumber(r, c, v.toDouble());
            else
                sheet.setText(r, c, v.toString());
        }
    sheet.autoFitColumns(0, lastColumn);
    sheet.setPrintTitleRows(0, 0);
    const QDateTime now = program.ui().now();
    sheet.setHeader(QStringLiteral("&R&\"Times New Roman,粗體\"") + rules::dateText(now.date()) + QLatin1Char(' ') +
                    now.time().toString(QStringLiteral("HH:mm:ss")));
    sheet.setFooter(QStringLiteral("&C&\"Times New Roman,標準\"&P/&N"));
    office::XlsxStyle header;
    header.fill = office::xlsxColorIndex(10);
    header.fontName = QStringLiteral("Arial");
    header.fontSize = 12;
    header.bold = true;
    header.fontColor = office::xlsxColorIndex(2);
    sheet.applyStyle({0, 0, 0, lastColumn}, header);
}

QString BuildMultipleLevelWorkbook(Program& program, const CountTable& counts, const QString& yearCode) {
    Database& db = program.DBConn;
    ExcelSession& session = CreateExcelWorkbook(program, 3);
    session.name = QString::fromUtf8(kTitle) + QLatin1Char('_') + yearCode;

    office::XlsxSheet& first = session.activate(1);
    first.setName(QStringLiteral("多項四級統計表"));
    const int width = counts.columnCount();
    SetupReportPage(program, first, counts, width - 1, int(counts.rows.size()) - 1);
    // The advice of each level goes on the header cell of that level's column, wherever the column stands.
    if (!counts.rows.empty())
        for (int c = 0; c < width; ++c)
            for (int n = 0; n < kLevelCount; ++n)
                if (counts.rows[0][c].toString() == QStringLiteral("Level_%1").arg(n))
                    first.setNote(0, c, levelAdvice(n), 200, 100);
    letEventsThrough();

    const Recordset standards =
        db.query(QStringLiteral("SELECT * FROM \"MultipleLevel\" ORDER BY \"項目名稱\", rowid"));
    office::XlsxSheet& second = session.activate(2);
    WriteRecordsetToSheet(program, standards, second);
    second.setName(QStringLiteral("多項四級_標準值"));

    // The summaries read one item per line: "；<@> " becomes a line break, and the break after the last item goes, so
    // that a one-line row does not show only an empty last line.
    const QStringList summaries = gradingColumns().mid(2);
    QStringList select;
    for (const QString& c : db.columns(QStringLiteral("X_Temp"))) {
        const QString q = Database::quoteName(c);
        select << (summaries.contains(c)
                       ? QStringLiteral("rtrim(replace(%1, '；<@> ', '；' || char(10)), char(10)) AS %1").arg(q)
                       : q);
    }
    office::XlsxSheet& third = session.activate(3);
    const int gradedRows = writeGradedSheet(
        session, db,
        QStringLiteral("SELECT %1 FROM \"X_Temp\" ORDER BY \"NOindex\"").arg(select.join(QStringLiteral(", "))), third);
    third.setName(QStringLiteral("Ostivw_健檢總表_多項四段分級"));
    office::XlsxStyle yellow;
    yellow.fill = qRgb(255, 255, 0);
    office::XlsxStyle pink;
    pink.fill = qRgb(255, 102, 178);
    third.applyStyleWhereTextContains(levelLabel(3), yellow);
    third.applyStyleWhereTextContains(levelLabel(4), pink);
    const int summary = int(db.columns(QStringLiteral("X_Temp")).indexOf(QStringLiteral("個人分級彙整")));
    if (summary >= 0) {
        // The four summary columns are 40 wide, also on a sheet without graded rows.
        third.setColumnWidth(summary, summary + 3, 40);
        if (gradedRows > 0) {
            // Wrapped, one item a line (an item fits a line of 40 characters).
            office::XlsxStyle wrap;
            wrap.wrap = true;
            third.applyStyle({1, summary, gradedRows, summary + 3}, wrap);
        }
    }
    letEventsThrough();
    return FinishExcel(program, true);
}

QString PrepareMultipleLevelGrading(Program& program, const QString& yearCode,
                                    const std::function<void(int)>& progress) {
    Ui& ui = program.ui();
    try {
        const MultipleLevelRun run = runMultipleLevelGrading(program.DBConn, yearCode, progress);
        if (!run.problems.empty()) {
            ui.message(QStringLiteral("多項四段分級標準有 %1 處無法使用, 未進行分級.\r\n\r\n"
                                      "請修正標準後重新匯入; 問題清單已顯示於網頁.")
                           .arg(run.problems.size()),
                       QString::fromUtf8(kTitle), Ui::Icon::Critical);
            std::vector<StandardProblem> listed = run.problems;
            listed.insert(listed.end(), run.skipped.begin(), run.skipped.end());
            ShowHtmlText(program, QStringLiteral("除錯訊息"),
                         grading::standardProblemsHtml(listed, QStringLiteral("匯入順序"),
                                                       QStringLiteral("以上標準修正前, 不進行任何分級。")));
            return {};
        }
        if (!run.skipped.empty()) {
            QStringList rows;
            for (const StandardProblem& p : run.skipped)
                rows << QStringLiteral("匯入的第 %1 筆 %2 (性別 %3)").arg(p.position).arg(p.item, p.sex);
            ui.message(QStringLiteral("以下分級標準的項目名稱不是健檢資料的欄位, 未分級; 其他標準照常分級:\r\n\r\n") +
                           rows.join(QStringLiteral("\r\n")),
                       QString::fromUtf8(kTitle), Ui::Icon::Warning);
        }
#if defined(__GLIBC__)
        // The grading's table is gone, but the allocator keeps its pages between the blocks still in use: they go back
        // first, so that the workbook's memory is not added to the grading's.
        malloc_trim(0);
#endif
        letEventsThrough();
        return BuildMultipleLevelWorkbook(program, run.counts, yearCode);
    } catch (const DbError& e) {
        program.excel.reset();
        ui.message(QStringLiteral("資料庫錯誤, 無法完成多項四段分級:\r\n\r\n") + e.message(), QString::fromUtf8(kTitle),
                   Ui::Icon::Critical);
        return {};
    }
}

} // namespace reports
