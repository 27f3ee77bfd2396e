#pragma once
// The personal report of one employee: every stored record of the person from the five record tables, as five
// sections in a fixed order. The sections are computed once (data) and then written either as the five sheets of
// the open workbook or as one web page with the five sections in order.

#include <QString>
#include <QStringList>
#include <vector>

class Program;
class Recordset;

namespace reports {

struct PersonSection {
    QString table;      // the record table read
    QString sheetName;  // the sheet's name in the workbook
    QString title;      // "員工編號: " + number + the section's tail, the heading on the web page
    QString noteHtml;   // web only: the legend printed under the table (HTML), or ""
    QStringList fields; // column captions, in order
    std::vector<QStringList> rows;
    bool htmlCells = false; // web: the cells are HTML (values escaped, parts joined by "<P>")
};

// The five sections for one employee number (compared exactly, bound as a parameter). web: the page's columns
// (composed columns, legends, attachment links) instead of the workbook's.
std::vector<PersonSection> personRecordSections(Program& program, const QString& employeeNo, bool web);
// The body of the web page: for each section its heading, its table and its legend, in order.
QString personRecordsHtml(const std::vector<PersonSection>& sections);
// A section as a recordset (its captions as the field names), for the workbook writer.
Recordset sectionRecordset(const PersonSection& section);

// Writes the sections into sheets 1 to 5 of the workbook opened by CreateExcelWorkbook, each sheet named after its
// section.
void writeSectionsToWorkbook(Program& program, const std::vector<PersonSection>& sections);

// Where the personal report goes.
enum class PersonReport {
    Workbook, // the five sections into sheets 1 to 5 of the workbook opened by CreateExcelWorkbook (named
              // "健檢資料筆數", "過勞量表筆數", "NMQ資料筆數", "健康服務資料量", "特殊健檢筆數")
    WebPage, // one web page with the five sections, opened
};
// The personal report of one person. Writes nothing to the database.
void ExportPersonAllRecords(Program& program, const QString& employeeNo, PersonReport to);

} // namespace reports
