#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Shared vocabulary of the deep run: its options, its result rows and how it
// ends. Texts here are UTF-8 (the marketplace's own encoding), not GBK.
namespace orbisel::core {

// The kinds of words a query yields, in source order.
enum class DeepSource : std::uint8_t { Pc, Arrow, Mobile, LongTail, Related };
inline constexpr int kDeepSourceCount = 5;
// A set of sources, bit (1 << source).
using DeepSourceSet = std::uint8_t;
inline constexpr DeepSourceSet sourceBit(DeepSource s) {
    return static_cast<DeepSourceSet>(1u << static_cast<unsigned>(s));
}
inline constexpr DeepSourceSet kDefaultSources =
    sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Arrow) | sourceBit(DeepSource::Mobile);

// The ways a seed is widened before depth 1.
enum class Expansion : std::uint8_t { Letters, Digits, Modifiers, Questions };
inline constexpr int kExpansionCount = 4;
using ExpansionSet = std::uint8_t;
inline constexpr ExpansionSet expansionBit(Expansion e) {
    return static_cast<ExpansionSet>(1u << static_cast<unsigned>(e));
}

// How request starts to one host are spaced: adaptive finds the host's pace
// while the run goes (see HostPace.h), fixed keeps intervalMs throughout.
enum class Pacing : std::uint8_t { Adaptive, Fixed };

// Everything a run is started with; stored with the run so resume needs nothing else.
struct DeepRunOptions {
    std::vector<std::string> seeds; // distinct, in input order
    ExpansionSet expansions = 0;
    std::vector<std::string> modifiers; // words of the modifiers expansion; empty: the built-in list
    DeepSourceSet sources = kDefaultSources;
    int depth = 1;                    // 1..5
    int concurrency = 4;              // 1..16
    Pacing pace = Pacing::Adaptive;   // of request starts to one host
    int intervalMs = 200;             // spacing between request starts to one host (adaptive: the first)
    int minIntervalMs = 20;           // adaptive: the least spacing
    int backoffMs = 30000;            // first pause after refusals in a row, doubling
    int maxQueries = 5000;            // queries asked at most
    int cacheHours = 24;              // stored answers younger than this are reused; 0: off
    std::vector<std::string> include; // a kept word contains one of these (when any)
    std::vector<std::string> exclude; // and none of these
    int minChars = 0;                 // 0: no bound (characters, not bytes)
    int maxChars = 0;
    std::string name;
};

// One distinct word of a run.
struct ResultRow {
    std::string word;
    std::string seed;                  // the seed it descends from
    DeepSourceSet sources = 0;         // kinds that returned it
    std::optional<long long> listings; // largest listing count seen
    int depth = 1;
    std::string parent;        // the query that first returned it
    long long occurrences = 0; // answers that returned it
    // Popularity sum (热度 before scaling, see WordValue.h); none for rows
    // stored before it was kept.
    std::optional<double> popularity;
};

// How 出现次数 counts a word: once per answer (HTTP response) that returned
// it; runs stored by earlier versions count once per query and source.
enum class OccurrenceRule : std::uint8_t { PerQueryAndSource, PerAnswer };

// How a run ended (or stands, in the store).
enum class RunState : std::uint8_t { Running, Done, Stopped, Blocked, Failed };

// How a run of the engine ended.
enum class RunOutcome { Done, MaxQueriesReached, Stopped, Blocked, NetworkDown, StoreFailed, Locked };

// The endpoint an answer came from; the long-tail answers are mobile answers
// of the mobile words.
enum class AnswerKind : std::uint8_t { Pc, Mobile, Search };

// Rows the results gained since the last call: `added` follow the rows
// already reported, in result order; `changed` carry their row index.
struct ResultDelta {
    std::vector<ResultRow> added;
    std::vector<std::pair<std::size_t, ResultRow>> changed;
};

// The pace of request starts to one host over the last seconds.
struct HostRate {
    std::string host;
    double requestsPerSecond = 0;
};

struct RunProgress {
    long long queriesDone = 0;
    long long queriesPlanned = 0;
    long long words = 0;
    double requestsPerSecond = 0;    // since the run (or its resume) started
    std::vector<HostRate> hostRates; // the hosts asked so far, by name
    std::optional<double> etaSeconds;
    bool pausedBlocked = false; // waiting out a block before asking again
};

} // namespace orbisel::core
