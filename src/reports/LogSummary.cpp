#include "reports/LogSummary.h"

#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "core/WordOutput.h"
#include "reports/LogCorrection.h"

#include <QDir>

#include <algorithm>
#include <map>

namespace reports {

namespace {

const QString kTemplate = QStringLiteral("健康服務紀錄統計.xlsx");
const QString kOutputFolder = QStringLiteral("DataBase/健康服務紀錄統計");
// Cells of sheet 1, rows and columns from 0.
constexpr int kTitleRow = 0;
constexpr int kHeadingRow = 2;              // C3:H3, the category headings
constexpr int kUnshownRow = 14;             // A15, under the grid: the categories the form has no room for
constexpr int kFirstGridColumn = 2;         // column C
int severityRow(int person, int severity) { // C4, C8, C12 for severity 1 of each person type
    return 3 + 4 * person + severity;
}
int topLabelRow(int person, int slot) { // rows 18/22, 27/31, 36/40
    return 17 + 9 * person + 4 * (slot / 3);
}
int topColumn(int slot) { // columns A, D, G
    return 3 * (slot % 3);
}

const QStringList kListFields{
    QStringLiteral("記錄日期"), QStringLiteral("記錄時間"), QStringLiteral("人員身份"),
    QStringLiteral("員工編號"), QStringLiteral("人員姓名"), QStringLiteral("所屬部門"),
    QStringLiteral("事件代碼"), QStringLiteral("嚴重代碼"), QStringLiteral("事件發生經過與症狀描述"),
    QStringLiteral("處理措施"), QStringLiteral("追蹤情況"), QStringLiteral("醫護人員")};
constexpr int kListCode = 6;
constexpr int kListSeverity = 7;

// The three lists in one statement: every entry of the period that is an occupational injury (code "Y..") or of
// severity 2 or 3, by date and time, whether or not its code is still in the code table; an entry may stand in two
// lists.
void readLists(const Database& db, const LogCounts& counts, LogSummary& s) {
    const SqlCondition where = logEntriesOf(counts.period, counts.keyword);
    SpooledRows injuries(kListFields), severity2(kListFields), severity3(kListFields);
    db.forEachRow(
        QStringLiteral("SELECT 記錄日期, 記錄時間, 人員身份, 員工編號, 人員姓名, 所屬部門, 事件代碼, 嚴重代碼, "
                       "事件發生經過與症狀描述, 處理措施, 追蹤情況, 醫護人員 FROM NursingBook "
                       "WHERE (substr(事件代碼, 1, 1) = 'Y' OR 嚴重代碼 IN ('2', '3')) AND ") +
            where.sql + QStringLiteral(" ORDER BY 記錄日期, 記錄時間"),
        where.params, [&](const RowView& entry) {
            const QString code = entry.text(kListCode);
            const bool injury = code.startsWith(u'Y');
            const QString severity = entry.text(kListSeverity);
            const bool second = severity == u"2";
            const bool third = severity == u"3";
            if (!injury && !second && !third) return;
            // A code no longer in the code table (renamed or retired) has no item text: the entry stays in its
            // lists, its code followed by the separator alone.
            const auto known = counts.codes.find(code);
            const QString item =
                code + QStringLiteral(" - ") + (known == counts.codes.end() ? QString() : known->second.note);
            if (injury) injuries.append(entry, kListCode, item);
            if (second) severity2.append(entry, kListCode, item);
            if (third) severity3.append(entry, kListCode, item);
        });
    s.injuries = std::move(injuries);
    s.severity2 = std::move(severity2);
    s.severity3 = std::move(severity3);
}

} // namespace

const QStringList& summaryPersonTypes() {
    static const QStringList types{QStringLiteral("員工"), QStringLiteral("承攬商"), QStringLiteral("派遣")};
    return types;
}

LogSummary computeLogSummary(const Database& db, const std::vector<EventCategory>& categories,
                             const ReportPeriod& period, const QString& keyword) {
    return computeLogSummary(db, countLogEntries(db, period, keyword), categories);
}

LogSummary computeLogSummary(const Database& db, const LogCounts& counts,
                             const std::vector<EventCategory>& categories) {
    LogSummary s;
    s.period = counts.period;
    std::map<EventCategory, int> slotOf;
    std::map<QString, int> slotOfLetter; // the first slot of each letter
    for (int k = 0; k < kSummarySlots && k < int(categories.size()); ++k) {
        s.heads[size_t(k)] = categories[size_t(k)];
        slotOf.emplace(categories[size_t(k)], k);
        slotOfLetter.emplace(categories[size_t(k)].letter, k);
    }
    for (size_t k = kSummarySlots; k < categories.size(); ++k)
        s.unshown << categories[k].name();
    std::array<std::array<std::map<QString, qint64>, kSummarySlots>, kPersonTypes> byNote;
    std::array<std::array<qint64, kSummarySlots>, kPersonTypes> totals{};
    for (const LogCount& row : counts.rows) {
        const int p = int(summaryPersonTypes().indexOf(row.personType));
        if (p < 0) continue;
        const auto code = counts.codes.find(row.code);
        const bool known = code != counts.codes.end();
        // A code no longer in the table (renamed or retired) has no item, but its entries count by their letter.
        const auto slot = known ? slotOf.find(code->second.category) : slotOf.end();
        const auto letterSlot = known ? slotOfLetter.end() : slotOfLetter.find(row.code.left(1));
        if (slot == slotOf.end() && letterSlot == slotOfLetter.end()) continue;
        const int k = known ? slot->second : letterSlot->second;
        const qint64 n = row.count;
        if (known) {
            byNote[size_t(p)][size_t(k)][code->second.note] += n;
            totals[size_t(p)][size_t(k)] += n;
        }
        const QString& severity = row.severity;
        if (severity == u"1" || severity == u"2" || severity == u"3") {
            std::optional<qint64>& cell = s.severity[size_t(p)][size_t(severity.toInt() - 1)][size_t(k)];
            cell = cell.value_or(0) + n;
        }
    }
    for (int p = 0; p < kPersonTypes; ++p)
        for (int k = 0; k < kSummarySlots; ++k) {
            std::vector<TopItem>& top = s.top[size_t(p)][size_t(k)];
            for (const auto& [note, n] : byNote[size_t(p)][size_t(k)])
                top.push_back({note, n, double(n) / double(totals[size_t(p)][size_t(k)])});
            // The map is ordered by note, so a stable sort keeps equals in note order.
            std::stable_sort(top.begin(), top.end(),
                             [](const TopItem& a, const TopItem& b) { return a.count > b.count; });
            if (top.size() > 3) top.resize(3);
        }

    readLists(db, counts, s);
    return s;
}

SexCounts countLogEntriesBySex(Database& db, const QString& vardelPath, const QString& emplTablePrefix,
                               const ReportPeriod& period, const QString& keyword) {
    SexCounts result;
    const VardelLink link(db, vardelPath, emplTablePrefix, {QStringLiteral("EMPLNO"), QStringLiteral("SEX")});
    if (!link.ready()) {
        result.refusal = link.refusal();
        return result;
    }
    // SEX is compared as text: a personnel file may store the number 2.
    const SqlCondition where = logEntriesOf(period, keyword);
    const Recordset rs =
        db.query(QStringLiteral("SELECT ifnull(sum(CAST(e.[SEX] AS TEXT) <> '2'), 0), "
                                "ifnull(sum(CAST(e.[SEX] AS TEXT) = '2'), 0) "
                                "FROM NursingBook INNER JOIN %1 AS e ON NursingBook.員工編號 = e.[EMPLNO] "
                                "WHERE trim(ifnull(NursingBook.員工編號, '')) <> '' AND %2")
                     .arg(link.empl(), where.sql),
                 where.params);
    result.male = rs.value(0, 0).toLongLong();
    result.female = rs.value(0, 1).toLongLong();
    return result;
}

QString writeLogSummary(Program& program, const LogSummary& s) {
    const std::unique_ptr<office::XlsxPackage> book = OpenWorkbookFile(program, kTemplate);
    if (!book) return {};
    office::XlsxPackage& x = *book;
    // The first failure stops the filling and is said; nothing is saved then.
    office::OfficeStatus st = office::OfficeStatus::success();
    const auto text = [&](int row, int col, const QString& value) {
        if (st) st = x.setCellText(0, row, col, value);
    };
    const auto number = [&](int row, int col, double value) {
        if (st) st = x.setCellNumber(0, row, col, value);
    };
    st = x.renameSheet(0, QStringLiteral(" 健康服務紀錄分析總表"));
    QString title = QStringLiteral("健康服務紀錄分析總表 【") + s.period.text() + QStringLiteral("】");
    if (s.bySex) title += QStringLiteral("__男: %1; 女: %2").arg(s.bySex->male).arg(s.bySex->female);
    text(kTitleRow, 0, title);
    for (int k = 0; k < kSummarySlots; ++k) {
        const auto& slot = s.heads[size_t(k)];
        if (!slot) continue;
        text(kHeadingRow, kFirstGridColumn + k, slot->name());
        for (int p = 0; p < kPersonTypes; ++p)
            text(topLabelRow(p, k), topColumn(k), slot->name() + QStringLiteral("_前三名排行"));
    }
    if (!s.unshown.isEmpty())
        text(kUnshownRow, 0,
             QStringLiteral("本表僅容六個類別, 以下類別未列入: ") + s.unshown.join(QStringLiteral("、")));
    for (int p = 0; p < kPersonTypes; ++p) {
        for (int sev = 0; sev < 3; ++sev)
            for (int k = 0; k < kSummarySlots; ++k)
                if (const auto& n = s.severity[size_t(p)][size_t(sev)][size_t(k)])
                    number(severityRow(p, sev), kFirstGridColumn + k, double(*n));
        for (int k = 0; k < kSummarySlots; ++k) {
            const auto& top = s.top[size_t(p)][size_t(k)];
            for (int r = 0; r < int(top.size()); ++r) {
                const int row = topLabelRow(p, k) + 1 + r;
                const int col = topColumn(k);
                text(row, col, top[size_t(r)].note);
                number(row, col + 1, double(top[size_t(r)].count));
                text(row, col + 2, rules::format(top[size_t(r)].share, QStringLiteral("0.00%")));
            }
        }
        letEventsThrough();
    }

    const std::pair<QString, const SpooledRows*> lists[] = {
        {QStringLiteral("職傷意外記錄"), &s.injuries},
        {QStringLiteral("嚴重等級_2"), &s.severity2},
        {QStringLiteral("嚴重等級_3"), &s.severity3},
    };
    // Named first, then written: a list too long for one sheet goes on over sheets inserted after its own.
    QString names[3];
    for (int i = 0; i < 3 && st; ++i) {
        const int sheet = i + 1;
        if (x.sheetCount() <= sheet) st = x.addSheet();
        if (st) st = x.renameSheet(sheet, lists[i].first, &names[i]);
    }
    for (int i = 0; i < 3 && st; ++i) {
        st = WriteRecordsetToSheet(*lists[i].second, x, x.sheetIndex(names[i]));
        letEventsThrough();
    }
    if (!st) {
        program.ui().message(QStringLiteral("無法寫入健康服務紀錄統計表:\r\n\r\n") + st.message(), {},
                             Ui::Icon::Critical);
        return {};
    }

    const QString path = NewOutputFilePath(program.path(kOutputFolder), QStringLiteral("健康服務紀錄統計"),
                                           program.ui().now(), QStringLiteral("xlsx"));
    if (!SaveWorkbookAs(program, x, path)) return {};
    program.ui().openWithDesktop(path);
    return path;
}

QString BuildNursingLogSummaryWorkbook(Program& program, const std::vector<EventCategory>& categories,
                                       const LogCounts& counts, const ReportProgress& progress) {
    if (progress)
        progress(
            QStringLiteral("【職傷意外記錄 】統計報表.\r\n\r\n系統正在執行 Excel 報表繪製, 請勿執行其它程式\r\n\r\n"
                           "請勿點選正在進行中的 Excel"),
            100);
    letEventsThrough();
    LogSummary summary = computeLogSummary(program.DBConn, counts, categories);
    if (!program.VardelDBPath.trimmed().isEmpty()) {
        SexCounts bySex = countLogEntriesBySex(program.DBConn, program.VardelDBPath, program.EmplTablePrefix,
                                               counts.period, counts.keyword);
        if (bySex.refusal.isEmpty())
            summary.bySex = std::move(bySex);
        else
            program.ui().message(bySex.refusal + QStringLiteral("\r\n\r\n標題未附男女件數"), {}, Ui::Icon::Warning);
    }
    return writeLogSummary(program, summary);
}

} // namespace reports
