#include "core/insight/RootWordIndex.h"

#include <algorithm>

namespace orbisel::core {

SeedRootWords::SeedRootWords(const SegmentDictionary &dictionary, const PinnedWords &pinned,
                             const std::vector<std::string> &seeds) {
    for (const std::string &seed : seeds) {
        for (std::string &root : segmentWords(dictionary, pinned, seed))
            m_roots.insert(std::move(root));
        for (std::string &whole : segmentWords(dictionary, PinnedWords({seed}), seed))
            m_roots.insert(std::move(whole));
    }
}

bool SeedRootWords::contains(std::string_view rootWord) const {
    return m_roots.contains(std::string(rootWord));
}

RootWordIndex::RootWordIndex(std::shared_ptr<const SegmentDictionary> dictionary, PinnedWords pinned)
    : m_dictionary(std::move(dictionary)), m_pinned(std::move(pinned)), m_rowRootStart{0} {}

void RootWordIndex::addRow(std::string_view word, std::optional<long long> listings,
                           std::optional<double> popularity) {
    addSegmentedRow(cut(word), listings, popularity);
}

std::vector<std::string> RootWordIndex::cut(std::string_view word) const {
    return segmentWords(*m_dictionary, m_pinned, word);
}

void RootWordIndex::addSegmentedRow(std::vector<std::string> rootWords, std::optional<long long> listings,
                                    std::optional<double> popularity) {
    std::vector<int> ids;
    for (std::string &root : rootWords) {
        auto [it, added] = m_rootIds.try_emplace(std::move(root), static_cast<int>(m_roots.size()));
        if (added)
            m_roots.push_back(Root{it->first});
        ids.push_back(it->second);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    const long long count = listings.value_or(0);
    for (int id : ids) {
        ++m_roots[id].resultWords;
        m_roots[id].listings += count;
    }
    m_rowRoots.insert(m_rowRoots.end(), ids.begin(), ids.end());
    m_rowRootStart.push_back(static_cast<std::uint32_t>(m_rowRoots.size()));
    m_rowListings.push_back(count);
    m_rowPopularity.push_back(popularity);
}

void RootWordIndex::updateRow(std::size_t row, std::optional<long long> listings,
                              std::optional<double> popularity) {
    if (row >= m_rowListings.size())
        return;
    const long long count = listings.value_or(0);
    const long long delta = count - m_rowListings[row];
    m_rowListings[row] = count;
    m_rowPopularity[row] = popularity;
    for (std::uint32_t i = m_rowRootStart[row]; i < m_rowRootStart[row + 1]; ++i)
        m_roots[m_rowRoots[i]].listings += delta;
}

std::vector<RootWordEntry> RootWordIndex::entries(const ValueScale &scale) const {
    std::vector<RootWordEntry> out;
    out.reserve(m_roots.size());
    for (const Root &root : m_roots)
        out.push_back({root.word, root.resultWords, root.listings});
    for (std::size_t row = 0; row < m_rowPopularity.size(); ++row) {
        if (!m_rowPopularity[row])
            continue;
        const double heat = scale.heat(*m_rowPopularity[row]);
        for (std::uint32_t i = m_rowRootStart[row]; i < m_rowRootStart[row + 1]; ++i) {
            std::optional<double> &sum = out[static_cast<std::size_t>(m_rowRoots[i])].heat;
            sum = sum.value_or(0) + heat;
        }
    }
    return out;
}

int RootWordIndex::rootId(std::string_view root) const {
    const auto it = m_rootIds.find(std::string(root));
    return it == m_rootIds.end() ? -1 : it->second;
}

bool RootWordIndex::rowContains(std::size_t row, int rootId) const {
    if (row >= m_rowListings.size() || rootId < 0)
        return false;
    const auto begin = m_rowRoots.begin() + m_rowRootStart[row];
    const auto end = m_rowRoots.begin() + m_rowRootStart[row + 1];
    return std::binary_search(begin, end, rootId);
}

} // namespace orbisel::core
