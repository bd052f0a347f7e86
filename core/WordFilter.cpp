#include "core/WordFilter.h"

#include <algorithm>
#include <utility>

namespace orbisel::core {

namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";
constexpr std::string_view kSeparators[] = {",", "\xEF\xBC\x8C", "\xE3\x80\x81"}; // , ， 、

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string> nonEmpty(std::vector<std::string> words) {
    std::erase_if(words, [](const std::string &w) { return w.empty(); });
    return words;
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

std::string_view trimSpaces(std::string_view text) {
    while (true) {
        if (!text.empty() && isAsciiSpace(text.front()))
            text.remove_prefix(1);
        else if (text.starts_with(kFullWidthSpace))
            text.remove_prefix(kFullWidthSpace.size());
        else if (!text.empty() && isAsciiSpace(text.back()))
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
        const std::string_view item = trimSpaces(list.substr(0, at));
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
