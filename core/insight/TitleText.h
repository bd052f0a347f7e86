#pragma once

#include "core/base/WordText.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// How the marketplace measures a listing title, and the words a title must not hold.
namespace orbisel::core {

// Bytes the marketplace counts, as GBK does: 1 for an ASCII character, 2 for any other. A
// character GBK cannot encode (an emoji, a rare ideograph) also counts 2, the width the
// marketplace reserves for it; each byte of malformed UTF-8 counts 2 as well.
std::size_t titleBytes(std::string_view utf8);
// Characters (code points; a malformed byte is one).
std::size_t titleCharacters(std::string_view utf8);

// Words a title must not hold anywhere, across root-word boundaries too (ASCII folded).
class ForbiddenWords {
public:
    ForbiddenWords() = default;
    explicit ForbiddenWords(const std::vector<std::string> &words);
    void add(const std::vector<std::string> &words);
    // The first forbidden word the folded text holds, or empty.
    std::string_view foundIn(std::string_view folded) const;
    std::vector<std::string_view> allIn(std::string_view folded) const;

private:
    std::vector<std::string> m_words;
};

} // namespace orbisel::core
