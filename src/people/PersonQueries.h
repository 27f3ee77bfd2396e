#pragma once
// The statements behind the person search panel's list modes. Each returns the rows as the list shows them (field
// names = column captions, row text first); the keyword matches anywhere in 姓名 or 員工編號, "%" and "_" in it
// matching themselves, and the empty keyword matches everyone.

#include "core/Database.h"

#include <QDate>
#include <QString>

namespace people {

// The list modes: PersonListView's Tag holds the caption of the button that filled it.
inline const QString kModeEmployees = QStringLiteral("人事資料查詢");
inline const QString kModeHealthServices = QStringLiteral("健康服務查詢");
inline const QString kModeToWord = QStringLiteral("套表人員查詢");

// Column positions of the "健康服務查詢" rows.
enum HealthServiceColumn {
    HsName = 0,
    HsSex = 1,
    HsAge = 2,
    HsEmployeeNo = 3,
    HsHealthCount = 4,
    HsBurnOutCount = 5,
    HsNmqCount = 6,
    HsLogCount = 7,
    HsSpecialCount = 8,
};
// Positions in the "人事資料查詢" rows (the EMPL columns in table order) and of 員工編號 in the "套表人員查詢" rows.
constexpr int kEmployeesNameColumn = 0;
constexpr int kEmployeesEmployeeNoColumn = 4;
constexpr int kEmployeesDepartmentColumn = 5; // 部門中文名稱
constexpr int kEmployeesMobileColumn = 10;    // 手機號碼
constexpr int kToWordEmployeeNoColumn = 5;

// "人事資料查詢": the EMPL rows with all columns in table order.
Recordset searchEmployees(const Database& db, const QString& keyword);
// "健康服務查詢": one row per person with a health check: 姓名, SEX and the birth date of the newest one (shown as
// 目前年齡, the age in years with one decimal on the given day), 員工編號, and the numbers of the person's rows in
// the five record tables ("-" for none). One statement for all persons.
Recordset searchHealthServices(const Database& db, const QString& keyword, const QDate& today);
// "套表人員查詢": the rows of ToWord: 年度代碼, 部門代號, 部門名稱, 姓名, 性別, 員工編號, then the grade columns the
// table has. Empty (no fields) when there is no ToWord table.
Recordset searchToWord(const Database& db);

// Whole months from birth to the day divided by 12, with one decimal; "" when the birth date is no date.
QString currentAge(const QString& birthDate, const QDate& today);

} // namespace people
