#pragma once
// The maternity case register MaternityHealth and its list, the "母保對象" mode of the person panel. A case is open
// ("列管中") exactly while 個案解除日 is empty; its assessment tables MHPT1-3 point to it by CaseKey = 個案檔號.

#include "core/Database.h"

#include <QDate>
#include <QString>

namespace maternity {

// The list mode and the caption of its search button.
inline const QString kModeCases = QStringLiteral("母保對象");
// The status shown in 個案解除日 while a case is open.
inline const QString kOpenCase = QStringLiteral("列管中");
// The most cases the list shows (the newest).
constexpr int kCaseListLimit = 50;

// The columns of the case list, in order (each headed by its field name).
enum CaseColumn {
    CaseName = 0,   // 姓名 (the row text)
    CaseNumber = 1, // 個案檔號
    CaseOpened = 2, // 個案建檔日 "YYYY/MM/DD hh:mm"
    CaseBirth = 3,  // 出生年月日 "YYYY/MM/DD"
    CaseAge = 4,    // 目前年齡: whole months from birth to today / 12, one decimal
    CaseEmployeeNo = 5,
    CaseIdentity = 6, // 身份ID
    CaseTable1 = 7,   // 附表一_危害評估: the number of the case's MHPT1 rows
    CaseTable2 = 8,   // 附表二_健康評估
    CaseTable3 = 9,   // 附表三_工作適性
    CaseEnded = 10,   // 個案解除日, "列管中" while open
    CasePhone = 11,   // 手機號碼
    CaseRemarks = 12, // 備註說明
    CaseColumnCount = 13,
};

// The case list for a keyword: the newest kCaseListLimit cases (by 個案建檔日) whose name or employee number contains
// the keyword anywhere ("%" and "_" match themselves; the empty keyword matches every case), with their ages on
// `today` and the numbers of their assessment rows. One statement; a keyword matching nothing gives the thirteen
// fields and no rows.
Recordset maternityCaseList(const Database& db, const QString& keyword, const QDate& today);

} // namespace maternity
