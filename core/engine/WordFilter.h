#pragma once

#include "core/base/DeepRunTypes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orbisel::core {

// Which words a run keeps: a kept word contains at least one include word
// (when any are given), no exclude word, and has between minChars and
// maxChars characters (0: no bound). Matching is on whole characters: in
// UTF-8 a word can only contain another at a character boundary.
class WordFilter {
public:
    WordFilter() = default;
    WordFilter(std::vector<std::string> include, std::vector<std::string> exclude, int minChars,
               int maxChars);
    explicit WordFilter(const DeepRunOptions &options);

    bool keeps(std::string_view word) const;

private:
    std::vector<std::string> m_include;
    std::vector<std::string> m_exclude;
    std::size_t m_minChars = 0;
    std::size_t m_maxChars = 0;
};

} // namespace orbisel::core
