"""套表_母性保護_統計與執行紀錄表.xlsx: the company-wide maternity statistics the program fills. Sheet 1 holds the
summary (the hazard names in B4:B9 are read by the program and name the hazard sheets), sheet 2 the figure cells
and their charts, sheets 3 to 12 receive the lists, 13 and 14 are the nurse's execution record and the notes. Sheet 1
is protected with the program's sheet password (the record rows stay open); the others are not."""
from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Alignment, Border, Font, PatternFill, Protection, Side
from xlsxgen import FONT, a4, protect, save

FILE_NAME = "套表_母性保護_統計與執行紀錄表.xlsx"
OUTPUTS = [FILE_NAME]
HAZARDS = ["物理性危害", "化學性危害", "生物性危害", "人因性危害", "社會心理性危害", "其他危害"]
LIST_SHEETS = ["個案列表"] + HAZARDS + ["附表1_作業場所危害風險評估", "附表2_健康情況評估", "附表3_工作適性安排"]
HEADER_FILL = PatternFill("solid", fgColor="D9E1F2")
LABEL_FILL = PatternFill("solid", fgColor="F2F2F2")
THIN = Side(style="thin", color="808080")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)


def put(ws, cell, text=None, fill=None, bold=False, size=11, wrap=True, unlocked=False):
    c = ws[cell]
    if text is not None:
        c.value = text
    c.font = Font(name=FONT, size=size, bold=bold)
    if fill:
        c.fill = fill
    c.border = BOX
    c.alignment = Alignment(vertical="center", wrap_text=wrap)
    if unlocked:
        c.protection = Protection(locked=False)


def summary(ws):
    ws.title = "統計與執行紀錄表"
    ws.sheet_view.showGridLines = False
    ws.column_dimensions["A"].width = 22
    ws.column_dimensions["B"].width = 34
    ws.column_dimensions["C"].width = 30
    ws.merge_cells("A1:C1")
    ws["A1"].value = "工作場所母性健康保護 統計與執行紀錄表"
    ws["A1"].font = Font(name=FONT, size=14, bold=True)
    ws["A1"].alignment = Alignment(horizontal="center")
    ws.merge_cells("A2:C2")
    ws["A2"].font = Font(name=FONT, size=11)
    for cell, text in (("A3", "項目"), ("B3", "內容"), ("C3", "統計")):
        put(ws, cell, text, HEADER_FILL, bold=True)
    ws.merge_cells("A4:A9")
    put(ws, "A4", "作業場所危害辨識 (最近一次附表一)", LABEL_FILL, bold=True)
    for i, name in enumerate(HAZARDS):
        put(ws, "B%d" % (i + 4), name)
        put(ws, "C%d" % (i + 4))
    put(ws, "A10", "風險等級", LABEL_FILL, bold=True)
    put(ws, "B10", "各管理分級人數")
    put(ws, "C10")
    # C10 holds one line per management level and the empty line after the last break: four lines at most, each
    # about 1.5 times the 11 pt font.
    ws.row_dimensions[10].height = 4 * 16.5
    ws.merge_cells("A11:C11")
    put(ws, "A11", "女性勞工", HEADER_FILL, bold=True)
    for row, text in ((12, "女性員工人數"), (13, "15 至 49 歲女性員工人數"), (14, "妊娠中 (最近一次附表二)"),
                      (15, "分娩後未滿一年"), (16, "哺乳中")):
        ws.merge_cells("A%d:B%d" % (row, row))
        put(ws, "A%d" % row, text, LABEL_FILL)
        put(ws, "C%d" % row)
    ws.merge_cells("A17:C17")
    put(ws, "A17", "工作適性安排 (附表三)", HEADER_FILL, bold=True)
    for row, text in ((18, "已完成工作適性安排"), (19, "尚未完成工作適性安排")):
        ws.merge_cells("A%d:B%d" % (row, row))
        put(ws, "A%d" % row, text, LABEL_FILL)
        put(ws, "C%d" % row)
    ws.merge_cells("A20:C20")
    put(ws, "A20", "執行紀錄 (日期 / 執行事項 / 備註)", HEADER_FILL, bold=True)
    for row in range(21, 31):
        for col in "ABC":
            put(ws, "%s%d" % (col, row), unlocked=True)
    ws.merge_cells("A31:B31")
    put(ws, "A31", "規律產檢人數 (最近一次附表二)", LABEL_FILL)
    put(ws, "C31")
    a4(ws, 31, "C")
    protect(ws)


def figures(ws):
    ws.title = "統計圖表"
    heads = {"A1": "危害類型", "B1": "人數", "D1": "管理分級", "E1": "人數", "G1": "女性勞工狀態", "H1": "人數",
             "J1": "規律產檢", "K1": "人數", "M1": "項目", "N1": "件數"}
    for cell, text in heads.items():
        put(ws, cell, text, HEADER_FILL, bold=True)
    for i, name in enumerate(HAZARDS):
        put(ws, "A%d" % (i + 2), name)
    for i, text in enumerate(["妊娠中", "分娩後", "哺乳中"]):
        put(ws, "G%d" % (i + 2), text)
    put(ws, "J2", "有規律產檢")
    put(ws, "J3", "無規律產檢")
    for i, text in enumerate(["個案數", "附表一", "附表二", "附表三"]):
        put(ws, "M%d" % (i + 2), text)
    for col in "ADGJM":
        ws.column_dimensions[col].width = 16
    for title, cats, vals, anchor in (("作業場所危害辨識", "A2:A7", "B2:B7", "A10"),
                                      ("管理分級", "D2:D4", "E2:E4", "H10")):
        chart = BarChart()
        chart.type = "bar"
        chart.title = title
        chart.legend = None
        c1, c2 = cats.split(":")
        v1, v2 = vals.split(":")
        chart.add_data(Reference(ws, range_string="'%s'!%s:%s" % (ws.title, v1, v2)), titles_from_data=False)
        chart.set_categories(Reference(ws, range_string="'%s'!%s:%s" % (ws.title, c1, c2)))
        chart.width, chart.height = 14, 8
        ws.add_chart(chart, anchor)
    a4(ws, 28, "N", landscape=True)


def build(out_dir):
    wb = Workbook()
    summary(wb.active)
    figures(wb.create_sheet())
    for name in LIST_SHEETS:
        wb.create_sheet(name)
    record = wb.create_sheet("執行紀錄")
    for col, text in zip("ABCD", ["日期", "對象", "執行事項", "備註"]):
        put(record, "%s1" % col, text, HEADER_FILL, bold=True)
        record.column_dimensions[col].width = 20
    notes = wb.create_sheet("說明")
    notes.column_dimensions["A"].width = 100
    for i, text in enumerate([
            "本活頁簿由系統依「母性保護_統計表」產生，統計起始日期之後建檔之母保個案。",
            "各清單取每一個案最近一次之附表 (附表一、二、三)。",
            "危害清單：最近一次填有該類危害 (非「無」) 之附表一；空白視為有待確認之危害，列入清單。",
            "管理分級：風險等級第二個字為「一」者為第一級，「二」者為第二級，其餘為第三級。"], start=1):
        notes["A%d" % i].value = text
        notes["A%d" % i].font = Font(name=FONT, size=11)
    save(wb, out_dir / FILE_NAME)
