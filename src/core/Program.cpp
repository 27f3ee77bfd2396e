#include "core/Program.h"

#include "core/ExcelOutput.h"

#include <QDir>

Program::Program(const QString& programFolder, std::unique_ptr<Ui> ui)
    : m_programFolder(QDir::cleanPath(QDir(programFolder).absolutePath())), m_ui(std::move(ui)) {
    m_ui->setProgramTitle(title());
}

Program::~Program() {
    excel.reset();
    DBConn.close();
}

QString Program::title() {
    return QStringLiteral("職場健康服務管理系統 (Ostiva) ");
}

QString Program::version() {
    return QStringLiteral(OSTIVA_VERSION);
}

QString Program::caption() {
    return title() + version();
}

QString Program::path(const QString& relative) const {
    return m_programFolder + QLatin1Char('/') + relative;
}
