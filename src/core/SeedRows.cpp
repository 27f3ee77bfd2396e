#include "core/SeedRows.h"

#include "core/Database.h"

#include <QString>
#include <vector>

namespace {

// The health-service items of the labour health-protection rules (articles 9 and 11, 2021 wording), keyed by article
// and item because two items share the same wording.
struct WorkItem {
    const char* id;
    const char* type;
    const char* text;
};
const WorkItem kWorkItems[] = {
    {"H9-1", "臨場健康服務", "勞工體格（健康）檢查結果之分析與評估、健康管理及資料保存。"},
    {"H9-2", "臨場健康服務", "協助雇主選配勞工從事適當之工作。"},
    {"H9-3", "臨場健康服務", "辦理健康檢查結果異常者之追蹤管理及健康指導。"},
    {"H9-4", "臨場健康服務",
     "辦理未滿十八歲勞工、有母性健康危害之虞之勞工、職業傷病勞工與職業健康相關高風險勞工之評估及個案管理。"},
    {"H9-5", "臨場健康服務", "職業衛生或職業健康之相關研究報告及傷害、疾病紀錄之保存。"},
    {"H9-6", "臨場健康服務", "勞工之健康教育、衛生指導、身心健康保護、健康促進等措施之策劃及實施。"},
    {"H9-7", "臨場健康服務", "工作相關傷病之預防、健康諮詢與急救及緊急處置。"},
    {"H9-8", "臨場健康服務", "定期向雇主報告及勞工健康服務之建議。"},
    {"H9-9", "臨場健康服務", "其他經中央主管機關指定公告者。"},
    {"H11-1", "現場訪視", "辨識與評估工作場所環境、作業及組織內部影響勞工身心健康之危害因子，並提出改善措施之建議。"},
    {"H11-2", "現場訪視", "提出作業環境安全衛生設施改善規劃之建議。"},
    {"H11-3", "現場訪視", "調查勞工健康情形與作業之關連性，並採取必要之預防及健康促進措施。"},
    {"H11-4", "現場訪視", "提供復工勞工之職能評估、職務再設計或調整之諮詢及建議。"},
    {"H11-5", "現場訪視", "其他經中央主管機關指定公告者。"},
};

const char* workItemText(const char* id) {
    for (const auto& w : kWorkItems)
        if (qstrcmp(w.id, id) == 0) return w.text;
    return "";
}

struct Category {
    char letter;
    const char* type;
};
const Category kCategories[] = {
    {'A', "一般疾病（內科）"}, {'B', "外傷處置（非職業）"}, {'C', "健康諮詢與衛教"},
    {'D', "健康管理追蹤"},     {'X', "職場訪視及其他服務"}, {'Y', "職傷意外"},
};

struct EventCode {
    const char* code;
    const char* note;
    const char* workItem;
};
// A starting event-code table for the health room: six categories, Y for occupational injuries and accidents; every
// item belongs to one statutory work item.
const EventCode kEventCodes[] = {
    {"A01", "頭痛／頭暈 評估與處置", "H9-7"},
    {"A02", "發燒／上呼吸道症狀", "H9-7"},
    {"A03", "腸胃不適（腹痛、腹瀉、噁心嘔吐）", "H9-7"},
    {"A04", "經痛／婦科不適", "H9-7"},
    {"A05", "過敏／皮膚症狀", "H9-7"},
    {"A06", "胸悶、心悸、呼吸困難等急症之緊急處置", "H9-7"},
    {"A07", "休息觀察（留觀）", "H9-7"},
    {"A08", "轉介就醫／送醫（非職業）", "H9-7"},
    {"B01", "擦傷／挫傷 傷口護理", "H9-7"},
    {"B02", "割傷／刺傷 傷口護理", "H9-7"},
    {"B03", "扭傷／拉傷（冰敷、固定）", "H9-7"},
    {"B04", "燒燙傷 初步處置", "H9-7"},
    {"B05", "蚊蟲叮咬／動物咬傷", "H9-7"},
    {"B06", "眼部異物沖洗", "H9-7"},
    {"B07", "傷口換藥（後續護理）", "H9-7"},
    {"B08", "轉介就醫／送醫（外傷）", "H9-7"},
    {"C01", "一般健康諮詢（個人）", "H9-7"},
    {"C02", "血壓／血糖／體重量測與指導", "H9-7"},
    {"C03", "用藥與就醫諮詢", "H9-7"},
    {"C04", "心理健康／壓力諮詢", "H9-6"},
    {"C05", "生活型態個別指導（戒菸、體重控制、運動）", "H9-6"},
    {"C06", "團體衛教／健康講座", "H9-6"},
    {"C07", "健康促進活動（策劃及實施）", "H9-6"},
    {"D01", "健康檢查結果分析評估及資料建檔", "H9-1"},
    {"D02", "健康檢查異常者追蹤與健康指導", "H9-3"},
    {"D03", "選工配工評估（新進／調職）", "H9-2"},
    {"D04", "母性健康保護評估與追蹤（妊娠、分娩後、哺乳）", "H9-4"},
    {"D05", "異常工作負荷（過勞）高風險評估與個案管理", "H9-4"},
    {"D06", "未滿十八歲勞工評估", "H9-4"},
    {"D07", "肌肉骨骼症狀與作業關連性評估（人因）", "H11-3"},
    {"D08", "復工評估（職能評估、職務再設計或調整建議）", "H11-4"},
    {"X01", "現場訪視：危害因子辨識評估及改善建議", "H11-1"},
    {"X02", "作業環境安全衛生設施改善規劃建議", "H11-2"},
    {"X03", "定期向雇主報告及勞工健康服務建議", "H9-8"},
    {"X04", "職業衛生研究報告／傷病紀錄統計與保存", "H9-5"},
    {"X05", "急救藥品器材檢查及補充", "H9-7"},
    {"X06", "其他經中央主管機關指定公告事項", "H9-9"},
    {"Y01", "職業傷害 現場急救／緊急處置", "H9-7"},
    {"Y02", "職業傷害 傷口護理／換藥", "H9-7"},
    {"Y03", "職業傷害 送醫／轉診", "H9-7"},
    {"Y04", "化學品暴露（吸入、噴濺、誤觸）緊急處置", "H9-7"},
    {"Y05", "疑似職業病評估與轉介（作業關連性調查）", "H11-3"},
    {"Y06", "職業傷病勞工個案管理與追蹤", "H9-4"},
    {"Y07", "上下班途中事故（通勤災害）", "H9-4"},
    {"Y08", "職傷事件紀錄與統計協助", "H9-5"},
};

} // namespace

void seedListOHS(Database& db) {
    std::vector<QVariantList> rows;
    int n9 = 0, n11 = 0;
    for (const auto& w : kWorkItems) {
        const QString type = QString::fromUtf8(w.type);
        int n = QString::fromUtf8(w.id).startsWith(QLatin1String("H9-")) ? ++n9 : ++n11;
        rows.push_back({type, QString::fromUtf8(w.text),
                        type + QStringLiteral("_") + QString::number(n).rightJustified(3, QLatin1Char('0'))});
    }
    db.execBatch(QStringLiteral("INSERT INTO ListOHS (Type, 健康服務工作要項, MainCode) VALUES (?, ?, ?)"), rows);
}

void seedNursingCode(Database& db) {
    std::vector<QVariantList> rows;
    for (const auto& e : kEventCodes) {
        QString type;
        for (const auto& c : kCategories)
            if (c.letter == e.code[0]) type = QString::fromUtf8(c.type);
        rows.push_back(
            {QString::fromUtf8(e.code), type, QString::fromUtf8(e.note), QString::fromUtf8(workItemText(e.workItem))});
    }
    db.execBatch(QStringLiteral("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES (?, ?, ?, ?)"),
                 rows);
}
