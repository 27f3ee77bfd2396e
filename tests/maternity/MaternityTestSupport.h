#pragma once
// Shared pieces of the maternity tests: cases in the register, workbooks filled with python3-openpyxl the way a
// nurse fills them, and the cells of a workbook read back by openpyxl.

#include "common/TestProgram.h"
#include "maternity/AttachedTables.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace maternity::test {

// A case in the register; `opened` and `birth` as stored ("YYYY/MM/DD hh:mm:ss", "YYYY/MM/DD").
inline void addCase(Database& db, const QString& name, const QString& caseNumber, const QString& employee,
                    const QString& opened, const QString& birth = QStringLiteral("1995/05/05"),
                    const QVariant& ended = QVariant()) {
    db.exec("INSERT INTO MaternityHealth (姓名, 個案檔號, 個案建檔日, 出生年月日, 員工編號, 身份ID, 個案解除日, "
            "手機號碼, 備註說明) VALUES (?, ?, ?, ?, ?, ?, ?, '-', '-')",
            {name, caseNumber, opened, birth, employee, caseNumber.section('-', 0, 0), ended});
}

// Copies the template of table n (or any workbook of DataBase/DOC/) and fills its first sheet with openpyxl:
// `python` is run with `ws` the first worksheet and `datetime` imported ("ws['B2'] = '王'\n..."). Returns the path.
inline QString fillWorkbook(TestProgram& tp, const QString& docFile, const QString& python, const QString& outName) {
    const QString dir = tp.folder() + QStringLiteral("/nurse");
    QDir().mkpath(dir);
    const QString out = dir + QLatin1Char('/') + outName;
    runPython(QStringLiteral("import openpyxl, sys, datetime\n"
                             "wb = openpyxl.load_workbook(sys.argv[1])\n"
                             "ws = wb.worksheets[0]\n"
                             "exec(sys.argv[3])\n"
                             "wb.save(sys.argv[2])\n"),
              {tp.program().docFolder() + docFile, out, python});
    return out;
}

inline QString fillTable(TestProgram& tp, int n, const QString& python, const QString& outName) {
    return fillWorkbook(tp, QStringLiteral("套表_母性保護_附表%1.xlsx").arg(n), python, outName);
}

// The smallest filling that the import accepts for table n of employee `employee`.
inline QString minimalFilling(int n, const QString& employee = QStringLiteral("E001")) {
    QString py = QStringLiteral("ws['B2'] = '王小華'\nws['B3'] = '%1'\n").arg(employee);
    if (n == 1) py += QStringLiteral("ws['A16'] = '第二級管理'\n");
    if (n == 2) py += QStringLiteral("ws['B9'] = '妊娠中'\n");
    if (n == 3) py += QStringLiteral("ws['B6'] = '妊娠中'\nws['A21'] = '第一級管理'\n");
    return py;
}

// Reads a checked workbook for an employee.
inline AttachedTableReading readWorkbook(const QString& path, const QString& employee = QStringLiteral("E001")) {
    FilledWorkbook book;
    EXPECT_TRUE(bool(book.open(path))) << path.toStdString();
    return readAttachedTable(book, employee);
}

// The texts of cells of the first sheet as openpyxl reads them, one per line ("" for an empty cell).
inline QStringList openpyxlCells(const QString& path, const QStringList& cells) {
    const QString out = runPython(QStringLiteral("import openpyxl, sys\n"
                                                 "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                                 "for c in sys.argv[2:]:\n"
                                                 "    v = ws[c].value\n"
                                                 "    print('' if v is None else str(v).replace('\\n', '\\\\n'))\n"),
                                  QStringList{path} + cells);
    QStringList lines = out.split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

} // namespace maternity::test
