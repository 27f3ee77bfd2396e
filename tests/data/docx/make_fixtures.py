#!/usr/bin/python3
"""Writes the broken and foreign files the mail-merge tests feed to the template reader. Run it from this folder;
the files it writes are kept in the repository."""
import io
import zipfile

import docx
import openpyxl


def small_docx():
    doc = docx.Document()
    doc.add_paragraph("text")
    buf = io.BytesIO()
    doc.save(buf)
    return buf.getvalue()


def rezip(data, replace):
    out = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(data)) as zin, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            fixed = zipfile.ZipInfo(info.filename, date_time=(2024, 1, 1, 0, 0, 0))
            fixed.compress_type = zipfile.ZIP_DEFLATED
            zout.writestr(fixed, replace.get(info.filename, zin.read(info.filename)))
    return out.getvalue()


good = rezip(small_docx(), {})
open("not_a_docx.docx", "w", encoding="utf-8").write("這不是 Word 文件\n")
open("legacy.doc", "wb").write(b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + bytes(504))
open("truncated.docx", "wb").write(good[: len(good) // 2])
open("bad_xml.docx", "wb").write(rezip(good, {"word/document.xml": b'<?xml version="1.0"?><w:document '
                                             b'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
                                             b"<w:body><w:p><w:r><w:t>unclosed"}))
out = io.BytesIO()
with zipfile.ZipFile(out, "w") as z:
    z.writestr(zipfile.ZipInfo("[Content_Types].xml", date_time=(2024, 1, 1, 0, 0, 0)), "<Types/>")
open("no_document.docx", "wb").write(out.getvalue())
# A damaged entry: the deflated bytes of word/document.xml are overwritten, so its checksum fails.
damaged = bytearray(good)
name = b"word/document.xml"
at = damaged.find(name) + len(name)
for i in range(at + 10, at + 40):
    damaged[i] ^= 0x5A
open("damaged_entry.docx", "wb").write(bytes(damaged))
wb = openpyxl.Workbook()
wb.active["A1"] = "workbook"
wb.save("workbook.xlsx")
