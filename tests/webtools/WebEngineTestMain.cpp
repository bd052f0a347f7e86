// GoogleTest entry point for tests with Qt WebEngine views (run under xvfb-run).
#include "app/Program.h"
#include "webtools/WebToolWindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    orbisel::prepareWebEngine();
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    orbisel::setProgramWindowNamespace(
        QStringLiteral("orbisel-test-%1").arg(QCoreApplication::applicationPid()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
