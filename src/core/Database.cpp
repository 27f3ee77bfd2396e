#include "core/Database.h"

#include "core/DateNumberRules.h"

#include <QDateTime>
#include <sqlite3.h>

namespace {
// How long a statement waits for another program's lock unless told otherwise.
constexpr int kDefaultBusyTimeoutMs = 5000;

// Whether a value is bound as SQL NULL: a null or invalid variant, a null text or byte array, an invalid date or time.
bool isSqlNull(const QVariant& v) {
    if (v.isNull()) return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString*>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(v.constData())->isNull();
    case QMetaType::QDate:
        return !static_cast<const QDate*>(v.constData())->isValid();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime*>(v.constData())->isValid();
    case QMetaType::QTime:
        return !static_cast<const QTime*>(v.constData())->isValid();
    default:
        return false;
    }
}

// The text a value other than text, a number or a blob is stored as.
QString boundText(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return v.toDateTime().toString(Qt::ISODateWithMs);
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("hh:mm:ss.zzz"));
    default:
        return v.toString();
    }
}

// A column of the current row: whole numbers as qlonglong, reals as double, text as QString, blobs as QByteArray, NULL
// as a null text.
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

// Whether a statement's text goes on after its first statement with more than blanks.
bool hasMoreStatements(const char* tail, const char* end) {
    for (; tail && tail < end; ++tail)
        if (!QChar::isSpace(uchar(*tail))) return true;
    return false;
}

// The column names of a prepared statement, as its aliases give them.
QStringList statementColumns(sqlite3_stmt* statement) {
    const int n = sqlite3_column_count(statement);
    QStringList fields;
    fields.reserve(n);
    for (int i = 0; i < n; ++i)
        fields.append(QString::fromUtf8(sqlite3_column_name(statement, i)));
    return fields;
}

// One prepared statement, finalized whatever happens.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : m_db(db), m_sql(sql) {
        const QByteArray text = sql.toUtf8();
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_handle, &tail) != SQLITE_OK) fail();
        if (!m_handle) throw DbError(QStringLiteral("No statement to run"), m_sql);
        if (hasMoreStatements(tail, text.constData() + text.size())) {
            sqlite3_finalize(m_handle); // the destructor does not run for a constructor that throws
            throw DbError(QStringLiteral("Unable to execute multiple statements at a time"), m_sql);
        }
    }
    ~Statement() { sqlite3_finalize(m_handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    [[noreturn]] void fail() const { throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)), m_sql); }

    // Binds the values in order (Database::query tells how), one for each parameter.
    void bind(const QVariantList& values) {
        sqlite3_reset(m_handle);
        sqlite3_clear_bindings(m_handle);
        if (sqlite3_bind_parameter_count(m_handle) != values.size())
            throw DbError(QStringLiteral("Parameter count mismatch"), m_sql);
        m_kept.clear();
        m_kept.reserve(size_t(values.size()));
        for (int i = 0; i < values.size(); ++i)
            if (bindOne(i + 1, values[i]) != SQLITE_OK) fail();
    }

    // Runs the statement to its end.
    void run() {
        int rc;
        while ((rc = sqlite3_step(m_handle)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) fail();
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
        QStringList fields = statementColumns(m_handle);
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
    int bindOne(int index, const QVariant& v) {
        if (isSqlNull(v)) return sqlite3_bind_null(m_handle, index);
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::Bool:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            return sqlite3_bind_int64(m_handle, index, v.toLongLong());
        case QMetaType::Double:
            return sqlite3_bind_double(m_handle, index, v.toDouble());
        case QMetaType::QByteArray:
            return bindKept(index, *static_cast<const QByteArray*>(v.constData()), true);
        case QMetaType::QString:
            return bindKept(index, static_cast<const QString*>(v.constData())->toUtf8(), false);
        default:
            return bindKept(index, boundText(v).toUtf8(), false);
        }
    }

    // Binds bytes kept until the next bind, so SQLite reads them in place instead of copying them.
    int bindKept(int index, QByteArray bytes, bool blob) {
        m_kept.push_back(std::move(bytes));
        // A text is never NULL here, even when a conversion gave a null one.
        const char* data = m_kept.back().isNull() ? "" : m_kept.back().constData();
        const int size = int(m_kept.back().size());
        return blob ? sqlite3_bind_blob(m_handle, index, data, size, SQLITE_STATIC)
                    : sqlite3_bind_text(m_handle, index, data, size, SQLITE_STATIC);
    }

    sqlite3* m_db;
    QString m_sql;
    sqlite3_stmt* m_handle = nullptr;
    std::vector<QByteArray> m_kept; // the bound texts and blobs of the current row
};
} // namespace

