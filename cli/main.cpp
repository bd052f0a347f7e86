#include "cli/MineProgram.h"

#include <QCoreApplication>

int main(int argc, char *argv[]) {
    // Names the user data folder (the run store, modifiers.txt, cookies), shared with the window program.
    QCoreApplication::setApplicationName(QStringLiteral("Orbisel"));
    return orbisel::cli::runMineProgram(argc, argv);
}
