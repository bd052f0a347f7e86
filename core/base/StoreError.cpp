#include "core/base/StoreError.h"

namespace orbisel::core {

std::string describe(const StoreError &error) {
    switch (error.kind) {
    case StoreErrorKind::CannotOpen:
        return "cannot open the store: " + error.detail;
    case StoreErrorKind::Corrupt:
        return "the store is damaged or not a run store: " + error.detail;
    case StoreErrorKind::Locked:
        return "the store is locked by another run: " + error.detail;
    case StoreErrorKind::NewerProgram:
        return "the store was written by a newer program: " + error.detail;
    case StoreErrorKind::UnknownRun:
        return "unknown run: " + error.detail;
    case StoreErrorKind::WriteFailed:
        return "cannot write the store: " + error.detail;
    }
    return error.detail;
}

} // namespace orbisel::core
