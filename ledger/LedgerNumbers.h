#pragma once

#include "web/Text.h"

namespace orbisel {

// The ledger's text-to-number rule: full-width GBK characters A3A1..A3FE count as
// the ASCII character with the same low seven bits of their second byte, A1A1 as a
// space; then the leading decimal number is read as atof reads it (leading white
// space, optional sign, digits, optional point and fraction, optional exponent).
// A text without a leading number gives 0. Independent of the C locale.
double ledgerTextToNumber(const Text &text);

// The ledger's number-to-text rules: doubles as "%.13g", integers as "%d".
// Both are independent of the C locale.
Text ledgerDoubleText(double value);
Text ledgerIntegerText(long long value);

} // namespace orbisel
