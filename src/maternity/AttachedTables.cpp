#include "maternity/AttachedTables.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "core/Schema.h"

#include <QDir>
#include <QFileInfo>

namespace maternity {

namespace {

const QString kRule = QStringLiteral("----------------------<P>");
const QString kExportTitle = QStringLiteral("母保對象 個人評估表");

// A required cell of a kind: its address and the label of the problem when it is empty.
struct RequiredCell {
    int table;
    const char* cell;
    const char* label;
};
const RequiredCell kRequired[] = {
    {1, "A16", "三、風險等級  --> 內容空白 <P>"},
    {2, "B9", "目前狀態 (妊娠中、分娩後) --> 內容空白 <P>"},
    {2, "B14", "是否哺乳  --> 內容空白 <P>"}, // only after childbirth
    {3, "B6", "目前狀態 (妊娠中、分娩後) --> 內容空白 <P>"},
    {3, "A21", "2.管理分級 --> 內容空白 <P>"},
};

// A problem block of a recognised table: the title, what is wrong, and that the table is not stored.
QString tableProblem(const QString& title, const QString& what) {
    const QString t = htmlEscape(title);
    return t + QStringLiteral("<P>") + what + QStringLiteral("【") + t +
           QStringLiteral("】 因此無法匯入，請重新檢視 <P>") + kRule;
}

int characters(const QString& text) {
    return int(text.toUcs4().size());
}

} // namespace

// ---- reading a filled workbook ----

office::OfficeStatus FilledWorkbook::open(const QString& path) {
    if (const office::OfficeStatus st = m_package.open(path); !st) return st;
    // A first worksheet that cannot be read (damaged, or past the reader's limits) is refused here with its reason,
    // rather than read as empty cells; a first sheet that is no worksheet is read as empty, as the check then says.
    const office::OfficeStatus cells = m_package.loadCells(0);
    return cells.code() == office::OfficeError::NoSuchSheet ? office::OfficeStatus::success() : cells;
}

office::XlsxCellValue FilledWorkbook::cell(const QString& a1) {
    const auto ref = office::parseXlsxCell(a1);
    if (!ref || m_package.sheetCount() == 0) return {};
    return m_package.cell(0, ref->row, ref->col);
}

AttachedTableReading readAttachedTable(FilledWorkbook& book, const QString& employeeNumber) {
    AttachedTableReading r;
    r.title = book.text(QStringLiteral("A1"));
    const QString b3 = book.text(QString::fromLatin1(kEmployeeCell));
    // The employee is checked first, whatever the workbook holds.
    if (b3 != employeeNumber)
        r.problems += QStringLiteral("匯入檔，個案工號---> 【") + htmlEscape(b3) + QStringLiteral("】<P>") +
                      QStringLiteral("列表中，個案工號---> 【") + htmlEscape(employeeNumber) + QStringLiteral("】<P>") +
                      QStringLiteral("兩者不一致。【") + htmlEscape(r.title) +
                      QStringLiteral("】 因此無法匯入，請重新檢視 <P>") + kRule;
    r.kind = kindByTitle(r.title);
    if (!r.kind) {
        r.problems += QStringLiteral("匯入檔錯誤<P>此份檔案不是指定格式的母保附表<P>無法匯入，請重新檢視 <P>") + kRule;
        return r;
    }
    const int n = r.kind->number;
    for (const RequiredCell& req : kRequired) {
        if (req.table != n) continue;
        const QString cell = QString::fromLatin1(req.cell);
        if (n == 2 && cell == QLatin1String("B14") && book.text(QStringLiteral("B9")) != QStringLiteral("分娩後"))
            continue;
        if (book.text(cell).isEmpty()) r.problems += tableProblem(r.title, QString::fromUtf8(req.label));
    }

    // Every value to store: the name, the employee number and the mapped cells, each within its column.
    struct Source {
        QString cell;
        QString column;
        int maxLength;
        QString label;
    };
    std::vector<Source> sources{
        {QString::fromLatin1(kNameCell), QStringLiteral("Name"), kCommonColumnLength, QStringLiteral("姓名")},
        {QString::fromLatin1(kEmployeeCell), QStringLiteral("EMPLNO"), kCommonColumnLength,
         QStringLiteral("員工編號")}};
    for (const MappedCell& c : r.kind->cells)
        sources.push_back({c.cell, c.column, c.maxLength, c.label});
    for (const Source& s : sources) {
        const office::XlsxCellValue v = book.cell(s.cell);
        if (v.kind == office::XlsxCellValue::Kind::Error) {
            r.problems += tableProblem(r.title, QStringLiteral("%1 (儲存格 %2) 為錯誤值 %3 --> 無法讀取 <P>")
                                                    .arg(htmlEscape(s.label), s.cell, htmlEscape(v.text)));
            continue;
        }
        if (s.maxLength > 0 && characters(v.text) > s.maxLength)
            r.problems += tableProblem(r.title, QStringLiteral("%1 (儲存格 %2) 內容 %3 字，超過欄位長度 %4 字 <P>")
                                                    .arg(htmlEscape(s.label), s.cell)
                                                    .arg(characters(v.text))
                                                    .arg(s.maxLength));
        r.values[s.column] = v.text;
    }
    return r;
}

// ---- storing ----

QString attachedTableKey(int tableNumber, const QDateTime& at) {
    return QStringLiteral("T%1-").arg(tableNumber) + at.toString(QStringLiteral("yyMMddHHmmss"));
}

QString storeAttachedTable(Database& db, const AttachedTableReading& reading, const QString& caseNumber,
                           const QDateTime& at) {
    const AttachedTableKind& kind = *reading.kind;
    const QString key = attachedTableKey(kind.number, at);
    QStringList columns{kind.keyColumn, QStringLiteral("CaseKey"), QStringLiteral("xSaveDate")};
    QVariantList values{key, caseNumber, rules::dateTimeText(at)};
    auto add = [&](const QString& column) {
        columns.append(column);
        // An empty cell is stored as the empty text, never as NULL (a null QString would bind as NULL).
        const auto it = reading.values.find(column);
        const bool empty = it == reading.values.end() || it->second.isEmpty();
        values.append(empty ? QStringLiteral("") : it->second);
    };
    add(QStringLiteral("Name"));
    add(QStringLiteral("EMPLNO"));
    for (const MappedCell& c : kind.cells)
        add(c.column);
    Transaction tx(db);
    db.exec(insertSql(kind.table, columns), values);
    tx.commit();
    return key;
}

// ---- the import ----

bool importAttachedTable(Program& program, const MaternityCase& selected) {
    Ui& ui = program.ui();
    const QString question =
        QStringList{QStringLiteral("匯入格式須使用本系統指定之附表，系統會自動判斷匯入檔為附表1、2、3"),
                    QStringLiteral("(一次只能指定匯入一個附表)"),
                    QString(),
                    QStringLiteral("匯入之指定檔案，將與以下個案進行連結，是否確定執行?"),
                    QString(),
                    QStringLiteral("個案姓名 【") + selected.name + QStringLiteral("】"),
                    QStringLiteral("個案工號 【") + selected.employeeNumber + QStringLiteral("】"),
                    QStringLiteral("個案檔號【") + selected.caseNumber + QStringLiteral("】")}
            .join(QStringLiteral("\r\n"));
    if (!ui.askYesNo(question, QStringLiteral("附表匯入"), Ui::Icon::Information)) return false;
    const QString path = ui.openFileName(QStringLiteral("開啟"), QStringLiteral("MS-Excel 檔 (*.XLS* *.xls*)"));
    if (path.isEmpty()) return false;

    QString problems;
    AttachedTableReading reading;
    FilledWorkbook book;
    if (!QFileInfo(path).isFile()) {
        problems = htmlEscape(path) + QStringLiteral(" --> 不存在, 無法匯入<P>");
    } else if (const office::OfficeStatus st = book.open(path); !st) {
        problems = htmlEscape(path) + QStringLiteral(" --> 無法開啟, 無法匯入: ") + htmlEscape(st.message()) +
                   QStringLiteral("<P>") + kRule;
    } else {
        reading = readAttachedTable(book, selected.employeeNumber);
        problems = reading.problems;
    }

    if (problems.isEmpty()) {
        QString key;
        try {
            key = storeAttachedTable(program.DBConn, reading, selected.caseNumber, ui.now());
        } catch (const DbError& e) {
            ui.message(QStringLiteral("【母保附表 匯入】 無法寫入資料庫，未匯入任何資料:\r\n\r\n") + e.message(), {},
                       Ui::Icon::Critical);
            return false;
        }
        // The kind is the one A1 names, whichever sheet the nurse filled: she is told which table was stored.
        ui.message(QStringLiteral("【母保附表  匯入】 完成\r\n\r\n附表%1，").arg(reading.kind->number) + key +
                   QStringLiteral(" 已存入\r\n") + reading.kind->title);
        return true;
    }
    ui.message(QStringLiteral("【母保附表 匯入查驗】 完成, 但有部份檔案內容有誤, 暫不匯入，請參考除錯報告."));
    ShowHtmlText(program, QStringLiteral("除錯訊息"), problems);
    return false;
}

// ---- the export ----

QString exportFileName(const QString& name, int tableNumber, const QString& status, const QString& key) {
    const QString table = QStringLiteral("_母保附表%1_").arg(tableNumber);
    const QString tail = QStringLiteral("_") + cleanFileNamePart(key) + QStringLiteral(".xlsx");
    // The name must stay within the file system's bytes: the status word gives way first, then the case name; the
    // table number and the key stay whole.
    QString head = fitFileName(name, table + tail);
    head.chop(table.size() + tail.size());
    return fitFileName(head + table + (status.isNull() ? QStringLiteral("未填") : status), tail);
}

QString maternityOutputFolder(Program& program) {
    return program.path(QStringLiteral("套表_母性保護_暫存"));
}

QString makeMaternityOutputFolder(Program& program, const QString& title) {
    const QString folder = maternityOutputFolder(program);
    if (QDir().mkpath(folder)) return folder;
    program.ui().message(QStringLiteral("無法建立資料夾: ") + QDir::toNativeSeparators(folder), title,
                         Ui::Icon::Critical);
    return {};
}

void sayTemplateNotFilled(Program& program, const office::XlsxPackage& book, const office::OfficeStatus& status,
                          const QString& title) {
    program.ui().message(QStringLiteral("無法填寫範本:\r\n\r\n") + book.path() + QStringLiteral("\r\n\r\n") +
                             status.message(),
                         title, Ui::Icon::Critical);
}

void sayStoredAndOpen(Program& program, const QString& what, const QString& folder) {
    program.ui().message(what + QStringLiteral("已存於 ") + QDir::toNativeSeparators(folder) + QStringLiteral("/  "));
    program.ui().openWithDesktop(folder);
}

namespace {

// The status word of a stored row of table n (a NULL status gives a null text).
QString statusWord(const Recordset& rs, int row, int n) {
    const int state = rs.fieldIndex(n == 1 ? QStringLiteral("RiskT1") : QStringLiteral("CurrentSate"));
    if (n == 1 || n == 2) return rs.isNull(row, state) ? QString() : rs.text(row, state);
    const int risk = rs.fieldIndex(QStringLiteral("RiskT3"));
    if (rs.isNull(row, state) && rs.isNull(row, risk)) return {};
    return rs.text(row, state) + QStringLiteral("-") + rs.text(row, risk);
}

} // namespace

void exportAttachedTables(Program& program, const MaternityCase& selected) {
    Ui& ui = program.ui();
    const QString folder = makeMaternityOutputFolder(program, kExportTitle);
    if (folder.isEmpty()) return;
    int counts[3] = {0, 0, 0};
    std::vector<Recordset> rows(3);
    try {
        const Recordset c = program.DBConn.query(
            QStringLiteral("SELECT (SELECT count(*) FROM MHPT1 WHERE CaseKey = ?), (SELECT count(*) FROM MHPT2 WHERE "
                           "CaseKey = ?), (SELECT count(*) FROM MHPT3 WHERE CaseKey = ?)"),
            {selected.caseNumber, selected.caseNumber, selected.caseNumber});
        for (int n = 0; n < 3; ++n)
            counts[n] = c.value(0, n).toInt();
    } catch (const DbError& e) {
        ui.message(QStringLiteral("無法讀取母性保護附表:\r\n\r\n") + e.message(), kExportTitle, Ui::Icon::Critical);
        return;
    }
    QString countText;
    for (int n = 1; n <= 3; ++n)
        countText += QStringLiteral("附表 %1 : %2 份 \r\n").arg(n).arg(counts[n - 1]);
    const QString head = QStringLiteral("個案檔號【") + selected.caseNumber + QStringLiteral("】，\r\n個案姓名【") +
                         selected.name + QStringLiteral("】\r\n\r\n") + countText + QStringLiteral("\r\n\r\n");
    if (counts[0] + counts[1] + counts[2] == 0) {
        ui.message(head + QStringLiteral(" 上述個案未填寫任何母性保護評估表。無法輸出個人套表"), kExportTitle,
                   Ui::Icon::Critical);
        return;
    }
    if (!ui.askYesNo(head + QStringLiteral(" 是否匯出上述個人之母性保護評估表"), kExportTitle, Ui::Icon::Information))
        return;

    for (const AttachedTableKind& kind : attachedTableKinds()) {
        Recordset rs;
        try {
            rs = program.DBConn.query(QStringLiteral("SELECT * FROM %1 WHERE CaseKey = ? ORDER BY xSaveDate")
                                          .arg(Database::quoteName(kind.table)),
                                      {selected.caseNumber});
        } catch (const DbError& e) {
            ui.message(QStringLiteral("無法讀取母性保護附表:\r\n\r\n") + e.message(), kExportTitle, Ui::Icon::Critical);
            return;
        }
        letEventsThrough();
        // A missing or unreadable template stops the export; the kinds before it stay written.
        auto book = OpenWorkbookFile(program, program.docFolder() +
                                                  QStringLiteral("套表_母性保護_附表%1.xlsx").arg(kind.number));
        if (!book) return;
        const int keyField = rs.fieldIndex(kind.keyColumn);
        for (int r = 0; r < rs.recordCount(); ++r) {
            office::OfficeStatus st = book->unprotectSheet(0, kSheetPassword);
            auto put = [&](const QString& cell, const QString& column) {
                if (st) st = book->setCellText(0, cell, rs.text(r, column));
            };
            if (st) st = book->setCellText(0, QString::fromLatin1(kKeyCell), rs.text(r, keyField));
            put(QString::fromLatin1(kNameCell), QStringLiteral("Name"));
            put(QString::fromLatin1(kEmployeeCell), QStringLiteral("EMPLNO"));
            for (const MappedCell& c : kind.cells)
                put(c.cell, c.column);
            if (st) st = book->protectSheet(0, kSheetPassword);
            if (!st) {
                sayTemplateNotFilled(program, *book, st, kExportTitle);
                return;
            }
            const QString file =
                exportFileName(selected.name, kind.number, statusWord(rs, r, kind.number), rs.text(r, keyField));
            if (!SaveWorkbookAs(program, *book, folder + QLatin1Char('/') + file)) return;
            letEventsThrough();
        }
    }
    sayStoredAndOpen(program, QStringLiteral("套表_母性保護 ，"), folder);
}

// ---- delete and example ----

const AttachedTableKind* kindOfKey(const QString& key) {
    if (key.size() < 2) return nullptr;
    const QChar digit = key.at(1);
    if (digit < QLatin1Char('1') || digit > QLatin1Char('3')) return nullptr;
    return &attachedTableKind(digit.digitValue());
}

std::vector<StoredTableRow> storedTableRows(const Database& db, const QString& key) {
    const AttachedTableKind* kind = kindOfKey(key);
    if (!kind) return {};
    const Recordset rs =
        db.query(QStringLiteral(
                     "SELECT ifnull((SELECT M.\"姓名\" FROM \"MaternityHealth\" AS M WHERE M.\"個案檔號\" = T.CaseKey "
                     "ORDER BY M.rowid LIMIT 1), T.Name), T.CaseKey, T.xSaveDate FROM %1 AS T WHERE T.%2 = ? "
                     "ORDER BY T.rowid")
                     .arg(Database::quoteName(kind->table), Database::quoteName(kind->keyColumn)),
                 {key});
    std::vector<StoredTableRow> rows;
    for (int r = 0; r < rs.recordCount(); ++r)
        rows.push_back({rs.text(r, 0), rs.text(r, 1), rs.text(r, 2)});
    return rows;
}

DeleteOutcome deleteAttachedTableRows(Database& db, const QString& key) {
    const AttachedTableKind* kind = kindOfKey(key);
    if (!kind) return DeleteOutcome::NotAKey;
    const int removed = db.exec(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                    .arg(Database::quoteName(kind->table), Database::quoteName(kind->keyColumn)),
                                {key});
    return removed > 0 ? DeleteOutcome::Deleted : DeleteOutcome::NoSuchTable;
}

bool deleteAttachedTable(Program& program) {
    Ui& ui = program.ui();
    const QString title = QStringLiteral("刪除附表_須指定附表案件號");
    const auto answer = ui.input(QStringLiteral("請輸入母性保護附表之案件號 \r\n(系統產出個人套表文件，右上方之編碼)"),
                                 title, QString());
    const QString key = answer ? answer->trimmed() : QString();
    if (key.isEmpty()) return false;
    const QString n = key.size() >= 2 ? QString(key.at(1)) : QString();
    auto sayNoSuchTable = [&] {
        ui.message(QStringLiteral("查無附表") + n + QStringLiteral("，") + key + QStringLiteral("，未刪除任何資料"), {},
                   Ui::Icon::Warning);
    };
    DeleteOutcome outcome;
    try {
        if (kindOfKey(key)) {
            // Keys differ only in their time digits: the nurse sees whose table the key names before it goes.
            const std::vector<StoredTableRow> rows = storedTableRows(program.DBConn, key);
            if (rows.empty()) {
                sayNoSuchTable();
                return false;
            }
            QString question = QStringLiteral("附表") + n + QStringLiteral("，") + key + QStringLiteral("\r\n");
            for (const StoredTableRow& row : rows)
                question += QStringLiteral("\r\n個案姓名【") + row.caseName + QStringLiteral("】，個案檔號【") +
                            row.caseNumber + QStringLiteral("】，存檔日期 ") + row.savedAt;
            question += QStringLiteral("\r\n\r\n此動作將刪除以上附表，是否確定執行?");
            if (ui.message(question, title, Ui::Icon::Information, Ui::Buttons::YesNoDefaultNo) != Ui::Answer::Yes)
                return false;
        }
        outcome = deleteAttachedTableRows(program.DBConn, key);
    } catch (const DbError& e) {
        ui.message(QStringLiteral("無法刪除附表:\r\n\r\n") + e.message(), {}, Ui::Icon::Critical);
        return false;
    }
    letEventsThrough();
    switch (outcome) {
    case DeleteOutcome::Deleted:
        ui.message(QStringLiteral("附表") + n + QStringLiteral("，") + key + QStringLiteral(" 已刪除"));
        break;
    case DeleteOutcome::NoSuchTable:
        sayNoSuchTable();
        break;
    case DeleteOutcome::NotAKey:
        ui.message(QStringLiteral("【") + key +
                       QStringLiteral("】 不是母性保護附表之案件號，未刪除任何資料\r\n\r\n"
                                      "(案件號之第二個字為附表編號 1、2 或 3，例如 T1-240101093000)"),
                   {}, Ui::Icon::Warning);
        break;
    }
    return outcome == DeleteOutcome::Deleted;
}

void openMaternityExample(Program& program) {
    OpenExampleWorkbook(program, program.docFolder() + QStringLiteral("範例_母性保護_匯入檔.xlsx"));
    letEventsThrough();
}

} // namespace maternity
