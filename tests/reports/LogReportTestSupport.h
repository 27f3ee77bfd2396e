#pragma once
// A small health-service log with known answers for the statistics reports, and the workbooks read back with
// python3-openpyxl (sheets, cells, merges, fills, fonts) and the charts found in the package.

#include "common/TestProgram.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace reports::test {

// The period of the small log: both ends hold an entry, and one entry lies a day outside each end.
inline const char* const kFrom = "2019/03/01";
inline const char* const kTo = "2020/01/31";

// The shipped event codes and work items, plus a second type under the letter A ("A_其他內科", whose code names no
// work item), a category "E_環境" without entries, a code of letter X pointing at an added work item whose text holds
// an apostrophe and a percent sign, and an added work item without text before it.
inline void seedSmallLog(Database& db) {
    db.exec("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES ('A90', '其他內科', "
            "'其他內科事件', '')");
    db.exec("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES ('X90', '職場訪視及其他服務', "
            "'自訂事件', '自訂''項目%')");
    db.exec("INSERT INTO NursingCode (MainCode, Type, Note, 健康服務工作要項) VALUES ('E01', '環境', '環境事件', '')");
    db.exec("INSERT INTO ListOHS (Type, 健康服務工作要項, MainCode) VALUES ('其他', '', 'ZZ_001')");
    db.exec("INSERT INTO ListOHS (Type, 健康服務工作要項, MainCode) VALUES ('其他', '自訂''項目%', 'ZZ_002')");
    struct Entry {
        const char* date;
        const char* time;
        const char* type;
        const char* department;
        const char* code;
        const char* severity;
    };
    const Entry entries[] = {
        {"2019/03/01", "08:00", "員工", "製造部", "A01", "1"}, // the first day
        {"2019/03/15", "09:00", "員工", "製造部", "A01", "2"},
        {"2019/12/31", "10:00", "承攬商", "品保部", "A02", "1"},
        {"2020/01/10", "11:00", "員工", "製造部", "A90", "3"},
        {"2020/01/31", "12:00", "派遣", "R&D_%部", "B01", "1"}, // the last day
        {"2020/02/01", "08:00", "員工", "製造部", "A01", "1"},  // a day after
        {"2019/02/28", "08:00", "員工", "製造部", "A01", "1"},  // a day before
        {"2020/01/15", "13:00", "員工", "製造部", "Y01", "3"},
        {"2020/01/15", "08:30", "員工", "O'Brien部", "C04", "9"}, // a severity outside 1 to 3
        {"2020/01/20", "14:00", "派遣", "R&Dx1部", "B02", "1"},
        {"2019/12/01", "15:00", "員工", "製造部", "X90", "1"},
        {"2019/12/02", "15:00", "員工", "製造部", "D01", "2"},
    };
    std::vector<QVariantList> rows;
    int n = 0;
    for (const Entry& e : entries)
        rows.push_back({QStringLiteral("S%1").arg(++n), e.date, e.time, e.type, QStringLiteral("E%1").arg(n),
                        QStringLiteral("人員%1").arg(n), e.department, e.code, e.severity,
                        QStringLiteral("經過%1").arg(n)});
    db.execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 人員身份, 員工編號, 人員姓名, 所屬部門, 事件代碼, "
        "嚴重代碼, 事件發生經過與症狀描述) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        rows);
}

// What openpyxl sees of a workbook: {"sheets": [names], "<sheet>": {"merges": [...], "cells": {ref: value},
// "fills": {ref: "RRGGBB"}, "fonts": {ref: "name|size|bold|RRGGBB"}, "widths": {col: width}, "charts": n}}.
// Cells, fills and fonts are given for the references asked (every sheet); charts are counted in the package.
inline QJsonObject readBack(const QString& path, const QStringList& refs) {
    const QString out = runPython(R"PY(
import json, posixpath, sys, zipfile
import xml.etree.ElementTree as ET
import openpyxl
path, refs = sys.argv[1], sys.argv[2:]
wb = openpyxl.load_workbook(path)
z = zipfile.ZipFile(path)
def rels(part):
    d, b = posixpath.split(part)
    name = posixpath.join(d, '_rels', b + '.rels')
    if name not in z.namelist(): return {}
    root = ET.fromstring(z.read(name))
    return {r.get('Id'): posixpath.normpath(posixpath.join(d, r.get('Target'))) for r in root}
wbrels = rels('xl/workbook.xml')
R = '{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id'
parts = [wbrels[s.get(R)] for s in ET.fromstring(z.read('xl/workbook.xml')).iter()
         if s.tag.endswith('}sheet')]
def rgb(c):
    return None if c is None or c.rgb is None or not isinstance(c.rgb, str) else c.rgb[-6:]
out = {'sheets': wb.sheetnames}
for ws, part in zip(wb.worksheets, parts):
    charts = 0
    for target in rels(part).values():
        if '/drawings/' in target:
            charts += sum(1 for t in rels(target).values() if '/charts/' in t)
    info = {'merges': sorted(str(r) for r in ws.merged_cells.ranges), 'charts': charts, 'cells': {}, 'fills': {},
            'fonts': {}, 'widths': {k: v.width for k, v in ws.column_dimensions.items()},
            'maxRow': ws.max_row, 'filter': ws.auto_filter.ref or ''}
    for ref in refs:
        c = ws[ref]
        if c.value is not None: info['cells'][ref] = c.value
        if c.fill is not None and c.fill.fill_type == 'solid': info['fills'][ref] = rgb(c.fill.fgColor)
        f = c.font
        info['fonts'][ref] = '%s|%s|%s|%s' % (f.name, f.sz, bool(f.b), rgb(f.color))
    out[ws.title] = info
print(json.dumps(out, ensure_ascii=False))
)PY",
                                  QStringList{path} + refs);
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

inline QString localPath(const QString& opened) {
    const QUrl url(opened);
    return url.isLocalFile() ? url.toLocalFile() : opened;
}

} // namespace reports::test
