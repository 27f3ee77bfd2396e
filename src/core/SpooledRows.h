#pragma once
// A list too long to hold: the texts of a statement's rows kept in a temporary file as they are read, not in memory,
// for a sheet that writes them row by row when its workbook is saved. Read as a recordset's texts are (NULL as "",
// numbers in their shortest form); the widest display width of every column is measured as the rows pass. Copies
// share the rows. Reading row after row costs one pass over the file; going back costs a seek and a short read.
// The file lives in the temporary folder (QDir::tempPath()). Every step on it is checked where it happens: a file that
// cannot be made, written or read back throws SpoolError, from then on at every use of the rows, and never reads as
// empty texts.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <stdexcept>
#include <vector>

class Database;
class RowView;

// The temporary file of a SpooledRows failed; the message names the folder and the system's reason.
class SpoolError : public std::runtime_error {
public:
    explicit SpoolError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

class SpooledRows {
public:
    SpooledRows() = default; // no fields, no rows
    // Throws SpoolError when the temporary file cannot be made.
    explicit SpooledRows(QStringList fields);

    // Every row of a statement with "?" parameters, its column names as the fields. Throws DbError or SpoolError.
    static SpooledRows read(const Database& db, const QString& sql, const QVariantList& params = {});

    // Appends a row: one text per field (missing ones as ""). Throws SpoolError.
    void append(const QStringList& texts);
    void append(const RowView& row);
    // A statement's row with the text of one column replaced.
    void append(const RowView& row, int column, const QString& text);

    int recordCount() const;
    int fieldCount() const { return int(fields().size()); }
    const QStringList& fieldNames() const { return fields(); }
    // The text of column c in record r; "" outside the rows. The field by name ignores letter case. Throws SpoolError.
    QString text(int r, int c) const;
    QString text(int r, const QString& field) const;
    // The widest display width (xlsxDisplayWidth) of each column over records first .. first + count - 1. Throws
    // SpoolError when the records must be read back.
    std::vector<int> widths(int first, int count) const;

private:
    struct Store;
    const QStringList& fields() const;
    Store& store();
    std::shared_ptr<Store> m_store;
};
