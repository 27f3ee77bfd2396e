#include "reports/MultipleLevel.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/Schema.h"

#include <QHash>
#include <algorithm>

namespace reports {

namespace {

const QString kItem = QStringLiteral("項目名稱");
const QString kSex = QStringLiteral("性別");
const QString kHighest = QStringLiteral("最高等級");
const QString kCurrent = QStringLiteral("目前等級");
const QString kSummary = QStringLiteral("個人分級彙整");

QString levelColumn(int level) {
    return QStringLiteral("Level_%1").arg(level);
}
QString levelSummaryColumn(int level) {
    return QStringLiteral("Level_%1_分級彙整").arg(level);
}

} // namespace

bool numericValue(const QString& text, double* value) {
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    while (p < end && p->isSpace())
        ++p;
    const QChar* start = p;
    if (p < end && (*p == u'+' || *p == u'-')) ++p;
    int digits = 0;
    while (p < end && p->unicode() >= '0' && p->unicode() <= '9') {
        ++p;
        ++digits;
    }
    if (p < end && *p == u'.') {
        ++p;
        while (p < end && p->unicode() >= '0' && p->unicode() <= '9') {
            ++p;
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (p < end && (*p == u'e' || *p == u'E')) {
        const QChar* e = p + 1;
        if (e < end && (*e == u'+' || *e == u'-')) ++e;
        int expDigits = 0;
        while (e < end && e->unicode() >= '0' && e->unicode() <= '9') {
            ++e;
            ++expDigits;
        }
        if (expDigits == 0) return false;
        p = e;
    }
    const QChar* stop = p;
    while (p < end && p->isSpace())
        ++p;
    if (p != end) return false;
    *value = QStringView(start, stop).toDouble();
    return true;
}

QString levelLabel(int level) {
    return QStringLiteral("【Level_%1】").arg(level);
}

StandardsTable readStandards(const Database& db, std::vector<StandardProblem>* problems) {
    StandardsTable t;
    const QString table = QStringLiteral("MultipleLevel");
    auto problem = [&](const QString& column, const QString& reason) {
        if (problems) problems->push_back({0, {}, {}, column, {}, reason});
    };
    if (!db.tableExists(table)) {
        problem({}, QStringLiteral("沒有分級標準資料表 MultipleLevel"));
        return t;
    }
    t.columns = db.columns(table);
    QStringList wanted{kItem, kSex};
    for (int n = 0; n < kLevelCount; ++n)
        wanted << levelColumn(n);
    bool complete = true;
    for (const QString& w : wanted)
        if (!t.columns.contains(w)) {
            problem(w, QStringLiteral("分級標準資料表缺少此欄位"));
            complete = false;
        }
    if (!complete) return t;
    QStringList quoted;
    for (const QString& w : wanted)
        quoted << Database::quoteName(w);
    // Each row is named by its place in the order the rows were stored, that is the order of the imported sheet,
    // which the grading's own order by item does not show.
    const Recordset rs =
        db.query(QStringLiteral("SELECT %1, row_number() OVER (ORDER BY rowid) FROM %2 ORDER BY %3, rowid")
                     .arg(quoted.join(QStringLiteral(", ")), Database::quoteName(table), Database::quoteName(kItem)));
    t.rows.reserve(size_t(rs.recordCount()));
    for (int r = 0; r < rs.recordCount(); ++r) {
        StandardRow row;
        row.position = rs.value(r, 2 + kLevelCount).toInt();
        row.item = rs.text(r, 0);
        row.sex = rs.text(r, 1);
        for (int n = 0; n < kLevelCount; ++n)
            if (!rs.isNull(r, 2 + n)) row.levels[size_t(n)] = rs.text(r, 2 + n);
        t.rows.push_back(std::move(row));
    }
    return t;
}

QStringList gradingColumns() {
    return {kHighest, kCurrent, kSummary, levelSummaryColumn(2), levelSummaryColumn(3), levelSummaryColumn(4)};
}

namespace {

// Where the count table puts each value: by column name, whatever order the standards table has (-1: no such column).
struct CountLayout {
    int width = 0;
    int itemAt = -1;
    int sexAt = -1;
    std::array<int, kLevelCount> levelAt{};
};

CountLayout countLayout(const QStringList& headerColumns) {
    CountLayout layout;
    layout.width = int(headerColumns.size());
    layout.itemAt = int(headerColumns.indexOf(kItem));
    layout.sexAt = int(headerColumns.indexOf(kSex));
    for (int n = 0; n < kLevelCount; ++n)
        layout.levelAt[size_t(n)] = int(headerColumns.indexOf(levelColumn(n)));
    return layout;
}

// The header row and one empty row per standard row.
CountTable emptyCountTable(const QStringList& headerColumns, int standardRowCount) {
    CountTable counts;
    const int width = int(headerColumns.size());
    counts.rows.assign(size_t(std::max(standardRowCount, 0)) + 1, QVariantList(width));
    for (int c = 0; c < width; ++c)
        counts.rows[0][c] = headerColumns[c];
    return counts;
}

// Row `at` of the count table: the standard and the persons at each level it has a criterion for (-1: none).
void putCountRow(CountTable& counts, const CountLayout& layout, int at, const Standard& s,
                 const std::array<int, kLevelCount>& levelCounts) {
    if (at >= int(counts.rows.size())) counts.rows.emplace_back(layout.width);
    QVariantList& out = counts.rows[size_t(at)];
    if (layout.itemAt >= 0) out[layout.itemAt] = s.item;
    if (layout.sexAt >= 0) out[layout.sexAt] = s.sex;
    for (int n = 0; n < kLevelCount; ++n)
        if (levelCounts[size_t(n)] >= 0 && layout.levelAt[size_t(n)] >= 0)
            out[layout.levelAt[size_t(n)]] = levelCounts[size_t(n)];
}

// Per graded column, computed once: whether each cell is numeric as a whole and its value, and the level its label
// will carry (-1: none yet). A labelled value meets no later criterion (it is no longer numeric, nor equal to a text),
// so each cell takes at most one label.
struct ColumnState {
    std::vector<char> numeric;
    std::vector<double> value;
    std::vector<signed char> label;
};

// A label given to a row: the standard and the level.
struct Hit {
    int standard;
    int level;
};

// What the grading decides, before anything is written into the table: labels and summaries are written at the end,
// in grading order, from the values as they were.
struct Grading {
    Grading(const GradingTable& t, const std::vector<Standard>& s)
        : table(t), standards(s), columns(t.columns.size()), hits(t.rows.size()), highest(t.rows.size(), 0),
          standardColumn(s.size(), -1), inSex(t.rows.size(), 1), sexCol(t.column(QStringLiteral("SEX"))) {}

    const GradingTable& table;
    const std::vector<Standard>& standards;
    std::vector<std::optional<ColumnState>> columns; // per table column, read when a standard first grades it
    std::vector<std::vector<Hit>> hits;              // per row, its labels of level 1 or higher
    std::vector<int> highest;                        // per row, its highest level
    std::vector<int> standardColumn;                 // per standard, the column of its item (-1: none)
    std::vector<char> inSex;                         // per row, whether the standard being graded covers its sex
    int sexCol;
};

ColumnState& columnState(Grading& g, int col, bool textItem) {
    auto& slot = g.columns[size_t(col)];
    if (!slot) {
        const size_t rows = g.table.rows.size();
        ColumnState cs;
        cs.numeric.assign(rows, 0);
        cs.value.assign(rows, 0);
        cs.label.assign(rows, -1);
        if (!textItem)
            for (size_t i = 0; i < rows; ++i) {
                const auto& cell = g.table.rows[i][size_t(col)];
                double v = 0;
                if (cell && numericValue(*cell, &v)) {
                    cs.numeric[i] = 1;
                    cs.value[i] = v;
                }
            }
        slot = std::move(cs);
    }
    return *slot;
}

// Grades standard k over the rows its earlier standards left: the persons at each level it has a criterion for (-1:
// no criterion), or nothing when the year holds no value of its item for its sex.
std::optional<std::array<int, kLevelCount>> gradeStandard(Grading& g, size_t k) {
    const Standard& s = g.standards[k];
    const auto& cells = g.table.rows;
    const size_t rows = cells.size();
    const int col = g.table.column(s.item);
    g.standardColumn[k] = col;
    if (col < 0) return std::nullopt;
    const bool bothSexes = s.sex == QLatin1String("0");
    for (size_t i = 0; i < rows; ++i) {
        const auto& sex = g.sexCol >= 0 && !bothSexes ? cells[i][size_t(g.sexCol)] : std::nullopt;
        g.inSex[i] = bothSexes || (sex && *sex == s.sex);
    }
    ColumnState& cs = columnState(g, col, s.textItem);
    auto open = [&](size_t i) {
        return g.inSex[i] && cs.label[i] < 0 && (s.textItem ? cells[i][size_t(col)].has_value() : cs.numeric[i] != 0);
    };
    // The population: the values of the item for the sex; a labelled text still counts (it is not empty), a
    // labelled number no longer does (it is no number).
    bool population = false;
    for (size_t i = 0; i < rows && !population; ++i)
        population = s.textItem ? g.inSex[i] && cells[i][size_t(col)].has_value() : open(i);
    if (!population) return std::nullopt;

    std::array<int, kLevelCount> levelCounts;
    for (int n = 0; n < kLevelCount; ++n) {
        const auto& criterion = s.levels[size_t(n)];
        levelCounts[size_t(n)] = -1;
        if (!criterion) continue;
        int count = 0;
        for (size_t i = 0; i < rows; ++i) {
            if (!open(i)) continue;
            const bool meets = s.textItem ? *cells[i][size_t(col)] == criterion->text : criterion->holds(cs.value[i]);
            if (!meets) continue;
            ++count;
            cs.label[i] = static_cast<signed char>(n);
            if (n >= 1) g.hits[i].push_back({int(k), n});
            g.highest[i] = std::max(g.highest[i], n);
        }
        levelCounts[size_t(n)] = count;
    }
    return levelCounts;
}

// Writes what the grading decided into a row, one row at a time, so that a caller may store each row and let it go
// before the next: the summaries ("item：value【Level_N】；<@> " per item at level 1 or higher, the value as it stood
// before its label), then the labels after the values and 最高等級 (目前等級 stays null).
class RowWriter {
public:
    RowWriter(GradingTable& table, const Grading& g)
        : m_table(table), m_g(g), m_summary(table.column(kSummary)), m_highest(table.column(kHighest)),
          m_current(table.column(kCurrent)) {
        for (int n = 0; n < kLevelCount; ++n) {
            m_labels[size_t(n)] = levelLabel(n);
            m_levelSummary[size_t(n)] = n >= 2 ? table.column(levelSummaryColumn(n)) : -1;
        }
        for (size_t col = 0; col < g.columns.size(); ++col)
            if (g.columns[col]) m_graded.push_back(col);
    }

    void write(size_t i) const {
        auto& row = m_table.rows[i];
        if (!m_g.hits[i].empty()) {
            QString person;
            std::array<QString, kLevelCount> byLevel;
            for (const Hit& h : m_g.hits[i]) {
                const QString& value = *row[size_t(m_g.standardColumn[size_t(h.standard)])];
                const QString entry =
                    m_g.standards[size_t(h.standard)].item + m_colon + value + m_labels[size_t(h.level)] + m_tail;
                person += entry;
                if (h.level >= 2) byLevel[size_t(h.level)] += entry;
            }
            if (m_summary >= 0) row[size_t(m_summary)] = person;
            for (int n = 2; n < kLevelCount; ++n)
                if (m_levelSummary[size_t(n)] >= 0 && !byLevel[size_t(n)].isEmpty())
                    row[size_t(m_levelSummary[size_t(n)])] = byLevel[size_t(n)];
        }
        for (const size_t col : m_graded) {
            const signed char label = m_g.columns[col]->label[i];
            if (label >= 0) *row[col] += m_labels[size_t(label)];
        }
        if (m_highest >= 0) row[size_t(m_highest)] = QString::number(m_g.highest[i]);
        if (m_current >= 0) row[size_t(m_current)].reset();
    }

private:
    GradingTable& m_table;
    const Grading& m_g;
    const int m_summary, m_highest, m_current;
    std::array<int, kLevelCount> m_levelSummary;
    std::array<QString, kLevelCount> m_labels;
    std::vector<size_t> m_graded; // the columns some standard graded
    const QString m_colon = QStringLiteral("：");
    const QString m_tail = QStringLiteral("；<@> ");
};

// Grades every standard over the table, in order, and returns the count table; nothing is written into the table.
CountTable gradeStandards(Grading& g, const std::vector<Standard>& standards, const QStringList& headerColumns,
                          int standardRowCount, const std::function<void(int)>& progress) {
    const CountLayout layout = countLayout(headerColumns);
    CountTable counts = emptyCountTable(headerColumns, standardRowCount);
    if (progress) progress(0);
    int countRow = 0;
    const int total = std::max(standardRowCount, 1);
    for (size_t k = 0; k < standards.size(); ++k) {
        if (progress) progress(int((k + 1) * 100 / size_t(total)));
        if (const auto levelCounts = gradeStandard(g, k))
            putCountRow(counts, layout, ++countRow, standards[k], *levelCounts);
    }
    return counts;
}

} // namespace

CountTable gradeTable(GradingTable& table, const std::vector<Standard>& standards, const QStringList& headerColumns,
                      int standardRowCount, const std::function<void(int)>& progress) {
    Grading g(table, standards);
    CountTable counts = gradeStandards(g, standards, headerColumns, standardRowCount, progress);
    const RowWriter writer(table, g);
    for (size_t i = 0; i < table.rows.size(); ++i)
        writer.write(i);
    return counts;
}

MultipleLevelRun runMultipleLevelGrading(Database& db, const QString& yearCode,
                                         const std::function<void(int)>& progress) {
    MultipleLevelRun run;
    const QString health = QStringLiteral("PersonalHealth");
    const StandardsTable standardsTable = readStandards(db, &run.problems);
    // The columns of PersonalHealth with their declared types, in table order.
    const Recordset info =
        db.query(QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"), {health});
    QStringList healthColumns;
    for (int r = 0; r < info.recordCount(); ++r)
        healthColumns << info.text(r, 0);
    const std::vector<Standard> standards =
        checkStandards(standardsTable.rows, healthColumns, &run.problems, &run.skipped);
    if (!run.problems.empty()) return run;

    // The work table: the columns of PersonalHealth, single-precision ones as text so that a label can follow the
    // value, then the grading columns.
    std::vector<ColumnDef> defs;
    for (int r = 0; r < info.recordCount(); ++r) {
        const QString c = info.text(r, 0);
        const QString type = info.text(r, 1);
        const bool isReal = type.compare(QLatin1String("REAL"), Qt::CaseInsensitive) == 0 ||
                            type.compare(QLatin1String("FLOAT"), Qt::CaseInsensitive) == 0 ||
                            type.compare(QLatin1String("SINGLE"), Qt::CaseInsensitive) == 0 ||
                            type.compare(QLatin1String("DOUBLE"), Qt::CaseInsensitive) == 0;
        defs.push_back({c, isReal ? QStringLiteral("VARCHAR(100)") : type});
    }
    defs.push_back({kHighest, QStringLiteral("INTEGER")});
    defs.push_back({kCurrent, QStringLiteral("INTEGER")});
    defs.push_back({kSummary, QStringLiteral("TEXT")});
    for (int n = 2; n < kLevelCount; ++n)
        defs.push_back({levelSummaryColumn(n), QStringLiteral("TEXT")});

    GradingTable table;
    table.columns = healthColumns + gradingColumns();
    const int healthWidth = int(healthColumns.size());
    // The year's rows go straight into the table, without a whole result set beside it. Measurements repeat from
    // person to person: each distinct number of a column is written as text once.
    std::vector<QHash<double, QString>> numberTexts{size_t(healthWidth)};
    db.forEachRow(QStringLiteral("SELECT * FROM %1 WHERE %2 = ? ORDER BY rowid")
                      .arg(Database::quoteName(health), Database::quoteName(QStringLiteral("年度代碼"))),
                  {yearCode}, [&](const RowView& r) {
                      std::vector<std::optional<QString>> row(size_t(table.columns.size()));
                      for (int c = 0; c < healthWidth; ++c) {
                          if (r.isNull(c)) continue;
                          const QVariant v = r.value(c);
                          if (v.typeId() == QMetaType::Double) {
                              const double d = v.toDouble();
                              auto it = numberTexts[size_t(c)].constFind(d);
                              if (it == numberTexts[size_t(c)].constEnd())
                                  it = numberTexts[size_t(c)].insert(d, Recordset::toText(v));
                              row[size_t(c)] = *it;
                          } else {
                              row[size_t(c)] = Recordset::toText(v);
                          }
                      }
                      table.rows.push_back(std::move(row));
                  });
    run.healthChecks = int(table.rows.size());
    Grading g(table, standards);
    run.counts = gradeStandards(g, standards, standardsTable.columns, int(standardsTable.rows.size()), progress);

    const QString xTemp = QStringLiteral("X_Temp");
    std::vector<ColumnDef> all = defs;
    all.push_back({QStringLiteral("NOindex"), QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")});
    Transaction tx(db);
    recreateTable(db, xTemp, all);
    // Each row is finished and stored a block of rows at a time, then let go: the labelled values, the summaries and
    // the copies as values are never held for the whole year at once.
    const RowWriter writer(table, g);
    constexpr size_t kBlock = 2000;
    const QString insert = insertSql(xTemp, table.columns);
    std::vector<QVariantList> values;
    values.reserve(std::min(kBlock, table.rows.size()));
    for (size_t first = 0; first < table.rows.size(); first += kBlock) {
        values.clear();
        for (size_t i = first; i < std::min(first + kBlock, table.rows.size()); ++i) {
            writer.write(i);
            auto& row = table.rows[i];
            QVariantList v;
            v.reserve(int(row.size()));
            for (auto& cell : row)
                v.append(cell ? QVariant(std::move(*cell)) : QVariant());
            std::vector<std::optional<QString>>().swap(row);
            values.push_back(std::move(v));
        }
        db.execBatch(insert, values);
    }
    tx.commit();
    return run;
}

} // namespace reports
