#include "risk/WorkTables.h"

#include "core/Database.h"
#include "risk/Overwork.h"


#include <algorithm>
#include <ranges>

namespace risk {

namespace {
const QString kVc50 = QStringLiteral("VARCHAR(50)");
const QString kMemo = QStringLiteral("TEXT");

} // namespace

const std::vector<ColumnDef>& inPutFraminghamColumns() {
    static const std::vector<ColumnDef> columns = [] {
        auto c = vc50({"年度代碼", "姓名", "員工編號", "部門代號", "部門名稱", "性別", "出生年月日", "健檢日期",
                       "身高_cm", "體重_kg", "腰圍_cm", "收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂",
                       "高密度膽固醇", "低密度膽固醇"});
        c.push_back({QStringLiteral("抽菸習慣"), QStringLiteral("VARCHAR(255)")});
        c.push_back({QStringLiteral("既往病歷"), kMemo});
        c.push_back({QStringLiteral("健檢過程備註說明"), kMemo});
        return c;
    }();
    return columns;
}

const std::vector<ColumnDef>& inPutBurnOutColumns() {
    static const std::vector<ColumnDef> columns = [] {
        auto c = vc50({"年度代碼",
                       "姓名",
                       "員工編號",
                       "I01",
                       "I02",
                       "I03",
                       "I04",
                       "I05",
                       "I06",
                       "I_Score",
                       "I_Risk",
                       "J01",
                       "J02",
                       "J03",
                       "J04",
                       "J05",
                       "J06",
                       "J07",
                       "J_Score",
                       "J_Risk",
                       "月加班時數等級",
                       "工作型態評估等級"});
        c.push_back({QStringLiteral("工作型態內容說明"), kMemo});
        c.push_back({QStringLiteral("工作負荷等級"), kVc50});
        return c;
    }();
    return columns;
}

const std::vector<ColumnDef>& framinghamColumns() {
    static const std::vector<ColumnDef> columns = [] {
        auto c =
            vc50({"年度代碼", "姓名", "員工編號", "部門代號", "部門名稱", "SEX", "出生年月日", "身高_cm", "體重_kg",
                  "腰圍_cm", "收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂", "高密度膽固醇", "低密度膽固醇"});
        c.push_back({QStringLiteral("抽菸習慣"), QStringLiteral("VARCHAR(255)")});
        c.push_back({QStringLiteral("既往病歷"), kMemo});
        c.push_back({QStringLiteral("健檢過程備註說明"), kMemo});
        // The grades. Missing-data texts name several columns, so the grade columns are not length-limited.
        for (const char* n : {"年齡", "年齡分組", "BMI", "BMI分級", "糖尿病", "吸菸", "總膽固醇_積分", "總膽固醇_風險",
                              "低密度膽固醇_積分", "低密度膽固醇_風險", "Framingham_Risk_Score", "心血管疾病風險等級",
                              "成人血壓分級", "代謝症候群_分級", "三高族群分級", "異常工作負荷促發疾病_風險等級"})
            c.push_back({QString::fromUtf8(n), kMemo});
        return c;
    }();
    return columns;
}

const QStringList& toWordOverworkColumns() {
    static const QStringList columns{QStringLiteral("I_Score"),          QStringLiteral("I_Risk"),
                                     QStringLiteral("J_Score"),          QStringLiteral("J_Risk"),
                                     QStringLiteral("月加班時數等級"),   QStringLiteral("工作型態評估等級"),
                                     QStringLiteral("工作型態內容說明"), QStringLiteral("工作負荷等級")};
    return columns;
}

QStringList names(const std::vector<ColumnDef>& columns) {
    QStringList n;
    for (const ColumnDef& c : columns)
        n << c.name;
    return n;
}

std::vector<ColumnDef> toWordColumns() {
    std::vector<ColumnDef> defs;
    QStringList seen;
    for (const ColumnDef& c : framinghamColumns()) {
        defs.push_back({c.name, QStringLiteral("TEXT")});
        seen << c.name;
    }
    for (const QString& c : toWordOverworkColumns())
        if (!seen.contains(c, Qt::CaseInsensitive)) defs.push_back({c, QStringLiteral("TEXT")});
    return defs;
}

namespace {
void recreate(Database& db, const QString& table, const std::vector<ColumnDef>& columns) {
    Transaction t(db);
    recreateTable(db, table, columns);
    t.commit();
}
} // namespace

void createInPutFramingham(Database& db) {
    recreate(db, kInPutFramingham, inPutFraminghamColumns());
}
void createInPutBurnOut(Database& db) {
    recreate(db, kInPutBurnOut, inPutBurnOutColumns());
}

void createStagingTables(Database& db) {
    Transaction t(db);
    createInPutFramingham(db);
    createInPutBurnOut(db);
    t.commit();
}

std::vector<int> pairOverworkScales(const std::vector<StagedKey>& healthChecks, const std::vector<StagedKey>& scales) {
    // The scales by employee number, those of one number in staging order: sorted once and searched by halving,
    // which for thousands of persons costs less than hashing every number.
    std::vector<std::pair<QString, int>> byEmployee;
    byEmployee.reserve(scales.size());
    for (int i = 0; i < int(scales.size()); ++i)
        byEmployee.emplace_back(scales[size_t(i)].employee.trimmed(), i);
    std::stable_sort(byEmployee.begin(), byEmployee.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> pairs(healthChecks.size(), -1);
    for (size_t h = 0; h < healthChecks.size(); ++h) {
        const QString employee = healthChecks[h].employee.trimmed();
        if (employee.isEmpty()) continue; // no number, no person to match
        const auto [first, last] =
            std::equal_range(byEmployee.begin(), byEmployee.end(), std::pair<QString, int>(employee, 0),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        if (first == last) continue;
        const auto candidates = std::ranges::subrange(first, last) | std::views::values;
        const QString year = healthChecks[h].year.trimmed();
        bool anySameYear = false;
        for (int s : candidates)
            anySameYear = anySameYear || scales[size_t(s)].year.trimmed() == year;
        int best = -1, bestLevel = -2;
        for (int s : candidates) { // in staging order, so a later equal candidate replaces an earlier one
            if (anySameYear && scales[size_t(s)].year.trimmed() != year) continue;
            const int level = levelValue(scales[size_t(s)].workload).value_or(-1);
            if (level >= bestLevel) {
                best = s;
                bestLevel = level;
            }
        }
        pairs[h] = best;
    }
    return pairs;
}

} // namespace risk
