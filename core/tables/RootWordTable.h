#pragma once

#include "core/base/WordValue.h"
#include "core/files/TableWriter.h"
#include "core/insight/RootWordIndex.h"

#include <iterator>
#include <memory>
#include <string>
#include <vector>

// The 词根 table of a run, as the deep-mining window shows it and orbisel-mine roots writes it.
namespace orbisel::core {

// Its columns, in order.
enum class RootWordColumn { Word, ResultWords, Listings, Heat, InSeeds };
inline constexpr TableColumn kRootWordColumns[] = {{"词根"},
                                                   {"词数", ColumnKind::Number},
                                                   {"商品数合计", ColumnKind::Number},
                                                   {"热度合计", ColumnKind::Number},
                                                   {"种子词"}};
inline constexpr int kRootWordColumnCount = static_cast<int>(std::size(kRootWordColumns));
inline constexpr std::string_view kInSeedsMark = "是"; // 种子词 of a root word that is part of a seed

// Orders the table by a column; equal figures by word, none last either way. The table's own
// order is by 词数, descending.
void sortRootWords(std::vector<RootWordEntry> &entries, RootWordColumn column, bool descending);

// Words never cut in a run's root words: the user's dictionary and the run's seeds.
PinnedWords runPinnedWords(const std::vector<std::string> &userWords, const std::vector<std::string> &seeds);

// What the table of a run is built from, besides its rows.
struct RootWordSetup {
    std::shared_ptr<const SegmentDictionary> dictionary;
    std::vector<std::string> userWords; // dictionary.txt of the user data folder
    std::vector<std::string> seeds;     // the run's
};

// A run's growing result rows and the table they make.
class RootWordTable {
public:
    explicit RootWordTable(const RootWordSetup &setup);

    // Cuts a row's word as the table does, without touching the table (no lock needed).
    std::vector<std::string> cut(std::string_view word) const;
    void addRow(std::vector<std::string> rootWords, const ResultRow &row);
    void updateRow(std::size_t at, const ResultRow &row);

    // The table in its own order: 热度合计 on the scale of the rows so far, root words of the
    // seeds marked.
    std::vector<RootWordEntry> entries() const;
    const RootWordIndex &index() const { return m_index; }

private:
    SeedRootWords m_seedRoots;
    RootWordIndex m_index;
    ValueScale m_scale;
};

} // namespace orbisel::core
