#include "core/insight/RunComparison.h"

#include "core/base/WordText.h"

#include <algorithm>

namespace orbisel::core {
namespace {

double orderingHeat(const ComparedWord &word) {
    return word.newHeat ? *word.newHeat : word.oldHeat.value_or(0);
}

// The words in the order of `order` (the index of the word for each place), moved
// along the permutation's cycles so no second copy of the words is made.
void permute(std::vector<ComparedWord> &words, std::vector<std::uint32_t> order) {
    for (std::uint32_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        ComparedWord held = std::move(words[start]);
        std::uint32_t at = start;
        while (order[at] != start) {
            const std::uint32_t from = order[at];
            words[at] = std::move(words[from]);
            order[at] = at;
            at = from;
        }
        words[at] = std::move(held);
        order[at] = at;
    }
}

// The shown order: state, then heat descending, then the order the words were read in.
std::vector<std::uint32_t> comparisonOrder(const std::vector<ComparedWord> &words) {
    struct Key {
        double heat;
        std::uint32_t word;
        std::uint8_t state;
    };
    std::vector<Key> keys(words.size());
    for (std::uint32_t i = 0; i < keys.size(); ++i)
        keys[i] = {orderingHeat(words[i]), i, static_cast<std::uint8_t>(words[i].state)};
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        if (a.state != b.state)
            return a.state < b.state;
        return a.heat != b.heat ? a.heat > b.heat : a.word < b.word;
    });
    std::vector<std::uint32_t> order(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        order[i] = keys[i].word;
    return order;
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

std::string_view RunComparer::keyOf(const std::string &word, std::string &scratch) {
    if (isOwnComparisonKey(word))
        return word;
    scratch = comparisonKey(word);
    return scratch;
}

std::uint32_t RunComparer::find(std::string_view key, std::uint64_t hash) const {
    return m_index.find(hash, [&](std::uint32_t word) {
        if (m_hashes[word] != hash)
            return false;
        const std::string &candidate = m_result.words[word].word;
        return candidate == key || (!isOwnComparisonKey(candidate) && comparisonKey(candidate) == key);
    });
}

void RunComparer::addNewer(const ComparedSide &side) {
    const std::string_view key = keyOf(side.word, m_key);
    const std::uint64_t hash = hashKey(key);
    if (find(key, hash) == 0)
        add(hash, {.word = side.word,
                   .state = ComparisonState::Added,
                   .newListings = side.listings,
                   .newHeat = side.heat});
}

void RunComparer::addOlder(const ComparedSide &side) {
    const std::string_view key = keyOf(side.word, m_key);
    const std::uint64_t hash = hashKey(key);
    const std::uint32_t found = find(key, hash);
    if (found == 0) {
        add(hash, {.word = side.word,
                   .state = ComparisonState::Gone,
                   .oldListings = side.listings,
                   .oldHeat = side.heat});
        return;
    }
    ComparedWord &word = m_result.words[found - 1];
    if (word.state != ComparisonState::Added)
        return; // a repeat of a word already matched or gone
    word.state = ComparisonState::Kept;
    word.oldListings = side.listings;
    word.oldHeat = side.heat;
}

void RunComparer::add(std::uint64_t hash, ComparedWord word) {
    m_result.words.push_back(std::move(word));
    m_hashes.push_back(hash);
    m_index.add(hash, [this](std::uint32_t word) { return m_hashes[word]; });
}

void RunComparer::rescaleHeat(Run run, const std::function<double(double)> &scale) {
    for (ComparedWord &word : m_result.words) {
        std::optional<double> &heat = run == Run::Newer ? word.newHeat : word.oldHeat;
        if (heat)
            heat = scale(*heat);
    }
}

RunComparison RunComparer::finish() {
    m_hashes = {};
    m_index.clear(4);
    RunComparison result = std::move(m_result);
    m_result = {};
    std::vector<ComparedWord> &words = result.words;
    permute(words, comparisonOrder(words));

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

RunComparison compareRuns(const std::vector<ComparedSide> &older, const std::vector<ComparedSide> &newer) {
    RunComparer comparer;
    for (const ComparedSide &side : newer)
        comparer.addNewer(side);
    for (const ComparedSide &side : older)
        comparer.addOlder(side);
    return comparer.finish();
}

} // namespace orbisel::core
