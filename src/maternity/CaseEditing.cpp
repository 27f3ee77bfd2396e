#include "maternity/CaseEditing.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/StringEditFrame.h"
#include "maternity/CaseList.h"
#include "people/PersonPanel.h"

#include <QTreeWidget>
#include <utility>

namespace maternity {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// "個案檔號【…】，" ⏎ "個案姓名【…】": the head of the end and delete boxes.
QString caseHead(const SelectedCase& c) {
    return QStringLiteral("個案檔號【") + c.caseNumber + QStringLiteral("】，") + kCrLf + QStringLiteral("個案姓名【") +
           c.name + QStringLiteral("】");
}

QString dashIfEmpty(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// One input box of the new case; Cancel gives the empty text and the sequence goes on.
QString ask(Ui& ui, int step, const QString& prompt, const QString& example) {
    return ui.input(prompt, QStringLiteral("母保個案建檔，%1/6").arg(step), example).value_or(QString());
}

} // namespace

QStringList newCaseRefusals(const NewCase& c) {
    QStringList lines;
    if (c.name.isEmpty()) lines << QStringLiteral("【個案姓名】 不可空白");
    if (c.name.contains(QLatin1Char('?'))) lines << QStringLiteral("【個案姓名】 不可有複雜字");
    if (!rules::isDate(c.birthDate)) lines << QStringLiteral("【出生年月日】 應為西元年 YYYY/MM/DD");
    if (c.employeeNo.isEmpty()) lines << QStringLiteral("【員工編號】 不可空白");
    if (c.identity.isEmpty()) lines << QStringLiteral("【身份 ID】 不可空白");
    return lines;
}

QString caseNumberFor(const QString& identity, const QDate& day) {
    return identity + QLatin1Char('-') + day.toString(QStringLiteral("yyyyMM"));
}

std::optional<QString> caseNameOf(const Database& db, const QString& caseNumber) {
    const Recordset rs = db.query(
        QStringLiteral("SELECT \"姓名\" FROM \"MaternityHealth\" WHERE \"個案檔號\" = ? ORDER BY rowid LIMIT 1"),
        {caseNumber});
    if (rs.recordCount() == 0) return std::nullopt;
    return rs.text(0, 0);
}

bool insertCase(Database& db, const NewCase& c, const QString& caseNumber, const QDateTime& now) {
    const std::pair<const char*, QVariant> row[] = {
        {"姓名", c.name},
        {"個案檔號", caseNumber},
        {"個案建檔日", rules::dateTimeText(now)},
        {"出生年月日", rules::normalizeDate(c.birthDate)},
        {"員工編號", c.employeeNo},
        {"身份ID", c.identity},
        {"個案解除日", QVariant()},
        {"手機號碼", dashIfEmpty(c.phone)},
        {"備註說明", dashIfEmpty(c.remarks)},
    };
    QStringList columns, marks;
    QVariantList values;
    for (const auto& [column, value] : row) {
        columns << Database::quoteName(QString::fromUtf8(column));
        marks << QStringLiteral("?");
        values << value;
    }
    values << caseNumber;
    // The test and the insert are one statement: a case number is never stored twice.
    return db.exec(QStringLiteral("INSERT INTO \"MaternityHealth\" (%1) SELECT %2 WHERE NOT EXISTS "
                                  "(SELECT 1 FROM \"MaternityHealth\" WHERE \"個案檔號\" = ?)")
                       .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                   values) == 1;
}

QString columnOf(CaseField field) {
    return field == CaseField::Phone ? QStringLiteral("手機號碼") : QStringLiteral("備註說明");
}

QString editCaption(CaseField field) {
    return field == CaseField::Phone ? QStringLiteral("編輯_個案資訊 (手機)")
                                     : QStringLiteral("編輯_個案資訊 (備註說明)");
}

std::optional<SelectedCase> selectedCase(CaseRegister& r) {
    const auto row = r.list.isCurrent() ? people::selectedRow(r.form) : std::nullopt;
    if (!row || row->subItem(CaseNumber).isEmpty()) {
        r.program.ui().info(QString::fromUtf8(people::kNothingSelected));
        return std::nullopt;
    }
    return SelectedCase{row->name(), row->subItem(CaseNumber), row->subItem(CaseEmployeeNo)};
}

void LoadMaternityCaseList(CaseRegister& r, const QString& keyword) {
    letEventsThrough();
    r.list.load(keyword);
}

void RefreshMaternityCaseList(CaseRegister& r) {
    const auto row = r.list.isCurrent() ? people::selectedRow(r.form) : std::nullopt;
    LoadMaternityCaseList(r, people::keywordText(r.form));
    if (!row) return;
    QTreeWidget* list = r.form.PersonListView;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->text(CaseNumber) != row->subItem(CaseNumber)) continue;
        list->setCurrentItem(item);
        people::MarkSelectedListItem(list, item);
        return;
    }
}

