// The program: start-up for the folder of the executable, the main window with every subsystem, the event loop.

#include "app/Install.h"
#include "core/Language.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/Startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ostiva"));
    useTraditionalChinese();
    Program program(QCoreApplication::applicationDirPath(), std::make_unique<QtUi>());
    registerSubsystemTables(program);
    if (!StartProgram(program)) return 1;
    MainForm form(program);
    installSubsystems(form, program);
    form.Form_Load();
    form.show();
    return app.exec();
}
