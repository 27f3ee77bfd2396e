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

struct TableDef {
    QString name;
    std::vector<ColumnDef> columns;
    // Runs once, right after the table was created (the shipped rows of a code table).
    std::function<void(Database&)> seed;
};

// The tables the start-up step guarantees, in creation order.
const std::vector<TableDef>& schemaTables();
// Creates what is missing. Runs in one transaction: on failure nothing is half-created. Throws DbError.
void EnsureDatabaseSchema(Database& db);
// Registers a seed to run when a table is created by EnsureDatabaseSchema (a subsystem whose rows ship with the
// database, such as the question catalogue, adds its rows this way before start-up).
void registerTableSeed(const QString& table, std::function<void(Database&)> seed);

// The select list of every log-list query (SerialX first, the record date as "YYYY/MM/DD").
QString nursingBookColumns();
// The text of a CREATE TABLE statement for a definition (names double-quoted).
QString createTableSql(const TableDef& table);
QString createTableSql(const QString& table, const std::vector<ColumnDef>& columns);
// Adds a table a subsystem owns to the ones start-up guarantees (created when missing, missing columns added).
void registerTable(TableDef table);
