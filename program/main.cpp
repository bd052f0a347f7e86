#include "app/Startup.h"
#include "program/ProgramWindows.h"
#include "webtools/WebToolWindows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    orbisel::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbisel"));
    orbisel::registerProgramWindows();
    return orbisel::runProgram(orbisel::WindowId::Launcher);
}
