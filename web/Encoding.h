#pragma once

#include "web/Text.h"

#include <string_view>

namespace orbisel {

// Code pages understood by the conversions.
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;

// Conversions between GBK (code page 936) and UTF-8. Characters that cannot be
// represented, and invalid input sequences, become "?" (one per sequence); the
// output is never cut short.
Text gbkToUtf8(std::string_view gbk);
Text utf8ToGbk(std::string_view utf8);

// Decodes the text (up to its first NUL) from the code page into UTF-16LE code
// units, ending with a NUL unit. An unknown code page gives empty bytes.
Bytes toUtf16(std::string_view text, int codePage = kCodePageUtf8);
// Encodes UTF-16LE data, up to its first NUL unit, into the code page.
Text fromUtf16(std::string_view utf16, int codePage);

} // namespace orbisel
