#pragma once

#include "web/Text.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace orbisel {

// The text rules every module follows. Positions are 1-based byte positions;
// 0 means "not found". Searches step forward one whole GBK character at a time
// (a lead byte 0x81..0xFE followed by another byte is one character), so a
// match never starts on the second byte of a double-byte character. Letter
// case rules touch only ASCII letters, never a byte inside a double-byte
// character.

// Whether the byte starts a double-byte GBK character when another byte follows.
inline bool isGbkLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// Byte length of the character starting at byte index i (0-based): 2 for a
// GBK lead byte with a following byte, else 1.
std::size_t gbkCharLength(std::string_view text, std::size_t i);

// Position of the first occurrence of `what` at or after `start`, or 0. An
// empty `what`, a start below 1 or beyond the text give 0.
std::size_t findText(std::string_view text, std::string_view what, std::size_t start = 1,
                     bool ignoreCase = false);
bool containsText(std::string_view text, std::string_view what, bool ignoreCase = false);
bool startsWithText(std::string_view text, std::string_view prefix);
bool endsWithText(std::string_view text, std::string_view suffix);

Text toLowerAscii(std::string_view text);
bool equalsIgnoreCaseAscii(std::string_view a, std::string_view b);

// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1).
Text trimGbkSpaces(std::string_view text);

// Cuts at every occurrence of the delimiter. Empty items between adjacent
// delimiters are kept, one trailing empty item is dropped, and an empty text
// gives no items. An empty delimiter gives the whole text as one item.
TextArray splitText(std::string_view text, std::string_view delimiter);
// The same items as views into text.
std::vector<std::string_view> splitTextViews(std::string_view text, std::string_view delimiter);

// Replaces occurrences of `find` from position `start` on (bytes before it
// are kept); at most `count` replacements when given, all otherwise. Replaced
// text is not searched again.
Text replaceText(std::string_view text, std::string_view find, std::string_view replacement,
                 std::size_t start = 1, std::optional<long long> count = std::nullopt,
                 bool ignoreCase = false);

// The text between the first `left` at or after `start` and the next `right`
// after it; empty when either is missing. In both markers "#引号" (GBK) stands
// for a double quote.
Text textBetween(std::string_view text, std::string_view left, std::string_view right, std::size_t start = 1,
                 bool ignoreCase = false);

struct ReplacePair {
    std::string_view find;
    std::string_view replacement;
};

// Applies one to five replacement pairs in order, each on the result of the
// one before; a pair with an empty find text changes nothing. `count`: at
// most that many replacements per pair (all when omitted); start 0 counts as
// 1. An empty list or more than five pairs is rejected: the text comes back
// unchanged.
Text multiReplace(std::string_view text, const std::vector<ReplacePair> &pairs,
                  std::optional<long long> count = std::nullopt, std::size_t start = 1,
                  bool caseSensitive = false);

} // namespace orbisel
