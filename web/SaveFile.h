#pragma once

#include <string>
#include <string_view>

namespace orbisel {

// Writes the bytes to the file atomically (a temporary file renamed over the
// target once completely written); creates missing parent folders. False when
// anything fails, in which case the old file is untouched.
bool saveFileAtomically(const std::string &path, std::string_view bytes);

} // namespace orbisel
