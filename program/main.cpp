#include "app/Startup.h"
#include "program/CommandLine.h"
#include "program/ProgramWindows.h"
#include "webtools/WebToolWindows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    if (const auto exitCode = orbisel::answerCommandLine(argc, argv))
        return *exitCode;
    orbisel::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbisel"));
    orbisel::registerProgramWindows();
    return orbisel::runProgram(orbisel::WindowId::Launcher);
}
