#include "keyin/Catalogue.h"

#include "core/Database.h"

namespace keyin {

namespace {

const QString kNmqPersonal = QStringLiteral("個人資訊NMQ");
const QString kNmqHealth = QStringLiteral("診斷與症狀NMQ");
const QString kNmqBody = QStringLiteral("身體酸痛部位NMQ");
const QString kOwPersonal = QStringLiteral("個人資訊");
const QString kOwHealth = QStringLiteral("健檢資訊");
const QString kOwBurnOut = QStringLiteral("過勞問卷");

const QString kDateNote = QStringLiteral("日期，西元年在前，格式 YYYY/MM/DD（例如 1980/05/17）；"
                                         "不可晚於今天，也不可早於 90 年前的今天。");
const QString kFreqScale = QStringLiteral("請輸入一個數字 1~5：1 = 總是，2 = 常常，3 = 有時候，4 = 不常，"
                                          "5 = 從未或幾乎從未。");
const QString kDegreeScale = QStringLiteral("請輸入一個數字 1~5：1 = 很嚴重，2 = 嚴重，3 = 有一些，4 = 輕微，"
                                            "5 = 非常輕微。");

std::vector<CatalogueRow> buildRows() {
    std::vector<CatalogueRow> rows;
    auto add = [&rows](const QString& code, const QString& text, const QString& note, const QString& source,
                       const QString& topic) {
        rows.push_back({code, code + QLatin1Char(' ') + text, note, source, topic});
    };

    // The NMQ questionnaire.
    auto nmq = [&add](const QString& code, const QString& text, const QString& note, const QString& source) {
        add(code, text, note, source, kTopicNmq);
    };
    nmq("A01", "年度代碼",
        "本次調查的年度代碼，自由文字（例如 2025_NMQ），最多 36 個字元。"
        "按「現有年度代碼」可查看資料庫中已有的年度代碼與筆數，同一批調查請使用相同代碼。",
        kNmqPersonal);
    nmq("A02", "姓名", "受測者姓名。", kNmqPersonal);
    nmq("A03", "員工編號",
        "完整的員工編號，最多 49 個字元。按「使用人事資料」輸入員工編號後，"
        "可由人事資料帶入姓名、性別、出生年月日、部門、職稱、年齡與年資。",
        kNmqPersonal);
    nmq("A04", "性別", "請輸入一個數字：1 = 男，2 = 女。", kNmqPersonal);
    nmq("A05", "出生年月日", "出生日期，" + kDateNote + "寫入後自動計算年齡 (A11)；出生年月日本身不儲存。",
        kNmqPersonal);
    nmq("A06", "廠區", "工作所在的廠區名稱。", kNmqPersonal);
    nmq("A07", "部門", "所屬部門名稱。", kNmqPersonal);
    nmq("A08", "課/組", "所屬的課或組；沒有分課組時可填部門名稱。", kNmqPersonal);
    nmq("A09", "作業名稱", "目前從事的作業（工作內容）名稱，例如 搬運、組裝、電腦文書。", kNmqPersonal);
    nmq("A10", "職稱", "職稱，例如 作業員、工程師、課長。", kNmqPersonal);
    nmq("A11", "年齡", "年齡（歲），數字，可含一位小數；寫入出生年月日 (A05) 後會自動帶入。", kNmqPersonal);
    nmq("A12", "年資", "目前工作的年資（年），數字，可含小數，例如 3.5。", kNmqPersonal);
    nmq("A13", "身高", "身高（公分 cm），數字，例如 165.5。", kNmqPersonal);
    nmq("A14", "體重", "體重（公斤 kg），數字，例如 58.2。", kNmqPersonal);

    nmq("B01", "慣用手", "0 = 左手，1 = 右手；其他情形請直接輸入文字（例如 雙手）。", kNmqHealth);
    nmq("B02", "是否經醫師診斷為肌肉骨骼相關之職業病", "0 = 不是，1 = 是。", kNmqHealth);
    nmq("B03", "是否已通報中", "0 = 不適用（沒有職業病），1 = 未通報，2 = 是（已通報）。", kNmqHealth);
    nmq("B04", "過去一年身體是否有酸痛或不適",
        "0 = 沒有任何不適感：身體酸痛部位 P01~P15 全部自動填入 0；"
        "1 = 有不適感：P01~P15 清空，請逐一填寫各部位的酸痛程度。",
        kNmqHealth);
    nmq("B05", "症狀持續時間", "0 = 無，1 = 不一定，偶爾酸，2 = 最近 1~2 個月內感覺酸，3 = 已持續 2 個月以上。",
        kNmqHealth);
    nmq("B06", "其他症狀或病史說明", "自由文字，說明其他症狀或相關病史；沒有時輸入 0（= 無）。", kNmqHealth);

    const QStringList regions = {"頸",          "左肩",        "右肩",      "上背",      "下背或腰",
                                 "左手肘_前臂", "右手肘_前臂", "左手_手腕", "右手_手腕", "左臀_大腿",
                                 "右臀_大腿",   "左膝",        "右膝",      "左腳踝_腳", "右腳踝_腳"};
    for (int k = 0; k < regions.size(); ++k)
        nmq(QStringLiteral("P%1").arg(k + 1, 2, 10, QLatin1Char('0')), regions[k] + "酸痛程度",
            "此部位的酸痛或不適程度，請輸入一個數字 0~5：0 = 不痛（沒有不適），數字越大越嚴重，5 = 最嚴重。"
            "3 以上計入「等級3以上_酸痛部位累計」。",
            kNmqBody);

    // The overwork assessment.
    auto ow = [&add](const QString& code, const QString& text, const QString& note, const QString& source) {
        add(code, text, note, source, kTopicOverLoading);
    };
    ow("A01", "年度代碼",
       "本次評估的年度代碼，自由文字（例如 2025），最多 20 個字元；與員工編號組成紀錄鍵值。"
       "按「現有年度代碼」可查看已有健檢與過勞問卷資料的年度代碼。",
       kOwPersonal);
    ow("A02", "姓名", "受評估者姓名。", kOwPersonal);
    ow("A03", "員工編號",
       "完整的員工編號，最多 20 個字元。按「使用人事資料」輸入員工編號後，"
       "可由人事資料帶入姓名、部門、性別與出生年月日。",
       kOwPersonal);
    ow("A04", "部門代號", "部門代號；不清楚時可輸入任意代號。", kOwPersonal);
    ow("A05", "部門名稱", "部門名稱。", kOwPersonal);
    ow("A06", "性別", "請輸入一個數字：1 = 男，2 = 女。", kOwPersonal);
    ow("A07", "出生年月日", "出生日期，" + kDateNote, kOwPersonal);

    ow("B01", "健檢日期", "最近一次健康檢查的日期，" + kDateNote, kOwHealth);
    ow("B02", "身高", "身高（公分 cm），數字，例如 165.5。", kOwHealth);
    ow("B03", "體重", "體重（公斤 kg），數字，例如 58.2。", kOwHealth);
    ow("B04", "腰圍", "腰圍（公分 cm），數字。", kOwHealth);
    ow("B05", "收縮壓", "收縮壓（mmHg），一個數字，例如 128；不要輸入 128/82 的寫法。", kOwHealth);
    ow("B06", "舒張壓", "舒張壓（mmHg），一個數字，例如 82。", kOwHealth);
    ow("B07", "飯前血醣", "空腹（飯前）血糖（mg/dL），數字。", kOwHealth);
    ow("B08", "總膽固醇", "總膽固醇（mg/dL），數字。", kOwHealth);
    ow("B09", "三酸甘油脂", "三酸甘油脂（mg/dL），數字。", kOwHealth);
    ow("B10", "高密度膽固醇", "高密度脂蛋白膽固醇 HDL（mg/dL），數字。", kOwHealth);
    ow("B11", "低密度膽固醇", "低密度脂蛋白膽固醇 LDL（mg/dL），數字。", kOwHealth);
    ow("B12", "抽菸習慣", "目前是否抽菸，自由文字（例如 有，每日 10 支）；不抽菸輸入 0（= 無）。最多 255 個字元。",
       kOwHealth);
    ow("B13", "既往病歷", "過去的疾病史（例如 高血壓、糖尿病、心臟病），自由文字；沒有時輸入 0（= 無）。", kOwHealth);
    ow("B14", "健檢過程備註說明", "健康檢查過程的其他備註，自由文字；沒有時輸入 0（= 無）。", kOwHealth);

    const QStringList personal = {"你常覺得疲勞嗎?",           "你常覺得身體上體力透支嗎?",
                                  "你常覺得情緒上心力交瘁嗎?", "你常會覺得，「我快要撐不下去了」嗎?",
                                  "你常覺得精疲力竭嗎?",       "你常常覺得虛弱，好像快要生病了嗎?"};
    for (int k = 0; k < personal.size(); ++k)
        ow(QStringLiteral("I%1").arg(k + 1, 2, 10, QLatin1Char('0')), personal[k], "個人相關過勞。" + kFreqScale,
           kOwBurnOut);
    const QStringList work = {"你的工作會令人情緒上心力交瘁嗎？",
                              "你的工作會讓你覺得快要累垮了嗎?",
                              "你的工作會讓你覺得挫折嗎?",
                              "工作一整天之後，你覺得精疲力竭嗎?",
                              "上班之前只要想到又要工作一整天，你就覺得沒力嗎?",
                              "上班時你會覺得每一刻都很難熬嗎?",
                              "不工作的時候，你有足夠的精力陪朋友或家人嗎?"};
    for (int k = 0; k < work.size(); ++k) {
        QString note = "工作相關過勞。" + (k < 3 ? kDegreeScale : kFreqScale);
        if (k == 6) note += "此題反向計分：回答 1（總是）得 0 分，回答 5（從未）得 100 分。";
        ow(QStringLiteral("J%1").arg(k + 1, 2, 10, QLatin1Char('0')), work[k], note, kOwBurnOut);
    }
    ow("X01", "月加班時數等級",
       "近 6 個月平均每月加班時數的等級，只能輸入 0、1 或 2："
       "0 = 低（未滿 45 小時），1 = 中（45~80 小時），2 = 高（超過 80 小時）。",
       kOwBurnOut);
    ow("X02", "工作型態評估等級",
       "工作型態評估表中符合的項目數（不規律的工作、經常出差、異常溫度環境、噪音、時差、伴隨精神緊張的工作），"
       "只能輸入 0、1 或 2：0 = 0~1 項，1 = 2~3 項，2 = 4 項以上。",
       kOwBurnOut);
    ow("X03", "工作型態內容說明", "符合的工作型態項目與說明，自由文字；沒有時輸入 0（= 無）。", kOwBurnOut);
    return rows;
}

} // namespace

const std::vector<CatalogueRow>& catalogueRows() {
    static const std::vector<CatalogueRow> rows = buildRows();
    return rows;
}

int seedOnlineKeyIn(Database& db) {
    if (!db.tableExists(QStringLiteral("OnlineKeyIn"))) return 0;
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM \"OnlineKeyIn\"")).toInt() > 0) return 0;
    std::vector<QVariantList> params;
    for (const auto& r : catalogueRows())
        params.push_back({r.mainCode, r.type, r.note, r.source, r.topic});
    db.execBatch(QStringLiteral("INSERT INTO \"OnlineKeyIn\" (\"MainCode\", \"Type\", \"xNote\", \"xSource\", "
                                "\"xTopic\") VALUES (?, ?, ?, ?, ?)"),
                 params);
    return int(params.size());
}

const std::vector<Section>& sectionsOf(const QString& topic) {
    static const std::vector<Section> nmq = {{'A', 14, 0}, {'B', 6, 1}, {'P', 15, 2}};
    static const std::vector<Section> overwork = {{'A', 7, 0}, {'B', 14, 1}, {'I', 6, 2}, {'J', 7, 2}, {'X', 3, 2}};
    return topic == kTopicNmq ? nmq : overwork;
}

QStringList expectedCodes(const QString& topic) {
    QStringList codes;
    for (const auto& s : sectionsOf(topic))
        for (int i = 1; i <= s.count; ++i)
            codes << QStringLiteral("%1%2").arg(s.letter).arg(i, 2, 10, QLatin1Char('0'));
    return codes;
}

} // namespace keyin
