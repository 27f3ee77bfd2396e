#include "core/Database.h"

#include "core/VbRules.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <sqlite3.h>

namespace {
QAtomicInt g_connectionCounter;

[[noreturn]] void fail(const QSqlQuery& q, const QString& sql) {
    throw DbError(q.lastError().text(), sql);
}

void prepareAndBind(QSqlQuery& q, const QString& sql, const QVariantList& params) {
    if (!q.prepare(sql)) fail(q, sql);
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, params[i]);
}

// Whether a value is bound as SQL NULL: as QtSql binds, a null variant and a null text or byte array.
bool isSqlNull(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.isNull() || static_cast<const QString*>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return v.isNull() || static_cast<const QByteArray*>(v.constData())->isNull();
    default:
        return !v.isValid() || v.isNull();
    }
}

// Whether SQLite can take the value as it is (text, a number, a blob or NULL), so a statement can bind it directly.
bool bindsDirectly(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::QByteArray:
        return true;
    default:
        return !v.isValid() || v.isNull();
    }
}

bool allBindDirectly(const QVariantList& values) {
    for (const QVariant& v : values)
        if (!bindsDirectly(v)) return false;
    return true;
}

// A column of the current row as QtSql's SQLite driver gives it: whole numbers as qlonglong, reals as double, text as
// QString, blobs as QByteArray, NULL as a null text.
QVariant columnValue(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return sqlite3_column_double(st, i);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    default: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        return QString::fromUtf8(text, sqlite3_column_bytes(st, i));
    }
    }
}

// A statement of SQLite's own, finalized whatever happens. QtSql's per-value bookkeeping costs more than the work
// itself for statements over many rows; these bind and read the plain values directly.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : m_db(db), m_sql(sql) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_handle, nullptr) != SQLITE_OK) fail();
    }
    ~Statement() { sqlite3_finalize(m_handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    [[noreturn]] void fail() const { throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)), m_sql); }

    // Binds the values in order (each must bind directly).
    void bind(const QVariantList& values) {
        sqlite3_reset(m_handle);
        sqlite3_clear_bindings(m_handle);
        m_texts.clear();
        for (int i = 0; i < values.size(); ++i) {
            const QVariant& v = values[i];
            int rc = SQLITE_OK;
            if (isSqlNull(v)) {
                rc = sqlite3_bind_null(m_handle, i + 1);
            } else {
                switch (v.typeId()) {
                case QMetaType::QString: {
                    // Kept until the next bind: SQLite reads the text in place instead of copying it.
                    m_texts.push_back(static_cast<const QString*>(v.constData())->toUtf8());
                    rc = sqlite3_bind_text(m_handle, i + 1, m_texts.back().constData(), int(m_texts.back().size()),
                                           SQLITE_STATIC);
                    break;
                }
                case QMetaType::Double:
                    rc = sqlite3_bind_double(m_handle, i + 1, v.toDouble());
                    break;
                case QMetaType::QByteArray: {
                    const QByteArray b = v.toByteArray();
                    rc = sqlite3_bind_blob(m_handle, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                    break;
                }
                default: // the whole numbers and bool
                    rc = sqlite3_bind_int64(m_handle, i + 1, v.toLongLong());
                    break;
                }
            }
            if (rc != SQLITE_OK) fail();
        }
    }

    // Runs a statement that returns no rows.
    void run() {
        if (sqlite3_step(m_handle) != SQLITE_DONE) fail();
    }

    // Steps to the next row; false at the end.
    bool next() {
        const int rc = sqlite3_step(m_handle);
        if (rc == SQLITE_DONE) return false;
        if (rc != SQLITE_ROW) fail();
        return true;
    }
    sqlite3_stmt* handle() const { return m_handle; }

    // Reads every row (columnValue).
    Recordset readAll() {
        const int n = sqlite3_column_count(m_handle);
        QStringList fields;
        fields.reserve(n);
        for (int i = 0; i < n; ++i)
            fields.append(QString::fromUtf8(sqlite3_column_name(m_handle, i)));
        std::vector<QVariantList> rows;
        while (next()) {
            QVariantList row;
            row.reserve(n);
            for (int i = 0; i < n; ++i)
                row.append(columnValue(m_handle, i));
            rows.push_back(std::move(row));
        }
        return Recordset(std::move(fields), std::move(rows));
    }

private:
    sqlite3* m_db;
    QString m_sql;
    sqlite3_stmt* m_handle = nullptr;
    std::vector<QByteArray> m_texts; // the bound texts of the current row
};
} // namespace

