// GoogleTest entry point for tests with Qt WebEngine views (run under xvfb-run).
#include "tests/support/QtTestRunner.h"
#include "webtools/WebToolWindows.h"

#include <QByteArray>

int main(int argc, char **argv) {
    // Every page request goes to a dead proxy on 127.0.0.1, so the real sites
    // are never contacted (not even their names resolved); loopback addresses
    // bypass proxies, so pages of the tests' own servers load directly.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=127.0.0.1:9");
    orbisel::prepareWebEngine();
    return orbisel::test::runQtTests(argc, argv);
}
