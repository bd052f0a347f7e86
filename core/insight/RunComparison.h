#pragma once

#include "core/base/WordKeyIndex.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Two runs compared word by word: what is new, what is gone and how the kept
// words moved.
namespace orbisel::core {

// One word of a run, as the comparison reads it (热度 unrounded; none when the
// run kept no popularity for it).
struct ComparedSide {
    std::string word;
    std::optional<long long> listings;
    std::optional<double> heat;
};

enum class ComparisonState : std::uint8_t { Added, Kept, Gone }; // 新增, 保留, 消失

struct ComparedWord {
    std::string word; // the newer run's spelling when the word is in both
    ComparisonState state = ComparisonState::Kept;
    std::optional<long long> oldListings;
    std::optional<long long> newListings;
    std::optional<double> oldHeat;
    std::optional<double> newHeat;

    std::optional<long long> listingsChange() const;     // with both counts
    std::optional<double> listingsChangePercent() const; // with both counts and an older one above 0
    std::optional<double> heatChange() const;            // in both runs
};

struct RunComparison {
    // 新增, then 保留, then 消失, each by the newer 热度 (else the older)
    // descending; equal figures keep the newer run's order, then the older's.
    std::vector<ComparedWord> words;
    std::size_t added = 0;
    std::size_t kept = 0;
    std::size_t gone = 0;
    // Indexes into `words` of the kept words whose 热度 rose most (at most ten),
    // the largest rise first.
    std::vector<std::size_t> largestRises;
};

inline constexpr std::size_t kLargestRisesShown = 10;

// Builds a comparison from the words of the two runs as they are read, without
// holding either run: every word of the newer run first, then the older's.
// Words match as a run matches them: trimmed, full-width spaces folded, ASCII
// letters in either case. A word repeated within one run counts once (its
// first row).
class RunComparer {
public:
    enum class Run { Older, Newer };
    void addNewer(const ComparedSide &side);
    void addOlder(const ComparedSide &side);
    // Replaces every 热度 read from one run by what `scale` makes of it: a reader
    // may pass a run's raw figures and scale them once it has read the whole run.
    void rescaleHeat(Run run, const std::function<double(double)> &scale);
    RunComparison finish();

private:
    std::uint32_t find(std::string_view key, std::uint64_t hash) const; // index + 1; 0: none
    // The comparison key of the word, in `scratch` when it is not the word itself.
    static std::string_view keyOf(const std::string &word, std::string &scratch);
    void add(std::uint64_t hash, ComparedWord word);

    RunComparison m_result;
    std::vector<std::uint64_t> m_hashes; // of each word's comparison key
    WordKeyIndex m_index{4};             // of m_result.words
    std::string m_key;                   // scratch for a key that is not its word
};

RunComparison compareRuns(const std::vector<ComparedSide> &older, const std::vector<ComparedSide> &newer);

} // namespace orbisel::core
