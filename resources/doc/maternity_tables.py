"""The maternity assessment tables as the nurse fills them: 套表_母性保護_附表1.xlsx to 附表3.xlsx (the empty
templates the export fills) and 範例_母性保護_匯入檔.xlsx (a filled example of all three, one table per sheet).
Every mapped cell sits at the address of the cell map (maternity/cellmap.tsv), unlocked, with a drop-down list where
the program compares the value against fixed words; A1 holds the exact title; the first sheet is protected with the
program's sheet password; each table prints on A4."""
import datetime

from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, PatternFill, Protection, Side
from openpyxl.worksheet.datavalidation import DataValidation
from xlsxgen import FONT, a4, protect, read_cellmap, save

TABLE_NAME = "套表_母性保護_附表%d.xlsx"
EXAMPLE_NAME = "範例_母性保護_匯入檔.xlsx"
OUTPUTS = [TABLE_NAME % n for n in (1, 2, 3)] + [EXAMPLE_NAME]
LAST_COL = "E"
HEADER_FILL = PatternFill("solid", fgColor="D9E1F2")
LABEL_FILL = PatternFill("solid", fgColor="F2F2F2")
THIN = Side(style="thin", color="808080")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)
LEVELS = "第一級管理,第二級管理,第三級管理"

# The section lines of each table, on the rows the cell map leaves free.
SECTIONS = {
    1: {4: "一、基本資料", 7: "二、危害辨識 (未發現該類危害者，請選「無」)", 8: "危害類型 / 危害內容說明",
        15: "三、風險等級", 17: "四、母性健康保護採行措施", 18: "1.危害控制 (工程控制)",
        22: "2.行政管理 (工作調整)", 26: "3.使用個人防護具", 28: "4.其他控制措施", 30: "五、執行人員及日期"},
    2: {4: "一、基本資料", 15: "二、個人疾病史", 17: "三、家族疾病史", 19: "四、預防接種史",
        20: "(請填: 有抗體 / 無抗體 / 不知道)", 24: "五、生育史", 28: "分娩方式",
        32: "六、妊娠史 (過去妊娠之特殊狀況)", 39: "七、其他評估", 49: "八、評估日期"},
    3: {4: "一、基本資料", 17: "二、健康評估", 18: "1.不適症狀", 20: "2.管理分級",
        22: "三、工作適性安排建議", 23: "(依序填寫建議事項，每列一項)", 36: "四、醫師"},
}

# Drop-down lists: (cells, words, whether only these words are accepted). Strict lists are the words the program
# counts; the others suggest a word and still take free text.
LISTS = {
    1: [(["B9", "B10", "B11", "B12", "B13", "B14"], "無", False), (["A16"], LEVELS, True),
        (["B6"], "常日班,輪班,夜班", False)],
    2: [(["B9"], "妊娠中,分娩後", True), (["B12", "B14"], "是,否", True), (["B40"], "有,無", True),
        (["B21", "B22", "B23"], "有抗體,無抗體,不知道", False), (["B45", "B46"], "是,否", False),
        (["B8"], "常日班,輪班,夜班", False)],
    3: [(["B6"], "妊娠中,分娩後", True), (["B10"], "是,否", True), (["A21"], LEVELS, True)],
}

# Cells that hold a date: shown as "YYYY/MM/DD" when the nurse types a date.
DATE_COLUMNS = {"EDD", "ChildbirthDate", "ExecuteDateT1", "ExecuteDateT2", "ExecuteDateT3"}

EXAMPLE = {
    1: {"B2": "王小華", "B3": "E0001", "B5": "製造部", "B6": "輪班", "B9": "噪音 (85 分貝以上)", "B10": "無",
        "B11": "無", "B12": "搬運重物 (10 公斤以上)", "B13": "無", "B14": "無", "A16": "第二級管理",
        "B19": "無", "B20": "加強局部排氣", "B21": "無", "B23": "暫停夜間輪班", "B24": "改為文書工作",
        "B25": "無", "B27": "耳塞", "B29": "無", "B31": "職業安全衛生室", "B32": "護理師", "B33": "林護理師",
        "B34": datetime.date(2024, 3, 15)},
    2: {"B2": "王小華", "B3": "E0001", "B5": "29", "B6": "製造部", "B7": "產品檢驗", "B8": "輪班",
        "B9": "妊娠中", "B10": "12", "B11": datetime.date(2024, 9, 20), "B12": "否", "B14": "否",
        "B16": "無", "B18": "高血壓 (母親)", "B21": "有抗體", "B22": "有抗體", "B23": "不知道",
        "B25": "1", "B26": "0", "B27": "0", "B29": "0", "B30": "0", "B31": "無", "B40": "有",
        "B41": "無", "B42": "不吸菸、不喝酒", "B43": "18-34 歲", "B44": "正常", "B45": "否", "B46": "否",
        "B47": "良好", "B50": datetime.date(2024, 3, 15)},
    3: {"B2": "王小華", "B3": "E0001", "B5": "29", "B6": "妊娠中", "B7": "12", "B8": datetime.date(2024, 9, 20),
        "B10": "否", "B11": "160", "B12": "55", "B13": "21.5", "B14": "118", "B15": "76", "B16": "產品檢驗",
        "B19": "偶有噁心", "A21": "第二級管理", "B24": "暫停夜間輪班", "B25": "避免搬運 10 公斤以上重物",
        "B26": "每 2 小時休息 10 分鐘", "B37": "陳醫師", "B38": datetime.date(2024, 3, 20)},
}


