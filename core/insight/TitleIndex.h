#pragma once

#include "core/base/Result.h"
#include "core/insight/Segmenter.h"
#include "core/insight/TitleText.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Listing titles from a run's words: the most valuable root words within the marketplace's
// byte limit, and the figures of a title the seller edits.
namespace orbisel::core {

// 热度 in tenths of a point (0–1000): the one-decimal figure the tables show, times ten, so
// that sums stay exact. Values and figures below are in the same unit.
inline constexpr int kHeatTenths = 10;

struct RunWord {
    std::string word;
    int heat = 0; // 热度 × kHeatTenths
    std::string seed;
};

struct TitleRequest {
    std::string seed;
    std::optional<std::vector<std::string>> mustWords; // each kept contiguous; default: the seed
    std::vector<std::string> avoidWords;               // e.g. other sellers' brands
    std::size_t byteLimit = 60;
    std::size_t titleCount = 5;
};

struct Title {
    std::string text;
    std::size_t bytes = 0;
    std::size_t characters = 0;
    long long value = 0; // summed 热度 of the covered words
    std::size_t coveredWords = 0;
};

struct RootWordUse {
    std::string rootWord;
    long long value = 0;       // summed 热度 of the seed's words holding it
    std::vector<bool> inTitle; // per title
};

struct TitleSet {
    std::vector<Title> titles;
    std::vector<RootWordUse> explanation; // the 20 most valuable root words
};

enum class TitleErrorKind { UnknownSeed, MustWordTooLong, MustWordForbidden };
struct TitleError {
    TitleErrorKind kind;
    std::string word; // the seed or must word (MustWordTooLong: all must words when only together too long)
    std::string forbidden; // MustWordForbidden: the banned or avoided word it holds
    bool avoided = false;  // MustWordForbidden: forbidden is an avoided word, not a banned one
};

enum class TitleProblemKind { OverLimit, HoldsForbiddenWord };
struct TitleProblem {
    TitleProblemKind kind;
    std::string word;     // HoldsForbiddenWord: the word
    bool avoided = false; // HoldsForbiddenWord: an avoided word, not a banned one
};

struct TitleFigures {
    std::size_t bytes = 0;
    std::size_t characters = 0;
    long long value = 0;
    std::size_t coveredWords = 0;
    std::vector<TitleProblem> problems;
};

// A run's words cut into root words once, indexed per seed. A run word of a seed is covered
// by a title when each of its root words occurs in the title and it holds no forbidden word.
class TitleIndex {
public:
    // pinned: words never cut (the user dictionary); the seeds of the words and `seeds` are
    // added to them. banned: the built-in and the user's banned words. A seed in `seeds`
    // without words still takes titles (of its must words).
    TitleIndex(std::shared_ptr<const SegmentDictionary> dictionary, PinnedWords pinned,
               const std::vector<std::string> &banned, const std::vector<RunWord> &words,
               const std::vector<std::string> &seeds = {});

    Result<TitleSet, TitleError> compose(const TitleRequest &request) const;
    // Figures of a title text under the request's seed, avoided words and limit.
    Result<TitleFigures, TitleError> figures(const TitleRequest &request, std::string_view title) const;

    // For tests and tools: the root words of a word as the index cuts it.
    std::vector<std::string> rootWordsOf(std::string_view word) const;

private:
    struct Word {
        std::string folded;
        int heat = 0;
        std::vector<int> ordered; // root ids in reading order
        std::vector<int> roots;   // distinct root ids, ascending
        bool banned = false;
    };
    struct Root {
        std::string text;
        std::size_t cost =
            0; // bytes, and one for a space before it when it starts with an ASCII letter or digit
        bool banned = false;
    };
    struct Seed {
        std::vector<std::uint32_t> words;                           // into m_words
        std::unordered_map<int, std::vector<std::uint32_t>> byRoot; // root id -> positions in words
    };
    struct Coverage {
        long long value = 0;
        std::size_t words = 0;
    };
    class Composition;

    int rootId(const std::string &text);
    // Ids of the root words occurring in the folded text, ascending.
    std::vector<int> rootsIn(std::string_view folded) const;
    const Seed *seedOf(const std::string &seed) const;
    Coverage coverage(const Seed &seed, const std::vector<int> &present, const ForbiddenWords &avoid) const;
    std::string_view forbiddenIn(std::string_view folded, const ForbiddenWords &avoid) const;
    // Why the must text cannot lead a title because it holds a banned or avoided word.
    std::optional<TitleError> forbiddenMust(const std::string &text, const ForbiddenWords &avoid) const;
    // The must words joined, or why they cannot lead a title.
    Result<std::string, TitleError> mustText(const TitleRequest &request, const ForbiddenWords &avoid) const;
    // The must words followed by the root words in order, each once, skipping a junction that
    // would form a forbidden word.
    std::string arrange(std::string text, const std::vector<int> &order, const ForbiddenWords &avoid) const;
    std::vector<RootWordUse> explain(const Seed &seed, const ForbiddenWords &avoid) const;

    std::shared_ptr<const SegmentDictionary> m_dictionary;
    PinnedWords m_pinned;
    ForbiddenWords m_banned;
    std::vector<Word> m_words;
    std::vector<Root> m_roots;
    std::unordered_map<std::string, int> m_rootIds;
    std::size_t m_longestRoot = 0; // characters
    std::unordered_map<std::string, Seed> m_seeds;
};

} // namespace orbisel::core
