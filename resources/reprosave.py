"""The reproducible save the template generators share: fixed document dates and zip entry times, and a file left
alone when its bytes are the same, so that a rebuild writes the same bytes and the files do not churn."""
import datetime
import io
import os
import pathlib
import zipfile

FIXED_TIME = datetime.datetime(2024, 1, 1, 0, 0, 0)
ZIP_TIME = (2024, 1, 1, 0, 0, 0)
AUTHOR = "職場健康服務管理系統"


def write_if_changed(path, data):
    """Writes bytes atomically unless the file already holds them."""
    path = pathlib.Path(path)
    if path.exists() and path.read_bytes() == data:
        return
    tmp = path.with_name(path.name + ".tmp")
    tmp.write_bytes(data)
    os.replace(tmp, path)


def save_package(save_to, path):
    """Lets save_to(stream) write an Office package, then rewrites its zip entries with fixed times and modes and
    writes the result (write_if_changed)."""
    raw = io.BytesIO()
    save_to(raw)
    out = io.BytesIO()
    with zipfile.ZipFile(raw) as zin, zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            fixed = zipfile.ZipInfo(info.filename, date_time=ZIP_TIME)
            fixed.compress_type = zipfile.ZIP_DEFLATED
            fixed.external_attr = 0o644 << 16
            zout.writestr(fixed, zin.read(info.filename))
    write_if_changed(path, out.getvalue())


def save_workbook(workbook, path):
    """Saves an openpyxl workbook with the program as its author and fixed property dates (save_package)."""
    workbook.properties.creator = AUTHOR
    workbook.properties.lastModifiedBy = AUTHOR
    workbook.properties.created = FIXED_TIME
    workbook.properties.modified = FIXED_TIME
    save_package(workbook.save, path)