int RowView::columnCount() const {
    return sqlite3_column_count(m_statement);
}

bool RowView::isNull(int c) const {
    return sqlite3_column_type(m_statement, c) == SQLITE_NULL;
}

QVariant RowView::value(int c) const {
    return columnValue(m_statement, c);
}

QString RowView::text(int c) const {
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

bool RowView::isReal(int c) const {
    return sqlite3_column_type(m_statement, c) == SQLITE_FLOAT;
}

bool RowView::isText(int c) const {
    return sqlite3_column_type(m_statement, c) == SQLITE_TEXT;
}

QStringList RowView::columnNames() const {
    return statementColumns(m_statement);
}

QByteArrayView RowView::utf8(int c) const {
    if (sqlite3_column_type(m_statement, c) == SQLITE_NULL) return {};
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, c));
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
        return rules::generalNumber(v.toDouble());
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

QString Recordset::text(int r, int c) const {
    return toText((*m_rows)[size_t(r)][c]);
}

QString Recordset::text(int r, const QString& field) const {
    int c = fieldIndex(field);
    if (c < 0 || r < 0 || r >= recordCount()) return {};
    return text(r, c);
}

Database::~Database() {
    close();
}

bool Database::open(const QString& path, QString* error) {
    close();
    // Read and write, created when missing; a cache of its own; used by one thread at a time.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_PRIVATECACHE | SQLITE_OPEN_NOMUTEX;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error) *error = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        sqlite3_close(handle);
        return false;
    }
    m_handle = handle;
    m_path = path;
    sqlite3_extended_result_codes(m_handle, 1);
    sqlite3_busy_timeout(m_handle, kDefaultBusyTimeoutMs);
    try {
        // Reading the schema proves the file is a database (a foreign file fails here, not later).
        query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
        exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        // A write of a year's work table stays in memory until its commit (the default 2 MB spills to the file).
        exec(QStringLiteral("PRAGMA cache_size = -32768"));
    } catch (const DbError& e) {
        if (error) *error = e.message();
        sqlite3_close(m_handle);
        m_handle = nullptr;
        return false;
    }
    return true;
}

void Database::close() {
    if (!m_handle) return;
    while (m_depth > 0) {
        try {
            rollback();
        } catch (...) {
            m_depth = 0;
        }
    }
    // Every statement is finalized when its call ends; a statement still open would only delay the closing.
    sqlite3_close_v2(m_handle);
    m_handle = nullptr;
}

bool Database::isOpen() const {
    return m_handle != nullptr;
}

Recordset Database::query(const QString& sql, const QVariantList& params) const {
    Statement st(connected(sql), sql);
    st.bind(params);
    return st.readAll();
}

QStringList Database::resultColumns(const QString& sql) const {
    Statement st(connected(sql), sql);
    return statementColumns(st.handle());
}

void Database::forEachRow(const QString& sql, const QVariantList& params,
                          const std::function<void(const RowView&)>& f) const {
    Statement st(connected(sql), sql);
    st.bind(params);
    RowView view;
    view.m_statement = st.handle();
    while (st.next())
        f(view);
}

int Database::exec(const QString& sql, const QVariantList& params) {
    Statement st(connected(sql), sql);
    st.bind(params);
    st.run();
    return sqlite3_changes(m_handle);
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) const {
    Statement st(connected(sql), sql);
    st.bind(params);
    if (!st.next()) return {};
    return columnValue(st.handle(), 0);
}

void Database::execBatch(const QString& sql, const std::vector<QVariantList>& rows) {
    Transaction t(*this);
    Statement st(connected(sql), sql);
    for (const auto& row : rows) {
        st.bind(row);
        st.run();
    }
    t.commit();
}

sqlite3* Database::connected(const QString& sql) const {
    if (!m_handle) throw DbError(QStringLiteral("database is not open"), sql);
    return m_handle;
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
    return m_handle && sqlite3_get_autocommit(m_handle) == 0;
}

bool Database::canWrite(QString* reason) {
    if (!m_handle) return false;
    if (sqlite3_db_readonly(m_handle, "main") == 1) {
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
    if (m_handle) sqlite3_busy_timeout(m_handle, milliseconds);
}
