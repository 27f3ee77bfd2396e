#pragma once
// Small shared helpers the program's procedures use everywhere.

#include <QString>

class Database;
class QLineEdit;
class QWidget;

// Whether a table has a column.
bool FieldExists(const Database& db, const QString& table, const QString& field);
enum class PathKind { Folder, File };
// Whether a file (or a folder) of that path exists. No side effect.
bool PathExists(const QString& path, PathKind kind);
// Escapes a keyword for LIKE ... ESCAPE '\': "%" and "_" (and "\") match themselves.
QString likeEscape(const QString& keyword);
// The LIKE pattern of "contains the keyword": the escaped keyword between "%"s (use with ESCAPE '\').
QString likeContainsPattern(const QString& keyword);
// A text made fit to be part of a file name: every character a file system refuses ("\/:*?"<>|" and control
// characters such as a line break or DEL) becomes "_".
QString cleanFileNamePart(const QString& text);
// The most bytes a file name may take on the file systems the program writes to (UTF-8 bytes on Linux).
inline constexpr int kMaxFileNameBytes = 255;
// A file name built from stored text, made to fit the file system: `text` made fit (cleanFileNamePart) and cut at its
// end, on a character boundary, so that it and `suffix` take at most kMaxFileNameBytes bytes in UTF-8. The suffix
// (the extension, with any time stamp or key before it) is kept whole.
QString fitFileName(const QString& text, const QString& suffix);
// Escapes a text for HTML.
QString htmlEscape(const QString& text);
// A date box of the program's frames: a narrow line edit named objectName, its tooltip giving the year-first format.
QLineEdit* newDateBox(QWidget* parent, const QString& objectName);
// Lets pending window events through so the windows repaint during a long job; the nurse's clicks and keys are kept
// back until the job is done, so nothing else starts meanwhile. Every job lets events through here alone.
void letEventsThrough();
