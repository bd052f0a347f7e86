#include "core/engine/WordFilter.h"

#include "core/base/WordText.h"

#include <algorithm>
#include <utility>

namespace orbisel::core {

namespace {

std::vector<std::string> nonEmpty(std::vector<std::string> words) {
    std::erase_if(words, [](const std::string &w) { return w.empty(); });
    return words;
}

} // namespace

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
