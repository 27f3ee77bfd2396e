#include "reports/ConsultationForm.h"

#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "office/XlsxPackage.h"
#include "people/PersonPanel.h"
#include "people/PersonQueries.h"
#include "reports/PersonActions.h"

#include <QDir>
#include <QTreeWidget>

namespace reports {

namespace {

// A column written "as stored": its text, nothing for NULL.
QVariant stored(const Recordset& rs, const char* column) {
    const int c = rs.fieldIndex(QString::fromUtf8(column));
    if (c < 0 || rs.recordCount() == 0 || rs.isNull(0, c)) return {};
    return rs.text(0, c);
}

// A measurement formatted by a pattern ("0", "0.0"), written as the number it shows; NULL stays empty.
QVariant measured(const Recordset& rs, const char* column, const char* pattern) {
    const QVariant v = stored(rs, column);
    if (!v.isValid()) return {};
    const QString t = v.toString();
    if (!rules::isNumeric(t)) return t;
    return rules::format(rules::val(t), QString::fromUtf8(pattern)).toDouble();
}

// A level written as a whole number: 0 when empty, the stored text when it is no number.
QVariant level(const Recordset& rs, const char* column, std::optional<int>* number) {
    const QVariant v = stored(rs, column);
    const QString t = v.toString().trimmed();
    if (t.isEmpty()) {
        *number = 0;
        return 0.0;
    }
    if (!rules::isNumeric(t)) {
        number->reset();
        return v;
    }
    const int n = int(rules::roundHalfAway(rules::val(t), 0));
    *number = n;
    return double(n);
}

Recordset newest(const Database& db, const char* table, const QString& order, const QString& employeeNo) {
    return db.query(QStringLiteral("SELECT * FROM %1 WHERE \"員工編號\" = ? ORDER BY %2 LIMIT 1")
                        .arg(Database::quoteName(QString::fromUtf8(table)), order),
                    {employeeNo});
}

} // namespace

int cardiovascularGrade(const QString& riskScore) {
    QString t = riskScore.trimmed();
    if (t.isEmpty()) t = QStringLiteral("0");
    t.remove(QLatin1Char('%'));
    if (!rules::isNumeric(t)) return 2;
    const float v = float(rules::val(t));
    if (v < 10) return 0;
    if (v < 20) return 1;
    return 2;
}

QString interviewAdvice(int grade, int workloadLevel) {
    const int t = grade + workloadLevel;
    const QString head = QStringLiteral("【%1】").arg(t);
    if (t < 2) return head + QStringLiteral("_不需面談");
    if (t == 2) return head + QStringLiteral("_建議面談");
    return head + QStringLiteral("_需要面談");
}

QString birthDateWithAge(const QString& birthDate, const QDate& today) {
    const std::optional<QDate> birth = rules::parseDate(birthDate.trimmed());
    if (!birth) return birthDate;
    return birthDate + QStringLiteral("【目前 ") + QString::number(rules::ageOn(*birth, today)) +
           QStringLiteral(" 歲】");
}

ConsultationRecords readConsultationRecords(const Database& db, const QString& employeeNo) {
    ConsultationRecords r;
    const QString byYear = QStringLiteral("\"年度代碼\" DESC, rowid DESC");
    r.health = newest(db, "PersonalHealth", byYear, employeeNo);
    r.burnOut = newest(db, "PersonalBurnOut", byYear, employeeNo);
    r.nmq = newest(db, "PersonalNMQ", QStringLiteral("\"年度代碼\" DESC, \"Basic02\" DESC, rowid DESC"), employeeNo);
    return r;
}

std::vector<FormCell> consultationCells(const ConsultationRecords& records, const QDate& today) {
    std::vector<FormCell> cells;
    auto put = [&cells](const QString& ref, const QVariant& v) { cells.push_back({ref, v}); };
    const Recordset& h = records.health;

    // Column B: the health check.
    put(QStringLiteral("B2"), stored(h, "年度代碼"));
    put(QStringLiteral("B3"), stored(h, "姓名"));
    put(QStringLiteral("B4"), stored(h, "員工編號")); // a text cell: leading zeros stay
    put(QStringLiteral("B5"), stored(h, "部門代號"));
    put(QStringLiteral("B6"), stored(h, "部門名稱"));
    put(QStringLiteral("B7"), stored(h, "SEX"));
    const QVariant birth = stored(h, "出生年月日");
    put(QStringLiteral("B8"), birth.isValid() ? QVariant(birthDateWithAge(birth.toString(), today)) : QVariant());
    put(QStringLiteral("B9"), measured(h, "身高", "0"));
    put(QStringLiteral("B10"), measured(h, "體重", "0.0"));
    int row = 11;
    for (const char* c :
         {"腰圍", "收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂", "高密度膽固醇", "低密度膽固醇"})
        put(QStringLiteral("B%1").arg(row++), measured(h, c, "0"));
    for (const char* c : {"抽菸習慣", "既往病歷", "健檢過程備註說明", "成人血壓分級", "Framingham_Risk_Score"})
        put(QStringLiteral("B%1").arg(row++), stored(h, c));
    const int grade = cardiovascularGrade(stored(h, "Framingham_Risk_Score").toString());
    put(QStringLiteral("B24"), QStringLiteral("第【%1】級").arg(grade));
    put(QStringLiteral("B25"), stored(h, "代謝症候群_分級"));
    put(QStringLiteral("B26"), stored(h, "BMI分級"));
    put(QStringLiteral("B27"), stored(h, "三高族群分級"));

    // Column E: the overwork scale.
    const Recordset& b = records.burnOut;
    put(QStringLiteral("E2"), stored(b, "年度代碼"));
    row = 3;
    for (const char* c : {"I01", "I02", "I03", "I04", "I05", "I06", "I_Score", "I_Risk", "J01", "J02", "J03", "J04",
                          "J05", "J06", "J07", "J_Score", "J_Risk"})
        put(QStringLiteral("E%1").arg(row++), stored(b, c));
    std::optional<int> overtime, pattern, workload;
    put(QStringLiteral("E20"), level(b, "月加班時數等級", &overtime));
    put(QStringLiteral("E21"), level(b, "工作型態評估等級", &pattern));
    put(QStringLiteral("E22"), level(b, "工作負荷等級", &workload));
    put(QStringLiteral("E23"), double(grade));
    // A workload level that is no number cannot give an advice; the form says so rather than guess.
    put(QStringLiteral("E24"), workload ? interviewAdvice(grade, *workload) : QStringLiteral("-"));

    // Column H: the NMQ questionnaire, "無資料" for an empty answer, "-" throughout when there is none.
    const Recordset& n = records.nmq;
    QStringList nmqColumns{"Basic02", "Basic03", "Basic04", "Basic05", "Basic06",
                           "Basic14", "Basic15", "Basic16", "Basic17", "Basic18"};
    for (int q = 1; q <= 16; ++q)
        nmqColumns << QStringLiteral("Q%1").arg(q, 3, 10, QLatin1Char('0'));
    row = 2;
    for (const QString& c : nmqColumns) {
        QVariant v = QStringLiteral("-");
        if (n.recordCount() > 0) {
            const QString t = n.text(0, c);
            v = t.trimmed().isEmpty() ? QStringLiteral("無資料") : t;
        }
        put(QStringLiteral("H%1").arg(row++), v);
    }
    return cells;
}

QString FillConsultationForm(Program& program, const ConsultationPerson& person) {
    Ui& ui = program.ui();
    for (size_t k = 0; k < person.counts.size(); ++k)
        if (!rules::isNumeric(person.counts[k])) {
            ui.message(QStringLiteral("【%1】 無資料，無法套印").arg(person.captions[k]), {}, Ui::Icon::Critical);
            return {};
        }
    const QString templatePath = QDir(program.docFolder()).filePath(kConsultationTemplate);
    try {
        const ConsultationRecords records = readConsultationRecords(program.DBConn, person.employeeNo);
        // The list may be older than the records: a record removed since is said the same way.
        if (records.health.recordCount() == 0 || records.burnOut.recordCount() == 0) {
            const QString caption = records.health.recordCount() == 0 ? person.captions[0] : person.captions[1];
            ui.message(QStringLiteral("【%1】 無資料，無法套印").arg(caption), {}, Ui::Icon::Critical);
            return {};
        }
        std::unique_ptr<office::XlsxPackage> form = OpenWorkbookFile(program, templatePath);
        if (!form) return {};
        letEventsThrough();
        for (const FormCell& cell : consultationCells(records, program.ui().now().date())) {
            office::OfficeStatus status = office::OfficeStatus::success();
            if (cell.value.typeId() == QMetaType::Double)
                status = form->setCellNumber(0, cell.ref, cell.value.toDouble());
            else if (cell.value.isValid())
                status = form->setCellText(0, cell.ref, cell.value.toString());
            if (!status) {
                ui.message(QStringLiteral("無法寫入健康諮詢單:\r\n\r\n") + status.message(), {}, Ui::Icon::Critical);
                return {};
            }
        }
        const QString path =
            SaveWorkbookToReportFolder(program, *form, QStringLiteral("健康諮詢單_") + person.employeeNo);
        if (path.isEmpty()) return {};
        letEventsThrough();
        ui.message(QStringLiteral("個人健康諮詢單，套印完成"));
        return path;
    } catch (const DbError& e) {
        ui.message(QStringLiteral("資料庫錯誤, 無法套印健康諮詢單:\r\n\r\n") + e.message(), {}, Ui::Icon::Critical);
        return {};
    }
}

void PersonalReportAll_Click(MainForm& form, Program& program) {
    const std::optional<people::PersonRow> row = people::selectedRowOrSay(form, program);
    if (!row) return;
    const QTreeWidgetItem* header = form.PersonListView->headerItem();
    ConsultationPerson person;
    person.employeeNo = row->subItem(people::HsEmployeeNo);
    const int columns[3] = {people::HsHealthCount, people::HsBurnOutCount, people::HsNmqCount};
    for (int k = 0; k < 3; ++k) {
        person.counts[size_t(k)] = row->subItem(columns[k]);
        person.captions[size_t(k)] = header ? header->text(columns[k]) : QString();
    }
    FillConsultationForm(program, person);
}

} // namespace reports
