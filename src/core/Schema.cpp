#include "core/Schema.h"

#include "core/Database.h"
#include "core/SeedRows.h"

std::vector<ColumnDef> vc50(const QStringList& names) {
    std::vector<ColumnDef> out;
    for (const QString& n : names)
        out.push_back({n, QStringLiteral("VARCHAR(50)")});
    return out;
}

namespace {

void append(std::vector<ColumnDef>& to, const std::vector<ColumnDef>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

QStringList numbered(const QString& prefix, int from, int to, int width) {
    QStringList out;
    for (int i = from; i <= to; ++i)
        out.append(prefix + QString::number(i).rightJustified(width, QLatin1Char('0')));
    return out;
}

const QString kText = QStringLiteral("TEXT");     // memo
const QString kReal = QStringLiteral("REAL");     // single
const QString kDateTime = QStringLiteral("TEXT"); // "YYYY/MM/DD hh:mm:ss"
const QString kCounter = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");

std::vector<TableDef> buildTables() {
    std::vector<TableDef> t;

    t.push_back({QStringLiteral("OnlineKeyIn"),
                 {{"MainCode", "VARCHAR(50)"},
                  {"Type", "VARCHAR(100)"},
                  {"xNote", kText},
                  {"xSource", "VARCHAR(50)"},
                  {"xTopic", "VARCHAR(50)"}},
                 {}});

    {
        auto c = vc50({"XID", "年度代碼", "姓名", "員工編號"});
        append(c, vc50(numbered("Basic", 1, 18, 2)));
        append(c, vc50(numbered("Q", 1, 15, 3)));
        c.push_back({"Q016", kText});
        c.push_back({"ErgoTotal", "VARCHAR(50)"});
        c.push_back({"xFileName", kText});
        t.push_back({QStringLiteral("PersonalNMQ"), c, {}});
    }
    {
        auto c = vc50({"XID", "員工編號", "年度代碼", "姓名", "部門代號", "部門名稱", "SEX", "出生年月日"});
        for (const char* n : {"身高", "體重", "腰圍", "BMI", "收縮壓", "舒張壓", "飯前血醣", "總膽固醇", "三酸甘油脂",
                              "高密度膽固醇", "低密度膽固醇"})
            c.push_back({n, kReal});
        for (const char* n : {"抽菸習慣", "既往病歷", "健檢過程備註說明"})
            c.push_back({n, kText});
        append(c, vc50({"成人血壓分級", "Framingham_Risk_Score", "代謝症候群_分級", "BMI分級", "三高族群分級"}));
        // Urine protein and occult blood, graded as texts ("-", "+/-", "+" ...).
        append(c, vc50({"PRO", "UOB"}));
        t.push_back({QStringLiteral("PersonalHealth"), c, {}});
    }
    {
        auto c = vc50({"XID", "年度代碼", "姓名", "員工編號"});
        append(c, vc50(numbered("I0", 1, 6, 1)));
        append(c, vc50({"I_Score", "I_Risk"}));
        append(c, vc50(numbered("J0", 1, 7, 1)));
        append(c, vc50({"J_Score", "J_Risk", "月加班時數等級", "工作型態評估等級"}));
        c.push_back({"工作型態內容說明", kText});
        c.push_back({"工作負荷等級", "VARCHAR(50)"});
        t.push_back({QStringLiteral("PersonalBurnOut"), c, {}});
    }
    {
        // The special health checks: one row per person, year and check code.
        auto c = vc50({"XID", "年度代碼", "姓名", "員工編號", "健檢醫院代碼", "實際健檢日期", "特殊健檢代碼_僅兩碼",
                       "特殊健檢管理等級"});
        c.push_back({"健檢過程備註說明", kText});
        t.push_back({QStringLiteral("PersonalSpecialHealth"), c, {}});
    }
    t.push_back({QStringLiteral("MaternityHealth"),
                 {{"姓名", "VARCHAR(50)"},
                  {"個案檔號", "VARCHAR(50)"},
                  {"個案建檔日", kDateTime},
                  {"出生年月日", kDateTime},
                  {"員工編號", "VARCHAR(50)"},
                  {"身份ID", "VARCHAR(50)"},
                  {"個案解除日", kDateTime},
                  {"手機號碼", "VARCHAR(50)"},
                  {"備註說明", kText}},
                 {}});
    t.push_back({QStringLiteral("MultipleLevel"),
                 vc50({"項目名稱", "性別", "Level_0", "Level_1", "Level_2", "Level_3", "Level_4"}),
                 {}});
    t.push_back({QStringLiteral("ListOHS"),
                 {{"Type", "VARCHAR(50)"},
                  {"健康服務工作要項", "VARCHAR(100)"},
                  {"MainCode", "VARCHAR(55)"},
                  {"xAutoNumber", kCounter}},
                 seedListOHS});
    t.push_back({QStringLiteral("EMPL"),
                 vc50({"姓名", "性別", "出生年月日", "身份ID", "員工編號", "部門中文名稱", "到職日", "作業別", "職稱",
                       "備註", "手機號碼", "電子郵件"}),
                 {}});
    {
        auto c = vc50({"SerialX", "記錄日期", "記錄時間", "人員身份", "員工編號", "人員姓名", "聯絡分機", "所屬部門",
                       "事件代碼", "嚴重代碼"});
        c.push_back({"事件發生經過與症狀描述", kText});
        c.push_back({"處理措施", kText});
        append(c, vc50({"追蹤情況", "TracDate", "醫護人員", "xSaveTime"}));
        c.push_back({"xPDF", kText});
        t.push_back({QStringLiteral("NursingBook"), c, {}});
    }
    t.push_back({QStringLiteral("NursingCode"),
                 {{"MainCode", "VARCHAR(50)"},
                  {"Type", "VARCHAR(50)"},
                  {"Note", "VARCHAR(255)"},
                  {"健康服務工作要項", "VARCHAR(100)"}},
                 seedNursingCode});
    t.push_back({QStringLiteral("DrugListTree"),
                 {{"Type", "VARCHAR(50)"},
                  {"MainCode", "VARCHAR(50)"},
                  {"MedicalObjectName", "VARCHAR(100)"},
                  {"ReserveAmount", kReal},
                  {"ExpireDate", "VARCHAR(50)"}},
                 {}});
    t.push_back({QStringLiteral("DrugUsing"),
                 {{"NursingID", "VARCHAR(50)"},
                  {"MedicineID", "VARCHAR(50)"},
                  {"MedicineName", "VARCHAR(100)"},
                  {"UsingAmount", kReal}},
                 {}});
    t.push_back({QStringLiteral("ToWordList"), vc50({"員工編號"}), {}});
    return t;
}

struct IndexDef {
    const char* table;
    const char* column;
};
// The columns the program searches by.
const IndexDef kIndexes[] = {
    {"EMPL", "員工編號"},
    {"NursingBook", "員工編號"},
    {"NursingBook", "記錄日期"},
    {"NursingBook", "SerialX"},
    {"PersonalHealth", "XID"},
    {"PersonalHealth", "員工編號"},
    {"PersonalHealth", "年度代碼"},
    {"PersonalBurnOut", "XID"},
    {"PersonalBurnOut", "員工編號"},
    {"PersonalBurnOut", "年度代碼"},
    {"PersonalNMQ", "XID"},
    {"PersonalNMQ", "員工編號"},
    {"PersonalNMQ", "年度代碼"},
    {"PersonalSpecialHealth", "員工編號"},
    {"PersonalSpecialHealth", "年度代碼"},
    {"MaternityHealth", "個案檔號"},
    {"DrugUsing", "NursingID"},
    {"NursingCode", "MainCode"},
};

} // namespace

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

QString createTableSql(const QString& table, const std::vector<ColumnDef>& columns) {
    QStringList cols;
    for (const auto& c : columns)
        cols.append(Database::quoteName(c.name) + QLatin1Char(' ') + c.type);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(Database::quoteName(table), cols.join(QStringLiteral(", ")));
}

QString insertSql(const QString& table, const QStringList& columns) {
    QStringList quoted, marks;
    for (const QString& c : columns) {
        quoted << Database::quoteName(c);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(Database::quoteName(table), quoted.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

void recreateTable(Database& db, const QString& table, const std::vector<ColumnDef>& columns) {
    db.exec(QStringLiteral("DROP TABLE IF EXISTS ") + Database::quoteName(table));
    db.exec(createTableSql(table, columns));
}

QString createTableSql(const TableDef& table) {
    return createTableSql(table.name, table.columns);
}

Schema::Schema() : m_tables(schemaTables()) {}

void Schema::addTable(TableDef table) {
    for (auto& t : m_tables)
        if (t.name.compare(table.name, Qt::CaseInsensitive) == 0) {
            t = std::move(table);
            return;
        }
    m_tables.push_back(std::move(table));
}

void Schema::addSeed(const QString& table, std::function<void(Database&)> seed) {
    for (auto& t : m_tables)
        if (t.name.compare(table, Qt::CaseInsensitive) == 0) {
            if (!t.seed) {
                t.seed = std::move(seed);
                return;
            }
            // Both run: the table's own rows first.
            t.seed = [first = t.seed, then = std::move(seed)](Database& db) {
                first(db);
                then(db);
            };
            return;
        }
}

void EnsureDatabaseSchema(Database& db, const Schema& schema) {
    Transaction tx(db);
    for (const TableDef& table : schema.tables()) {
        if (!db.tableExists(table.name)) {
            db.exec(createTableSql(table));
            if (table.seed) table.seed(db);
            continue;
        }
        // An older table gains the columns added since it was created (its rows stay).
        const QStringList have = db.columns(table.name);
        for (const ColumnDef& c : table.columns) {
            bool present = false;
            for (const QString& h : have)
                if (h.compare(c.name, Qt::CaseInsensitive) == 0) present = true;
            if (present || c.type.contains(QLatin1String("PRIMARY KEY"))) continue;
            db.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                        .arg(Database::quoteName(table.name), Database::quoteName(c.name), c.type));
        }
    }
    auto index = [&db](const QString& table, const QString& column) {
        if (!db.tableExists(table) || !db.fieldExists(table, column)) return;
        db.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                    .arg(Database::quoteName(QStringLiteral("ix_%1_%2").arg(table, column)), Database::quoteName(table),
                         Database::quoteName(column)));
    };
    for (const IndexDef& ix : kIndexes)
        index(QString::fromUtf8(ix.table), QString::fromUtf8(ix.column));
    for (const TableDef& table : schema.tables())
        for (const QString& column : table.indexes)
            index(table.name, column);
    tx.commit();
}

QString nursingBookColumns() {
    // Dates are stored as "YYYY/MM/DD"; the list shows them as stored.
    return QStringLiteral(
        "[SerialX], [記錄日期], [記錄時間], [人員身份], [員工編號], [人員姓名], [聯絡分機], [所屬部門], "
        "[事件代碼], [嚴重代碼], [事件發生經過與症狀描述], [處理措施], [追蹤情況], [醫護人員], [xPDF]");
}
