#pragma once

namespace orbisel::test {

// Creates the test QApplication (test-mode data folders, a private window
// marker namespace) and runs every GoogleTest test.
int runQtTests(int argc, char **argv);

} // namespace orbisel::test
