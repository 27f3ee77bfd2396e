#include "risk/Procedures.h"

#include "core/DateNumberRules.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "risk/Grading.h"
#include "risk/Overwork.h"
#include "risk/WorkTables.h"

#include <QHash>
#include <QProgressBar>
#include <QSet>
#include <QStringEncoder>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace risk {

namespace {

// Reads the columns of a recordset by name; a column the table lacks reads as "".
class Columns {
public:
    explicit Columns(const Recordset& rs) : m_rs(rs) {}
    QString operator()(int row, const QString& name) const {
        auto it = m_index.constFind(name);
        if (it == m_index.cend()) it = m_index.insert(name, m_rs.fieldIndex(name));
        return *it < 0 ? QString() : m_rs.text(row, *it);
    }

private:
    const Recordset& m_rs;
    mutable QHash<QString, int> m_index;
};

// One column of a recordset, found by name once; a column the table lacks reads as "".
class Column {
public:
    Column(const Recordset& rs, const QString& name) : m_rs(rs), m_index(rs.fieldIndex(name)) {}
    QString operator()(int row) const { return m_index < 0 ? QString() : m_rs.text(row, m_index); }

private:
    const Recordset& m_rs;
    int m_index;
};

Recordset readAll(const Database& db, const QString& table) {
    return db.query(QStringLiteral("SELECT * FROM ") + Database::quoteName(table) + QStringLiteral(" ORDER BY rowid"));
}

// A staged table's rows as the texts Recordset::text gives, read once in staging order without a recordset's copies.
struct StagedTexts {
    QStringList fields;
    std::vector<QString> texts; // row after row
    std::vector<qint64> rowids; // of each row, ascending

