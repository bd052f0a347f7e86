#pragma once

namespace orbisel::cli {

// The whole orbisel-mine program: parses the command line, runs the command
// and returns the exit code. Results go to stdout or files, messages to stderr.
int runMineProgram(int argc, const char *const *argv);

} // namespace orbisel::cli
