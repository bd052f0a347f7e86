#include "core/WordFilter.h"

#include <algorithm>

namespace orbisel::core {

namespace {

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimAscii(std::string_view text) {
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string> nonEmpty(std::vector<std::string> words) {
    std::erase_if(words, [](const std::string &w) { return w.empty(); });
    return words;
}

} // namespace

std::vector<std::string> splitList(std::string_view commaList) {
    std::vector<std::string> items;
    while (true) {
        const std::size_t comma = commaList.find(',');
        const std::string_view item = trimAscii(commaList.substr(0, comma));
        if (!item.empty())
            items.emplace_back(item);
        if (comma == std::string_view::npos)
            return items;
        commaList.remove_prefix(comma + 1);
    }
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

WordFilter::WordFilter(std::vector<std::string> include, std::vector<std::string> exclude, int minChars,
                       int maxChars)
    : m_include(nonEmpty(std::move(include))), m_exclude(nonEmpty(std::move(exclude))),
      m_minChars(static_cast<std::size_t>(std::max(minChars, 0))),
      m_maxChars(static_cast<std::size_t>(std::max(maxChars, 0))) {}

WordFilter::WordFilter(const DeepRunOptions &options)
    : WordFilter(options.include, options.exclude, options.minChars, options.maxChars) {}

bool WordFilter::keeps(std::string_view word) const {
    const auto contains = [word](const std::string &part) {
        return word.find(part) != std::string_view::npos;
    };
    if (!m_include.empty() && std::none_of(m_include.begin(), m_include.end(), contains))
        return false;
    if (std::any_of(m_exclude.begin(), m_exclude.end(), contains))
        return false;
    if (m_minChars == 0 && m_maxChars == 0)
        return true;
    const std::size_t chars = characterCount(word);
    return chars >= m_minChars && (m_maxChars == 0 || chars <= m_maxChars);
}

} // namespace orbisel::core
