#include "core/RunComparison.h"

#include "core/DeepRunEngine.h"

#include <algorithm>
#include <unordered_map>

namespace orbisel::core {
namespace {

int stateRank(ComparisonState state) {
    switch (state) {
    case ComparisonState::Added:
        return 0;
    case ComparisonState::Kept:
        return 1;
    case ComparisonState::Gone:
        return 2;
    }
    return 3;
}

double orderingHeat(const ComparedWord &word) {
    return word.newHeat ? *word.newHeat : word.oldHeat.value_or(0);
}

} // namespace

std::optional<long long> ComparedWord::listingsChange() const {
    if (!oldListings || !newListings)
        return std::nullopt;
    return *newListings - *oldListings;
}

std::optional<double> ComparedWord::listingsChangePercent() const {
    if (!oldListings || !newListings || *oldListings <= 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(*newListings - *oldListings) / static_cast<double>(*oldListings);
}

std::optional<double> ComparedWord::heatChange() const {
    if (!oldHeat || !newHeat)
        return std::nullopt;
    return *newHeat - *oldHeat;
}

RunComparison compareRuns(const std::vector<ComparedSide> &older, const std::vector<ComparedSide> &newer) {
    RunComparison result;
    std::vector<ComparedWord> &words = result.words;
    words.reserve(newer.size() + older.size() / 4);
    std::unordered_map<std::string, std::size_t> byKey;
    byKey.reserve(newer.size());
    for (const ComparedSide &side : newer) {
        if (!byKey.try_emplace(comparisonKey(side.word), words.size()).second)
            continue;
        words.push_back({.word = side.word,
                         .state = ComparisonState::Added,
                         .newListings = side.listings,
                         .newHeat = side.heat});
    }
    std::vector<bool> seenOld(words.size(), false);
    for (const ComparedSide &side : older) {
        const auto [at, inserted] = byKey.try_emplace(comparisonKey(side.word), words.size());
        if (inserted) {
            words.push_back({.word = side.word,
                             .state = ComparisonState::Gone,
                             .oldListings = side.listings,
                             .oldHeat = side.heat});
            continue;
        }
        if (at->second >= seenOld.size() || seenOld[at->second])
            continue;
        seenOld[at->second] = true;
        ComparedWord &word = words[at->second];
        word.state = ComparisonState::Kept;
        word.oldListings = side.listings;
        word.oldHeat = side.heat;
    }
    byKey = {};

    std::stable_sort(words.begin(), words.end(), [](const ComparedWord &a, const ComparedWord &b) {
        if (stateRank(a.state) != stateRank(b.state))
            return stateRank(a.state) < stateRank(b.state);
        return orderingHeat(a) > orderingHeat(b);
    });

    std::vector<std::size_t> rises;
    for (std::size_t i = 0; i < words.size(); ++i) {
        switch (words[i].state) {
        case ComparisonState::Added:
            ++result.added;
            break;
        case ComparisonState::Kept:
            ++result.kept;
            if (words[i].heatChange().value_or(0) > 0)
                rises.push_back(i);
            break;
        case ComparisonState::Gone:
            ++result.gone;
            break;
        }
    }
    const std::size_t shown = std::min(rises.size(), kLargestRisesShown);
    std::partial_sort(rises.begin(), rises.begin() + static_cast<std::ptrdiff_t>(shown), rises.end(),
                      [&](std::size_t a, std::size_t b) {
                          const double ra = *words[a].heatChange(), rb = *words[b].heatChange();
                          return ra != rb ? ra > rb : a < b;
                      });
    rises.resize(shown);
    result.largestRises = std::move(rises);
    return result;
}

} // namespace orbisel::core
