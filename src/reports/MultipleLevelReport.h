#pragma once
// The report kind "Multiple": grades one health-check year against the standards of MultipleLevel and writes the
// workbook of three sheets (the counts with the advice of each level, the standards, the graded health checks).

#include "reports/MultipleLevel.h"

#include <QString>
#include <functional>

class Program;
namespace office {
class XlsxSheet;
}

namespace reports {

// The advice note of each level, on the count table's header cells.
QString levelAdvice(int level);

// Writes the count table onto a sheet from A1 (texts and numbers as they are), fits the columns, sets the print
// titles to row 1, the right header to the date and time of the run, the centre footer to "page/pages", and styles
// the header row (columns 1 to lastColumn + 1).
void SetupReportPage(Program& program, office::XlsxSheet& sheet, const CountTable& table, int lastColumn, int rowCount);

// The three sheets "多項四級統計表", "多項四級_標準值" and "Ostivw_健檢總表_多項四段分級" in a new workbook, finished
// with "完成". Reads MultipleLevel and X_Temp. Returns the file written ("" if none).
QString BuildMultipleLevelWorkbook(Program& program, const CountTable& counts, const QString& yearCode);

// The run button's builder for "Multiple": checks every standard first; refused ones are listed on the page (after
// one message, with the rows left out for an unknown item below them) and nothing is graded. Otherwise grades the
// year into X_Temp, says which rows were left out for an item that is no health-check column, and writes the
// workbook. A database error is said in a message box. Returns the workbook written ("" if none).
QString PrepareMultipleLevelGrading(Program& program, const QString& yearCode,
                                    const std::function<void(int)>& progress = {});

} // namespace reports
