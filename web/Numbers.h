#pragma once

#include "web/Text.h"

#include <string_view>

namespace orbisel {

// Number-to-text: integers with "%d", doubles with "%.13g" (whole numbers
// without a decimal point).
Text formatNumber(int value);
Text formatNumber(long long value);
Text formatNumber(double value);

// Text-to-number: full-width GBK characters A3A1..A3FE count as the ASCII
// character with the low seven bits of their second byte, A1A1 as a space;
// then the leading decimal number is read as atof reads it (leading white
// space, sign, digits, fraction, exponent), 0 when there is none. Independent
// of the process locale.
double textToNumber(std::string_view text);

} // namespace orbisel
