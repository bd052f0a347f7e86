#include "core/insight/Segmenter.h"

#include "core/base/Utf8.h"
#include "core/base/WordText.h"

#include <QChar>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orbisel::core {
namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t hashStep(std::uint64_t hash, char32_t c) {
    return (hash ^ static_cast<std::uint64_t>(c)) * kFnvPrime;
}

std::uint64_t hashOf(const char32_t *text, std::size_t length) {
    std::uint64_t hash = kFnvOffset;
    for (std::size_t i = 0; i < length; ++i)
        hash = hashStep(hash, text[i]);
    return hash;
}

bool isAsciiLetterOrDigit(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9');
}

// UTF-8 to code points with ASCII letters folded; a malformed sequence becomes U+FFFD.
void decodeFolded(std::string_view text, std::u32string &out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceAt(text, i);
        if (length == 0) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(foldAscii(utf8CodePoint(text, i, length)));
        i += length;
    }
}

void appendUtf8(std::string &out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string toUtf8(const char32_t *text, std::size_t length) {
    std::string out;
    out.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i)
        appendUtf8(out, text[i]);
    return out;
}

bool isWordCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c);
}

// Best path over the word graph of one run of word characters, from the right.
void segmentBlock(const SegmentDictionary &dictionary, const char32_t *text, std::size_t n,
                  std::vector<std::string> &words) {
    thread_local std::vector<double> score;
    thread_local std::vector<std::size_t> end;
    score.assign(n + 1, 0.0);
    end.assign(n + 1, n);
    const double logTotal = dictionary.logTotal();
    for (std::size_t start = n; start-- > 0;) {
        double best = -INFINITY;
        std::size_t bestEnd = start + 1;
        bool anyWord = false;
        std::uint64_t hash = SegmentDictionary::emptyHash();
        for (std::size_t stop = start + 1; stop <= n; ++stop) {
            hash = SegmentDictionary::extendHash(hash, text[stop - 1]);
            float logFrequency = 0;
            if (!dictionary.logFrequency(hash, text + start, stop - start, logFrequency))
                break;
            if (logFrequency < 0)
                continue; // a prefix only
            anyWord = true;
            const double candidate = logFrequency - logTotal + score[stop];
            if (candidate >= best) {
                best = candidate;
                bestEnd = stop;
            }
        }
        if (!anyWord) {
            best = -logTotal + score[start + 1];
            bestEnd = start + 1;
        }
        score[start] = best;
        end[start] = bestEnd;
    }
    std::size_t asciiRun = 0; // start of pending single ASCII letters and digits
    bool inAscii = false;
    auto flushAscii = [&](std::size_t upTo) {
        if (inAscii)
            words.push_back(toUtf8(text + asciiRun, upTo - asciiRun));
        inAscii = false;
    };
    for (std::size_t at = 0; at < n; at = end[at]) {
        if (end[at] - at == 1 && isAsciiLetterOrDigit(text[at])) {
            if (!inAscii) {
                asciiRun = at;
                inAscii = true;
            }
            continue;
        }
        flushAscii(at);
        words.push_back(toUtf8(text + at, end[at] - at));
    }
    flushAscii(n);
}

// Calls cut(start, length) for each run of word characters.
template <class Cut> void forEachBlock(const std::u32string &chars, Cut cut) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= chars.size(); ++i) {
        if (i < chars.size() && isWordCharacter(chars[i]))
            continue;
        if (i > start)
            cut(chars.data() + start, i - start);
        start = i + 1;
    }
}

} // namespace

SegmentDictionary::Loaded SegmentDictionary::load(const std::string &path) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {nullptr, "the word dictionary " + path + " cannot be read"};
    std::string text;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return {nullptr, "the word dictionary " + path + " cannot be read"};
    Loaded loaded = fromText(text);
    if (!loaded.dictionary)
        loaded.error = "the word dictionary " + path + " " + loaded.error;
    return loaded;
}

SegmentDictionary::Loaded SegmentDictionary::fromText(std::string_view text) {
    auto dictionary = std::make_shared<SegmentDictionary>();
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    std::size_t capacity = 16;
    while (capacity < lines * 4)
        capacity *= 2;
    dictionary->m_slots.resize(capacity);
    dictionary->m_chars.reserve(text.size() / 2);
    double total = 0;
    std::u32string word;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        std::string_view line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t space = line.find(' ');
        if (space == 0 || space == std::string_view::npos)
            continue;
        std::uint64_t frequency = 0;
        std::size_t digit = space + 1;
        while (digit < line.size() && line[digit] >= '0' && line[digit] <= '9')
            frequency = std::min<std::uint64_t>(frequency * 10 + static_cast<unsigned>(line[digit++] - '0'),
                                                UINT32_MAX);
        if (digit == space + 1 || frequency == 0)
            continue;
        decodeFolded(line.substr(0, space), word);
        dictionary->insert(word, static_cast<std::uint32_t>(frequency));
        total += static_cast<double>(frequency);
    }
    if (dictionary->m_words == 0)
        return {nullptr, "holds no words"};
    dictionary->m_logTotal = std::log(total);
    return {std::move(dictionary), {}};
}

