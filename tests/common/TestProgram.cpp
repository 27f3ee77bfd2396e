#include "common/TestProgram.h"

#include "core/Startup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {
void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        const QString dst = to + QLatin1Char('/') + rel;
        QDir().mkpath(QFileInfo(dst).absolutePath());
        QFile::copy(src, dst);
    }
}
} // namespace

TestWiring& testWiring() {
    static TestWiring wiring;
    return wiring;
}

TestProgram::TestProgram(bool withDoc) {
    auto ui = std::make_unique<ScriptedUi>();
    m_ui = ui.get();
    m_program = std::make_unique<Program>(m_dir.path(), std::move(ui));
    if (testWiring().tables) testWiring().tables(*m_program);
    if (withDoc) copyTree(QStringLiteral(OSTIVA_DOC_DIR), m_dir.path() + QStringLiteral("/DataBase/DOC"));
}

TestProgram::~TestProgram() {
    m_form.reset();
    m_program.reset();
}

bool TestProgram::start() {
    if (m_started) return true;
    m_started = StartProgram(*m_program);
    EXPECT_TRUE(m_started) << "start-up failed: " << m_ui->messageTexts().join(" | ").toStdString();
    return m_started;
}

MainForm& TestProgram::window() {
    if (!m_form) {
        start();
        m_form = std::make_unique<MainForm>(*m_program);
        if (testWiring().install) testWiring().install(*m_form, *m_program);
        // Tests look at what a popup menu offers instead of running its event loop.
        m_form->popUp = [](QMenu*) {};
        m_form->Form_Load();
        m_form->show();
    }
    return *m_form;
}

QString runPython(const QString& script, const QStringList& args, int* exitCode) {
    QProcess p;
    QStringList all{QStringLiteral("-c"), script};
    all += args;
    p.start(QStringLiteral("/usr/bin/python3"), all);
    p.waitForFinished(120000);
    if (exitCode) *exitCode = p.exitCode();
    const QString err = QString::fromUtf8(p.readAllStandardError());
    if (!exitCode) {
        EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString docxText(const QString& path) {
    return runPython(QStringLiteral("import docx,sys\n"
                                    "d=docx.Document(sys.argv[1])\n"
                                    "parts=[p.text for p in d.paragraphs]\n"
                                    "parts+=[c.text for t in d.tables for r in t.rows for c in r.cells]\n"
                                    "print('\\n'.join(parts))\n"),
                     {path});
}
