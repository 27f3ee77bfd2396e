#pragma once
// The personal health consultation form ("健康服務_個人化彙整套表"): the template 健康諮詢單.xlsx of DataBase/DOC/
// filled with one employee's newest health check (column B), overwork scale (column E) and NMQ questionnaire (column
// H), with the cardiovascular grade and the interview advice computed on the spot. The filled form is saved as a new
// file under 報表暫存/ and opened; the template itself is never written, and the database is not changed.

#include "core/Database.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <array>
#include <optional>
#include <vector>

class MainForm;
class Program;

namespace reports {

inline const QString kConsultationTemplate = QStringLiteral("健康諮詢單.xlsx");

// The grade from Framingham_Risk_Score: "%" removed, empty counts as 0; not a number (">=56") gives 2; otherwise
// below 10 gives 0, from 10 up to (not including) 20 gives 1, 20 or more gives 2.
int cardiovascularGrade(const QString& riskScore);
// t = grade + workload level: "【t】_不需面談" below 2, "【2】_建議面談", "【t】_需要面談" above 2.
QString interviewAdvice(int grade, int workloadLevel);
// B8: the stored birth date text, then "【目前 ", the completed years of age on `today`, " 歲】". A birth date that
// is no date is shown as stored, without an age.
QString birthDateWithAge(const QString& birthDate, const QDate& today);

// A cell of the form: its address and what goes in (text, a number, or nothing for an empty value).
struct FormCell {
    QString ref;
    QVariant value; // QString, double, or invalid (the cell stays as the template has it)
};

// The three newest records of an employee (each empty when there is none): health check and overwork scale by the
// greatest 年度代碼, the NMQ questionnaire by the greatest 年度代碼 and then the greatest 填表日期 (Basic02).
struct ConsultationRecords {
    Recordset health; // at most one row each
    Recordset burnOut;
    Recordset nmq;
};
ConsultationRecords readConsultationRecords(const Database& db, const QString& employeeNo);

// The cells of the form for the records (health and overwork must be present), in the order they are written.
std::vector<FormCell> consultationCells(const ConsultationRecords& records, const QDate& today);

// The person the form is for, as the "健康服務查詢" list shows them: 員工編號 and the numbers of health checks,
// overwork scales and NMQ questionnaires ("-" for none) with the captions of those three columns.
struct ConsultationPerson {
    QString employeeNo;
    std::array<QString, 3> counts;
    std::array<QString, 3> captions;
};

// Fills the form for the person: refuses a person without one of the three record kinds ("【caption】 無資料，無法
// 套印"), a missing template ("以下檔案不存在: "), and a record removed since the list was filled; otherwise saves
// the filled form as 報表暫存/健康諮詢單_<員工編號>_YYYYMMDD_hhmmss.xlsx, opens it and says
// "個人健康諮詢單，套印完成". Returns the file written ("" if none).
QString FillConsultationForm(Program& program, const ConsultationPerson& person);

// The menu item "健康服務_個人化彙整套表" on the selected row of the person list (no selected row: says so).
void PersonalReportAll_Click(MainForm& form, Program& program);

} // namespace reports
