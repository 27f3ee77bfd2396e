#include "maternity/Statistics.h"

#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "maternity/AttachedTables.h"
#include "maternity/CellMap.h"
#include "office/XlsxPackage.h"

#include <QDir>
#include <map>

namespace maternity {

namespace {

const QString kTemplate = QStringLiteral("套表_母性保護_統計與執行紀錄表.xlsx");
constexpr int kSheetsWanted = 14;

// The latest table n of every case inside the window: per name and case number the rows with the greatest
// xSaveDate (compared as text, which sorts "YYYY/MM/DD hh:mm:ss" by time), joined to the case and to the table's
// row again so that every column of that row can be selected. `filter` narrows the rows the latest is taken from
// (the hazard lists); `condition` narrows the result before the window.
QString latestTableSql(const AttachedTableKind& kind, const QString& select, const QString& filter = {},
                       const QString& condition = {}) {
    const QString t = Database::quoteName(kind.table);
    const QString k = Database::quoteName(kind.keyColumn);
    static const QString labels[] = {QStringLiteral("附表一案件號"), QStringLiteral("附表二案件號"),
                                     QStringLiteral("附表三案件號")};
    const QString l = labels[kind.number - 1];
    return QStringLiteral(
               "SELECT A.*, %1 FROM "
               "(SELECT t0.Name AS 姓名, t0.CaseKey AS 個案檔號, t0.%2 AS %3 FROM %4 AS t0 INNER JOIN "
               "(SELECT Name, CaseKey, MAX(xSaveDate) AS 最近一次日期 FROM %4 %5 GROUP BY Name, CaseKey) AS B "
               "ON t0.CaseKey = B.CaseKey AND t0.xSaveDate = B.最近一次日期) AS A "
               "INNER JOIN MaternityHealth AS M ON M.個案檔號 = A.個案檔號 "
               "INNER JOIN %4 AS T ON A.%3 = T.%2 "
               "WHERE %6 M.個案建檔日 > ? ORDER BY M.個案建檔日 DESC, A.個案檔號")
        .arg(select, k, l, t, filter, condition.isEmpty() ? QString() : condition + QStringLiteral(" AND "));
}

// The case list of the window with the age and the status worked out (the database has no month difference).
Recordset caseList(Database& db, const QString& window, const QDate& today) {
    const Recordset rs = db.query(
        QStringLiteral(
            "SELECT M.姓名, M.個案檔號, M.個案建檔日, M.出生年月日, M.員工編號, M.身份ID, "
            "ifnull(A.n, 0), ifnull(B.n, 0), ifnull(C.n, 0), M.個案解除日, M.手機號碼, M.備註說明 "
            "FROM MaternityHealth AS M "
            "LEFT JOIN (SELECT CaseKey, count(*) AS n FROM MHPT1 GROUP BY CaseKey) AS A ON A.CaseKey = M.個案檔號 "
            "LEFT JOIN (SELECT CaseKey, count(*) AS n FROM MHPT2 GROUP BY CaseKey) AS B ON B.CaseKey = M.個案檔號 "
            "LEFT JOIN (SELECT CaseKey, count(*) AS n FROM MHPT3 GROUP BY CaseKey) AS C ON C.CaseKey = M.個案檔號 "
            "WHERE M.個案建檔日 > ? ORDER BY M.個案建檔日 DESC"),
        {window});
    const QStringList fields{QStringLiteral("姓名"),
                             QStringLiteral("個案檔號"),
                             QStringLiteral("個案建檔日"),
                             QStringLiteral("出生年月日"),
                             QStringLiteral("目前年齡"),
                             QStringLiteral("員工編號"),
                             QStringLiteral("身份ID"),
                             QStringLiteral("附表一_危害評估"),
                             QStringLiteral("附表二_健康評估"),
                             QStringLiteral("附表三_工作適性"),
                             QStringLiteral("個案解除日"),
                             QStringLiteral("手機號碼"),
                             QStringLiteral("備註說明")};
    std::vector<QVariantList> rows;
    rows.reserve(size_t(rs.recordCount()));
    for (int r = 0; r < rs.recordCount(); ++r) {
        QString age;
        if (const auto birth = rules::parseDateTime(rs.text(r, 3)))
            age = rules::format(rules::monthDiff(birth->date(), today) / 12.0, QStringLiteral("0.0"));
        rows.push_back({rs.value(r, 0), rs.value(r, 1), rs.value(r, 2), rs.value(r, 3), age, rs.value(r, 4),
                        rs.value(r, 5), rs.value(r, 6), rs.value(r, 7), rs.value(r, 8),
                        rs.isNull(r, 9) ? QVariant(QStringLiteral("列管中")) : rs.value(r, 9), rs.value(r, 10),
                        rs.value(r, 11)});
    }
    return Recordset(fields, std::move(rows));
}

int countWhere(const Recordset& rs, const QString& field, const QString& word) {
    const int f = rs.fieldIndex(field);
    int n = 0;
    for (int r = 0; r < rs.recordCount(); ++r)
        if (!rs.isNull(r, f) && rs.text(r, f) == word) ++n;
    return n;
}

} // namespace

QString managementLevel(const QString& riskT1) {
    const QString second = riskT1.mid(1, 1);
    if (second == QStringLiteral("一")) return QStringLiteral("A_第一級管理");
    if (second == QStringLiteral("二")) return QStringLiteral("B_第二級管理");
    return QStringLiteral("C_第三級管理");
}

bool namesHazard(const QVariant& hazardCell) {
    return !hazardCell.isNull() && hazardCell.toString() != QStringLiteral("無");
}

std::array<QString, 6> defaultHazardNames() {
    return {QStringLiteral("物理性危害"), QStringLiteral("化學性危害"),     QStringLiteral("生物性危害"),
            QStringLiteral("人因性危害"), QStringLiteral("社會心理性危害"), QStringLiteral("其他危害")};
}

std::optional<double> MaternityStatistics::share(int count) const {
    if (caseCount() == 0) return std::nullopt;
    return double(count) / caseCount();
}

QString MaternityStatistics::countAndShare(int count) const {
    const auto s = share(count);
    return QString::number(count) + QStringLiteral(" 人；") +
           (s ? rules::format(*s, QStringLiteral("0.0%")) : QString());
}

QString MaternityStatistics::levelLines() const {
    QString out;
    for (const auto& [level, count] : levels)
        out += level + QStringLiteral(" : ") + QString::number(count) + QStringLiteral("\r\n");
    return out;
}

MaternityStatistics computeMaternityStatistics(Database& db, const QDateTime& start, const QDate& today,
                                               const std::array<QString, 6>& hazardNames) {
    MaternityStatistics s;
    s.start = start;
    s.today = today;
    // Opened "after the start": a case opened during a start day is inside, one at its midnight is not; a typed time
    // moves the bound to that moment.
    const QString window = rules::dateTimeText(start);
    s.caseList = caseList(db, window, today);

    const AttachedTableKind& t1 = attachedTableKind(1);
    for (size_t i = 0; i < s.hazards.size(); ++i) {
        auto& h = s.hazards[i];
        h.column = kHazardColumns[i];
        h.displayName = hazardNames[i];
        const QString col = Database::quoteName(h.column);
        h.list =
            db.query(latestTableSql(t1, QStringLiteral("T.xSaveDate AS 最近一評估次日期, T.%1, ? AS 危害辨識").arg(col),
                                    QStringLiteral("WHERE %1 IS NOT NULL AND %1 <> '無'").arg(col)),
                     {h.displayName, window});
    }
    s.table1List = db.query(
        latestTableSql(t1, QStringLiteral("T.xSaveDate AS 最近一評估次日期, T.RiskT1 AS 作業場所危害風險評估")),
        {window});
    std::map<QString, int> levels; // A, B, C sort in level order
    const int risk = s.table1List.fieldIndex(QStringLiteral("作業場所危害風險評估"));
    for (int r = 0; r < s.table1List.recordCount(); ++r)
        ++levels[managementLevel(s.table1List.text(r, risk))];
    s.levels.assign(levels.begin(), levels.end());

    s.table2List =
        db.query(latestTableSql(attachedTableKind(2),
                                QStringLiteral("T.xSaveDate AS 最近一評估次日期, T.CurrentSate AS 目前狀態, "
                                               "T.PrenatalVisit AS 有無規律產檢, T.IsBreastfeeding AS 是否哺乳")),
                 {window});
    s.pregnant = countWhere(s.table2List, QStringLiteral("目前狀態"), QStringLiteral("妊娠中"));
    s.afterChildbirth = countWhere(s.table2List, QStringLiteral("目前狀態"), QStringLiteral("分娩後"));
    s.breastfeeding = countWhere(s.table2List, QStringLiteral("是否哺乳"), QStringLiteral("是"));
    s.prenatalVisits = countWhere(s.table2List, QStringLiteral("有無規律產檢"), QStringLiteral("有"));

    s.table3List = db.query(
        latestTableSql(attachedTableKind(3), QStringLiteral("T.xSaveDate AS 最近一評估次日期, "
                                                            "T.CurrentSate AS 目前狀態, T.RiskT3 AS 管理分級")),
        {window});

    // The women of the personnel list, without a window; the age is the month difference over 12 with one decimal.
    const Recordset women = db.query(QStringLiteral("SELECT 出生年月日 FROM EMPL WHERE 性別 = '2'"));
    s.women = women.recordCount();
    for (int r = 0; r < women.recordCount(); ++r) {
        const auto birth = rules::parseDateTime(women.text(r, 0));
        if (!birth) continue;
        const double age =
            rules::format(rules::monthDiff(birth->date(), today) / 12.0, QStringLiteral("0.0")).toDouble();
        if (age >= 15.0 && age <= 49.0) ++s.womenAged15To49;
    }
    return s;
}

office::OfficeStatus writeMaternityStatistics(office::XlsxPackage& book, const MaternityStatistics& s) {
    using office::OfficeStatus;
    OfficeStatus st = OfficeStatus::success();
    for (int add = kSheetsWanted - book.sheetCount(); add > 0 && st; --add) {
        st = book.addSheet();
        letEventsThrough();
    }
    if (!st) return st;
    auto list = [&](int sheet, const Recordset& rs, const QString& name) {
        if (!st) return;
        st = WriteRecordsetToSheet(rs, book, sheet);
        if (st) st = book.renameSheet(sheet, name);
    };
    auto text = [&](int sheet, const QString& cell, const QString& value) {
        if (st) st = book.setCellText(sheet, cell, value);
    };
    auto number = [&](int sheet, const QString& cell, int value) {
        if (st) st = book.setCellNumber(sheet, cell, value);
    };

    list(2, s.caseList, QStringLiteral("個案列表"));
    if (st) st = book.unprotectSheet(0, kSheetPassword);
    const QString start =
        s.start.time() == QTime(0, 0) ? rules::dateText(s.start.date()) : rules::dateTimeText(s.start);
    text(0, QStringLiteral("A2"),
         QStringLiteral("日期範圍: ") + start + QStringLiteral(" ~ ") + rules::dateText(s.today));
    for (int i = 0; i < 6; ++i) {
        const auto& h = s.hazards[size_t(i)];
        number(0, QStringLiteral("C%1").arg(i + 4), h.list.recordCount());
        number(1, QStringLiteral("B%1").arg(i + 2), h.list.recordCount());
        list(i + 3, h.list, h.displayName);
    }
    list(9, s.table1List, QStringLiteral("附表1_作業場所危害風險評估"));
    for (size_t i = 0; i < s.levels.size(); ++i) {
        text(1, QStringLiteral("D%1").arg(i + 2), s.levels[i].first);
        number(1, QStringLiteral("E%1").arg(i + 2), s.levels[i].second);
    }
    text(0, QStringLiteral("C10"), s.levelLines());
    list(10, s.table2List, QStringLiteral("附表2_健康情況評估"));
    number(0, QStringLiteral("C12"), s.women);
    number(0, QStringLiteral("C13"), s.womenAged15To49);
    const int states[3] = {s.pregnant, s.afterChildbirth, s.breastfeeding};
    for (int i = 0; i < 3; ++i) {
        number(0, QStringLiteral("C%1").arg(14 + i), states[i]);
        number(1, QStringLiteral("H%1").arg(2 + i), states[i]);
    }
    list(11, s.table3List, QStringLiteral("附表3_工作適性安排"));
    text(0, QStringLiteral("C18"), s.countAndShare(s.t3Count()));
    text(0, QStringLiteral("C19"), s.countAndShare(s.caseCount() - s.t3Count()));
    text(0, QStringLiteral("C31"), s.countAndShare(s.prenatalVisits));
    number(1, QStringLiteral("K2"), s.prenatalVisits);
    number(1, QStringLiteral("K3"), s.caseCount() - s.prenatalVisits);
    number(1, QStringLiteral("N2"), s.caseCount());
    number(1, QStringLiteral("N3"), s.t1Count());
    number(1, QStringLiteral("N4"), s.t2Count());
    number(1, QStringLiteral("N5"), s.t3Count());
    if (st) st = book.protectSheet(0, kSheetPassword);
    if (st) st = book.protectSheet(1, kSheetPassword);
    return st;
}

void runMaternityStatistics(Program& program) {
    Ui& ui = program.ui();
    const QDate today = ui.now().date();
    const auto answer =
        ui.input(QStringLiteral("母性保護統計分析起始日期 \r\n\r\n(預設前2個年度的第一天 (YYYY/01/01))"),
                 QStringLiteral("母性保護統計分析"), rules::dateText(QDate(today.year() - 2, 1, 1)));
    // Only the empty answer (and Cancel) ends silently; blanks are no date. The start keeps a typed time.
    if (!answer || answer->isEmpty()) return;
    const auto start = rules::parseDateTime(answer->trimmed());
    if (!start) {
        ui.message(QStringLiteral("日期格式錯誤"), {}, Ui::Icon::Critical);
        return;
    }
    const QString folder = makeMaternityOutputFolder(program);
    if (folder.isEmpty()) return;
    auto book = OpenWorkbookFile(program, program.docFolder() + kTemplate);
    if (!book) return;
    std::array<QString, 6> names;
    for (int i = 0; i < 6; ++i)
        names[size_t(i)] = book->cellText(0, QStringLiteral("B%1").arg(i + 4));
    MaternityStatistics stats;
    try {
        stats = computeMaternityStatistics(program.DBConn, *start, today, names);
    } catch (const DbError& e) {
        ui.message(QStringLiteral("無法統計母性保護資料:\r\n\r\n") + e.message(), {}, Ui::Icon::Critical);
        return;
    }
    letEventsThrough();
    if (const office::OfficeStatus st = writeMaternityStatistics(*book, stats); !st) {
        sayTemplateNotFilled(program, *book, st);
        return;
    }
    if (!SaveWorkbookAs(program, *book, folder + QLatin1Char('/') + kTemplate)) return;
    sayStoredAndOpen(program, QStringLiteral("母性保護_統計與執行紀錄表，"), folder);
}

} // namespace maternity
