#pragma once
// The start-up schema step: creates every table the program relies on when it is missing, adds missing columns to
// existing tables, seeds the shipped code tables when they are created, and creates the search indexes. It never
// drops or changes what is there, so a database of an earlier version keeps all its rows.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Database;

struct ColumnDef {
    QString name;
    QString type; // SQL type as created: VARCHAR(50), TEXT, REAL, INTEGER PRIMARY KEY AUTOINCREMENT ...
};

// Columns of the common text type VARCHAR(50), in order.
std::vector<ColumnDef> vc50(const QStringList& names);

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;
    // Runs once, right after the table was created (the shipped rows of a code table).
    std::function<void(Database&)> seed;
    // The columns searched by (an index each, created when missing).
    QStringList indexes = {};
};

// The tables of the core, in creation order.
const std::vector<TableDef>& schemaTables();

// The tables one program's start-up guarantees: the core's, then those the subsystems add (the composition root
// and the test setup add them before start-up). Owned by Program; there is no registry outside it.
class Schema {
public:
    Schema();
    // Adds a table a subsystem owns (created when missing, missing columns added); a table of the same name
    // (ignoring case) is replaced.
    void addTable(TableDef table);
    // Adds rows to run when a table is created (a subsystem whose rows ship with the database, such as the question
    // catalogue); runs after the table's own seed.
    void addSeed(const QString& table, std::function<void(Database&)> seed);
    const std::vector<TableDef>& tables() const { return m_tables; }

private:
    std::vector<TableDef> m_tables;
};

// Creates what is missing. Runs in one transaction: on failure nothing is half-created. Throws DbError.
void EnsureDatabaseSchema(Database& db, const Schema& schema);

// The select list of every log-list query (SerialX first, the record date as "YYYY/MM/DD").
QString nursingBookColumns();
// The text of a CREATE TABLE statement for a definition (names double-quoted).
QString createTableSql(const TableDef& table);
QString createTableSql(const QString& table, const std::vector<ColumnDef>& columns);
// "INSERT INTO table (columns) VALUES (?, ...)": one bound value per column, names double-quoted.
QString insertSql(const QString& table, const QStringList& columns);
// Drops the table when it exists and creates it anew with the columns. Run it inside the caller's transaction.
void recreateTable(Database& db, const QString& table, const std::vector<ColumnDef>& columns);
