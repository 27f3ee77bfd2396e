"""Shared pieces of the Word template generators in doc/: an A4 page with the house fonts, headings, label/value
tables, real MERGEFIELDs (complex fields, shown as «name» until merged) and a reproducible save, so that a rebuild
writes the same bytes and the files do not churn."""
import docx
from docx.enum.table import WD_TABLE_ALIGNMENT
from docx.enum.text import WD_ALIGN_PARAGRAPH
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
from docx.shared import Mm, Pt

# The generators in doc/ take the reproducible save from here as well.
from reprosave import FIXED_TIME, save_package, save_workbook, write_if_changed  # noqa: F401

LATIN_FONT = "Times New Roman"
CJK_FONT = "標楷體"  # the usual face of printed forms in Taiwan; readers fall back to any CJK serif
LABEL_FILL = "E7E6E6"


def _set_style_fonts(style, size):
    style.font.name = LATIN_FONT
    style.element.get_or_add_rPr().get_or_add_rFonts().set(qn("w:eastAsia"), CJK_FONT)
    style.font.size = Pt(size)


def new_document(title):
    """An empty A4 document with the house fonts and the given document title."""
    doc = docx.Document()
    section = doc.sections[0]
    section.page_width, section.page_height = Mm(210), Mm(297)
    section.left_margin = section.right_margin = Mm(18)
    section.top_margin = section.bottom_margin = Mm(15)
    normal = doc.styles["Normal"]
    _set_style_fonts(normal, 11)
    normal.paragraph_format.space_after = Pt(2)
    cp = doc.core_properties
    cp.title = title
    cp.author = "職場健康服務管理系統"
    cp.last_modified_by = "職場健康服務管理系統"
    cp.created = cp.modified = cp.last_printed = FIXED_TIME
    cp.revision = 1
    return doc


def _run(paragraph, text="", size=None, bold=None):
    run = paragraph.add_run(text)
    if size is not None or bold is not None:
        if size is not None:
            run.font.size = Pt(size)
        if bold is not None:
            run.font.bold = bold
    return run


def add_field(paragraph, name, size=None, bold=None):
    """Appends a MERGEFIELD naming the column `name`: begin, instruction, separate, the «name» placeholder, end,
    each in a run of the same formatting, as Word writes it."""
    def field_char(kind):
        run = _run(paragraph, size=size, bold=bold)
        fc = OxmlElement("w:fldChar")
        fc.set(qn("w:fldCharType"), kind)
        run._r.append(fc)

    field_char("begin")
    run = _run(paragraph, size=size, bold=bold)
    instr = OxmlElement("w:instrText")
    instr.set(qn("xml:space"), "preserve")
    instr.text = " MERGEFIELD %s \\* MERGEFORMAT " % name
    run._r.append(instr)
    field_char("separate")
    _run(paragraph, "«%s»" % name, size=size, bold=bold)
    field_char("end")


def add_text(paragraph, parts, size=None, bold=None):
    """Appends text and fields: each part is either plain text or ("field", name)."""
    for part in parts:
        if isinstance(part, tuple):
            add_field(paragraph, part[1], size=size, bold=bold)
        elif part:
            _run(paragraph, part, size=size, bold=bold)
    return paragraph


def F(name):
    """A field part for add_text and the tables."""
    return ("field", name)


def title(doc, text, subtitle_parts=None):
    p = doc.add_paragraph()
    p.alignment = WD_ALIGN_PARAGRAPH.CENTER
    p.paragraph_format.space_after = Pt(4)
    _run(p, text, size=16, bold=True)
    if subtitle_parts:
        s = doc.add_paragraph()
        s.alignment = WD_ALIGN_PARAGRAPH.CENTER
        s.paragraph_format.space_after = Pt(8)
        add_text(s, subtitle_parts, size=10)


def heading(doc, text):
    p = doc.add_paragraph()
    p.paragraph_format.space_before = Pt(10)
    p.paragraph_format.space_after = Pt(4)
    p.paragraph_format.keep_with_next = True
    _run(p, text, size=13, bold=True)
    return p


def note(doc, parts, size=9.5):
    p = doc.add_paragraph()
    add_text(p, parts, size=size)
    return p


def shade(cell, fill=LABEL_FILL):
    tc_pr = cell._tc.get_or_add_tcPr()
    shd = OxmlElement("w:shd")
    shd.set(qn("w:val"), "clear")
    shd.set(qn("w:color"), "auto")
    shd.set(qn("w:fill"), fill)
    tc_pr.append(shd)


def fill_cell(cell, parts, bold=None, size=None, center=False):
    p = cell.paragraphs[0]
    if center:
        p.alignment = WD_ALIGN_PARAGRAPH.CENTER
    add_text(p, parts if isinstance(parts, list) else [parts], size=size, bold=bold)


def grid(doc, rows, widths_mm, header=False, label_columns=(), size=10):
    """A table with borders: rows of cells, each cell a text, a field part or a list of parts; None continues the
    cell to its left (merged). The first row is a shaded header when header is set; label columns are shaded."""
    table = doc.add_table(rows=len(rows), cols=len(widths_mm))
    table.style = doc.styles["Table Grid"]
    table.alignment = WD_TABLE_ALIGNMENT.CENTER
    for r, row in enumerate(rows):
        for c in range(len(widths_mm)):
            table.cell(r, c).width = Mm(widths_mm[c])
        for c, value in enumerate(row):
            if value is None:
                continue
            end = c
            while end + 1 < len(row) and row[end + 1] is None:
                end += 1
            cell = table.cell(r, c) if end == c else table.cell(r, c).merge(table.cell(r, end))
            is_label = (header and r == 0) or c in label_columns
            fill_cell(cell, value, bold=True if is_label else None, size=size, center=header and r == 0)
            if is_label:
                shade(cell)
    return table


def save(doc, path):
    """Saves with fixed zip entry times and core-property dates, and leaves the file alone when the bytes are the
    same, so that rebuilding changes nothing."""
    save_package(doc.save, path)
