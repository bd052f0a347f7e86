#pragma once

#include "web/Text.h"

#include <string_view>
#include <vector>

// GBK-aware text operations used by the keyword-list tools. A search moves one
// whole character at a time: a lead byte (81..FE) and the byte after it form
// one character, so a match never starts inside a double-byte character.
namespace orbisel::listtext {

inline bool isLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// Bytes of the character that starts with byte b.
inline size_t charLength(unsigned char b) {
    return isLeadByte(b) ? 2 : 1;
}

// The pieces between CRLFs: inner empty pieces are kept, one trailing empty
// piece is dropped, an empty text gives none. Views into text.
std::vector<std::string_view> splitCrlf(std::string_view text);

// 0-based position of the first occurrence of needle that starts on a
// character boundary, or npos. An empty needle is found (at 0) in every
// non-empty text and in no empty text.
size_t find(std::string_view text, std::string_view needle);
inline bool contains(std::string_view text, std::string_view needle) {
    return find(text, needle) != std::string_view::npos;
}

// The text with its ASCII letters lowered; double-byte characters, including
// trail bytes that look like letters, stay as they are.
Text asciiLower(std::string_view text);

} // namespace orbisel::listtext