    int columnCount() const { return int(fields.size()); }
    int fieldCount() const { return columnCount(); }
    int rowCount() const { return fields.isEmpty() ? 0 : int(texts.size() / size_t(fields.size())); }
    // The index of a column by name (letter case ignored), or -1.
    int index(const QString& name) const {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].compare(name, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }
    int fieldIndex(const QString& name) const { return index(name); }
    // A column the table lacks (index -1) reads as "".
    QString text(int row, int column) const {
        return column < 0 ? QString() : texts[size_t(row) * size_t(fields.size()) + size_t(column)];
    }
};

// The texts of one staged column, equal values sharing one string: a column repeats few values (a year, a
// department, a sex, a measurement), and a string of its own for every cell costs an allocation and its memory. A
// column that turns out to hold mostly distinct values (a name, a number) is no longer looked up once it has
// kMaxShared of them.
class SharedTexts {
public:
    QString text(const RowView& row, int c) {
        if (!m_open || !row.isText(c)) return row.text(c);
        const QByteArrayView bytes = row.utf8(c);
        const std::string_view key(bytes.data(), size_t(bytes.size()));
        if (m_last != m_texts.end() && m_last->first == key) return m_last->second;
        const auto it = m_texts.find(key);
        if (it != m_texts.end()) {
            m_last = it;
            return it->second;
        }
        QString text = QString::fromUtf8(bytes);
        if (m_texts.size() >= kMaxShared) {
            m_open = false;
            m_texts.clear();
        } else
            m_last = m_texts.emplace(m_keys.emplace_back(key), text).first;
        return text;
    }

private:
    static constexpr size_t kMaxShared = 256;
    std::deque<std::string> m_keys; // the bytes the keys view, kept in place
    std::unordered_map<std::string_view, QString> m_texts;
    std::unordered_map<std::string_view, QString>::iterator m_last = m_texts.end(); // the value found last
    bool m_open = true;
};

StagedTexts readStaged(const Database& db, const QString& table) {
    StagedTexts t;
    t.fields = db.columns(table);
    const int n = int(t.fields.size());
    std::vector<SharedTexts> shared(static_cast<size_t>(n));
    const qint64 rows = db.scalar(QStringLiteral("SELECT count(*) FROM ") + Database::quoteName(table)).toLongLong();
    t.texts.reserve(size_t(rows) * size_t(n));
    t.rowids.reserve(size_t(rows));
    // The rowid last, so that the columns keep their places.
    db.forEachRow(QStringLiteral("SELECT *, rowid FROM ") + Database::quoteName(table) +
                      QStringLiteral(" ORDER BY rowid"),
                  {}, [&](const RowView& row) {
                      for (int c = 0; c < n; ++c)
                          t.texts.push_back(shared[size_t(c)].text(row, c));
                      t.rowids.push_back(row.value(n).toLongLong());
                  });
    return t;
}

std::vector<StagedKey> keysOf(const StagedTexts& t, bool withWorkload) {
    const int employee = t.index(QStringLiteral("員工編號")), year = t.index(QStringLiteral("年度代碼")),
              workload = t.index(QStringLiteral("工作負荷等級"));
    std::vector<StagedKey> keys(size_t(t.rowCount()));
    for (int r = 0; r < t.rowCount(); ++r) {
        keys[size_t(r)].employee = t.text(r, employee);
        keys[size_t(r)].year = t.text(r, year);
        if (withWorkload) keys[size_t(r)].workload = t.text(r, workload);
    }
    return keys;
}

std::vector<StagedKey> keysOf(const Recordset& rs, bool withWorkload) {
    const Column employee(rs, QStringLiteral("員工編號")), year(rs, QStringLiteral("年度代碼")),
        workload(rs, QStringLiteral("工作負荷等級"));
    std::vector<StagedKey> keys(size_t(rs.recordCount()));
    for (int r = 0; r < rs.recordCount(); ++r) {
        keys[size_t(r)].employee = employee(r);
        keys[size_t(r)].year = year(r);
        if (withWorkload) keys[size_t(r)].workload = workload(r);
    }
    return keys;
}

// Where a column of the risk table takes its value from.
struct RiskSource {
    enum Kind { Staged, Grade, SexCode, BirthDate, OverworkLevel } kind = Staged;
    int stagedIndex = -1;                   // Staged: the staged column of the same name
    QString HealthGrades::*grade = nullptr; // Grade
};

// The source of every risk-table column, by name. A column without a source is a fault of the table lists, not of
// the data: it throws instead of writing a row out of step with its columns.
std::vector<RiskSource> riskTableSources(const QStringList& columns, const StagedTexts& staged) {
    static const QHash<QString, QString HealthGrades::*> grades{
        {QStringLiteral("年齡"), &HealthGrades::age},
        {QStringLiteral("年齡分組"), &HealthGrades::ageBand},
        {QStringLiteral("BMI"), &HealthGrades::bmi},
        {QStringLiteral("BMI分級"), &HealthGrades::bmiGrade},
        {QStringLiteral("糖尿病"), &HealthGrades::diabetes},
        {QStringLiteral("吸菸"), &HealthGrades::smoker},
        {QStringLiteral("總膽固醇_積分"), &HealthGrades::tcPoints},
        {QStringLiteral("總膽固醇_風險"), &HealthGrades::tcRisk},
        {QStringLiteral("低密度膽固醇_積分"), &HealthGrades::ldlPoints},
        {QStringLiteral("低密度膽固醇_風險"), &HealthGrades::ldlRisk},
        {QStringLiteral("Framingham_Risk_Score"), &HealthGrades::riskScore},
        {QStringLiteral("心血管疾病風險等級"), &HealthGrades::cardiovascularClass},
        {QStringLiteral("成人血壓分級"), &HealthGrades::bloodPressureGrade},
        {QStringLiteral("代謝症候群_分級"), &HealthGrades::metabolicSyndromeGrade},
        {QStringLiteral("三高族群分級"), &HealthGrades::threeHighGrade},
    };
    std::vector<RiskSource> sources;
    for (const QString& c : columns) {
        RiskSource s;
        if (c == QLatin1String("SEX"))
            s.kind = RiskSource::SexCode;
        else if (c == QStringLiteral("出生年月日"))
            s.kind = RiskSource::BirthDate;
        else if (c == QStringLiteral("異常工作負荷促發疾病_風險等級"))
            s.kind = RiskSource::OverworkLevel;
        else if (grades.contains(c)) {
            s.kind = RiskSource::Grade;
            s.grade = grades.value(c);
        } else {
            s.stagedIndex = staged.fieldIndex(c);
            if (s.stagedIndex < 0 && staged.fieldCount() > 0)
                throw DbError(QStringLiteral("the risk table column %1 has no source").arg(c), QString());
        }
        sources.push_back(s);
    }
    return sources;
}

// The graded values of the rows being written to the risk table, handed to SQLite by risk_graded(rowid, column) as
// the INSERT … SELECT that copies the staged values reads them: row r was staged under rowids[r]. The values are
// encoded once, as a bound text would be, into one buffer.
struct GradedValues {
    const std::vector<qint64>* rowids = nullptr;
    std::vector<int> slotOf; // risk-table column → its place among the graded columns, or -1
    int perRow = 0;
    std::vector<char> utf8;                       // every graded value, row after row
    std::vector<std::pair<qsizetype, int>> spans; // where each one starts and its length (-1: NULL)
    size_t next = 0; // the rows are read in rowid order, so the row asked for is nearly always this one or the next
};

void gradedFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* values = static_cast<GradedValues*>(sqlite3_user_data(ctx));
    const qint64 rowid = sqlite3_value_int64(argv[0]);
    const int column = sqlite3_value_int(argv[1]);
    const std::vector<qint64>& rowids = *values->rowids;
    size_t r = values->next;
    if (r >= rowids.size() || rowids[r] != rowid) {
        if (r + 1 < rowids.size() && rowids[r + 1] == rowid)
            ++r;
        else {
            const auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
            if (it == rowids.end() || *it != rowid) {
                sqlite3_result_error(ctx, "risk_graded: a row that was not graded", -1);
                return;
            }
            r = size_t(it - rowids.begin());
        }
    }
    values->next = r;
    const int slot = column >= 0 && column < int(values->slotOf.size()) ? values->slotOf[size_t(column)] : -1;
    if (slot < 0) {
        sqlite3_result_error(ctx, "risk_graded: a column that was not graded", -1);
        return;
    }
    const auto [start, length] = values->spans[r * size_t(values->perRow) + size_t(slot)];
    // As a bound text: a null text is NULL, an empty one "".
    if (length < 0)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, values->utf8.data() + start, length, SQLITE_STATIC);
}

