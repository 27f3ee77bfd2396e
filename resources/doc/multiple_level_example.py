"""範例_多項四段分級標準.xlsx: the example the nurse starts her grading standards from. Its first sheet is what the
import "多項四段分級標準" reads (the seven columns 項目名稱, 性別, Level_0 ... Level_4) and holds the standards a new
database starts with; the second sheet explains how a criterion is written."""
import openpyxl
from openpyxl.styles import Alignment, Font, PatternFill

from docgen import save_workbook

FILE_NAME = "範例_多項四段分級標準.xlsx"
OUTPUTS = [FILE_NAME]
COLUMNS = ["項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"]

# The same rows the program seeds into a new MultipleLevel (a test compares the two).
STANDARDS = [
    ("收縮壓", "0", "<120", "<130", "<140", "<160", ">=160"),
    ("舒張壓", "0", "<80", "NA", "<90", "<100", ">=100"),
    ("飯前血醣", "0", "<100", "<126", ">=126", "NA", "NA"),
    ("總膽固醇", "0", "<200", "<240", "<280", ">=280", "NA"),
    ("三酸甘油脂", "0", "<150", "<200", ">=200", "NA", "NA"),
    ("低密度膽固醇", "0", "<100", "<130", "<160", "<190", ">=190"),
    ("高密度膽固醇", "1", ">=40", ">=35", "<35", "NA", "NA"),
    ("高密度膽固醇", "2", ">=50", ">=35", "<35", "NA", "NA"),
    ("BMI", "0", "18.5~23.9", "<27", "<30", "<35", ">=35"),
    ("腰圍", "1", "<90", ">=90", "NA", "NA", "NA"),
    ("腰圍", "2", "<80", ">=80", "NA", "NA", "NA"),
]

HELP = [
    "項目名稱: 健檢資料的欄位名稱 (如 收縮壓、飯前血醣、BMI), 大小寫須相同.",
    "性別: 0 = 不分性別, 1 = 男, 2 = 女.",
    "Level_0 ~ Level_4: 各等級的判定條件; 不使用的等級填 NA.",
    "條件寫法: 比較 (>=140、<90、=0、<>1), 以大寫 OR 連接的比較 (<90 OR >=140),",
    "          或範圍 (120~139, 含兩端), 以大寫 OR 連接的範圍 (120~139 OR 160~179).",
    "判定順序: 由 Level_0 往 Level_4 逐級判定, 數值取第一個符合的等級; 例如 Level_1 填 <130,",
    "          即表示 Level_0 以外、小於 130 者.",
    "文字項目 PRO、UOB: 條件為文字, 健檢值與其完全相同者屬於該等級.",
    "有任何一列無法解析時, 整個分級不會執行, 問題清單會顯示於網頁.",
]


def build(out_dir):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "多項四段分級標準"
    ws.append(COLUMNS)
    for row in STANDARDS:
        ws.append(list(row))
    for cell in ws[1]:
        cell.font = Font(name="Arial", size=12, bold=True, color="FFFFFF")
        cell.fill = PatternFill("solid", fgColor="008080")
        cell.alignment = Alignment(horizontal="center")
    for col, width in zip("ABCDEFG", (16, 8, 14, 12, 12, 12, 12)):
        ws.column_dimensions[col].width = width
    for row in ws.iter_rows(min_row=2):
        for cell in row:
            cell.number_format = "@"
    notes = wb.create_sheet("說明")
    for line in HELP:
        notes.append([line])
    notes.column_dimensions["A"].width = 100
    save_workbook(wb, out_dir / FILE_NAME)
