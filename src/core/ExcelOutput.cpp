#include "core/ExcelOutput.h"

#include "core/Database.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "core/SpooledRows.h"
#include "core/WordOutput.h"
#include "office/XlsxText.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

#include <algorithm>

using office::XlsxSheet;
using office::XlsxStyle;

namespace {

const char* const kCannotSave = "無法儲存 Excel 活頁簿:\r\n\r\n";

// Column widths of a written table: the widest of the header (in the header font) and of the cells below.
void fitColumns(XlsxSheet& sheet, const std::vector<int>& headerWidths, const std::vector<int>& bodyWidths) {
    const XlsxStyle header = excelHeaderStyle();
    for (size_t c = 0; c < headerWidths.size(); ++c) {
        const double h =
            office::xlsxFitWidth(headerWidths[c], header.fontSize.value_or(11), header.bold.value_or(false));
        const double b = c < bodyWidths.size() ? office::xlsxFitWidth(bodyWidths[c]) : 0;
        sheet.setColumnWidth(int(c), int(c), std::max(h, b));
    }
}

// Writes a header and a block of text cells from A1 with the table styles; toggles the AutoFilter over them. The
// columns written take the text format. A streamed body stays with `cell` until the workbook is saved (`cell` must
// then own what it reads); its widths are measured by reading it, unless `knownWidths` gives them. A streamed body on
// a sheet without cells takes its columns' style, the text format: a style later laid over whole columns reaches it
// without the rows being stored.
void writeTable(XlsxSheet& sheet, const QStringList& header, int rows, std::function<QString(int, int)> cell,
                bool toggleFilter, bool streamed, const std::vector<int>* knownWidths = nullptr) {
    office::XlsxWorkbook& book = sheet.workbook();
    const int cols = int(header.size());
    if (cols == 0) return;
    const bool fresh = sheet.rowCount() == 0;
    sheet.setColumnStyle(0, cols - 1, XlsxStyle::text());
    const int textStyle = book.addStyle(XlsxStyle::text());
    const int headerStyle = book.addStyle(excelHeaderStyle());
    std::vector<int> headerWidths(size_t(cols), 0);
    std::vector<int> bodyWidths(size_t(cols), 0);
    if (knownWidths)
        std::copy_n(knownWidths->begin(), std::min(knownWidths->size(), bodyWidths.size()), bodyWidths.begin());
    sheet.writeTextBlock(
        0, 0, 1, cols, [&](int, int c) { return header[c]; }, headerStyle, &headerWidths);
    if (streamed)
        sheet.streamTextBlock(1, 0, rows, cols, std::move(cell), knownWidths && fresh ? -1 : textStyle,
                              knownWidths ? nullptr : &bodyWidths);
    else
        sheet.writeTextBlock(1, 0, rows, cols, cell, textStyle, &bodyWidths);
    fitColumns(sheet, headerWidths, bodyWidths);
    const office::XlsxRange table{0, 0, std::max(rows, 0), cols - 1};
    if (!toggleFilter)
        sheet.setAutoFilter(table);
    else if (sheet.autoFilter())
        sheet.clearAutoFilter();
    else
        sheet.setAutoFilter(table);
}

// The widths of a list's rows first .. first + count - 1 where the list knows them without being read again.
const std::vector<int>* knownWidths(const Recordset&, int, int, std::vector<int>*) {
    return nullptr;
}
const std::vector<int>* knownWidths(const SpooledRows& rows, int first, int count, std::vector<int>* widths) {
    *widths = rows.widths(first, count);
    return widths;
}

// A list onto a sheet of a new workbook, going on over further sheets (WriteRecordsetToSheet). The rows are shared
// with the caller's list, not copied, and written when the workbook is saved.
template <class Rows> std::vector<XlsxSheet*> writeList(Program& program, const Rows& rows, XlsxSheet& sheet) {
    ExcelSession* session = program.excel.get();
    office::XlsxWorkbook& book = sheet.workbook();
    std::vector<int> widths;
    std::vector<XlsxSheet*> written;
    // Sheets of a new workbook are added and filled in memory: no part fails.
    (void)WriteListOverSheets(
        sheet.name(), rows.recordCount(), session ? session->rowsPerSheet : office::kXlsxMaxRows - 1, sheet.index(),
        [&](int after, int* added) {
            XlsxSheet& next = book.addSheet(sheet.name(), after + 1);
            if (session) session->continuations.push_back(&next);
            *added = next.index();
            return office::OfficeStatus::success();
        },
        [&](int at, int first, int count) {
            XlsxSheet& target = book.sheet(at);
            writeTable(
                target, rows.fieldNames(), count, [rows, first](int r, int c) { return rows.text(first + r, c); }, true,
                true, knownWidths(rows, first, count, &widths));
            written.push_back(&target);
            return office::OfficeStatus::success();
        });
    return written;
}

// A list onto a sheet of a package, going on over sheets inserted after it (WriteRecordsetToSheet). The list stays
// out of the sheet's tree: its rows go to the file when the package is saved (a copy of a recordset shares its
// records, so the one kept until then costs nothing).
office::OfficeStatus writeListPart(const Recordset& rs, office::XlsxPackage& package, int sheet, int first, int count) {
    return package.streamTable(sheet, rs.fieldNames(), count,
                               [rs, first](int r, int c) { return rs.text(first + r, c); });
}
office::OfficeStatus writeListPart(const SpooledRows& rows, office::XlsxPackage& package, int sheet, int first,
                                   int count) {
    const std::vector<int> widths = rows.widths(first, count);
    return package.streamTable(
        sheet, rows.fieldNames(), count, [rows, first](int r, int c) { return rows.text(first + r, c); }, &widths);
}

template <class Rows>
office::OfficeStatus writeList(const Rows& rows, office::XlsxPackage& package, int sheetIndex, int rowsPerSheet) {
    const QString name = package.sheetName(sheetIndex);
    return WriteListOverSheets(
        name, rows.recordCount(), rowsPerSheet, sheetIndex,
        [&](int after, int* added) { return package.addSheet(name, after + 1, added); },
        [&](int at, int first, int count) { return writeListPart(rows, package, at, first, count); });
}

// A new file name under 報表暫存/ for a workbook (the folder made when missing), or "" after saying it cannot be made.
QString newReportWorkbookPath(Program& program, const QString& name) {
    const QString folder = ReportOutputFolder(program);
    if (!QDir().mkpath(folder)) {
        program.ui().message(QString::fromUtf8(kCannotSave) + QStringLiteral("無法建立資料夾: ") +
                                 QDir::toNativeSeparators(folder),
                             {}, Ui::Icon::Critical);
        return {};
    }
    return NewOutputFilePath(folder, name, program.ui().now(), QStringLiteral("xlsx"));
}

QString docPath(Program& program, const QString& fileName) {
    if (QFileInfo(fileName).isAbsolute()) return fileName;
    return QDir(program.docFolder()).filePath(fileName);
}

} // namespace

