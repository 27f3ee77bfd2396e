#include "core/Helpers.h"

#include "core/Database.h"

#include <QCoreApplication>
#include <QFileInfo>

bool TableExists(const Database& db, const QString& table) {
    return db.tableExists(table);
}

bool FieldExists(const Database& db, const QString& table, const QString& field) {
    return db.fieldExists(table, field);
}

bool PathExists(const QString& path, PathKind kind) {
    if (path.isEmpty()) return false;
    QFileInfo fi(path);
    return fi.exists() && (kind == PathKind::File ? fi.isFile() : fi.isDir());
}

QString likeEscape(const QString& keyword) {
    QString out;
    out.reserve(keyword.size() + 4);
    for (QChar c : keyword) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\')) out.append(QLatin1Char('\\'));
        out.append(c);
    }
    return out;
}

QString htmlEscape(const QString& text) {
    return text.toHtmlEscaped();
}

void letEventsThrough() {
    QCoreApplication::processEvents();
}
