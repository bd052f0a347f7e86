#include "app/LauncherWindow.h"
#include "app/Startup.h"
#include "ledger/LedgerWindows.h"
#include "mining/MiningWindows.h"
#include "service/ServiceWindows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orbisel"));
    orbisel::registerLauncherWindow();
    orbisel::registerServiceWindows();
    orbisel::registerMiningWindows();
    orbisel::registerLedgerWindows();
    return orbisel::runProgram(orbisel::WindowId::Launcher);
}
