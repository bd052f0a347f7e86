#include "core/base/WordText.h"

#include <algorithm>
#include <functional>
#include <utility>

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

constexpr std::string_view kSeparators[] = {",", "\xEF\xBC\x8C", "\xE3\x80\x81"}; // , ， 、

// Spaces a list item is trimmed of (vertical tab and form feed too).
bool isListSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The first separator in the text: where it starts and how long it is.
std::pair<std::size_t, std::size_t> nextSeparator(std::string_view text) {
    std::pair<std::size_t, std::size_t> first{std::string_view::npos, 0};
    for (const std::string_view separator : kSeparators)
        if (const std::size_t at = text.find(separator); at < first.first)
            first = {at, separator.size()};
    return first;
}

} // namespace

std::string foldedAscii(std::string_view text) {
    std::string folded(text);
    for (char &c : folded)
        c = foldAscii(c);
    return folded;
}

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

std::uint64_t hashKey(std::string_view key) {
    return std::hash<std::string_view>{}(key);
}

std::string_view trimUtf8Spaces(std::string_view text) {
    while (true) {
        if (!text.empty() && isListSpace(text.front()))
            text.remove_prefix(1);
        else if (text.starts_with(kFullWidthSpace))
            text.remove_prefix(kFullWidthSpace.size());
        else if (!text.empty() && isListSpace(text.back()))
            text.remove_suffix(1);
        else if (text.ends_with(kFullWidthSpace))
            text.remove_suffix(kFullWidthSpace.size());
        else
            return text;
    }
}

std::vector<std::string> splitList(std::string_view list) {
    std::vector<std::string> items;
    while (true) {
        const auto [at, length] = nextSeparator(list);
        const std::string_view item = trimUtf8Spaces(list.substr(0, at));
        if (!item.empty())
            items.emplace_back(item);
        if (at == std::string_view::npos)
            return items;
        list.remove_prefix(at + length);
    }
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace orbisel::core
