#pragma once

#include <string>
#include <string_view>

namespace orbisel {

// Appends one text field of a CSV row (RFC 4180): in quotes, doubled inside,
// when it holds a comma, a quote or a line break. A field that a spreadsheet
// would take for a formula (it begins with "=", "+", "-", "@", a tab or a
// carriage return) gets a leading apostrophe and quotes, so it shows as text.
// Numbers written as numbers do not come here.
void appendCsvField(std::string &out, std::string_view text);

} // namespace orbisel