// Writes the graded rows into the (new, empty) risk table in one statement, every column by name: a staged column
// copied from the staging table as it is stored, every other one from the rows graded.
void writeRiskTable(Database& db, const QStringList& columns, const std::vector<RiskSource>& sources,
                    const StagedTexts& staged, const std::vector<QVariantList>& rows) {
    GradedValues values;
    values.rowids = &staged.rowids;
    values.slotOf.assign(size_t(columns.size()), -1);
    std::vector<int> graded;
    for (int c = 0; c < columns.size(); ++c)
        if (sources[size_t(c)].kind != RiskSource::Staged) {
            values.slotOf[size_t(c)] = int(graded.size());
            graded.push_back(c);
        }
    values.perRow = int(graded.size());
    values.spans.reserve(rows.size() * graded.size());
    QStringEncoder encoder(QStringEncoder::Utf8);
    for (const QVariantList& row : rows)
        for (int c : graded) {
            const QString* text = static_cast<const QString*>(row[c].constData());
            if (text->isNull()) {
                values.spans.emplace_back(0, -1);
                continue;
            }
            const qsizetype start = qsizetype(values.utf8.size());
            values.utf8.resize(size_t(start + encoder.requiredSpace(text->size())));
            char* end = encoder.appendToBuffer(values.utf8.data() + start, *text);
            values.utf8.resize(size_t(end - values.utf8.data()));
            values.spans.emplace_back(start, int(end - (values.utf8.data() + start)));
        }
    sqlite3* handle = db.sqliteHandle();
    if (!handle || sqlite3_create_function_v2(handle, "risk_graded", 2, SQLITE_UTF8, &values, gradedFunction, nullptr,
                                              nullptr, nullptr) != SQLITE_OK)
        throw DbError(QStringLiteral("cannot register risk_graded"), QString());
    // Unregistered whatever happens: the values live only as long as this call.
    struct Unregister {
        sqlite3* handle;
        ~Unregister() {
            sqlite3_create_function_v2(handle, "risk_graded", 2, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                                       nullptr);
        }
    } unregister{handle};
    QStringList targets, expressions;
    for (int c = 0; c < columns.size(); ++c) {
        targets << Database::quoteName(columns[c]);
        const RiskSource& source = sources[size_t(c)];
        if (source.kind == RiskSource::Staged)
            // As read for the sheet: a NULL stays NULL, anything else is its text.
            expressions << QStringLiteral("CAST(s.") + Database::quoteName(staged.fields[source.stagedIndex]) +
                               QStringLiteral(" AS TEXT)");
        else
            expressions << QStringLiteral("risk_graded(s.rowid, %1)").arg(c);
    }
    db.exec(QStringLiteral("INSERT INTO ") + Database::quoteName(kFramingham) + QStringLiteral(" (") +
            targets.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") + expressions.join(QStringLiteral(", ")) +
            QStringLiteral(" FROM ") + Database::quoteName(kInPutFramingham) + QStringLiteral(" s ORDER BY s.rowid"));
}

