#pragma once

#include <string>
#include <string_view>

namespace orbisel::core {

// Words containing a UTF-8 text, ASCII letters in either case.
class TextFilter {
public:
    // False when the filter already had this text.
    bool set(std::string_view text);
    bool empty() const { return m_folded.empty(); }
    const std::string &folded() const { return m_folded; }
    bool accepts(std::string_view word) const;

private:
    std::string m_folded; // ASCII letters folded
    bool m_hasLetters = false;
};

} // namespace orbisel::core
