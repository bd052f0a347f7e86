#pragma once

#include "core/base/Result.h"
#include "core/base/Utf8.h"

#include <string>
#include <string_view>
#include <vector>

namespace orbisel::core {

// ControlByte: a NUL, tab or other control byte inside a line (the CR of a CRLF line end
// excepted). BadEncoding: text that is neither UTF-8 nor GBK.
enum class SeedsErrorKind { CannotRead, NoSeeds, ControlByte, BadEncoding };
struct SeedsError {
    SeedsErrorKind kind;
    std::string detail; // the path, and the system's reason when reading failed
    long long line = 0; // ControlByte, BadEncoding: the first wrong line (or seed), from 1
};

// Whether the bytes are well-formed GBK: ASCII, or a lead byte 0x81-0xFE with a
// trail byte 0x40-0xFE other than 0x7F.
bool isValidGbk(std::string_view bytes);

// The distinct seeds of a seeds file's content (or of text pasted as seeds), in
// order: UTF-8 (a leading byte-order mark is dropped) when it is valid UTF-8,
// otherwise GBK converted to UTF-8. One seed a line (LF or CRLF), trimmed of
// ASCII and full-width spaces; blank lines are skipped and a repeated seed
// counts once. A line holding a control byte, or content valid in neither
// encoding, is refused with the first such line (the first line readable in
// neither, or in a file mixing the two, the first line that is not UTF-8).
// No seed at all is no error here.
Result<std::vector<std::string>, SeedsError> parseSeeds(std::string_view bytes);
// The same rules for seeds given one by one (from the command line): UTF-8,
// or GBK from a terminal set to it; `line` of an error is the seed's position.
Result<std::vector<std::string>, SeedsError> distinctSeeds(const std::vector<std::string> &seeds);

// Reads and parses a seeds file; a file without any seed is an error too.
Result<std::vector<std::string>, SeedsError> readSeedsFile(const std::string &path);

} // namespace orbisel::core