// The result workbook, named after its first sheet; true when it was written (FinishExcel then said "完成").
bool writeResultWorkbook(Program& program, const ResultSheets& sheets, bool withOverload) {
    ExcelSession& excel = CreateExcelWorkbook(program, 0);
    excel.name = kHealthSheetName;
    office::XlsxSheet& health = excel.activate(1);
    health.setName(kHealthSheetName);
    WriteRecordsetToSheet(program, sheets.health, health);
    if (withOverload) {
        office::XlsxSheet& overwork = excel.activate(2);
        overwork.setName(kOverworkSheetName);
        WriteRecordsetToSheet(program, sheets.overwork, overwork);
    }
    excel.activate(1);
    return !FinishExcel(program, true).isEmpty();
}

// The staged columns a health check is read from (-1: a column the table lacks, read as "").
struct HealthCheckColumns {
    explicit HealthCheckColumns(const StagedTexts& staged)
        : sex(staged.index(QStringLiteral("性別"))), birthDate(staged.index(QStringLiteral("出生年月日"))),
          checkDate(staged.index(QStringLiteral("健檢日期"))), height(staged.index(QStringLiteral("身高_cm"))),
          weight(staged.index(QStringLiteral("體重_kg"))), waist(staged.index(QStringLiteral("腰圍_cm"))),
          systolic(staged.index(QStringLiteral("收縮壓"))), diastolic(staged.index(QStringLiteral("舒張壓"))),
          glucose(staged.index(QStringLiteral("飯前血醣"))), totalCholesterol(staged.index(QStringLiteral("總膽固醇"))),
          triglyceride(staged.index(QStringLiteral("三酸甘油脂"))), hdl(staged.index(QStringLiteral("高密度膽固醇"))),
          ldl(staged.index(QStringLiteral("低密度膽固醇"))), smoking(staged.index(QStringLiteral("抽菸習慣"))),
          history(staged.index(QStringLiteral("既往病歷"))) {}

    HealthCheck read(const StagedTexts& staged, int r) const {
        HealthCheck h;
        h.sex = staged.text(r, sex);
        h.birthDate = staged.text(r, birthDate);
        h.checkDate = staged.text(r, checkDate);
        h.height = staged.text(r, height);
        h.weight = staged.text(r, weight);
        h.waist = staged.text(r, waist);
        h.systolic = staged.text(r, systolic);
        h.diastolic = staged.text(r, diastolic);
        h.glucose = staged.text(r, glucose);
        h.totalCholesterol = staged.text(r, totalCholesterol);
        h.triglyceride = staged.text(r, triglyceride);
        h.hdl = staged.text(r, hdl);
        h.ldl = staged.text(r, ldl);
        h.smoking = staged.text(r, smoking);
        h.history = staged.text(r, history);
        return h;
    }

    int sex, birthDate, checkDate, height, weight, waist, systolic, diastolic, glucose, totalCholesterol, triglyceride,
        hdl, ldl, smoking, history;
};

