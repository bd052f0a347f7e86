#pragma once

#include "core/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace orbisel::core {

enum class SeedsErrorKind { CannotRead, NoSeeds };
struct SeedsError {
    SeedsErrorKind kind;
    std::string detail; // the path, and the system's reason when reading failed
};

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The distinct seeds of a seeds file's content, in order: UTF-8 (a leading
// byte-order mark is dropped) when it is valid UTF-8, otherwise GBK converted
// to UTF-8. One seed a line (LF or CRLF), trimmed of ASCII and full-width
// spaces; blank lines are skipped and a repeated seed counts once.
std::vector<std::string> parseSeeds(std::string_view bytes);
// The same rules for seeds given one by one (from the command line): UTF-8,
// or GBK from a terminal set to it.
std::vector<std::string> distinctSeeds(const std::vector<std::string> &seeds);

// Reads and parses a seeds file; a file without any seed is an error too.
Result<std::vector<std::string>, SeedsError> readSeedsFile(const std::string &path);

} // namespace orbisel::core
