#include "maternity/CellMap.h"

#include "core/Program.h"
#include "maternity/CellMapCheck.h"
#include "maternity/CellMapData.h"
#include "office/XlsxCellRef.h"

#include <QRegularExpression>
#include <stdexcept>

namespace maternity {

namespace {

// The embedded map is checked by the compiler: a bad line stops the build at the instantiation of
// BadCellMapLine<N>, N the line of cellmap.tsv to mend.
template <int Line> struct BadCellMapLine {
    static_assert(Line == 0, "resources/maternity/cellmap.tsv: line N of BadCellMapLine<N> is not a title or cell line "
                             "as the header of that file describes (or a table lacks its title or cells)");
};
[[maybe_unused]] constexpr BadCellMapLine<cellmap::firstBadLine(kMaternityCellMapText)> kCellMapChecked{};

// Reads the embedded map, which the check above has held to the form read here.
std::vector<AttachedTableKind> parseMap() {
    std::vector<AttachedTableKind> kinds(3);
    for (int n = 1; n <= 3; ++n) {
        kinds[size_t(n - 1)].number = n;
        kinds[size_t(n - 1)].table = QStringLiteral("MHPT%1").arg(n);
        kinds[size_t(n - 1)].keyColumn = QStringLiteral("CaseKeyT%1").arg(n);
    }
    const QStringList lines = QString::fromUtf8(kMaternityCellMapText).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = raw.split(QLatin1Char('\t'));
        AttachedTableKind& kind = kinds[size_t(f[1].toInt() - 1)];
        if (f[0] == QLatin1String("title")) {
            kind.title = f[2];
        } else {
            MappedCell c;
            c.cell = f[2];
            const auto ref = office::parseXlsxCell(c.cell);
            c.row = ref->row;
            c.col = ref->col;
            c.column = f[3];
            c.type = f[4];
            c.maxLength = columnLength(c.type);
            c.label = f[5].trimmed();
            kind.cells.push_back(c);
        }
    }
    return kinds;
}

} // namespace

const std::vector<AttachedTableKind>& attachedTableKinds() {
    static const std::vector<AttachedTableKind> kinds = parseMap();
    return kinds;
}

const AttachedTableKind& attachedTableKind(int number) {
    if (number < 1 || number > 3) throw std::out_of_range("attached table number");
    return attachedTableKinds()[size_t(number - 1)];
}

const AttachedTableKind* kindByTitle(const QString& a1Text) {
    for (const AttachedTableKind& k : attachedTableKinds())
        if (k.title == a1Text) return &k;
    return nullptr;
}

int columnLength(const QString& sqlType) {
    static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = varchar.match(sqlType.trimmed());
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

std::vector<ColumnDef> attachedTableColumns(const AttachedTableKind& kind) {
    const QString v50 = QStringLiteral("VARCHAR(%1)").arg(kCommonColumnLength);
    std::vector<ColumnDef> columns{{kind.keyColumn, v50},
                                   {QStringLiteral("CaseKey"), v50},
                                   {QStringLiteral("xSaveDate"), v50},
                                   {QStringLiteral("Name"), v50},
                                   {QStringLiteral("EMPLNO"), v50}};
    for (const MappedCell& c : kind.cells)
        columns.push_back({c.column, c.type});
    return columns;
}

std::vector<TableDef> attachedTableDefs() {
    std::vector<TableDef> defs;
    for (const AttachedTableKind& k : attachedTableKinds())
        defs.push_back({k.table, attachedTableColumns(k), {}, {QStringLiteral("CaseKey"), k.keyColumn}});
    return defs;
}

void addAttachedTables(Program& program) {
    for (TableDef& def : attachedTableDefs())
        program.schema.addTable(std::move(def));
}

} // namespace maternity
