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
} // namespace

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

const QVariant& Recordset::value(const QString& field) const {
    static const QVariant none;
    int c = fieldIndex(field);
    if (c < 0 || eof() || m_pos < 0) return none;
    return m_rows[size_t(m_pos)][c];
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

namespace {
// Whether every value binds directly through the SQLite API as QtSql would bind it (text, whole and real numbers,
// NULL); anything else (dates, blobs ...) keeps to the QtSql path.
bool plainValues(const std::vector<QVariantList>& rows) {
    for (const auto& row : rows)
        for (const QVariant& v : row) {
            if (v.isNull()) continue;
            switch (v.typeId()) {
            case QMetaType::QString:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Double:
            case QMetaType::Bool:
                continue;
            default:
                return false;
            }
        }
    return true;
}
} // namespace

void Database::execBatch(const QString& sql, const std::vector<QVariantList>& rows) {
    Transaction t(*this);
    // Many rows of plain values go straight through the SQLite API: one prepared statement, no QVariant copies.
    if (sqlite3* handle = sqliteHandle(); handle && rows.size() > 1 && plainValues(rows)) {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(handle)), sql);
        for (const auto& row : rows) {
            for (int i = 0; i < row.size(); ++i) {
                const QVariant& v = row[i];
                int rc = SQLITE_OK;
                if (v.isNull()) {
                    rc = sqlite3_bind_null(stmt, i + 1);
                } else if (v.typeId() == QMetaType::QString) {
                    const QByteArray utf8 = v.toString().toUtf8();
                    rc = sqlite3_bind_text(stmt, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                } else if (v.typeId() == QMetaType::Double) {
                    rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
                } else {
                    rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
                }
                if (rc != SQLITE_OK) {
                    const QString message = QString::fromUtf8(sqlite3_errmsg(handle));
                    sqlite3_finalize(stmt);
                    throw DbError(message, sql);
                }
            }
            const int rc = sqlite3_step(stmt);
            if (rc != SQLITE_DONE) {
                const QString message = QString::fromUtf8(sqlite3_errmsg(handle));
                sqlite3_finalize(stmt);
                throw DbError(message, sql);
            }
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        t.commit();
        return;
    }
    QSqlQuery q(m_db);
    if (!q.prepare(sql)) fail(q, sql);
    for (const auto& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            q.bindValue(i, row[i]);
        if (!q.exec()) fail(q, sql);
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
