#include "app/CommandLine.h"
#include "app/LauncherWindow.h"
#include "app/Startup.h"
#include "ledger/LedgerWindows.h"
#include "mining/MiningWindows.h"
#include "service/ServiceWindows.h"
#include "webtools/WebToolWindows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    if (const auto exitCode = orbisel::answerCommandLine(argc, argv))
        return *exitCode;
    orbisel::prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbisel"));
    orbisel::registerLauncherWindow();
    orbisel::registerServiceWindows();
    orbisel::registerMiningWindows();
    orbisel::registerWebToolWindows();
    orbisel::registerLedgerWindows();
    return orbisel::runProgram(orbisel::WindowId::Launcher);
}
