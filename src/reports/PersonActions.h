#pragma once
// The actions of the person panel's right-click menu QVPersonalToWord on the list or on its selected person. An
// action on "the selected row" with no row selected says so and does nothing else.

#include "people/PersonPanel.h"

class MainForm;
class Program;

namespace reports {

// "健康日誌_選擇此人": while the log-entry frame is open, puts the selected employee (name, number, department,
// mobile number) into its boxes with the person type "員工". With the frame hidden it does nothing.
void QVPersonalSelected_Click(MainForm& form, Program& program);
// "輸出至 Ecxel": the whole list into a workbook, the sheet named after the list mode.
void QVPersonalToExcel_Click(MainForm& form, Program& program);
// "以 Web 型式檢視": the whole list as the web page, titled with the list mode.
void QVPersonalToWeb_Click(MainForm& form, Program& program);
// The personal report of the selected person (員工編號 = sub-item 3) as a five-sheet workbook, or as the web page.
void QVPersonalToExcelSelected_Click(MainForm& form, Program& program);
void QVPersonalToWebSelected_Click(MainForm& form, Program& program);
// "套印目前選取項目 (Word)": RAToWord.
void QVPersonalToWordSelected_Click(MainForm& form, Program& program);

// The message shown when an action needs a selected row and none is selected.
using people::kNothingSelected;

} // namespace reports