def label(ws, cell, text, fill=LABEL_FILL, bold=False):
    c = ws[cell]
    c.value = text
    c.font = Font(name=FONT, size=11, bold=bold)
    c.fill = fill
    c.border = BOX
    c.alignment = Alignment(vertical="center", wrap_text=True)


def value_cell(ws, row, col_letter, wide, date=False):
    """An unlocked cell the nurse fills; merged to the last column when wide."""
    address = "%s%d" % (col_letter, row)
    if wide:
        ws.merge_cells("%s:%s%d" % (address, LAST_COL, row))
    c = ws[address]
    c.font = Font(name=FONT, size=11)
    c.border = BOX
    c.alignment = Alignment(vertical="center", wrap_text=True)
    c.protection = Protection(locked=False)
    if date:
        c.number_format = "yyyy/mm/dd"
    return c


def build_sheet(ws, n, table, values=None):
    ws.sheet_view.showGridLines = False
    ws.column_dimensions["A"].width = 30
    for col in "BCDE":
        ws.column_dimensions[col].width = 17
    ws.merge_cells("A1:%s1" % LAST_COL)
    title = ws["A1"]
    title.value = table["title"]
    title.font = Font(name=FONT, size=14, bold=True)
    title.alignment = Alignment(horizontal="center", vertical="center", wrap_text=True)
    ws.row_dimensions[1].height = 36
    # Name and employee number; the record key (C3) is written by the export, top right.
    label(ws, "A2", "姓名")
    value_cell(ws, 2, "B", False)
    ws.merge_cells("C2:E2")
    ws["C2"].value = "附表案件號 (系統匯出時產生)"
    ws["C2"].font = Font(name=FONT, size=9, color="808080")
    ws["C2"].alignment = Alignment(horizontal="right")
    label(ws, "A3", "員工編號")
    value_cell(ws, 3, "B", False)
    ws.merge_cells("C3:E3")
    ws["C3"].font = Font(name="Consolas", size=10, bold=True, color="404040")
    ws["C3"].alignment = Alignment(horizontal="right")
    for row, text in SECTIONS[n].items():
        ws.merge_cells("A%d:%s%d" % (row, LAST_COL, row))
        label(ws, "A%d" % row, text, fill=HEADER_FILL, bold=True)
    last = 3
    for cell, column, sql_type, text in table["cells"]:
        col_letter, row = cell[0], int(cell[1:])
        last = max(last, row)
        if col_letter == "A":
            value_cell(ws, row, "A", True)
        else:
            label(ws, "A%d" % row, text)
            value_cell(ws, row, "B", True, date=column in DATE_COLUMNS)
        if sql_type == "TEXT" or sql_type.startswith("VARCHAR(2"):
            ws.row_dimensions[row].height = 30
    for cells, words, strict in LISTS[n]:
        dv = DataValidation(type="list", formula1='"%s"' % words, allow_blank=True, showDropDown=False)
        dv.showErrorMessage = strict
        dv.errorTitle = "輸入錯誤"
        dv.error = "請由清單中選擇: " + words.replace(",", "、")
        for c in cells:
            dv.add(c)
        ws.add_data_validation(dv)
    for address, v in (values or {}).items():
        ws[address].value = v
    a4(ws, last, LAST_COL)
    protect(ws)


def build(out_dir):
    tables = read_cellmap()
    for n, table in tables.items():
        wb = Workbook()
        ws = wb.active
        ws.title = "附表%d" % n
        build_sheet(ws, n, table)
        save(wb, out_dir / (TABLE_NAME % n))
    wb = Workbook()
    for n, table in tables.items():
        ws = wb.active if n == 1 else wb.create_sheet()
        ws.title = "附表%d" % n
        build_sheet(ws, n, table, EXAMPLE[n])
        ws["G1"].value = "範例：請先另存新檔後再編輯。匯入時系統讀取第一個工作表，附表二、附表三請各存成一個活頁簿。"
        ws["G1"].font = Font(name=FONT, size=10, color="C00000")
    save(wb, out_dir / EXAMPLE_NAME)
