#pragma once

#include <string>

namespace orbisel::core {

enum class StoreErrorKind { CannotOpen, Corrupt, Locked, NewerProgram, UnknownRun, WriteFailed };
struct StoreError {
    StoreErrorKind kind = StoreErrorKind::CannotOpen;
    std::string detail;
};

// Short English text of a store error ("store is locked by another run: ..."),
// for logs and the command line.
std::string describe(const StoreError &error);

} // namespace orbisel::core
