// GoogleTest entry point for tests that need a QApplication (headless).
#include "tests/support/QtTestRunner.h"

int main(int argc, char **argv) {
    return orbisel::test::runQtTests(argc, argv);
}
