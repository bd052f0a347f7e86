#pragma once

#include "core/DeepRunTypes.h"
#include "core/Result.h"
#include "core/RunStore.h"
#include "core/TableWriter.h"
#include "core/TitleComposer.h"
#include "core/WordLists.h"
#include "core/WordValue.h"

#include <memory>
#include <string>
#include <vector>

// Titles of a stored run: the composer's input (a seed's words with their 热度, the user's word
// lists, the run's seeds pinned).
namespace orbisel::core {

// The 热度 of one seed's words, from every row of the run in result order. A row's popularity
// sum is scaled as the results show it (RunValues.h). A row stored without a sum is estimated
// at kRefinementEarning for each answer that held it (出现次数), on the run's scale, at most
// 100; in a run without any sum the estimates make the scale.
class SeedWordHeat {
public:
    explicit SeedWordHeat(std::string seed) : m_seed(std::move(seed)) {}

    void add(const ResultRow &row);
    std::vector<RunWord> words() const;

private:
    struct Kept {
        std::string word;
        std::optional<double> popularity;
        double estimate = 0;
    };
    std::string m_seed;
    std::vector<Kept> m_kept;
    ValueScale m_sums;
    ValueScale m_estimates;
    bool m_anySum = false;
};

enum class TitleInputErrorKind {
    Store,          // store: why
    UnknownSeed,    // seed: the one asked for; seeds: the run's
    UserDictionary, // list: why dictionary.txt was refused
    BannedWords,    // list: why banned.txt was refused
};
struct TitleInputError {
    TitleInputErrorKind kind;
    StoreError store{};
    WordListError list{};
    std::string seed;
    std::vector<std::string> seeds;
};

struct TitleInput {
    std::vector<std::string> seeds;      // the run's, pinned
    std::vector<RunWord> words;          // of the chosen seed, in result order
    std::vector<std::string> dictionary; // the user's words never cut
    std::vector<std::string> banned;     // the built-in banned words and the user's
};

// The words of `seed` in run `runId` with the user's dictionary.txt and banned.txt.
Result<TitleInput, TitleInputError> loadTitleInput(RunStore &store, long long runId, const std::string &seed);

std::shared_ptr<const TitleIndex> titleIndexOf(std::shared_ptr<const SegmentDictionary> dictionary,
                                               const TitleInput &input);

// Writes the titles to a .csv, .xlsx or .jsonl file: 标题, 字节, 字数, 价值 (one decimal), 覆盖词数;
// with the explanation one more column "词根：WORD" per explained root word, most valuable first,
// holding 1 when the title holds the word and 0 when not.
Result<void, WriteError> writeTitles(const std::string &path, const TitleSet &titles, bool explain);

} // namespace orbisel::core
