#pragma once

#include "core/base/WordValue.h"
#include "core/insight/Segmenter.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Root words of a run: per root word how many result words contain it and their summed
// listing counts.
namespace orbisel::core {

// The root words that are part of the seeds (which a chart of a run's root words can leave out):
// each seed whole, as the run's root words keep it, and the words it is cut into with the
// pinned words (the user's dictionary) alone, as they stand in result words without the whole seed.
class SeedRootWords {
public:
    SeedRootWords(const SegmentDictionary &dictionary, const PinnedWords &pinned,
                  const std::vector<std::string> &seeds);
    bool contains(std::string_view rootWord) const;

private:
    std::unordered_set<std::string> m_roots;
};

struct RootWordEntry {
    std::string word;
    long long resultWords = 0;  // result words containing it
    long long listings = 0;     // their summed listing counts
    std::optional<double> heat; // their summed 热度, unrounded; none when none of them has one
    bool inSeeds = false;       // part of the run's seeds (SeedRootWords)
};

// Root words of a growing list of result words. Rows are numbered in the order added; each
// keeps its listing count and popularity sum (热度 before scaling).
class RootWordIndex {
public:
    explicit RootWordIndex(std::shared_ptr<const SegmentDictionary> dictionary, PinnedWords pinned = {});

    void addRow(std::string_view word, std::optional<long long> listings,
                std::optional<double> popularity = std::nullopt);
    // The same with the word already cut by cut() (which needs no lock on the index).
    void addSegmentedRow(std::vector<std::string> rootWords, std::optional<long long> listings,
                         std::optional<double> popularity = std::nullopt);
    // The root words of a word as addRow cuts it; reads nothing that adding rows changes.
    std::vector<std::string> cut(std::string_view word) const;
    // A row's figures grew as later answers came.
    void updateRow(std::size_t row, std::optional<long long> listings, std::optional<double> popularity);

    std::size_t rowCount() const { return m_rowListings.size(); }
    // Root words in the order first seen; 热度 of each row on the scale (rows add up in row order).
    std::vector<RootWordEntry> entries(const ValueScale &scale) const;
    // Root word id of text, or -1.
    int rootId(std::string_view root) const;
    bool rowContains(std::size_t row, int rootId) const;

private:
    struct Root {
        std::string word;
        long long resultWords = 0;
        long long listings = 0;
    };
    std::shared_ptr<const SegmentDictionary> m_dictionary;
    PinnedWords m_pinned;
    std::vector<Root> m_roots;
    std::unordered_map<std::string, int> m_rootIds;
    std::vector<std::uint32_t> m_rowRootStart; // rowCount + 1 offsets into m_rowRoots
    std::vector<int> m_rowRoots;               // per row, its distinct root ids, ascending
    std::vector<long long> m_rowListings;
    std::vector<std::optional<double>> m_rowPopularity;
};

} // namespace orbisel::core
