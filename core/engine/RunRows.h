#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/WordKeyIndex.h"
#include "core/base/WordValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbisel::core {

// One distinct word of a running run, kept compact: a run may hold a million.
struct RunRow {
    std::string word;
    std::uint64_t hash = 0;
    long long listings = -1; // -1: none seen
    PopularityTally popularity;
    std::uint32_t occurrences = 0;
    std::uint32_t seed = 0;   // into the run's seeds
    std::uint32_t parent = 0; // query ordinal
    std::uint32_t stamp = 0;  // the last answer (or query and source) that counted it
    DeepSourceSet sources = 0;
    std::uint8_t depth = 1;
};
static_assert(sizeof(RunRow) <= sizeof(std::string) + 56, "a run may hold a million rows");

// The words of a run in result order, found by comparison key (open
// addressing over the rows' key hashes), each counted once per answer
// (出现次数) or, under the older rule, once per query and source. The
// popularity sum takes the best earning of every answer under either rule.
class RunRows {
public:
    RunRows() { clear(); }

    void clear();
    void setRule(OccurrenceRule rule) { m_rule = rule; }
    // A stored row, as it was counted.
    void restore(RunRow row);

    // The words added next came in a new answer, or were read as a new source.
    void answerStarts();
    void sourceStarts();

    struct Added {
        std::size_t index;
        bool isNew;
    };
    // What a word of the answer earns, where it came from and what it descends from.
    struct Found {
        DeepSource source;
        std::optional<long long> listings;
        double earning;
    };
    struct Origin {
        std::uint32_t seed;
        std::uint32_t parent;
        int depth;
    };
    // Adds the word or counts it again; `word` is not empty after trimming.
    Added add(std::string_view word, std::string_view key, const Found &found, const Origin &origin);

    std::size_t size() const { return m_rows.size(); }
    const RunRow &operator[](std::size_t index) const { return m_rows[index]; }
    const std::vector<RunRow> &rows() const { return m_rows; }

private:
    long long find(std::string_view key, std::uint64_t hash) const;
    void index(std::size_t row);

    std::vector<RunRow> m_rows;
    WordKeyIndex m_index{1024}; // of m_rows
    std::uint32_t m_stamp = 0;  // the answer (or query and source) being counted
    std::uint32_t m_answer = 0; // the answer being added
    OccurrenceRule m_rule = OccurrenceRule::PerAnswer;
};

} // namespace orbisel::core
