#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Two runs compared word by word: what is new, what is gone and how the kept
// words moved.
namespace orbisel::core {

// One word of a run, as the comparison reads it (热度 unrounded).
struct ComparedSide {
    std::string word;
    std::optional<long long> listings;
    double heat = 0;
};

enum class ComparisonState { Added, Kept, Gone }; // 新增, 保留, 消失

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

// Words match as a run matches them: trimmed, full-width spaces folded, ASCII
// letters in either case. A word repeated within one run counts once (its
// first row).
RunComparison compareRuns(const std::vector<ComparedSide> &older, const std::vector<ComparedSide> &newer);

} // namespace orbisel::core
