#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The orders of the columns of the deep-mining side's tables (ties in stored order).
namespace orbisel::core {

// A stored row with the 64-bit key it is ordered by.
struct KeyedRow {
    std::uint64_t key;
    std::uint32_t row;
};

// Orders by key, ties by row.
void sortByKey(std::vector<KeyedRow> &items);

// The key of a value ordered in `descending` order or not, an empty value last either way.
std::uint64_t emptyLastKey(std::optional<std::uint64_t> key, bool descending);
// A key ordering as the number does.
std::uint64_t numberKey(long long value);
std::uint64_t numberKey(double value);

// The first eight bytes, big-endian, zero-padded: orders like the bytes themselves.
std::uint64_t prefixKey(std::string_view text);

// Orders rows that agree on their first `depth` word bytes, given in stored order,
// by their words' bytes (ties in stored order): by the next eight bytes as one key,
// then each run of equal keys by the bytes after them.
template <class WordOf>
void orderByWord(std::vector<std::uint32_t>::iterator begin, std::vector<std::uint32_t>::iterator end,
                 std::size_t depth, const WordOf &wordOf) {
    std::vector<KeyedRow> keyed(static_cast<std::size_t>(end - begin));
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        const std::uint32_t row = begin[static_cast<std::ptrdiff_t>(i)];
        const std::string_view w = wordOf(row);
        keyed[i] = {prefixKey(w.substr(std::min(depth, w.size()))), row};
    }
    sortByKey(keyed);
    for (std::size_t i = 0; i < keyed.size(); ++i)
        begin[static_cast<std::ptrdiff_t>(i)] = keyed[i].row;
    for (std::size_t i = 0; i < keyed.size();) {
        std::size_t j = i + 1;
        bool longer = wordOf(keyed[i].row).size() > depth + 8;
        bool sameSize = true;
        for (; j < keyed.size() && keyed[j].key == keyed[i].key; ++j) {
            longer = longer || wordOf(keyed[j].row).size() > depth + 8;
            sameSize = sameSize && wordOf(keyed[j].row).size() == wordOf(keyed[i].row).size();
        }
        const auto from = begin + static_cast<std::ptrdiff_t>(i), to = begin + static_cast<std::ptrdiff_t>(j);
        if (j - i > 1 && longer) {
            orderByWord(from, to, depth + 8, wordOf);
        } else if (!sameSize) {
            // Equal but for trailing NUL bytes: the shorter word comes first.
            std::stable_sort(from, to, [&](std::uint32_t a, std::uint32_t b) {
                return wordOf(a).size() < wordOf(b).size();
            });
        }
        i = j;
    }
}

// Reverses an ascending order, keeping rows of equal words in stored order.
template <class WordOf> void reverseByWord(std::vector<std::uint32_t> &rows, const WordOf &wordOf) {
    std::reverse(rows.begin(), rows.end());
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && wordOf(rows[j]) == wordOf(rows[i]))
            ++j;
        std::reverse(rows.begin() + static_cast<std::ptrdiff_t>(i),
                     rows.begin() + static_cast<std::ptrdiff_t>(j));
        i = j;
    }
}

} // namespace orbisel::core