// ---- the session ----

office::XlsxSheet& ExcelSession::worksheet(int number) {
    number = std::max(number, 1);
    int seen = 0;
    for (int i = 0; i < book.sheetCount(); ++i) {
        XlsxSheet& s = book.sheet(i);
        if (std::find(continuations.begin(), continuations.end(), &s) != continuations.end()) continue;
        if (++seen == number) return s;
    }
    for (; seen < number - 1; ++seen)
        book.addSheet();
    return book.addSheet();
}

office::XlsxSheet& ExcelSession::activate(int number) {
    sheet = &worksheet(number);
    return *sheet;
}

ExcelSession& CreateExcelWorkbook(Program& program, int sheetCount) {
    program.excel = std::make_unique<ExcelSession>();
    ExcelSession& session = *program.excel;
    const int total = 3 + std::max(sheetCount, 0);
    for (int i = 0; i < total; ++i) {
        session.book.addSheet();
        letEventsThrough();
    }
    session.sheet = &session.book.sheet(0);
    return session;
}

XlsxStyle excelHeaderStyle() {
    XlsxStyle s = XlsxStyle::text();
    s.fill = office::xlsxColorIndex(10);
    s.fontName = QStringLiteral("Arial");
    s.fontSize = 12;
    s.bold = true;
    s.fontColor = office::xlsxColorIndex(2);
    return s;
}

