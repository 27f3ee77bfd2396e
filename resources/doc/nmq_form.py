"""套表_NMQ評估問卷.docx: one person's musculoskeletal symptom survey (NMQ) as the nurse hands it back to the
employee. Its merge fields are the columns of PersonalNMQ; every column appears once or more."""
from docgen import F, grid, heading, new_document, note, save, title
from docx.shared import Pt

FILE_NAME = "套表_NMQ評估問卷.docx"
OUTPUTS = [FILE_NAME]

# The columns of PersonalNMQ, in table order: the merge fields of this template.
PERSONAL_NMQ_COLUMNS = (
    ["XID", "年度代碼", "姓名", "員工編號"]
    + ["Basic%02d" % i for i in range(1, 19)]
    + ["Q%03d" % i for i in range(1, 17)]
    + ["ErgoTotal", "xFileName"]
)

# Body regions graded 0 to 5, by row of the form: (label, left column, right column); a region without sides has
# its one column in both places and spans the two cells.
REGIONS = [
    ("頸", "Q001", None),
    ("肩", "Q002", "Q003"),
    ("上背", "Q004", None),
    ("下背或腰", "Q005", None),
    ("手肘／前臂", "Q006", "Q007"),
    ("手／手腕", "Q008", "Q009"),
    ("臀／大腿", "Q010", "Q011"),
    ("膝", "Q012", "Q013"),
    ("腳踝／腳", "Q014", "Q015"),
]


def build(out_dir):
    doc = new_document("肌肉骨骼症狀調查表 (NMQ) 個人評估結果")
    title(doc, "肌肉骨骼症狀調查表（NMQ）個人評估結果",
          ["年度代碼：", F("年度代碼"), "　　填表日期：", F("Basic02")])

    heading(doc, "一、基本資料")
    grid(doc, [
        ["姓名", F("姓名"), "員工編號", F("員工編號")],
        ["性別", F("Basic09"), "年齡", [F("Basic10"), " 歲"]],
        ["廠區", F("Basic03"), "部門", F("Basic04")],
        ["課／組", F("Basic05"), "作業名稱", F("Basic06")],
        ["職稱", F("Basic07"), "年資", [F("Basic11"), " 年"]],
        ["身高", [F("Basic12"), " 公分"], "體重", [F("Basic13"), " 公斤"]],
    ], [28, 57, 28, 57], label_columns=(0, 2))

    heading(doc, "二、健康狀況")
    grid(doc, [
        ["慣用手", F("Basic14")],
        ["是否為肌肉骨骼相關之職業病", F("Basic15")],
        ["是否已通報中", F("Basic16")],
        ["目前是否有不適", F("Basic17")],
        ["症狀持續時間", F("Basic18")],
        ["其他症狀或病史說明", F("Q016")],
    ], [62, 108], label_columns=(0,))

    heading(doc, "三、身體各部位不適程度")
    note(doc, ["評分為 0 至 5 分：0 分表示沒有不適，分數愈高表示不適愈嚴重，5 分為最嚴重。"
               "評分 3 分以上的部位列為需注意部位。"])
    rows = [["身體部位", "左側", "右側"]]
    for label, left, right in REGIONS:
        rows.append([label, F(left), F(right)] if right else [label, F(left), None])
    grid(doc, rows, [62, 54, 54], header=True, label_columns=(0,))
    note(doc, ["需注意部位（評分 3 分以上）共 ", F("ErgoTotal"), " 處（全部 15 處）。"], size=11)

    heading(doc, "四、給您的說明")
    note(doc, ["本表整理您填寫的肌肉骨骼症狀調查結果。若有部位評分達 3 分以上，或不適持續、加重，"
               "請與職場護理人員聯繫，安排進一步評估及工作改善；平日請注意工作姿勢並適度休息、伸展。"], size=10.5)

    sign = note(doc, ["受評者：", F("Basic08"), "（", F("Basic01"), "）　簽名：＿＿＿＿＿＿＿＿　　"
                      "護理人員簽名：＿＿＿＿＿＿＿＿"], size=10.5)
    sign.paragraph_format.space_before = Pt(18)
    note(doc, ["紀錄編號：", F("XID"), "　資料來源：", F("xFileName")], size=8)

    save(doc, out_dir / FILE_NAME)
