#pragma once
// The program-wide state: the program folder and its database folder, the one database connection, the shared
// texts every part of the program shares (the outside personnel database, the log-list columns), the Excel session
// between CreateExcelWorkbook and FinishExcel, and the Ui services. main() creates one; a test creates its own for a
// temporary folder.

#include "core/Database.h"
#include "core/Schema.h"
#include "core/Ui.h"

#include <QString>
#include <memory>

struct ExcelSession;
class MainForm;

class Program {
public:
    // programFolder: the folder of the executable (DataBase/ lies inside it). The Program owns the Ui.
    Program(const QString& programFolder, std::unique_ptr<Ui> ui);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // "職場健康服務管理系統 (Ostiva) " — the window's and every untitled message box's title.
    static QString title();
    static QString version();
    // The caption of the main window: the title followed by the version.
    static QString caption();

    // The program folder, without a trailing "/".
    const QString& programFolder() const { return m_programFolder; }
    // A path below the program folder ("DataBase/DOC/x.docx" → "<folder>/DataBase/DOC/x.docx").
    QString path(const QString& relative) const;
    // DBFolder: the program folder followed by "/DataBase/".
    QString DBFolder() const { return path(QStringLiteral("DataBase/")); }
    // The folder of the shipped templates, example workbooks and pictures.
    QString docFolder() const { return path(QStringLiteral("DataBase/DOC/")); }
    // The database file.
    QString databasePath() const { return path(QStringLiteral("DataBase/TolvarenDB.sqlite")); }

    Ui& ui() { return *m_ui; }
    Database DBConn;
    // The tables start-up guarantees; subsystems add theirs before StartProgram.
    Schema schema;

    QString VardelDBPath;       // the outside personnel database; always empty (nothing links it)
    QString EmplTablePrefix;    // prefix before "[EMPL]" for the outside database; always empty
    QString NursingBookColumns; // the select list of every log-list query

    // The Excel workbook being built between CreateExcelWorkbook and FinishExcel (null outside).
    std::unique_ptr<ExcelSession> excel;
    // The main window, once built (null before).
    MainForm* mainForm = nullptr;

private:
    QString m_programFolder;
    std::unique_ptr<Ui> m_ui;
};