// ---- tables ----

std::vector<XlsxSheet*> WriteRecordsetToSheet(Program& program, const Recordset& rs, office::XlsxSheet& sheet) {
    return writeList(program, rs, sheet);
}

std::vector<XlsxSheet*> WriteRecordsetToSheet(Program& program, const SpooledRows& rows, office::XlsxSheet& sheet) {
    return writeList(program, rows, sheet);
}

void WriteRecordsetToSheet(Program& program, const Recordset& rs) {
    if (program.excel && program.excel->sheet) WriteRecordsetToSheet(program, rs, *program.excel->sheet);
}

office::OfficeStatus WriteRecordsetToSheet(const Recordset& rs, office::XlsxPackage& package, int sheetIndex,
                                           int rowsPerSheet) {
    return writeList(rs, package, sheetIndex, rowsPerSheet);
}

office::OfficeStatus WriteRecordsetToSheet(const SpooledRows& rows, office::XlsxPackage& package, int sheetIndex,
                                           int rowsPerSheet) {
    return writeList(rows, package, sheetIndex, rowsPerSheet);
}

office::OfficeStatus
WriteListOverSheets(const QString& name, int total, int rowsPerSheet, int sheet,
                    const std::function<office::OfficeStatus(int after, int* added)>& addSheet,
                    const std::function<office::OfficeStatus(int sheet, int first, int count)>& writePart) {
    const int perSheet = std::max(rowsPerSheet, 1);
    office::OfficeStatus status = writePart(sheet, 0, std::min(total, perSheet));
    int at = sheet;
    for (int first = perSheet; status && first < total; first += perSheet) {
        status = addSheet(at, &at);
        if (status) status = writePart(at, first, std::min(total - first, perSheet));
        if (!status)
            return office::OfficeStatus::failure(
                status.code(), QStringLiteral("工作表「%1」之後無法接續, 有 %2 筆資料未寫入:\r\n\r\n%3")
                                   .arg(name)
                                   .arg(total - first)
                                   .arg(status.message()));
        letEventsThrough();
    }
    return status;
}

void WriteListViewToSheet(const QTreeWidget* list, office::XlsxSheet& sheet) {
    if (!list) return;
    const int cols = list->columnCount();
    QStringList header;
    const QTreeWidgetItem* head = list->headerItem();
    for (int c = 0; c < cols; ++c)
        header << (head ? head->text(c) : QString());
    writeTable(
        sheet, header, list->topLevelItemCount(), [list](int r, int c) { return list->topLevelItem(r)->text(c); },
        false, false);
    for (int c = 0; c < cols; ++c)
        if (!header[c].isEmpty()) sheet.setNote(0, c, header[c]);
}

bool WriteCodeTableToSheet(Program& program, office::XlsxSheet& sheet, const QString& table) {
    Database& db = program.DBConn;
    if (!db.tableExists(table)) return false;
    const QStringList all = db.columns(table);
    if (all.isEmpty()) return false;
    QStringList columns;
    if (table.compare(QLatin1String("NursingCode"), Qt::CaseInsensitive) == 0) {
        for (const char* name : {"MainCode", "Type", "Note", "健康服務工作要項"})
            if (db.fieldExists(table, QString::fromUtf8(name))) columns << QString::fromUtf8(name);
    }
    if (columns.isEmpty()) columns = all;
    QStringList quoted;
    for (const QString& c : columns)
        quoted << Database::quoteName(c);
    const Recordset rs =
        db.query(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                     .arg(quoted.join(QStringLiteral(", ")), Database::quoteName(table), quoted.first()));
    WriteRecordsetToSheet(program, rs, sheet);
    return true;
}

