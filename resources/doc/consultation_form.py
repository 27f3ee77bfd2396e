"""健康諮詢單.xlsx: the nurse's consultation form for one employee. The program fills column B (the newest health
check, B2 to B27), column E (the newest overwork scale, E2 to E24) and column H (the newest NMQ questionnaire, H2 to
H27) of the first sheet; the captions in columns A, D and G and the print set-up are the form's own."""
import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

from docgen import save_workbook

FILE_NAME = "健康諮詢單.xlsx"
OUTPUTS = [FILE_NAME]

HEALTH = ["年度代碼", "姓名", "員工編號", "部門代號", "部門名稱", "性別 (1 男 / 2 女)", "出生年月日", "身高 (cm)",
          "體重 (kg)", "腰圍 (cm)", "收縮壓 (mmHg)", "舒張壓 (mmHg)", "飯前血醣 (mg/dL)", "總膽固醇 (mg/dL)",
          "三酸甘油脂 (mg/dL)", "高密度膽固醇 (mg/dL)", "低密度膽固醇 (mg/dL)", "抽菸習慣", "既往病歷",
          "健檢過程備註說明", "成人血壓分級", "Framingham 十年風險", "腦心血管疾病風險等級", "代謝症候群分級",
          "BMI 分級", "三高族群分級"]
OVERWORK = ["年度代碼"] + ["個人相關過勞 第 %d 題" % i for i in range(1, 7)] + ["個人相關過勞分數", "個人相關過勞等級"] \
    + ["工作相關過勞 第 %d 題" % i for i in range(1, 8)] + ["工作相關過勞分數", "工作相關過勞等級", "月加班時數等級",
                                                   "工作型態評估等級", "工作負荷等級", "腦心血管疾病風險等級",
                                                   "面談建議"]
NMQ = ["填表日期", "廠區", "部門", "課_組", "作業名稱", "慣用手", "是否為肌肉骨骼相關之職業病", "是否已通報中",
       "是否不適", "症狀持續時間", "頸", "左肩", "右肩", "上背", "下背或腰", "左手肘_前臂", "右手肘_前臂", "左手_手腕",
       "右手_手腕", "左臀_大腿", "右臀_大腿", "左膝", "右膝", "左腳踝_腳", "右腳踝_腳", "其他症狀或病史說明"]

FONT = "微軟正黑體"
FREE_TEXT_HEIGHT = 40
THIN = Side(style="thin", color="808080")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)


def build(out_dir):
    assert len(HEALTH) == 26 and len(OVERWORK) == 23 and len(NMQ) == 26
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "健康諮詢單"
    head_fill = PatternFill("solid", fgColor="1F4E78")
    label_fill = PatternFill("solid", fgColor="E7E6E6")
    for label_col, value_col, title, labels in (("A", "B", "健康檢查 (最新一筆)", HEALTH),
                                                ("D", "E", "過勞量表 (最新一筆)", OVERWORK),
                                                ("G", "H", "肌肉骨骼症狀 NMQ (最新一筆)", NMQ)):
        ws.merge_cells("%s1:%s1" % (label_col, value_col))
        cell = ws["%s1" % label_col]
        cell.value = title
        cell.font = Font(name=FONT, size=12, bold=True, color="FFFFFF")
        cell.fill = head_fill
        cell.alignment = Alignment(horizontal="center", vertical="center")
        for i, text in enumerate(labels):
            row = i + 2
            label = ws["%s%d" % (label_col, row)]
            label.value = text
            label.font = Font(name=FONT, size=10, bold=True)
            label.fill = label_fill
            label.border = BOX
            label.alignment = Alignment(vertical="center")
            value = ws["%s%d" % (value_col, row)]
            value.font = Font(name=FONT, size=10)
            value.border = BOX
            value.alignment = Alignment(horizontal="left", vertical="center", wrap_text=True)
    for col, width in {"A": 22, "B": 30, "C": 2, "D": 22, "E": 20, "F": 2, "G": 26, "H": 24}.items():
        ws.column_dimensions[col].width = width
    ws.row_dimensions[1].height = 22
    # The rows of free text (medical history, the check's remarks, other symptoms) hold three lines; the height is
    # stored, since not every spreadsheet program sizes a row to its wrapped text when it opens a file.
    for row in (HEALTH.index("既往病歷") + 2, HEALTH.index("健檢過程備註說明") + 2, NMQ.index("其他症狀或病史說明") + 2):
        ws.row_dimensions[row].height = FREE_TEXT_HEIGHT
    ws["A30"] = "諮詢紀錄:"
    ws["A30"].font = Font(name=FONT, size=11, bold=True)
    ws.merge_cells("A31:H36")
    ws["A31"].border = BOX
    ws["A38"] = "護理人員簽名:"
    ws["D38"] = "員工簽名:"
    ws["G38"] = "日期:"
    for ref in ("A38", "D38", "G38"):
        ws[ref].font = Font(name=FONT, size=11)
    ws.page_setup.orientation = "landscape"
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.fitToWidth = 1
    ws.page_setup.fitToHeight = 1
    ws.sheet_properties.pageSetUpPr.fitToPage = True
    ws.print_options.horizontalCentered = True
    ws.oddHeader.center.text = "個人健康諮詢單"
    ws.oddFooter.center.text = "&P/&N"
    save_workbook(wb, out_dir / FILE_NAME)
