#include "core/tables/RootWordTable.h"

#include <algorithm>

namespace orbisel::core {
namespace {

// -1, 0 or 1 as a is below, equal to or above b; none above every figure.
template <class T> int compareFigures(const std::optional<T> &a, const std::optional<T> &b) {
    if (a.has_value() != b.has_value())
        return a ? -1 : 1;
    if (!a || *a == *b)
        return 0;
    return *a < *b ? -1 : 1;
}

int compareBy(RootWordColumn column, const RootWordEntry &a, const RootWordEntry &b) {
    switch (column) {
    case RootWordColumn::Word:
        return a.word.compare(b.word);
    case RootWordColumn::ResultWords:
        return compareFigures<long long>(a.resultWords, b.resultWords);
    case RootWordColumn::Listings:
        return compareFigures<long long>(a.listings, b.listings);
    case RootWordColumn::Heat:
        return compareFigures(a.heat, b.heat);
    case RootWordColumn::InSeeds:
        break;
    }
    return compareFigures<bool>(a.inSeeds, b.inSeeds);
}

} // namespace

void sortRootWords(std::vector<RootWordEntry> &entries, RootWordColumn column, bool descending) {
    std::stable_sort(entries.begin(), entries.end(), [&](const RootWordEntry &a, const RootWordEntry &b) {
        const int order = compareBy(column, a, b);
        if (order == 0)
            return a.word < b.word;
        const bool noneInvolved = column == RootWordColumn::Heat && (!a.heat || !b.heat);
        return noneInvolved || !descending ? order < 0 : order > 0;
    });
}

PinnedWords runPinnedWords(const std::vector<std::string> &userWords, const std::vector<std::string> &seeds) {
    PinnedWords pinned(userWords);
    for (const std::string &seed : seeds)
        pinned.add(seed);
    return pinned;
}

RootWordTable::RootWordTable(const RootWordSetup &setup)
    : m_seedRoots(*setup.dictionary, PinnedWords(setup.userWords), setup.seeds),
      m_index(setup.dictionary, runPinnedWords(setup.userWords, setup.seeds)) {}

std::vector<std::string> RootWordTable::cut(std::string_view word) const {
    return m_index.cut(word);
}

void RootWordTable::addRow(std::vector<std::string> rootWords, const ResultRow &row) {
    m_index.addSegmentedRow(std::move(rootWords), row.listings, row.popularity);
    if (row.popularity)
        m_scale.add(*row.popularity, row.listings);
}

void RootWordTable::updateRow(std::size_t at, const ResultRow &row) {
    m_index.updateRow(at, row.listings, row.popularity);
    if (row.popularity)
        m_scale.add(*row.popularity, row.listings);
}

std::vector<RootWordEntry> RootWordTable::entries() const {
    std::vector<RootWordEntry> entries = m_index.entries(m_scale);
    for (RootWordEntry &entry : entries)
        entry.inSeeds = m_seedRoots.contains(entry.word);
    sortRootWords(entries, RootWordColumn::ResultWords, true);
    return entries;
}

} // namespace orbisel::core