void ExportListViewToExcel(Program& program, const QTreeWidget* list, bool withCodeTable, const QString& sheetName) {
    if (!list || list->topLevelItemCount() == 0) return;
    ExcelSession& session = CreateExcelWorkbook(program, 0);
    if (!sheetName.trimmed().isEmpty()) session.name = sheetName.trimmed();
    XlsxSheet& first = session.activate(1);
    first.setName(sheetName);
    WriteListViewToSheet(list, first);
    if (withCodeTable) {
        XlsxSheet& codes = session.worksheet(2);
        codes.setName(QStringLiteral("事件代碼"));
        WriteCodeTableToSheet(program, codes, QStringLiteral("NursingCode"));
    }
    FinishExcel(program, true);
}

// ---- finishing and files ----

QString FinishExcel(Program& program, bool showDone) {
    std::unique_ptr<ExcelSession> session = std::move(program.excel); // released whatever happens below
    if (!session || session->book.sheetCount() == 0) return {};
    Ui& ui = program.ui();
    const QString path = newReportWorkbookPath(program, session->name);
    if (path.isEmpty()) return {};
    const office::OfficeStatus status = session->book.save(path);
    if (!status) {
        ui.message(QString::fromUtf8(kCannotSave) + status.message() + QStringLiteral("\r\n\r\n") +
                       QDir::toNativeSeparators(path),
                   {}, Ui::Icon::Critical);
        return {};
    }
    ui.openWithDesktop(path);
    if (showDone) ui.message(QStringLiteral("完成"), {}, Ui::Icon::Information);
    return path;
}

void OpenExampleWorkbook(Program& program, const QString& path) {
    Ui& ui = program.ui();
    if (!QFileInfo(path).isFile()) {
        ui.message(QStringLiteral("以下檔案不存在: \r\n\r\n") + path, QStringLiteral("檔案不存在"), Ui::Icon::Critical);
        return;
    }
    ui.openWithDesktop(QFileInfo(path).absoluteFilePath());
    ui.message(path + QStringLiteral("\r\n\r\n範例檔案已呼叫, 請先另存新檔後, 再進行編輯"), {}, Ui::Icon::Information);
}

std::unique_ptr<office::XlsxPackage> OpenWorkbookFile(Program& program, const QString& fileName, int maxSheetRows) {
    const QString path = docPath(program, fileName);
    Ui& ui = program.ui();
    if (!QFileInfo(path).isFile()) {
        ui.message(QStringLiteral("以下檔案不存在: \r\n\r\n") + path, QStringLiteral("檔案不存在"), Ui::Icon::Critical);
        return nullptr;
    }
    auto package = std::make_unique<office::XlsxPackage>();
    const office::OfficeStatus status = package->open(path, maxSheetRows);
    if (!status) {
        ui.message(QStringLiteral("無法開啟 Excel 活頁簿:\r\n\r\n") + path + QStringLiteral("\r\n\r\n") +
                       status.message(),
                   {}, Ui::Icon::Critical);
        return nullptr;
    }
    return package;
}

QString SaveWorkbookToReportFolder(Program& program, office::XlsxPackage& package, const QString& name) {
    const QString path = newReportWorkbookPath(program, name);
    if (path.isEmpty()) return {};
    if (!SaveWorkbookAs(program, package, path)) return {};
    program.ui().openWithDesktop(path);
    return path;
}

bool SaveWorkbookAs(Program& program, office::XlsxPackage& package, const QString& path) {
    const QFileInfo target(path);
    office::OfficeStatus status = office::OfficeStatus::success();
    if (!QDir().mkpath(target.absolutePath()))
        status = office::OfficeStatus::failure(QStringLiteral("無法建立資料夾: ") +
                                               QDir::toNativeSeparators(target.absolutePath()));
    else
        status = package.saveAs(path);
    if (!status) {
        program.ui().message(QString::fromUtf8(kCannotSave) + status.message(), {}, Ui::Icon::Critical);
        return false;
    }
    return true;
}