void MaternityHealthButton_Click(CaseRegister& r) {
    r.list.search();
}

void QVNewTopicMotherCareManagement_Click(CaseRegister& r) {
    people::ShowPersonQueryPanel(r.form);
    letEventsThrough();
    MaternityHealthButton_Click(r);
    letEventsThrough();
}

void QVMaternityHealthProtectionNewCase_Click(CaseRegister& r) {
    Ui& ui = r.program.ui();
    if (ui.message(QStringLiteral("個案姓名 、出生年月日、員工編號  、身份 ID、") + kCrLf +
                       QStringLiteral("聯絡電話、備註說明。 ") + kCrLf + kCrLf +
                       QStringLiteral("須填寫以上 6 項資訊，是否要進行 【母保對象】 個案建檔?"),
                   QStringLiteral("母保對象 個案新增"), Ui::Icon::Information, Ui::Buttons::YesNo) == Ui::Answer::No)
        return;

    NewCase c;
    c.name = ask(ui, 1, QStringLiteral("個案姓名"), QStringLiteral("王小美"));
    c.birthDate = ask(ui, 2, QStringLiteral("出生年月日 (西元年 YYYY/MM/DD)"), QStringLiteral("1990/01/01"));
    c.employeeNo = ask(ui, 3, QStringLiteral("員工編號"), QStringLiteral("A123"));
    c.identity = ask(ui, 4, QStringLiteral("身份 ID"), QStringLiteral("A123456789"));
    c.phone = ask(ui, 5, QStringLiteral("聯絡電話"), QStringLiteral("0912-345-678"));
    c.remarks = ask(ui, 6, QStringLiteral("備註說明"), QStringLiteral("無"));

    const QStringList refusals = newCaseRefusals(c);
    if (!refusals.isEmpty()) {
        ui.message(refusals.join(kCrLf) + kCrLf + kCrLf + QStringLiteral("個案基本資訊錯誤，無法建檔"),
                   QStringLiteral("資訊錯誤，請重新輸入"), Ui::Icon::Critical);
        return;
    }
    c.phone = dashIfEmpty(c.phone);
    c.remarks = dashIfEmpty(c.remarks);

    const QDateTime now = ui.now();
    const QString caseNumber = caseNumberFor(c.identity, now.date());
    // One case per person and month: a second one would share its number, and every action on either would act on
    // both.
    auto refuseDuplicate = [&](const QString& existingName) {
        ui.message(QStringLiteral("個案檔號【") + caseNumber + QStringLiteral("】已存在 (個案姓名【") + existingName +
                       QStringLiteral("】)，") + kCrLf +
                       QStringLiteral("同一身份 ID 於同一月份只能建立一筆母保個案，無法建檔"),
                   QStringLiteral("母保對象 個案新增"), Ui::Icon::Critical);
    };
    if (const auto existing = caseNameOf(r.program.DBConn, caseNumber)) {
        refuseDuplicate(*existing);
        return;
    }

    if (ui.message(
            QStringLiteral("個案姓名 : ") + c.name + kCrLf + QStringLiteral("出生年月日 : ") + c.birthDate + kCrLf +
                QStringLiteral("員工編號 : ") + c.employeeNo + kCrLf + QStringLiteral("身份 ID : ") + c.identity +
                kCrLf + QStringLiteral("聯絡電話 : ") + c.phone + kCrLf + QStringLiteral("備註說明 : ") + c.remarks +
                kCrLf + kCrLf + QStringLiteral("以上資訊，是否正確?"),
            QStringLiteral("母保個案 基本資訊確認"), Ui::Icon::Information, Ui::Buttons::YesNo) != Ui::Answer::Yes)
        return;

    if (!insertCase(r.program.DBConn, c, caseNumber, now)) {
        refuseDuplicate(caseNameOf(r.program.DBConn, caseNumber).value_or(QString()));
        return;
    }
    ui.message(QStringLiteral("母保個案 【") + c.name + QStringLiteral("】 建檔成功"));
    LoadMaternityCaseList(r, QString());
}

