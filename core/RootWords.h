#pragma once

#include "core/WordValue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Root words: result words cut into dictionary words, and per root word how many
// result words contain it and their summed listing counts.
namespace orbisel::core {

// A word-frequency dictionary (lines "word frequency [tag]", UTF-8), immutable once loaded.
// ASCII letters are folded to lower case, as the marketplace's suggestions are.
class SegmentDictionary {
public:
    // The dictionary, or why there is none.
    struct Loaded {
        std::shared_ptr<const SegmentDictionary> dictionary;
        std::string error;
    };
    static Loaded load(const std::string &path);
    static Loaded fromText(std::string_view text);

    std::size_t wordCount() const { return m_words; }
    // Frequency of text[0, length) as a whole word; 0 when it is only a prefix; nullopt when
    // no dictionary word starts with it.
    std::optional<std::uint32_t> lookup(const char32_t *text, std::size_t length) const;
    // The same with the text's hash already known (hashes grow a character at a time).
    static std::uint64_t emptyHash();
    static std::uint64_t extendHash(std::uint64_t hash, char32_t next);
    std::optional<std::uint32_t> lookup(std::uint64_t hash, const char32_t *text, std::size_t length) const;
    // log(frequency) of a whole word, negative for a prefix only; false when no word starts with the text.
    bool logFrequency(std::uint64_t hash, const char32_t *text, std::size_t length, float &log) const;
    double logTotal() const { return m_logTotal; }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t offset = 0; // into m_chars
        std::uint32_t length = 0; // 0: empty slot
        std::uint32_t frequency = 0;
        float logFrequency = -1; // log(frequency) of a word (frequencies start at 1); -1: a prefix only
    };
    void insert(std::u32string_view word, std::uint32_t frequency);
    Slot *find(std::uint64_t hash, const char32_t *text, std::size_t length);
    const Slot *find(std::uint64_t hash, const char32_t *text, std::size_t length) const;
    void grow();

    std::u32string m_chars;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
    std::size_t m_words = 0;
    double m_logTotal = 0;
};

// Maximum-probability segmentation over the dictionary's word graph. Whitespace and
// characters that are neither letters nor digits separate and yield no word; a character
// the dictionary does not know stands alone, except that neighbouring single ASCII letters
// and digits join (so "iphone15" stays one word).
std::vector<std::string> segmentWords(const SegmentDictionary &dictionary, std::string_view text);

// Words never cut: brands, model numbers, the run's seeds. Folded like the dictionary; a word
// with separators pins each run of word characters in it.
class PinnedWords {
public:
    PinnedWords() = default;
    explicit PinnedWords(const std::vector<std::string> &words);
    void add(std::string_view word);
    bool empty() const { return m_words.empty(); }
    // Length of the longest pinned word that starts text[0, available), or 0.
    std::size_t longestAt(const char32_t *text, std::size_t available) const;

private:
    std::unordered_set<std::u32string> m_words;
    std::size_t m_longest = 0;
};

// The same cut, except that a pinned word stands whole wherever it occurs (leftmost, longest
// first) and the text between pinned words is cut as before.
std::vector<std::string> segmentWords(const SegmentDictionary &dictionary, const PinnedWords &pinned,
                                      std::string_view text);

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
