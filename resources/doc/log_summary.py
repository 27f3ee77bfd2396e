"""健康服務紀錄統計.xlsx: the summary of the health-service log for a period. The program fills sheet 1 (title in
A1, the six category headings in C3:H3, severity counts per person type in C4:H6, C8:H10, C12:H14, and the three
most frequent event items of every person type and category below the "_前三名排行" labels at A/D/G of rows 18, 22,
27, 31, 36 and 40) and writes the three lists into sheets 2 to 4. Everything else here is the form's own."""

import openpyxl
from docgen import FIXED_TIME, save
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.worksheet.pagebreak import Break

FILE_NAME = "健康服務紀錄統計.xlsx"
OUTPUTS = [FILE_NAME]
FONT = "微軟正黑體"
PERSON_TYPES = ["員工", "承攬商", "派遣"]
HEAD_FILL = PatternFill("solid", fgColor="DDEBF7")
BLOCK_FILL = PatternFill("solid", fgColor="FCE4D6")
THIN = Side(style="thin", color="A6A6A6")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)
CENTER = Alignment(horizontal="center", vertical="center", wrap_text=True)
# Heights in points of the top-three rows. Every row carries its height, because one spreadsheet program sizes rows
# to their wrapped text while another keeps the stored height: a label or an event item takes two lines.
HEAD_HEIGHT = 20
TWO_LINES = 28


def _cell(ws, ref, value=None, bold=False, fill=None, size=11, align=CENTER, border=True):
    c = ws[ref]
    if value is not None:
        c.value = value
    c.font = Font(name=FONT, size=size, bold=bold)
    if fill is not None:
        c.fill = fill
    if align is not None:
        c.alignment = align
    if border:
        c.border = BOX
    return c


def _severity_block(ws, first_row, person_type):
    ws.merge_cells(start_row=first_row, start_column=1, end_row=first_row + 2, end_column=1)
    _cell(ws, "A%d" % first_row, person_type, bold=True, fill=BLOCK_FILL)
    for i in range(3):
        row = first_row + i
        if i:
            _cell(ws, "A%d" % row, fill=BLOCK_FILL)
        _cell(ws, "B%d" % row, str(i + 1), bold=True)
        for col in "CDEFGH":
            _cell(ws, "%s%d" % (col, row))


def _top_three_block(ws, head_row, person_type):
    ws.merge_cells(start_row=head_row, start_column=1, end_row=head_row, end_column=9)
    _cell(ws, "A%d" % head_row, person_type + "：各類別事件項目前三名", bold=True, fill=BLOCK_FILL,
          align=Alignment(horizontal="left", vertical="center"))
    ws.row_dimensions[head_row].height = HEAD_HEIGHT
    for label_row in (head_row + 1, head_row + 5):
        for r in range(label_row, label_row + 4):
            ws.row_dimensions[r].height = TWO_LINES
        for first in "ADG":
            col = ord(first) - ord("A") + 1
            _cell(ws, "%s%d" % (first, label_row), bold=True, fill=HEAD_FILL)
            _cell(ws, ws.cell(row=label_row, column=col + 1).coordinate, "件數", bold=True, fill=HEAD_FILL)
            _cell(ws, ws.cell(row=label_row, column=col + 2).coordinate, "百分比", bold=True, fill=HEAD_FILL)
            for r in range(label_row + 1, label_row + 4):
                _cell(ws, ws.cell(row=r, column=col).coordinate, align=Alignment(vertical="center", wrap_text=True))
                _cell(ws, ws.cell(row=r, column=col + 1).coordinate)
                _cell(ws, ws.cell(row=r, column=col + 2).coordinate)


def build(out_dir):
    wb = openpyxl.Workbook()
    wb.properties.creator = "職場健康服務管理系統"
    wb.properties.lastModifiedBy = "職場健康服務管理系統"
    wb.properties.created = wb.properties.modified = FIXED_TIME
    ws = wb.active
    ws.title = "健康服務紀錄分析總表"
    for col, width in zip("ABCDEFGHI", [30, 9, 11, 30, 9, 11, 30, 9, 11]):
        ws.column_dimensions[col].width = width

    ws.merge_cells("A1:I1")
    _cell(ws, "A1", "健康服務紀錄分析總表", bold=True, size=16, border=False,
          align=Alignment(horizontal="left", vertical="center"))
    ws.row_dimensions[1].height = 28
    _cell(ws, "A2", "各類別事件之嚴重代碼件數", bold=True, border=False,
          align=Alignment(horizontal="left", vertical="center"))
    _cell(ws, "A3", "人員身份", bold=True, fill=HEAD_FILL)
    _cell(ws, "B3", "嚴重代碼", bold=True, fill=HEAD_FILL)
    for col in "CDEFGH":
        _cell(ws, "%s3" % col, bold=True, fill=HEAD_FILL)
    ws.row_dimensions[3].height = 36
    for first_row, person_type in zip((4, 8, 12), PERSON_TYPES):
        _severity_block(ws, first_row, person_type)

    _cell(ws, "A16", "各類別事件項目前三名（件數及占該人員身份同類別事件之百分比）", bold=True, border=False,
          align=Alignment(horizontal="left", vertical="center"))
    for head_row, person_type in zip((17, 26, 35), PERSON_TYPES):
        _top_three_block(ws, head_row, person_type)

    ws.page_setup.orientation = "landscape"
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.fitToWidth = 1
    ws.sheet_properties.pageSetUpPr.fitToPage = True
    ws.page_setup.fitToHeight = 0
    # The summary and the employees' block make the first page; the two other blocks the second.
    ws.row_breaks.append(Break(id=25))

    for name in ("職傷意外記錄", "嚴重等級_2", "嚴重等級_3"):
        wb.create_sheet(name)
    save(wb, out_dir / FILE_NAME)
