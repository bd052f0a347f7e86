#include "core/WordText.h"

namespace orbisel::core {
namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string trimmedWord(std::string_view word) {
    for (;;) {
        if (!word.empty() && isAsciiSpace(word.front()))
            word.remove_prefix(1);
        else if (word.starts_with(kFullWidthSpace))
            word.remove_prefix(kFullWidthSpace.size());
        else
            break;
    }
    for (;;) {
        if (!word.empty() && isAsciiSpace(word.back()))
            word.remove_suffix(1);
        else if (word.ends_with(kFullWidthSpace))
            word.remove_suffix(kFullWidthSpace.size());
        else
            break;
    }
    return std::string(word);
}

std::string comparisonKey(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, kFullWidthSpace.size()) == kFullWidthSpace) {
            out += ' ';
            i += kFullWidthSpace.size();
            continue;
        }
        const char c = text[i++];
        out += isAsciiSpace(c) ? ' ' : foldAscii(c);
    }
    const std::size_t begin = out.find_first_not_of(' ');
    if (begin == std::string::npos)
        return {};
    out.erase(out.find_last_not_of(' ') + 1);
    out.erase(0, begin);
    return out;
}

} // namespace orbisel::core
