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

// Calls visit(character bytes) for each character; a malformed byte is a character of its own.
template <class Visit> void forEachUtf8Character(std::string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::max<std::size_t>(utf8SequenceAt(text, i), 1);
        visit(text.substr(i, length));
        i += length;
    }
}

} // namespace orbisel::core
