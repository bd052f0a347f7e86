#include "tests/support/QtTestRunner.h"

#include "app/Program.h"
#include "app/Window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <cstring>
#include <gtest/gtest.h>

namespace orbisel::test {
namespace {

QtMessageHandler g_previousHandler = nullptr;

// A warning of the window framework is a programming error: it fails the running test.
void failOnFrameworkWarning(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
        std::strcmp(context.category, lcWindow().categoryName()) == 0)
        ADD_FAILURE() << "window framework: " << message.toStdString();
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

int runQtTests(int argc, char **argv) {
    QStandardPaths::setTestModeEnabled(true);
    g_previousHandler = qInstallMessageHandler(&failOnFrameworkWarning);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramWindowNamespace(QStringLiteral("orbisel-test-%1").arg(QCoreApplication::applicationPid()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace orbisel::test