int RowView::columnCount() const {
    return m_statement ? sqlite3_column_count(m_statement) : int(m_row->size());
}

bool RowView::isNull(int c) const {
    return m_statement ? sqlite3_column_type(m_statement, c) == SQLITE_NULL : (*m_row)[c].isNull();
}

QVariant RowView::value(int c) const {
    return m_statement ? columnValue(m_statement, c) : (*m_row)[c];
}

QString RowView::text(int c) const {
    if (!m_statement) return Recordset::toText((*m_row)[c]);
    switch (sqlite3_column_type(m_statement, c)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c)),
                                 sqlite3_column_bytes(m_statement, c));
    default:
        return Recordset::toText(columnValue(m_statement, c));
    }
}

QByteArrayView RowView::utf8(int c) const {
    if (m_statement) {
        if (sqlite3_column_type(m_statement, c) == SQLITE_NULL) return {};
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
        return QByteArrayView(text, sqlite3_column_bytes(m_statement, c));
    }
    m_scratch = Recordset::toText((*m_row)[c]).toUtf8();
    return m_scratch;
}

int Recordset::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString Recordset::toText(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return vb::generalNumber(v.toDouble());
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

QString Recordset::text(int r, int c) const {
    return toText(m_rows[size_t(r)][c]);
}

QString Recordset::text(int r, const QString& field) const {
    int c = fieldIndex(field);
    if (c < 0 || r < 0 || r >= recordCount()) return {};
    return text(r, c);
}

Database::Database() {
    m_name = QStringLiteral("ostiva_%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
}

Database::~Database() {
    close();
    // The handle must be let go before the connection is removed, or Qt warns that it is still in use.
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool Database::open(const QString& path, QString* error) {
    close();
    if (!QSqlDatabase::contains(m_name)) m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        if (error) *error = m_db.lastError().text();
        return false;
    }
    m_path = path;
    try {
        // Reading the schema proves the file is a database (a foreign file fails here, not later).
        query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        // A write of a year's work table stays in memory until its commit (the default 2 MB spills to the file).
        exec(QStringLiteral("PRAGMA cache_size = -32768"));
    } catch (const DbError& e) {
        if (error) *error = e.message();
        m_db.close();
        return false;
    }
    return true;
}

void Database::close() {
    if (m_db.isValid() && m_db.isOpen()) {
        while (m_depth > 0) {
            try {
                rollback();
            } catch (...) {
                m_depth = 0;
            }
        }
        m_db.close();
    }
}

bool Database::isOpen() const {
    return m_db.isValid() && m_db.isOpen();
}

Recordset Database::query(const QString& sql, const QVariantList& params) const {
    if (sqlite3* handle = sqliteHandle(); handle && allBindDirectly(params)) {
        Statement st(handle, sql);
        st.bind(params);
        return st.readAll();
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    prepareAndBind(q, sql, params);
    if (!q.exec()) fail(q, sql);
    QSqlRecord rec = q.record();
    QStringList fields;
    const int n = rec.count();
    fields.reserve(n);
    for (int i = 0; i < n; ++i)
        fields.append(rec.fieldName(i));
    std::vector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(q.value(i));
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) fail(q, sql);
    return Recordset(std::move(fields), std::move(rows));
}

void Database::forEachRow(const QString& sql, const QVariantList& params,
                          const std::function<void(const RowView&)>& f) const {
    RowView view;
    if (sqlite3* handle = sqliteHandle(); handle && allBindDirectly(params)) {
        Statement st(handle, sql);
        st.bind(params);
        view.m_statement = st.handle();
        while (st.next())
            f(view);
        return;
    }
    const Recordset rs = query(sql, params);
    for (const QVariantList& row : rs.rows()) {
        view.m_row = &row;
        f(view);
    }
}

int Database::exec(const QString& sql, const QVariantList& params) {
    QSqlQuery q(m_db);
    prepareAndBind(q, sql, params);
    if (!q.exec()) fail(q, sql);
    return q.numRowsAffected();
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) const {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    prepareAndBind(q, sql, params);
    if (!q.exec()) fail(q, sql);
    if (!q.next()) return {};
    return q.value(0);
}

void Database::execBatch(const QString& sql, const std::vector<QVariantList>& rows) {
    Transaction t(*this);
    sqlite3* handle = sqliteHandle();
    bool direct = handle != nullptr;
    for (size_t r = 0; direct && r < rows.size(); ++r)
        direct = allBindDirectly(rows[r]);
    if (direct) {
        Statement st(handle, sql);
        for (const auto& row : rows) {
            st.bind(row);
            st.run();
        }
    } else {
        QSqlQuery q(m_db);
        if (!q.prepare(sql)) fail(q, sql);
        for (const auto& row : rows) {
            for (int i = 0; i < row.size(); ++i)
                q.bindValue(i, row[i]);
            if (!q.exec()) fail(q, sql);
        }
    }
    t.commit();
}

bool Database::tableExists(const QString& table) const {
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN ('table','view') AND "
                                 "lower(name) = lower(?)"),
                  {table})
               .toInt() > 0;
}

