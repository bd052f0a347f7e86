#pragma once

#include "core/Result.h"
#include "core/RootWords.h"
#include "core/RunStore.h"
#include "core/WordValue.h"

#include <memory>
#include <string>
#include <vector>

// The 词根 table of a run, as the deep-mining window shows it and orbisel-mine roots writes it.
namespace orbisel::core {

// Its columns, in order: 词根, 词数, 商品数合计, 热度合计, 种子词.
enum class RootWordColumn { Word, ResultWords, Listings, Heat, InSeeds };
inline constexpr int kRootWordColumnCount = 5;
const char *rootWordColumnName(RootWordColumn column);

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
    std::shared_ptr<const SegmentDictionary> m_dictionary;
    PinnedWords m_pinned;
    SeedRootWords m_seedRoots;
    RootWordIndex m_index;
    ValueScale m_scale;
};

// The table of a stored run, its rows read in result order.
Result<std::vector<RootWordEntry>, StoreError> storedRootWordTable(RunStore &store, long long runId,
                                                                   RootWordSetup setup);

} // namespace orbisel::core
