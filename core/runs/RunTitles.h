#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/Result.h"
#include "core/base/WordValue.h"
#include "core/files/TableWriter.h"
#include "core/inputs/WordLists.h"
#include "core/insight/SeedWordHeat.h"
#include "core/insight/TitleIndex.h"
#include "core/runs/StoredRun.h"

#include <memory>
#include <string>
#include <vector>

// Titles of a stored run: the composer's input (a seed's words with their 热度, the user's word
// lists, the run's seeds pinned).
namespace orbisel::core {

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

// The words of `seed` in the run with the user's dictionary.txt and banned.txt.
Result<TitleInput, TitleInputError> loadTitleInput(const StoredRun &run, const std::string &seed);
Result<TitleInput, TitleInputError> loadTitleInput(RunStore &store, long long runId, const std::string &seed);

std::shared_ptr<const TitleIndex> titleIndexOf(std::shared_ptr<const SegmentDictionary> dictionary,
                                               const TitleInput &input);

// Writes the titles to a .csv, .xlsx or .jsonl file: 标题, 字节, 字数, 价值 (one decimal), 覆盖词数;
// with the explanation one more column "词根：WORD" per explained root word, most valuable first,
// holding 1 when the title holds the word and 0 when not.
Result<void, WriteError> writeTitles(const std::string &path, const TitleSet &titles, bool explain);

} // namespace orbisel::core
