#pragma once
// The Word merge both dialogs print with.

#include <QString>
#include <QVariantList>

class Program;

namespace keyin {

// Merges a template of DataBase/DOC/ with the rows of a statement into a new document opened for the nurse; false
// when nothing was produced (the reason has been shown).
bool mergeWord(Program& program, const QString& templatePath, const QString& sql, const QVariantList& params,
               const QString& outputName);

} // namespace keyin
