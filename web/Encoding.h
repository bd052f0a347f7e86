#pragma once

#include "web/Text.h"

#include <string_view>

namespace orbisel {

// Conversions between GBK (code page 936) and UTF-8. Characters that cannot be
// represented, and invalid input bytes, become "?"; the output is never cut short.
Text gbkToUtf8(std::string_view gbk);
Text utf8ToGbk(std::string_view utf8);

} // namespace orbisel
