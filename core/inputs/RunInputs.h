#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/Result.h"
#include "core/inputs/Seeds.h"

#include <string>
#include <string_view>
#include <vector>

namespace orbisel::core {

inline constexpr int kMinDepth = 1;
inline constexpr int kMaxDepth = 5;
inline constexpr int kMinConcurrency = 1;
inline constexpr int kMaxConcurrency = 16;
inline constexpr int kMaxCharsBound = 1000; // of minChars and maxChars; 0 is no bound

// What the user gave for a new run, as the window's form or the command line
// holds it. `options` carries the numbers, sets and name; its seeds, include,
// exclude and modifiers are filled from the fields below.
struct RunInputs {
    DeepRunOptions options;
    std::string seedsFile;             // a seeds file, when given
    std::vector<std::string> seedList; // else seeds one by one, when given
    std::string seedText;              // else seed text, one seed a line
    std::string include;               // lists separated by "," "，" or "、"
    std::string exclude;
    std::string modifiersFile; // read when the modifiers expansion is on; empty: userModifiersPath()
};

enum class RunInputErrorKind {
    Seeds,     // the seeds were refused: `seeds` says why
    Modifiers, // the modifier list was refused: `seeds` says why
    NoSources,
    UnknownSource,    // detail: the name
    UnknownExpansion, // detail: the name
    DepthOutOfRange,  // detail: the value
    ConcurrencyOutOfRange,
    CharsOutOfRange,
    MinAboveMax,
};
struct RunInputError {
    RunInputErrorKind kind;
    SeedsError seeds{SeedsErrorKind::NoSeeds, {}};
    std::string detail;
};

// The options of a new run: bounds checked (depth, concurrency, characters with
// min <= max, at least one source), seeds read by the seeds rules, lists split,
// and the user's modifiers.txt when it exists and the modifiers expansion is on
// (a file without words leaves the built-in list).
Result<DeepRunOptions, RunInputError> buildRunOptions(const RunInputs &inputs);

// The names of the command line and of stored runs: letters, digits, modifiers, questions.
std::string_view expansionName(Expansion expansion);
// Name lists (separated as include lists are) into sets; an unknown name is an error,
// and so is a source list naming none.
Result<DeepSourceSet, RunInputError> parseSourceNames(std::string_view list);
Result<ExpansionSet, RunInputError> parseExpansionNames(std::string_view list);

} // namespace orbisel::core
