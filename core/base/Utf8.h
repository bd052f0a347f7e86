#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// The one walk over UTF-8 text that the word and title code shares.
namespace orbisel::core {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
inline std::size_t utf8SequenceAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

// The code point of a sequence utf8SequenceAt measured.
inline char32_t utf8CodePoint(std::string_view text, std::size_t i, std::size_t length) {
    const auto lead = static_cast<unsigned char>(text[i]);
    char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return c;
}

// Whether the text is sequences utf8SequenceAt measures, end to end.
inline bool isWellFormedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceAt(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Strict UTF-8 (RFC 3629): well formed, and no overlong form, surrogate or code point beyond U+10FFFF.
inline bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceAt(text, i);
        if (length == 0)
            return false;
        if (length > 2) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const auto second = static_cast<unsigned char>(text[i + 1]);
            if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
                return false;
        }
        i += length;
    }
    return true;
}

// Calls visit(character bytes) for each character; a malformed byte is a character of its own.
template <class Visit> void forEachUtf8Character(std::string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::max<std::size_t>(utf8SequenceAt(text, i), 1);
        visit(text.substr(i, length));
        i += length;
    }
}

} // namespace orbisel::core
