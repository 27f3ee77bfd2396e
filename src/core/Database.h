#pragma once
// The one database connection of the program (SQLite through its C API), fully read recordsets, bound parameters and
// transactions. Every statement either succeeds or throws DbError with SQLite's message; nothing is half-reported.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class DbError : public std::runtime_error {
public:
    DbError(const QString& message, const QString& sql)
        : std::runtime_error(message.toStdString()), m_message(message), m_sql(sql) {}
    const QString& message() const { return m_message; }
    const QString& sql() const { return m_sql; }

private:
    QString m_message;
    QString m_sql;
};

// A statement's result read to its end: the exact record count, the field names as the statement's aliases and every
// record's values. Records never change once read, so copies share them: a copy costs no memory per record.
class Recordset {
public:
    Recordset() = default;
    Recordset(QStringList fields, std::vector<QVariantList> rows)
        : m_fields(std::move(fields)), m_rows(std::make_shared<const std::vector<QVariantList>>(std::move(rows))) {}
    // Copying is cheap, and moving copies: a recordset moved from keeps its records.
    Recordset(const Recordset&) = default;
    Recordset& operator=(const Recordset&) = default;

    int recordCount() const { return int(m_rows->size()); }
    int fieldCount() const { return int(m_fields.size()); }
    const QStringList& fieldNames() const { return m_fields; }
    const QString& fieldName(int i) const { return m_fields.at(i); }
    // The index of a field by name (letter case ignored), or -1.
    int fieldIndex(const QString& name) const;

    // Random access: the value of column c in record r (NULL is an invalid QVariant).
    const QVariant& value(int r, int c) const { return (*m_rows)[size_t(r)][c]; }
    // The value as text; NULL gives "". Numbers are written in their shortest exact form (3.0 → "3").
    QString text(int r, int c) const;
    QString text(int r, const QString& field) const;
    bool isNull(int r, int c) const { return (*m_rows)[size_t(r)][c].isNull(); }
    const std::vector<QVariantList>& rows() const { return *m_rows; }

    // Renders a value as the text a cell or a page shows.
    static QString toText(const QVariant& v);

private:
    QStringList m_fields;
    std::shared_ptr<const std::vector<QVariantList>> m_rows = std::make_shared<const std::vector<QVariantList>>();
};

// One row of a statement being read by Database::forEachRow, valid only inside the call that receives it. Its values
// read as Recordset's would, without a recordset's copies: value() and text() as query() gives them, utf8() the
// stored text itself.
class RowView {
public:
    int columnCount() const;
    bool isNull(int c) const;
    QVariant value(int c) const;
    QString text(int c) const; // as Recordset::text: NULL gives ""
    // Whether the value is a floating-point number (whose text is not SQLite's).
    bool isReal(int c) const;
    // Whether the value is stored as text (its utf8() then is what text() converts).
    bool isText(int c) const;
    // The statement's column names, as a recordset's field names.
    QStringList columnNames() const;
    // The value as UTF-8 text, as SQLite renders it ("" for NULL); valid until the next row.
    QByteArrayView utf8(int c) const;

private:
    friend class Database;
    sqlite3_stmt* m_statement = nullptr;
};

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when missing) the SQLite file. Returns false with a reason when it cannot be opened or is no
    // database.
    bool open(const QString& path, QString* error = nullptr);
    void close();
    bool isOpen() const;
    const QString& path() const { return m_path; }

    // Runs a statement with "?" parameters bound in order and returns all its rows. A value binds as: text as text,
    // int, qlonglong, uint and bool as an integer, double as a real, QByteArray as a blob; QDate as "YYYY-MM-DD",
    // QDateTime as "YYYY-MM-DDThh:mm:ss.zzz" (and its offset), QTime as "hh:mm:ss.zzz", anything else as its
    // QVariant text; an invalid or null variant, a null text or byte array and an invalid date or time as NULL. A
    // column reads back as qlonglong, double, QString, QByteArray, or a null QString for NULL. A statement must have
    // exactly as many parameters as values, and be one statement.
    Recordset query(const QString& sql, const QVariantList& params = {}) const;
    // Runs a statement with "?" parameters and hands its rows one by one to f, without keeping them: for statements
    // over many rows whose values are summed or turned into something else.
    void forEachRow(const QString& sql, const QVariantList& params, const std::function<void(const RowView&)>& f) const;
    // The column names a statement's rows would have, without running it.
    QStringList resultColumns(const QString& sql) const;
    // Runs a statement that returns no rows; the number of rows it changed.
    int exec(const QString& sql, const QVariantList& params = {});
    // Runs a statement and returns the first column of its first row (invalid when there is none).
    QVariant scalar(const QString& sql, const QVariantList& params = {}) const;
    // Runs the same statement once per parameter row, prepared once, inside one transaction.
    void execBatch(const QString& sql, const std::vector<QVariantList>& rows);

    // Whether a table exists, names compared without letter case.
    bool tableExists(const QString& table) const;
    // Whether a table has a column, names compared without letter case.
    bool fieldExists(const QString& table, const QString& field) const;
    // The tables of the database (no internal ones), and the columns of one table in table order.
    QStringList tables() const;
    QStringList columns(const QString& table) const;
    // The declared type of a column ("" when unknown).
    QString columnType(const QString& table, const QString& column) const;

    // Double-quotes a table or column name for SQL text (a quote inside is doubled).
    static QString quoteName(const QString& name);

    // Transactions nest: the outermost one is BEGIN/COMMIT, inner ones are savepoints. A commit the database refuses
    // (another program reading or writing the file) throws DbError after the level has been rolled back, so the
    // connection is never left inside a transaction the program no longer counts.
    void begin();
    void commit();
    void rollback();
    int transactionDepth() const { return m_depth; }
    // Whether SQLite itself holds a transaction open on this connection.
    bool inTransaction() const;

    // Whether the file can be written: false for a read-only file or folder. reason receives the database's words.
    bool canWrite(QString* reason = nullptr);
    // How long a statement waits for another program's lock before it fails (5 s unless set).
    void setBusyTimeout(int milliseconds);

    // The open connection, for SQL functions registered on it (nullptr when closed).
    sqlite3* sqliteHandle() const { return m_handle; }

private:
    // The open connection for running sql; DbError when the database is closed.
    sqlite3* connected(const QString& sql) const;

    sqlite3* m_handle = nullptr;
    QString m_path;
    int m_depth = 0;
};

// A write of several rows or tables: rolls back unless commit() was called.
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction() {
        if (!m_done) {
            try {
                m_db.rollback();
            } catch (...) {
            }
        }
    }
    // A refused commit has already been rolled back by Database::commit; the destructor must not roll back again.
    void commit() {
        m_done = true;
        m_db.commit();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& m_db;
    bool m_done = false;
};
