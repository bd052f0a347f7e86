#pragma once

#include <optional>

namespace orbisel {

// Answers --help and --version on standard output before any window system or
// database is touched. Returns the exit code when the program ends there, nothing
// when it goes on to open its windows. Options it does not know stay for Qt.
std::optional<int> answerCommandLine(int argc, char *argv[]);

} // namespace orbisel
