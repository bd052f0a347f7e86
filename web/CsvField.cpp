#include "web/CsvField.h"

namespace orbisel {

namespace {

bool looksLikeFormula(std::string_view text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

} // namespace

void appendCsvField(std::string &out, std::string_view text) {
    const bool formula = looksLikeFormula(text);
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += formula ? "\"'" : "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace orbisel
