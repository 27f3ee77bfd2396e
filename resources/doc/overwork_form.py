"""套表_過負荷評估問卷.docx: one person's overwork (abnormal workload) assessment as the nurse hands it to the
employee: the health-check values and grades, the ten-year cardiovascular risk, the burnout scale and workload
levels, and the combined risk level with the interview advice. Its merge fields are columns of the print table
ToWord (every column of the Framingham work table plus the overwork columns)."""
from docgen import F, grid, heading, new_document, note, save, title
from docx.shared import Pt

FILE_NAME = "套表_過負荷評估問卷.docx"
OUTPUTS = [FILE_NAME]

# Every column of the Framingham work table, in table order, as the grading creates it (risk's framinghamColumns()):
# the staged health check, then the grades. Keep this list and that one alike.
FRAMINGHAM_COLUMNS = [
    "年度代碼", "姓名", "員工編號", "部門代號", "部門名稱", "SEX", "出生年月日",
    "身高_cm", "體重_kg", "腰圍_cm", "收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂", "高密度膽固醇",
    "低密度膽固醇", "抽菸習慣", "既往病歷", "健檢過程備註說明",
    "年齡", "年齡分組", "BMI", "BMI分級", "糖尿病", "吸菸", "總膽固醇_積分", "總膽固醇_風險", "低密度膽固醇_積分",
    "低密度膽固醇_風險", "Framingham_Risk_Score", "心血管疾病風險等級", "成人血壓分級", "代謝症候群_分級",
    "三高族群分級", "異常工作負荷促發疾病_風險等級",
]

# The overwork columns ToWord adds from the staged burnout scale.
BURNOUT_COLUMNS = [
    "I_Score", "I_Risk", "J_Score", "J_Risk", "月加班時數等級", "工作型態評估等級", "工作型態內容說明", "工作負荷等級",
]

# The merge fields of this template: the columns of ToWord.
TOWORD_COLUMNS = FRAMINGHAM_COLUMNS + BURNOUT_COLUMNS


