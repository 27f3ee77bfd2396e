#pragma once
// The company-wide maternity statistics: every case opened after a start date, the hazards and management levels of
// its latest attached table 1, the states from its latest table 2, the work-suitability tables (table 3) and the
// women among all employees. Computed first as plain data, then written into the statistics template.

#include "core/Database.h"
#include "office/OfficeStatus.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class Program;

namespace office {
class XlsxPackage;
} // namespace office

namespace maternity {

// The hazard columns of table 1 in the order of the statistics (sheets 4 to 9, cells B4 to B9 of sheet 1).
inline const std::array<QString, 6> kHazardColumns{
    QStringLiteral("HazardPhy"),        QStringLiteral("HazardChem"),
    QStringLiteral("HazardBio"),        QStringLiteral("HazardMusculoskeletal"),
    QStringLiteral("HazardPsychology"), QStringLiteral("HazardOther")};

// The management level of a table 1 from its RiskT1: the second character "一" → "A_第一級管理", "二" →
// "B_第二級管理", anything else (a shorter text, NULL) → "C_第三級管理".
QString managementLevel(const QString& riskT1);

// Whether a hazard cell names a hazard: only NULL and "無" mean none. An empty text counts as a hazard, so a table 1
// whose hazard cell was left blank is listed for the nurse to review rather than silently passed over.
bool namesHazard(const QVariant& hazardCell);

struct MaternityStatistics {
    QDateTime start; // cases opened after this moment are inside the window (a typed date alone: its midnight)
    QDate today;
    Recordset caseList; // sheet 3: every case of the window, newest first
    struct Hazard {
        QString column;
        QString displayName; // from the template; also the sheet's name
        Recordset list;      // the cases whose latest table 1 naming this hazard is inside the window
    };
    std::array<Hazard, 6> hazards;
    Recordset table1List; // latest table 1 of every case, with 作業場所危害風險評估 (RiskT1)
    std::vector<std::pair<QString, int>> levels; // level text and count, A first; a level without cases is absent
    Recordset table2List;                        // latest table 2, with 目前狀態, 有無規律產檢, 是否哺乳
    Recordset table3List;                        // latest table 3, with 目前狀態, 管理分級
    int women = 0;                               // women in the personnel list (no window)
    int womenAged15To49 = 0;                     // of those, one-decimal age from 15.0 to 49.0
    int pregnant = 0;                            // latest table 2 says 妊娠中
    int afterChildbirth = 0;                     // latest table 2 says 分娩後
    int breastfeeding = 0;                       // latest table 2 says 是 for breastfeeding
    int prenatalVisits = 0;                      // latest table 2 says 有 for regular prenatal check-ups

    int caseCount() const { return caseList.recordCount(); }
    int t1Count() const { return table1List.recordCount(); }
    int t2Count() const { return table2List.recordCount(); }
    int t3Count() const { return table3List.recordCount(); }
    // A count's share of the cases (none without cases).
    std::optional<double> share(int count) const;
    // "n 人；" and the share as "0.0%"; without cases the share is left empty.
    QString countAndShare(int count) const;
    // The level lines of sheet 1 C10: level, " : ", count and a line break for each level.
    QString levelLines() const;
};

// The hazard names the template holds in B4 to B9 of its first sheet when it is not at hand.
std::array<QString, 6> defaultHazardNames();

// Computes the statistics of the cases opened after the start (a date's midnight excluded). Throws DbError.
MaternityStatistics computeMaternityStatistics(Database& db, const QDateTime& start, const QDate& today,
                                               const std::array<QString, 6>& hazardNames = defaultHazardNames());

// Writes the statistics into an opened statistics template (sheet 1 unprotected and protected again with the sheet
// password, sheets added until there are 14) and renames its list sheets.
office::OfficeStatus writeMaternityStatistics(office::XlsxPackage& book, const MaternityStatistics& stats);

// The menu's statistics: asks for the start date, computes, writes the template and saves it as
// 套表_母性保護_暫存/套表_母性保護_統計與執行紀錄表.xlsx, then opens the folder.
void runMaternityStatistics(Program& program);

} // namespace maternity