// The rows of the risk table, one per staged person in staging order, every column from its source. With the
// overload, pairs[r] is the scale read with person r (-1: none). progress gets up to 90.
std::vector<QVariantList> gradeRows(const StagedTexts& staged, const std::vector<RiskSource>& sources,
                                    const QDate& today, bool withOverload, const StagedTexts& scales,
                                    const std::vector<int>& pairs, const std::function<void(int)>& progress) {
    const HealthCheckColumns from(staged);
    const int workload = scales.index(QStringLiteral("工作負荷等級"));
    const int count = staged.rowCount();
    std::vector<QVariantList> rows;
    rows.reserve(size_t(count));
    int lastPercent = -1;
    for (int r = 0; r < count; ++r) {
        const HealthCheck h = from.read(staged, r);
        HealthGrades g = gradeHealthCheck(h, today);

        QString overworkLevel;
        if (withOverload) {
            const int s = pairs[size_t(r)];
            overworkLevel = overworkRiskLevel(cardiovascularClass(g.riskScore), g.riskScore,
                                              s < 0 ? QString() : scales.text(s, workload), s >= 0);
        }
        // Every column by its name: the staged value of that name, a grade, or one of the three rewritten values.
        QVariantList row;
        row.reserve(qsizetype(sources.size()));
        for (const RiskSource& source : sources) {
            switch (source.kind) {
            case RiskSource::Staged:
                row.emplace_back(staged.text(r, source.stagedIndex));
                break;
            case RiskSource::Grade:
                row.emplace_back(std::move(g.*source.grade));
                break;
            case RiskSource::SexCode:
                row.emplace_back(g.sexCode.isEmpty() ? h.sex.trimmed() : g.sexCode);
                break;
            case RiskSource::BirthDate: {
                const QString birth = rules::normalizeDate(h.birthDate);
                row.emplace_back(birth.isEmpty() ? h.birthDate : birth);
                break;
            }
            case RiskSource::OverworkLevel:
                row.emplace_back(overworkLevel);
                break;
            }
        }
        rows.push_back(std::move(row));
        const int percent = int(qint64(r + 1) * 90 / count);
        if (progress && percent != lastPercent) progress(lastPercent = percent);
    }
    return rows;
}

// Sheet 2: each scale with the risk of the health check it was read with; a scale read with two checks of the same
// person appears once per check, and a scale without a check appears once with the missing check named.
Recordset overworkSheet(const StagedTexts& scales, const std::vector<int>& pairs, const QStringList& columns,
                        const std::vector<QVariantList>& rows) {
    const QStringList added{QStringLiteral("Framingham_Risk_Score"), QStringLiteral("心血管疾病風險等級"),
                            QStringLiteral("異常工作負荷促發疾病_風險等級")};
    const int riskAt = int(columns.indexOf(added[0])), classAt = int(columns.indexOf(added[1])),
              levelAt = int(columns.indexOf(added[2]));
    std::vector<QVariantList> sheet;
    sheet.reserve(rows.size());
    std::vector<bool> used(size_t(scales.rowCount()), false);
    auto scaleRow = [&](int s, QVariant risk, QVariant riskClass, QVariant level) {
        QVariantList v;
        v.reserve(scales.columnCount() + 3);
        for (int c = 0; c < scales.columnCount(); ++c)
            v.emplace_back(scales.text(s, c));
        v.emplace_back(std::move(risk));
        v.emplace_back(std::move(riskClass));
        v.emplace_back(std::move(level));
        return v;
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        const int s = pairs[r];
        if (s < 0) continue;
        used[size_t(s)] = true;
        sheet.push_back(scaleRow(s, rows[r][riskAt], rows[r][classAt], rows[r][levelAt]));
    }
    for (int s = 0; s < scales.rowCount(); ++s)
        if (!used[size_t(s)])
            sheet.push_back(scaleRow(s, QString(), QString(), missingText({QStringLiteral("健檢資料")})));
    return Recordset(scales.fields + added, std::move(sheet));
}

} // namespace

ResultSheets gradeStaged(Database& db, const QDate& today, bool withOverload,
                         const std::function<void(int)>& progress) {
    const StagedTexts staged = readStaged(db, kInPutFramingham);
    const bool haveScales = withOverload && db.tableExists(kInPutBurnOut);
    const StagedTexts scales = haveScales ? readStaged(db, kInPutBurnOut) : StagedTexts();
    const std::vector<int> pairs = pairOverworkScales(keysOf(staged, false), keysOf(scales, true));
    const QStringList columns = names(framinghamColumns());
    const std::vector<RiskSource> sources = riskTableSources(columns, staged);

    std::vector<QVariantList> rows = gradeRows(staged, sources, today, withOverload, scales, pairs, progress);
    {
        Transaction t(db);
        recreateTable(db, kFramingham, framinghamColumns());
        writeRiskTable(db, columns, sources, staged, rows);
        db.exec(QStringLiteral("DROP TABLE ") + Database::quoteName(kInPutFramingham));
        t.commit();
    }
    if (progress) progress(95);

    ResultSheets out;
    if (withOverload) out.overwork = overworkSheet(scales, pairs, columns, rows);
    out.health = Recordset(columns, std::move(rows));
    if (progress) progress(100);
    return out;
}

