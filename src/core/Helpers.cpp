#include "core/Helpers.h"

#include "core/Database.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>

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

QString likeContainsPattern(const QString& keyword) {
    return QLatin1Char('%') + likeEscape(keyword) + QLatin1Char('%');
}

QString cleanFileNamePart(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const bool refused = ch.unicode() < 0x20 || ch.unicode() == 0x7F || QStringLiteral("\\/:*?\"<>|").contains(ch);
        out.append(refused ? QChar(u'_') : ch);
    }
    return out;
}

QString fitFileName(const QString& text, const QString& suffix) {
    QString stem = cleanFileNamePart(text);
    const qsizetype room = kMaxFileNameBytes - suffix.toUtf8().size();
    qsizetype bytes = stem.toUtf8().size();
    while (!stem.isEmpty() && bytes > room) {
        // A character outside the BMP is two UTF-16 units and leaves whole.
        const qsizetype n = stem.size() >= 2 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1;
        bytes -= stem.right(n).toUtf8().size();
        stem.chop(n);
    }
    return stem + suffix;
}

QString htmlEscape(const QString& text) {
    return text.toHtmlEscaped();
}

QLineEdit* newDateBox(QWidget* parent, const QString& objectName) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    box->setToolTip(QStringLiteral("標準日期格式: YYYY/MM/DD"));
    box->setMaximumWidth(120);
    return box;
}

void letEventsThrough() {
    // The nurse's clicks and keys wait until the job is done: a window busy with a job takes no second one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