def build(out_dir):
    doc = new_document("異常工作負荷促發疾病預防 過負荷評估結果")
    title(doc, "異常工作負荷促發疾病預防　過負荷評估結果", ["年度代碼：", F("年度代碼")])

    heading(doc, "一、基本資料")
    grid(doc, [
        ["姓名", F("姓名"), "員工編號", F("員工編號")],
        ["部門代號", F("部門代號"), "部門名稱", F("部門名稱")],
        ["性別", F("SEX"), "出生年月日", [F("出生年月日"), "（", F("年齡"), " 歲）"]],
    ], [28, 57, 28, 61], label_columns=(0, 2))

    heading(doc, "二、健康檢查結果與分級")
    grid(doc, [
        ["項目", "結果", "分級", "參考值"],
        ["身高", [F("身高_cm"), " 公分"], None, "－"],
        ["體重", [F("體重_kg"), " 公斤"], None, "－"],
        ["身體質量指數（BMI）", F("BMI"), F("BMI分級"), "18.5 ≦ BMI ＜ 24"],
        ["腰圍", [F("腰圍_cm"), " 公分"], None, "男 ＜ 90 公分，女 ＜ 80 公分"],
        ["血壓（收縮壓／舒張壓）", [F("收縮壓"), "／", F("舒張壓"), " mmHg"], F("成人血壓分級"), "＜ 120／80 mmHg"],
        ["飯前血糖", [F("飯前血醣"), " mg/dL"], None, "＜ 100 mg/dL"],
        ["總膽固醇", [F("總膽固醇"), " mg/dL"], None, "＜ 200 mg/dL"],
        ["三酸甘油脂", [F("三酸甘油脂"), " mg/dL"], None, "＜ 150 mg/dL"],
        ["高密度膽固醇（HDL）", [F("高密度膽固醇"), " mg/dL"], None, "男 ≧ 40，女 ≧ 50 mg/dL"],
        ["低密度膽固醇（LDL）", [F("低密度膽固醇"), " mg/dL"], None, "＜ 100 mg/dL"],
        ["代謝症候群", F("代謝症候群_分級"), None, "腰圍、血壓、血糖、三酸甘油脂、HDL 五項中符合三項以上"],
        ["三高（高血壓、高血糖、高血脂）", F("三高族群分級"), None, "－"],
        ["抽菸習慣", F("抽菸習慣"), None, None],
        ["既往病歷", F("既往病歷"), None, None],
        ["健檢備註", F("健檢過程備註說明"), None, None],
    ], [46, 42, 30, 56], header=True, label_columns=(0,))

    heading(doc, "三、十年內心血管疾病風險（Framingham 風險評估）")
    note(doc, ["十年內發生冠狀動脈心臟病的機率：", F("Framingham_Risk_Score"), "　風險分級：", F("心血管疾病風險等級")], size=11)
    note(doc, ["評估因子：年齡分組 ", F("年齡分組"), "，糖尿病 ", F("糖尿病"), "，吸菸 ", F("吸菸")], size=10.5)
    grid(doc, [
        ["計算方式", "積分", "十年風險"],
        ["以總膽固醇計算", F("總膽固醇_積分"), F("總膽固醇_風險")],
        ["以低密度膽固醇計算", F("低密度膽固醇_積分"), F("低密度膽固醇_風險")],
    ], [62, 56, 56], header=True, label_columns=(0,))
    note(doc, ["依健檢數值分別以總膽固醇及低密度膽固醇計算，取兩者中較高的十年風險。"], size=10)
    grid(doc, [
        ["十年風險", "＜ 10%", "10% ～ 20%", "＞ 20%"],
        ["風險分級", "低（0）", "中（1）", "高（2）"],
    ], [40, 44, 45, 45], header=True, label_columns=(0,))

    heading(doc, "四、過勞量表與工作負荷")
    grid(doc, [
        ["項目", "分數", "等級", "等級說明"],
        ["個人相關過勞", F("I_Score"), F("I_Risk"), "＜ 50 分輕微（0），50～70 分中度（1），＞ 70 分嚴重（2）"],
        ["工作相關過勞", F("J_Score"), F("J_Risk"), "＜ 45 分輕微（0），45～60 分中度（1），＞ 60 分嚴重（2）"],
        ["月加班時數", "－", F("月加班時數等級"), "＜ 45 小時（0），45～80 小時（1），＞ 80 小時（2）"],
        ["工作型態", "－", F("工作型態評估等級"), "符合 0～1 項（0），2～3 項（1），4 項以上（2）"],
        ["工作型態說明", F("工作型態內容說明"), None, None],
        ["工作負荷等級", "－", F("工作負荷等級"), "取以上四項中最高者：0 低負荷，1 中負荷，2 高負荷"],
    ], [34, 30, 32, 78], header=True, label_columns=(0,))

    heading(doc, "五、綜合評估與面談建議")
    note(doc, ["異常工作負荷促發疾病風險等級：", F("異常工作負荷促發疾病_風險等級")], size=12)
    note(doc, ["風險等級為心血管疾病風險分級（0～2）與工作負荷等級（0～2）之和：0～1 不需面談，2 建議面談，"
               "3～4 需要面談。"], size=10)
    grid(doc, [
        ["工作負荷＼心血管風險", "低（＜ 10%）", "中（10%～20%）", "高（＞ 20%）"],
        ["低負荷", "0　不需面談", "1　不需面談", "2　建議面談"],
        ["中負荷", "1　不需面談", "2　建議面談", "3　需要面談"],
        ["高負荷", "2　建議面談", "3　需要面談", "4　需要面談"],
    ], [44, 43, 44, 43], header=True, label_columns=(0,))
    heading(doc, "健康管理建議")
    grid(doc, [
        ["風險等級", "建議措施", "追蹤頻率"],
        ["0", "不需特別處置，維持正常工作", "－"],
        ["1", "建議改變生活型態，注意工作時間", "至少每年一次"],
        ["2", "建議改變生活型態，必要時就醫，調整工作型態", "至少每 6 個月一次"],
        ["3", "建議就醫並改變生活型態，限制工作", "至少每 3 個月一次"],
        ["4", "建議就醫並改變生活型態，限制工作", "至少每 1～3 個月一次"],
    ], [24, 104, 46], header=True, label_columns=(0,))

    sign = note(doc, ["受評者簽名：＿＿＿＿＿＿＿＿　　護理人員：＿＿＿＿＿＿＿＿　　醫師：＿＿＿＿＿＿＿＿"], size=10.5)
    sign.paragraph_format.space_before = Pt(18)
    note(doc, ["面談日期：＿＿＿＿年＿＿月＿＿日"], size=10.5)

    save(doc, out_dir / FILE_NAME)