bool Framingham(Program& program, QProgressBar* bar, const GradingRun& run) {
    if (run.fromHistory || !program.DBConn.tableExists(kInPutFramingham)) return false;
    const bool withOverload = run.withOverload;
    if (bar) {
        bar->setRange(0, 100);
        bar->setValue(0);
    }
    const ResultSheets sheets =
        gradeStaged(program.DBConn, program.ui().now().date(), withOverload, [bar](int percent) {
            if (bar) bar->setValue(percent);
            letEventsThrough();
        });
    // A workbook that could not be written has said so; the run then does not announce completion a second time.
    if (writeResultWorkbook(program, sheets, withOverload) && run.announceCompletion)
        program.ui().message(QStringLiteral("完成"));
    return true;
}

bool FraminghamToWord(Program& program) {
    Database& db = program.DBConn;
    if (!db.tableExists(kFramingham)) return false;
    const Recordset graded = readAll(db, kFramingham);
    const bool haveScales = db.tableExists(kInPutBurnOut);
    const Recordset scales = haveScales ? readAll(db, kInPutBurnOut) : Recordset();
    const std::vector<int> pairs = pairOverworkScales(keysOf(graded, false), keysOf(scales, true));
    const Columns sc(scales);

    QStringList columns = graded.fieldNames();
    std::vector<ColumnDef> defs;
    for (const QString& c : columns)
        defs.push_back({c, QStringLiteral("TEXT")});
    for (const QString& c : toWordOverworkColumns()) {
        if (columns.contains(c, Qt::CaseInsensitive)) continue; // a graded column of that name stays
        columns << c;
        defs.push_back({c, QStringLiteral("TEXT")});
    }

    // Display texts, by column.
    using Rewrite = QString (*)(const QString&);
    const QHash<QString, Rewrite> rewrites{
        {QStringLiteral("SEX"),
         [](const QString& v) { return parseSex(v) == Sex::Unknown ? v : sexName(parseSex(v)); }},
        {QStringLiteral("I_Risk"), personalBurnoutText},
        {QStringLiteral("J_Risk"), workBurnoutText},
        {QStringLiteral("月加班時數等級"), overtimeText},
        {QStringLiteral("工作型態評估等級"), workPatternText},
        {QStringLiteral("工作負荷等級"), workloadText},
        {QStringLiteral("Framingham_Risk_Score"), riskScoreText},
        {QStringLiteral("心血管疾病風險等級"),
         [](const QString& v) {
             static const QStringList labels{QStringLiteral("低（0）"), QStringLiteral("中（1）"),
                                             QStringLiteral("高（2）")};
             const auto level = levelValue(v);
             return level ? labels.at(*level) : v;
         }},
        {QStringLiteral("異常工作負荷促發疾病_風險等級"), overworkRiskText},
    };
    std::vector<Rewrite> perColumn;
    for (const QString& c : columns)
        perColumn.push_back(rewrites.value(c, nullptr));

    std::vector<QVariantList> rows;
    rows.reserve(size_t(graded.recordCount()));
    for (int r = 0; r < graded.recordCount(); ++r) {
        QVariantList v;
        for (int c = 0; c < graded.fieldCount(); ++c)
            v << graded.text(r, c);
        const int s = pairs[size_t(r)];
        for (int c = graded.fieldCount(); c < columns.size(); ++c)
            v << (s < 0 ? QString() : sc(s, columns[c]));
        for (int c = 0; c < columns.size(); ++c)
            if (perColumn[size_t(c)]) v[c] = perColumn[size_t(c)](v[c].toString());
        rows.push_back(std::move(v));
    }

    Transaction t(db);
    recreateTable(db, kToWord, defs);
    db.execBatch(insertSql(kToWord, columns), rows);
    t.commit();
    return true;
}

