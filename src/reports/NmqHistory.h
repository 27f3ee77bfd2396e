#pragma once
// The NMQ personal history ("NMQ 個人列表 (近三年或近三次)"): one employee's three newest NMQ questionnaires side by
// side in a new workbook, one row per item (headings in column A), one column per questionnaire with the newest in
// B, and the body diagram NMQ_人體背面圖.jpg beside the table from E1, as wide as columns A to D and as high as rows
// 1 to 37.

#include "core/Database.h"

#include <QString>
#include <QStringList>

class MainForm;
class Program;

namespace reports {

inline const QString kNmqBodyPicture = QStringLiteral("NMQ_人體背面圖.jpg");

// The 37 rows of the sheet: the column of PersonalNMQ and its heading, in order.
struct NmqHistoryRow {
    const char* column;
    const char* heading;
};
const std::vector<NmqHistoryRow>& nmqHistoryRows();

// The newest questionnaires of an employee, greatest 年度代碼 first and then greatest 填表日期 (Basic02): the first
// three places, and every questionnaire tied with the third (as the database's TOP does), under the headings.
Recordset newestNmqQuestionnaires(const Database& db, const QString& employeeNo);

// The workbook for an employee whose list row shows nmqCount questionnaires ("-" for none: refused with
// "此人無 NMQ 資料， 無法套印"; also when they were removed since the list was filled). A missing picture leaves the
// sheet without it and says so. Finishes with "完成". Returns the file written ("" if none).
QString WriteNmqHistory(Program& program, const QString& employeeNo, const QString& nmqCount);

// The menu item on the selected row of the person list (no selected row: says so).
void PersonalReportNMQ_Click(MainForm& form, Program& program);

} // namespace reports
