#pragma once
// The Excel output procedures. A new workbook lives in Program::excel between CreateExcelWorkbook and FinishExcel;
// FinishExcel saves it as 報表暫存/<name>_YYYYMMDD_hhmmss.xlsx beside the program (never over an older file) and
// opens it with the desktop's default application. Templates of DataBase/DOC/ and the nurse's own workbooks are
// opened as packages, filled cell by cell and saved under a new name the same way.

#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Program;
class Recordset;
class SpooledRows;
class QTreeWidget;

// The workbook being built: the book, its current sheet (XlsSheet) and the name of the file it is saved under.
struct ExcelSession {
    office::XlsxWorkbook book;
    office::XlsxSheet* sheet = nullptr;
    QString name = QStringLiteral("報表");
    // The records a list may hold on one sheet below its header: as many as Excel's rows allow. A longer list goes
    // on over further sheets (a test may lower the number).
    int rowsPerSheet = office::kXlsxMaxRows - 1;
    // The sheets that carry on a list: they follow their list's sheet and take no position of their own.
    std::vector<const office::XlsxSheet*> continuations;

    // Worksheet n counted from 1, as Excel counts them, sheets that carry on a list not counted; sheets are added at
    // the end when the book has fewer.
    office::XlsxSheet& worksheet(int number);
    // Makes worksheet n the current sheet and returns it.
    office::XlsxSheet& activate(int number);
};

// A new workbook in program.excel (an unfinished one is dropped): three worksheets plus sheetCount more, addressed
// by position; pending window events are let through after each addition. Worksheet 1 is the current sheet.
ExcelSession& CreateExcelWorkbook(Program& program, int sheetCount);

// The style of every header row the program writes: fill colour index 10, "Arial" 12, bold, white, text format.
office::XlsxStyle excelHeaderStyle();

// Writes a recordset onto a sheet from A1: the field names in row 1, every record below (NULL as ""), every cell of
// the sheet in the text format "@", the header row styled (excelHeaderStyle), the column widths fitted, and the
// AutoFilter toggled over the table (a fresh sheet ends with filter arrows; writing the same sheet again removes
// them). A recordset without fields writes nothing. Records past the sheet's rows (ExcelSession::rowsPerSheet) go
// on over further sheets inserted right after it, named after it with " (2)", " (3)" ..., each with the header.
// Returns the sheets written, the first one first.
std::vector<office::XlsxSheet*> WriteRecordsetToSheet(Program& program, const Recordset& rs, office::XlsxSheet& sheet);
// The same for a list kept in a temporary file: its rows go from the file to the workbook's file when it is saved,
// never all in memory, and the widths are those measured as the list was read.
std::vector<office::XlsxSheet*> WriteRecordsetToSheet(Program& program, const SpooledRows& rows,
                                                      office::XlsxSheet& sheet);
// The same onto the current sheet of program.excel (nothing without a workbook).
void WriteRecordsetToSheet(Program& program, const Recordset& rs);
// The same onto a sheet (from 0) of an opened template or workbook, going on over sheets inserted after it when the
// records outnumber rowsPerSheet. Where no sheet can be added the status fails, saying how many records were left
// out.
office::OfficeStatus WriteRecordsetToSheet(const Recordset& rs, office::XlsxPackage& package, int sheetIndex,
                                           int rowsPerSheet = office::kXlsxMaxRows - 1);
// The same for a list kept in a temporary file: its rows stay out of the sheet until the package is saved
// (XlsxPackage::streamTable).
office::OfficeStatus WriteRecordsetToSheet(const SpooledRows& rows, office::XlsxPackage& package, int sheetIndex,
                                           int rowsPerSheet = office::kXlsxMaxRows - 1);

// A list over as many sheets as it needs, rowsPerSheet records a sheet (at least one): records 0 .. rowsPerSheet - 1
// onto the list's own sheet, each further part onto a sheet added right after the previous part's. Sheets are
// numbered from 0 as their book numbers them: addSheet(after, &added) adds the sheet that carries the list on after
// sheet `after` and gives its number; writePart(sheet, first, count) writes records first .. first + count - 1 onto a
// sheet below its header. The list's own sheet is written also for an empty list; pending window events are let
// through after every further part. The first failure stops the list: one on the list's own sheet comes back as it
// is, a later one says after which sheet (`name`) the list could not go on and how many records were left out.
office::OfficeStatus
WriteListOverSheets(const QString& name, int total, int rowsPerSheet, int sheet,
                    const std::function<office::OfficeStatus(int after, int* added)>& addSheet,
                    const std::function<office::OfficeStatus(int sheet, int first, int count)>& writePart);

// Saves program.excel under 報表暫存/ as "<name>_YYYYMMDD_hhmmss.xlsx" (the Ui's clock; "_2", "_3" ... when the
// name is taken) and opens it with the desktop; then, when showDone, shows "完成". A failure to write says so in a
// critical box and never shows "完成". program.excel is released either way. Returns the file written, "" if none.
QString FinishExcel(Program& program, bool showDone);

// A list view onto a sheet from A1: the column captions in row 1 (styled as a header, each with a note holding its
// caption), one row per list row, every cell text, widths fitted, AutoFilter on.
void WriteListViewToSheet(const QTreeWidget* list, office::XlsxSheet& sheet);
// A code table onto a sheet, as WriteRecordsetToSheet writes it. NursingCode gives MainCode, Type, Note and
// 健康服務工作要項 ordered by MainCode; another table all its columns ordered by the first. A table that does not
// exist writes nothing and returns false.
bool WriteCodeTableToSheet(Program& program, office::XlsxSheet& sheet, const QString& table);
// A list view to a new workbook: nothing for an empty list; otherwise sheet 1 under sheetName with the list
// (WriteListViewToSheet), the event codes of NursingCode on sheet 2 ("事件代碼") when withCodeTable, then
// FinishExcel with "完成". The file is named after the sheet.
void ExportListViewToExcel(Program& program, const QTreeWidget* list, bool withCodeTable, const QString& sheetName);

// Opens a shipped example workbook with the desktop and says that it is an example to save under another name; a
// missing file is reported ("以下檔案不存在: ", titled "檔案不存在") and nothing is opened.
void OpenExampleWorkbook(Program& program, const QString& path);

// Opens an .xlsx for reading or filling: fileName is a name in DataBase/DOC/ or a full path. A missing file shows
// "以下檔案不存在: ", two line breaks and the path in a critical box titled "檔案不存在"; a damaged, legacy or
// foreign file says why in a critical box. Returns null in both cases. maxSheetRows > 0 reads only that many rows of
// each worksheet (XlsxPackage::open), for an import that must not load a huge sheet.
std::unique_ptr<office::XlsxPackage> OpenWorkbookFile(Program& program, const QString& fileName, int maxSheetRows = 0);
// Saves a filled package under 報表暫存/ as "<name>_YYYYMMDD_hhmmss.xlsx" (never over an older file) and opens it
// with the desktop. A failure says so in a critical box. Returns the file written, "" if none.
QString SaveWorkbookToReportFolder(Program& program, office::XlsxPackage& package, const QString& name);
// Saves a filled package at a fixed path (an older file of that name is replaced), creating its folder. A failure
// says so in a critical box and returns false.
bool SaveWorkbookAs(Program& program, office::XlsxPackage& package, const QString& path);
