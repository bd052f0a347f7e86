#include "core/tables/TextFilter.h"

#include "core/base/WordText.h"

#include <algorithm>

namespace orbisel::core {

bool TextFilter::set(std::string_view text) {
    std::string folded = foldedAscii(text);
    if (folded == m_folded)
        return false;
    m_folded = std::move(folded);
    m_hasLetters = std::any_of(m_folded.begin(), m_folded.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    return true;
}

// Only ASCII letters fold, so a match never splits a character.
bool TextFilter::accepts(std::string_view word) const {
    if (!m_hasLetters)
        return word.find(m_folded) != std::string_view::npos;
    if (m_folded.size() > word.size())
        return false;
    for (std::size_t i = 0; i + m_folded.size() <= word.size(); ++i) {
        std::size_t k = 0;
        while (k < m_folded.size() && foldAscii(word[i + k]) == m_folded[k])
            ++k;
        if (k == m_folded.size())
            return true;
    }
    return false;
}

} // namespace orbisel::core