namespace {

// risk_number(x): x as a number when it is one by the strict IsNumeric rule, else NULL — how a history table's
// numeric column receives a staged text.
void numberFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        return;
    }
    if (type != SQLITE_TEXT) {
        sqlite3_result_null(ctx);
        return;
    }
    // A number by IsNumeric's rule is plain ASCII: blanks, a sign, digits with a point, an exponent, blanks. It is
    // checked and read on the stored bytes (this runs for every measurement of every appended row).
    const char* begin = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const char* end = begin + sqlite3_value_bytes(argv[0]);
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (begin < end && blank(*begin))
        ++begin;
    while (end > begin && blank(end[-1]))
        --end;
    const char* digits = begin < end && *begin == '+' ? begin + 1 : begin; // from_chars takes no "+"
    double value = 0;
    const auto [stop, error] = std::from_chars(digits, end, value, std::chars_format::general);
    // from_chars also takes "inf", "nan" and "+-1", which IsNumeric refuses: those (any letter but an exponent, a
    // second sign after "+") go through IsNumeric itself.
    auto plain = [&] {
        if (begin < end && *begin == '+' && digits < end && (*digits == '-' || *digits == '+')) return false;
        for (const char* p = begin; p < end; ++p)
            if (!((*p >= '0' && *p <= '9') || *p == '.' || *p == 'e' || *p == 'E' || *p == '+' || *p == '-'))
                return false;
        return true;
    };
    if (error == std::errc() && stop == end && (plain() || rules::isNumeric(QString::fromLatin1(begin, end - begin))))
        sqlite3_result_double(ctx, value);
    else
        sqlite3_result_null(ctx);
}

