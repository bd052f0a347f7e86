#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Cutting result words into dictionary words (root words).
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

} // namespace orbisel::core