SegmentDictionary::Slot *SegmentDictionary::find(std::uint64_t hash, const char32_t *text,
                                                 std::size_t length) {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot &slot = m_slots[i];
        if (slot.length == 0)
            return &slot;
        if (slot.hash == hash && slot.length == length &&
            std::char_traits<char32_t>::compare(m_chars.data() + slot.offset, text, length) == 0)
            return &slot;
    }
}

const SegmentDictionary::Slot *SegmentDictionary::find(std::uint64_t hash, const char32_t *text,
                                                       std::size_t length) const {
    return const_cast<SegmentDictionary *>(this)->find(hash, text, length);
}

void SegmentDictionary::grow() {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.length == 0)
            continue;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].length != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

void SegmentDictionary::insert(std::u32string_view word, std::uint32_t frequency) {
    if (word.empty())
        return;
    const auto offset = static_cast<std::uint32_t>(m_chars.size());
    bool stored = false;
    std::uint64_t hash = kFnvOffset;
    for (std::size_t length = 1; length <= word.size(); ++length) {
        hash = hashStep(hash, word[length - 1]);
        if ((m_used + 1) * 2 > m_slots.size())
            grow();
        const bool whole = length == word.size();
        Slot *slot = find(hash, word.data(), length);
        if (slot->length == 0) {
            if (!stored) {
                m_chars.append(word);
                stored = true;
            }
            *slot = Slot{hash, offset, static_cast<std::uint32_t>(length), 0};
            ++m_used;
        }
        if (whole) {
            if (slot->frequency == 0)
                ++m_words;
            slot->frequency = std::max(slot->frequency, frequency);
            slot->logFrequency = static_cast<float>(std::log(static_cast<double>(slot->frequency)));
        }
    }
}

std::uint64_t SegmentDictionary::emptyHash() {
    return kFnvOffset;
}

std::uint64_t SegmentDictionary::extendHash(std::uint64_t hash, char32_t next) {
    return hashStep(hash, next);
}

std::optional<std::uint32_t> SegmentDictionary::lookup(const char32_t *text, std::size_t length) const {
    return lookup(hashOf(text, length), text, length);
}

bool SegmentDictionary::logFrequency(std::uint64_t hash, const char32_t *text, std::size_t length,
                                     float &log) const {
    const Slot *slot = find(hash, text, length);
    log = slot->logFrequency;
    return slot->length != 0;
}

std::optional<std::uint32_t> SegmentDictionary::lookup(std::uint64_t hash, const char32_t *text,
                                                       std::size_t length) const {
    const Slot *slot = find(hash, text, length);
    if (slot->length == 0)
        return std::nullopt;
    return slot->frequency;
}

namespace {

// The words of every run of word characters in text, cut by cutBlock(block, length, words).
template <class CutBlock> std::vector<std::string> cutBlocks(std::string_view text, CutBlock cutBlock) {
    thread_local std::u32string chars;
    decodeFolded(text, chars);
    std::vector<std::string> words;
    forEachBlock(chars, [&](const char32_t *block, std::size_t n) { cutBlock(block, n, words); });
    return words;
}

} // namespace

std::vector<std::string> segmentWords(const SegmentDictionary &dictionary, std::string_view text) {
    return cutBlocks(text, [&](const char32_t *block, std::size_t n, std::vector<std::string> &words) {
        segmentBlock(dictionary, block, n, words);
    });
}

PinnedWords::PinnedWords(const std::vector<std::string> &words) {
    for (const std::string &word : words)
        add(word);
}

void PinnedWords::add(std::string_view word) {
    std::u32string chars;
    decodeFolded(word, chars);
    forEachBlock(chars, [&](const char32_t *block, std::size_t n) {
        m_words.emplace(block, n);
        m_longest = std::max(m_longest, n);
    });
}

std::size_t PinnedWords::longestAt(const char32_t *text, std::size_t available) const {
    thread_local std::u32string probe;
    for (std::size_t length = std::min(available, m_longest); length > 0; --length) {
        probe.assign(text, length);
        if (m_words.contains(probe))
            return length;
    }
    return 0;
}

std::vector<std::string> segmentWords(const SegmentDictionary &dictionary, const PinnedWords &pinned,
                                      std::string_view text) {
    if (pinned.empty())
        return segmentWords(dictionary, text);
    return cutBlocks(text, [&](const char32_t *block, std::size_t n, std::vector<std::string> &words) {
        std::size_t cutFrom = 0;
        for (std::size_t at = 0; at < n;) {
            const std::size_t length = pinned.longestAt(block + at, n - at);
            if (length == 0) {
                ++at;
                continue;
            }
            if (at > cutFrom)
                segmentBlock(dictionary, block + cutFrom, at - cutFrom, words);
            words.push_back(toUtf8(block + at, length));
            at += length;
            cutFrom = at;
        }
        if (n > cutFrom)
            segmentBlock(dictionary, block + cutFrom, n - cutFrom, words);
    });
}

} // namespace orbisel::core