void QVMaternityHealthProtectionEdit_Click(CaseRegister& r, CaseField field) {
    const auto sel = selectedCase(r);
    if (!sel) return;
    const QString column = Database::quoteName(columnOf(field));
    // The first row is used should an older register hold the number twice.
    const Recordset rs = r.program.DBConn.query(
        QStringLiteral("SELECT %1 FROM \"MaternityHealth\" WHERE \"個案檔號\" = ? ORDER BY rowid LIMIT 1").arg(column),
        {sel->caseNumber});
    const QString current = rs.recordCount() > 0 ? rs.text(0, 0) : QString();
    CaseRegister* reg = &r;
    const QString caseNumber = sel->caseNumber;
    // The editor names the case it writes to; the edit ends when another row may be selected.
    const QString subject =
        QStringLiteral("個案姓名【") + sel->name + QStringLiteral("】，個案檔號【") + caseNumber + QStringLiteral("】");
    r.pendingEdit = ShowStringEditFrame(
        r.form, editCaption(field), current,
        [reg, column, caseNumber](const QString& value) {
            reg->program.DBConn.exec(
                QStringLiteral("UPDATE \"MaternityHealth\" SET %1 = ? WHERE \"個案檔號\" = ?").arg(column),
                {value, caseNumber});
            // The list keeps its current search.
            LoadMaternityCaseList(*reg, people::keywordText(reg->form));
        },
        subject);
}

void CancelCaseEdit(CaseRegister& r) {
    CancelStringEditFrame(r.form, r.pendingEdit);
}

void QVMaternityHealthProtectionEndCase_Click(CaseRegister& r) {
    const auto sel = selectedCase(r);
    if (!sel) return;
    Ui& ui = r.program.ui();
    const QString title = QStringLiteral("母保對象 解除列管");
    // Ending is once: an open row of the number comes first, so a stored end date here means every row is ended.
    const Recordset stored =
        r.program.DBConn.query(QStringLiteral("SELECT \"個案解除日\" FROM \"MaternityHealth\" WHERE \"個案檔號\" = ? "
                                              "ORDER BY \"個案解除日\" IS NOT NULL, rowid LIMIT 1"),
                               {sel->caseNumber});
    if (stored.recordCount() > 0 && !stored.isNull(0, 0)) {
        ui.message(caseHead(*sel) + kCrLf + kCrLf + QStringLiteral("母保對象已於 ") + stored.text(0, 0) +
                       QStringLiteral(" 解除列管，不再重複解除"),
                   title, Ui::Icon::Information);
        return;
    }
    const QString today = rules::dateText(ui.now().date());
    if (ui.message(caseHead(*sel) + kCrLf + kCrLf + QStringLiteral(" 將於 ") + today + QStringLiteral(" 解除列管?"),
                   title, Ui::Icon::Information, Ui::Buttons::YesNo) == Ui::Answer::No)
        return;
    // The stored end is the moment of confirmation, time included; a row ended already keeps its date.
    r.program.DBConn.exec(QStringLiteral("UPDATE \"MaternityHealth\" SET \"個案解除日\" = ? WHERE \"個案檔號\" = ? "
                                         "AND \"個案解除日\" IS NULL"),
                          {rules::dateTimeText(ui.now()), sel->caseNumber});
    ui.message(caseHead(*sel) + kCrLf + kCrLf + QStringLiteral("母保對象已解除列管"));
    LoadMaternityCaseList(r, QString());
}

void QVMaternityHealthProtectionDeleteCase_Click(CaseRegister& r) {
    const auto sel = selectedCase(r);
    if (!sel) return;
    Ui& ui = r.program.ui();
    if (ui.message(caseHead(*sel) + kCrLf + kCrLf + QStringLiteral(" 此動作將刪除以下指定個案，是否確定執行?"),
                   QStringLiteral("母保對象 刪除紀錄"), Ui::Icon::Information,
                   Ui::Buttons::YesNoDefaultNo) != Ui::Answer::Yes)
        return;
    // Only the register row goes; the assessment rows stay under the number.
    r.program.DBConn.exec(QStringLiteral("DELETE FROM \"MaternityHealth\" WHERE \"個案檔號\" = ?"), {sel->caseNumber});
    ui.message(caseHead(*sel) + kCrLf + kCrLf + QStringLiteral("母保紀錄 已刪除"));
    LoadMaternityCaseList(r, QString());
}

} // namespace maternity