bool Database::fieldExists(const QString& table, const QString& field) const {
    for (const QString& c : columns(table))
        if (c.compare(field, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QStringList Database::tables() const {
    QStringList out;
    Recordset rs = query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                                        "'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    for (int i = 0; i < rs.recordCount(); ++i)
        out.append(rs.text(i, 0));
    return out;
}

QStringList Database::columns(const QString& table) const {
    QStringList out;
    Recordset rs = query(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
    for (int i = 0; i < rs.recordCount(); ++i)
        out.append(rs.text(i, 0));
    return out;
}

QString Database::columnType(const QString& table, const QString& column) const {
    return scalar(QStringLiteral("SELECT type FROM pragma_table_info(?) WHERE lower(name) = lower(?)"), {table, column})
        .toString();
}

QString Database::quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

void Database::begin() {
    if (m_depth == 0)
        exec(QStringLiteral("BEGIN"));
    else
        exec(QStringLiteral("SAVEPOINT sp%1").arg(m_depth));
    ++m_depth;
}

void Database::commit() {
    if (m_depth <= 0) return;
    try {
        if (m_depth == 1)
            exec(QStringLiteral("COMMIT"));
        else
            exec(QStringLiteral("RELEASE SAVEPOINT sp%1").arg(m_depth - 1));
    } catch (const DbError&) {
        // SQLite keeps a refused transaction open: end this level here so the next write does not land in it.
        try {
            rollback();
        } catch (const DbError&) {
        }
        throw;
    }
    --m_depth;
}

void Database::rollback() {
    if (m_depth <= 0) return;
    --m_depth;
    if (m_depth == 0) {
        try {
            exec(QStringLiteral("ROLLBACK"));
        } catch (const DbError&) {
            // SQLite may have ended the transaction by itself (a full disk, an I/O error); then nothing is left.
            if (!inTransaction()) return;
            throw;
        }
    } else {
        exec(QStringLiteral("ROLLBACK TO SAVEPOINT sp%1").arg(m_depth));
        exec(QStringLiteral("RELEASE SAVEPOINT sp%1").arg(m_depth));
    }
}

bool Database::inTransaction() const {
    sqlite3* h = sqliteHandle();
    return h && sqlite3_get_autocommit(h) == 0;
}

bool Database::canWrite(QString* reason) {
    sqlite3* h = sqliteHandle();
    if (!h) return false;
    if (sqlite3_db_readonly(h, "main") == 1) {
        if (reason) *reason = QStringLiteral("attempt to write a readonly database");
        return false;
    }
    if (m_depth > 0) return true;
    // Rewriting the version number with its own value writes a page and the journal, and is then rolled back.
    try {
        exec(QStringLiteral("BEGIN IMMEDIATE"));
        const int version = scalar(QStringLiteral("PRAGMA user_version")).toInt();
        exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        exec(QStringLiteral("ROLLBACK"));
    } catch (const DbError& e) {
        if (reason) *reason = e.message();
        if (inTransaction()) {
            try {
                exec(QStringLiteral("ROLLBACK"));
            } catch (const DbError&) {
            }
        }
        return false;
    }
    return true;
}

void Database::setBusyTimeout(int milliseconds) {
    if (sqlite3* h = sqliteHandle()) sqlite3_busy_timeout(h, milliseconds);
}

sqlite3* Database::sqliteHandle() const {
    QVariant v = m_db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0) return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}
