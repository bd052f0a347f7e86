// GoogleTest entry point for tests that need a QApplication (headless).
#include "app/Program.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    orbisel::setProgramWindowNamespace(
        QStringLiteral("orbisel-test-%1").arg(QCoreApplication::applicationPid()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
