#pragma once
// A list too long to hold: the texts of a statement's rows kept in a temporary file as they are read, not in memory,
// for a sheet that writes them row by row when its workbook is saved. Read as a recordset's texts are (NULL as "",
// numbers in their shortest form); the widest display width of every column is measured as the rows pass. Copies
// share the rows. Reading row after row costs one pass over the file; going back costs a seek and a short read.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>
#include <vector>

class Database;
class RowView;

class SpooledRows {
public:
    SpooledRows() = default; // no fields, no rows
    explicit SpooledRows(QStringList fields);

    // Every row of a statement with "?" parameters, its column names as the fields. Throws DbError.
    static SpooledRows read(const Database& db, const QString& sql, const QVariantList& params = {});

    // Appends a row: one text per field (missing ones as "").
    void append(const QStringList& texts);
    void append(const RowView& row);
    // A statement's row with the text of one column replaced.
    void append(const RowView& row, int column, const QString& text);

    int recordCount() const;
    int fieldCount() const { return int(fields().size()); }
    const QStringList& fieldNames() const { return fields(); }
    // The text of column c in record r; "" outside the rows. The field by name ignores letter case.
    QString text(int r, int c) const;
    QString text(int r, const QString& field) const;
    // The widest display width (xlsxDisplayWidth) of each column over records first .. first + count - 1.
    std::vector<int> widths(int first, int count) const;

private:
    struct Store;
    const QStringList& fields() const;
    Store& store();
    std::shared_ptr<Store> m_store;
};
