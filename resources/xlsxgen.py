"""Shared pieces of the Excel template generators in doc/: the maternity cell map (maternity/cellmap.tsv, the same
file the program embeds), the house styles and a reproducible save, so that a rebuild writes the same bytes."""
import pathlib

from reprosave import save_workbook

FONT = "新細明體"
SHEET_PASSWORD = "PZPZ"
CELLMAP = pathlib.Path(__file__).resolve().parent / "maternity" / "cellmap.tsv"


def read_cellmap():
    """The maternity cell map: {table number: {"title": A1 text, "cells": [(cell, column, sql type, label), ...]}}."""
    tables = {n: {"title": None, "cells": []} for n in (1, 2, 3)}
    for line in CELLMAP.read_text(encoding="utf-8").splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        f = line.split("\t")
        n = int(f[1])
        if f[0] == "title":
            tables[n]["title"] = f[2]
        elif f[0] == "cell":
            tables[n]["cells"].append((f[2], f[3], f[4], f[5]))
        else:
            raise ValueError("cellmap.tsv: bad line: " + line)
    return tables


def save(wb, path):
    """Saves with fixed document dates and zip entry times, and leaves the file alone when the bytes are the same."""
    save_workbook(wb, path)


def a4(ws, last_row, last_col="E", landscape=False):
    """Prints the used area on A4, fitted to one page wide, with the page number in the footer."""
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.orientation = "landscape" if landscape else "portrait"
    ws.page_setup.fitToWidth = 1
    ws.page_setup.fitToHeight = 0
    ws.sheet_properties.pageSetUpPr.fitToPage = True
    ws.print_area = "A1:%s%d" % (last_col, last_row)
    ws.page_margins.left = ws.page_margins.right = 0.5
    ws.page_margins.top = ws.page_margins.bottom = 0.6
    ws.oddFooter.center.text = "&P / &N"


def protect(ws):
    """Protects the sheet with the program's sheet password (Excel's default options)."""
    ws.protection.sheet = True
    ws.protection.password = SHEET_PASSWORD
