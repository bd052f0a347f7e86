#include "tests/support/QtTestRunner.h"

#include "app/Program.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace orbisel::test {

int runQtTests(int argc, char **argv) {
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramWindowNamespace(QStringLiteral("orbisel-test-%1").arg(QCoreApplication::applicationPid()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace orbisel::test
