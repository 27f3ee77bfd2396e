#pragma once
// Small shared helpers the program's procedures use everywhere.

#include <QString>

class Database;

// Whether a table exists, names compared without letter case.
bool TableExists(const Database& db, const QString& table);
// Whether a table has a column.
bool FieldExists(const Database& db, const QString& table, const QString& field);
// Kind 2: a file of that path exists. Kind 1: the folder exists. Anything else: false. No side effect.
bool PathExists(const QString& path, int kind);
// Replaces every apostrophe and then every asterisk of a keyword with "_".
void SanitizeSqlText(QString& keyword);
// Escapes a keyword for LIKE ... ESCAPE '\': "%" and "_" (and "\") match themselves.
QString likeEscape(const QString& keyword);
// Escapes a text for HTML.
QString htmlEscape(const QString& text);
// Lets pending window events through (the window repaints during long jobs).
void letEventsThrough();
