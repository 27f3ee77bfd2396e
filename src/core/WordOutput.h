#pragma once
// The Word output procedures: a mail merge of a template with the rows of a statement, saved as a new document under
// 報表暫存/ beside the program and opened with the desktop's default application; and opening an existing document.

#include <QDateTime>
#include <QString>
#include <QVariantList>

class Program;

enum class WordMergeResult {
    Opened, // the document was written and handed to the desktop
    NoRows, // the statement found nothing: "沒有可套印的資料" was shown, no file
    Failed, // the template is missing or unreadable, or the document could not be written: said so, no file
};

// Runs sql with its "?" parameters on program.DBConn, merges every row into the template (fields named after the
// statement's columns, letter case ignored) and saves the result as 報表暫存/<outputName>_YYYYMMDD_hhmmss.docx (the
// clock of the Ui; an empty outputName takes the template's base name; a taken name gets "_2", "_3" ...), then opens
// it. savedPath receives the file written, "" when none. A database error propagates as DbError.
WordMergeResult RunWordMailMerge(Program& program, const QString& templatePath, const QString& sql,
                                 const QVariantList& params = {}, const QString& outputName = {},
                                 QString* savedPath = nullptr);

// Opens an existing document with the desktop. A missing file shows "以下檔案不存在: " and the path (titled
// "檔案不存在") and returns false.
bool OpenWordDocument(Program& program, const QString& path);

// A file in folder named "<name>_YYYYMMDD_hhmmss.<extension>" that does not exist yet ("_2", "_3" ... added before
// the extension when needed). Characters a file name cannot hold in name become "_", and a name too long for the
// file system is cut (fitFileName).
QString NewOutputFilePath(const QString& folder, const QString& name, const QDateTime& when, const QString& extension);

// The folder of the documents and workbooks the program leaves for the user: 報表暫存/ beside the program.
QString ReportOutputFolder(Program& program);
