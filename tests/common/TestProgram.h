#pragma once
// A program in a temporary program folder for tests: a ScriptedUi answers every box, DataBase/DOC/ holds the built
// templates, and the real main window can be built with every subsystem installed.

#include "core/Database.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/ScriptedUi.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

// What a test program adds to the bare core: the subsystems' tables (added to every TestProgram's schema) and their
// installation into the main window. The test programs that drive the complete window set both in their main(),
// before any test runs; the others leave them empty and test the core alone.
struct TestWiring {
    std::function<void(Program&)> tables;
    std::function<void(MainForm&, Program&)> install;
};
TestWiring& testWiring();

class TestProgram {
public:
    // withDoc: copy the built DataBase/DOC/ into the folder (templates, examples).
    explicit TestProgram(bool withDoc = true);
    ~TestProgram();

    Program& program() { return *m_program; }
    ScriptedUi& ui() { return *m_ui; }
    Database& db() { return m_program->DBConn; }
    QString folder() const { return m_dir.path(); }

    // Runs start-up (database and schema); fails the test when it does not succeed.
    bool start();
    // Start-up, then the real main window with the subsystems installed (see testWiring), Form_Load run, shown.
    MainForm& window();
    // Finds a widget or action of the window by object name.
    template <typename T> T* find(const QString& name) { return window().findChild<T*>(name); }

private:
    QTemporaryDir m_dir;
    ScriptedUi* m_ui = nullptr;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<MainForm> m_form;
    bool m_started = false;
};

// A .docx's text as python-docx (an independent reader) sees it: the paragraphs, then every table cell, one per line.
QString docxText(const QString& path);

// Runs a python script with Debian's python3 (openpyxl, python-docx); returns its standard output, or fails the test.
QString runPython(const QString& script, const QStringList& args = {}, int* exitCode = nullptr);