void registerNumberFunction(Database& db) {
    sqlite3* handle = db.sqliteHandle();
    if (!handle || sqlite3_create_function_v2(handle, "risk_number", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                              numberFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DbError(QStringLiteral("cannot register risk_number"), QString());
}

// Appends the staged rows to a history table: XID = 年度代碼 & "_" & 員工編號; the first row of a key repeated in the
// run; no row whose XID is stored already; no row without a year or a number. The rows are chosen first, into a
// temporary list of rowids: a statement that read the history while appending to it would have SQLite copy every
// row it appends to a temporary table before storing it.
SaveResult appendHistory(Database& db, const QString& history, const QString& staged, const QStringList& targets,
                         const QStringList& sources) {
    SaveResult result;
    const int total = db.scalar(QStringLiteral("SELECT count(*) FROM ") + Database::quoteName(staged)).toInt();
    const QString year = QStringLiteral("ifnull(s.\"年度代碼\", '')");
    const QString number = QStringLiteral("ifnull(s.\"員工編號\", '')");
    const QString key = year + QStringLiteral(" || '_' || ") + number;
    db.exec(QStringLiteral("DROP TABLE IF EXISTS temp.risk_append"));
    db.exec(QStringLiteral("CREATE TEMP TABLE risk_append (stagedRow INTEGER PRIMARY KEY)"));
    // Every row of a key has the same year and number, so the group's own values decide.
    db.exec(QStringLiteral("INSERT INTO temp.risk_append SELECT min(s.rowid) FROM ") + Database::quoteName(staged) +
            QStringLiteral(" s GROUP BY ") + year + QStringLiteral(", ") + number + QStringLiteral(" HAVING trim(") +
            year + QStringLiteral(") <> '' AND trim(") + number +
            QStringLiteral(") <> '' AND NOT EXISTS (SELECT 1 FROM ") + Database::quoteName(history) +
            QStringLiteral(" h WHERE h.XID = ") + key + QLatin1Char(')'));
    QStringList quotedTargets{QStringLiteral("XID")};
    for (const QString& t : targets)
        quotedTargets << Database::quoteName(t);
    const QString sql = QStringLiteral("INSERT INTO ") + Database::quoteName(history) + QStringLiteral(" (") +
                        quotedTargets.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") + key +
                        QStringLiteral(", ") + sources.join(QStringLiteral(", ")) +
                        QStringLiteral(" FROM temp.risk_append a JOIN ") + Database::quoteName(staged) +
                        QStringLiteral(" s ON s.rowid = a.stagedRow ORDER BY a.stagedRow");
    result.appended = db.exec(sql);
    db.exec(QStringLiteral("DROP TABLE temp.risk_append"));
    result.skipped = total - result.appended;
    return result;
}

} // namespace

SaveResult SavePersonalHealth(Program& program) {
    Database& db = program.DBConn;
    if (!db.tableExists(kFramingham)) return {};
    // History column ← risk-table column, and whether it holds a number.
    struct Map {
        const char* history;
        const char* graded;
        bool isNumber;
    };
    static const Map map[] = {
        {"員工編號", "員工編號", false},
        {"年度代碼", "年度代碼", false},
        {"姓名", "姓名", false},
        {"部門代號", "部門代號", false},
        {"部門名稱", "部門名稱", false},
        {"SEX", "SEX", false},
        {"出生年月日", "出生年月日", false},
        {"身高", "身高_cm", true},
        {"體重", "體重_kg", true},
        {"腰圍", "腰圍_cm", true},
        {"BMI", "BMI", true},
        {"收縮壓", "收縮壓", true},
        {"舒張壓", "舒張壓", true},
        {"飯前血醣", "飯前血醣", true},
        {"總膽固醇", "總膽固醇", true},
        {"三酸甘油脂", "三酸甘油脂", true},
        {"高密度膽固醇", "高密度膽固醇", true},
        {"低密度膽固醇", "低密度膽固醇", true},
        {"抽菸習慣", "抽菸習慣", false},
        {"既往病歷", "既往病歷", false},
        {"健檢過程備註說明", "健檢過程備註說明", false},
        {"成人血壓分級", "成人血壓分級", false},
        {"Framingham_Risk_Score", "Framingham_Risk_Score", false},
        {"代謝症候群_分級", "代謝症候群_分級", false},
        {"BMI分級", "BMI分級", false},
        {"三高族群分級", "三高族群分級", false},
    };
    // Only the columns both tables have (a history schema may be older); the key is required.
    const QStringList historyColumns = db.columns(QStringLiteral("PersonalHealth"));
    const QStringList gradedColumns = db.columns(kFramingham);
    if (!historyColumns.contains(QStringLiteral("XID"), Qt::CaseInsensitive))
        throw DbError(QStringLiteral("PersonalHealth has no column XID"), QString());
    QStringList targets, sources;
    for (const Map& m : map) {
        const QString h = QString::fromUtf8(m.history), g = QString::fromUtf8(m.graded);
        if (!historyColumns.contains(h, Qt::CaseInsensitive) || !gradedColumns.contains(g, Qt::CaseInsensitive))
            continue;
        targets << h;
        const QString source = QStringLiteral("s.") + Database::quoteName(g);
        sources << (m.isNumber ? QStringLiteral("risk_number(") + source + QLatin1Char(')') : source);
    }
    registerNumberFunction(db);
    Transaction t(db);
    const SaveResult r = appendHistory(db, QStringLiteral("PersonalHealth"), kFramingham, targets, sources);
    t.commit();
    return r;
}

SaveResult SavePersonalBurnOut(Program& program) {
    Database& db = program.DBConn;
    if (!db.tableExists(kInPutBurnOut)) return {};
    const QStringList staged = db.columns(kInPutBurnOut);
    const QStringList historyColumns = db.columns(QStringLiteral("PersonalBurnOut"));
    QStringList lacking;
    for (const QString& c : staged)
        if (!historyColumns.contains(c, Qt::CaseInsensitive)) lacking << c;
    if (!historyColumns.contains(QStringLiteral("XID"), Qt::CaseInsensitive)) lacking << QStringLiteral("XID");
    if (!lacking.isEmpty())
        throw DbError(QStringLiteral("PersonalBurnOut lacks the columns: ") + lacking.join(QStringLiteral(", ")),
                      QString());
    QStringList sources;
    for (const QString& c : staged)
        sources << QStringLiteral("s.") + Database::quoteName(c);
    Transaction t(db);
    const SaveResult r = appendHistory(db, QStringLiteral("PersonalBurnOut"), kInPutBurnOut, staged, sources);
    t.commit();
    return r;
}

HistoryResult SavePersonalHistory(Program& program) {
    Transaction t(program.DBConn);
    HistoryResult r;
    r.health = SavePersonalHealth(program);
    r.burnOut = SavePersonalBurnOut(program);
    t.commit();
    return r;
}

} // namespace risk
