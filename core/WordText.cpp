#include "core/WordText.h"

#include <algorithm>

namespace orbisel::core {
namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Bytes of the space (ASCII, full-width, tab or line end) the text starts or ends with; 0: none.
std::size_t spaceAtFront(std::string_view text) {
    if (!text.empty() && isAsciiSpace(text.front()))
        return 1;
    return text.starts_with(kFullWidthSpace) ? kFullWidthSpace.size() : 0;
}

std::size_t spaceAtBack(std::string_view text) {
    if (!text.empty() && isAsciiSpace(text.back()))
        return 1;
    return text.ends_with(kFullWidthSpace) ? kFullWidthSpace.size() : 0;
}

} // namespace

std::string trimmedWord(std::string_view word) {
    while (const std::size_t n = spaceAtFront(word))
        word.remove_prefix(n);
    while (const std::size_t n = spaceAtBack(word))
        word.remove_suffix(n);
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

bool isOwnComparisonKey(std::string_view text) {
    if (spaceAtFront(text) || spaceAtBack(text) || text.find(kFullWidthSpace) != std::string_view::npos)
        return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return isAsciiCapital(static_cast<unsigned char>(c)) || (isAsciiSpace(c) && c != ' ');
    });
}

} // namespace orbisel::core
