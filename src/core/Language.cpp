#include "core/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool useTraditionalChinese() {
    const QLocale taiwan(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
    QLocale::setDefault(taiwan);
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    // qtbase holds the texts of the widgets (QPlatformTheme's standard buttons, the calendar's navigation).
    auto* qtbase = new QTranslator(app);
    if (!qtbase->load(taiwan, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtbase;
        return false;
    }
    return QCoreApplication::installTranslator(qtbase);
}
