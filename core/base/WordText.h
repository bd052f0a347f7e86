#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Case folding and trimming of result words (UTF-8): only ASCII letters fold,
// so a byte inside a multi-byte character never changes.
namespace orbisel::core {

inline constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

constexpr bool isAsciiCapital(char32_t c) {
    return c >= U'A' && c <= U'Z';
}
// The ASCII letter in lower case; every other character unchanged.
constexpr char foldAscii(char c) {
    return isAsciiCapital(static_cast<unsigned char>(c)) ? static_cast<char>(c + ('a' - 'A')) : c;
}
constexpr char32_t foldAscii(char32_t c) {
    return isAsciiCapital(c) ? c + (U'a' - U'A') : c;
}

// The text with ASCII letters in lower case; every other byte unchanged.
std::string foldedAscii(std::string_view text);

// The word without the spaces around it (ASCII, full-width, tabs and line ends).
std::string trimmedWord(std::string_view word);

// The form two queries or words are compared in: trimmed, full-width spaces
// folded to ASCII spaces, ASCII letters in lower case.
std::string comparisonKey(std::string_view text);
// Whether the text is its own comparison key (no space to trim or fold, no capital
// ASCII letter): most result words are, and need no copy to be compared.
bool isOwnComparisonKey(std::string_view text);

// The hash a word index files a comparison key under.
std::uint64_t hashKey(std::string_view key);

// The text without leading and trailing ASCII and full-width (U+3000) spaces.
std::string_view trimUtf8Spaces(std::string_view text);

// The items of a list separated by ",", the full-width comma "，" or "、", each
// trimmed by trimUtf8Spaces, empty ones dropped.
std::vector<std::string> splitList(std::string_view list);

// Unicode code points of a UTF-8 text.
std::size_t characterCount(std::string_view utf8);

} // namespace orbisel::core
