#include "core/insight/TitleIndex.h"

#include "core/base/Utf8.h"

#include <algorithm>
#include <unordered_set>

namespace orbisel::core {
namespace {

constexpr std::size_t kExplainedRoots = 20;

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool needsSpace(std::string_view left, std::string_view right) {
    return !left.empty() && !right.empty() && isAsciiLetterOrDigit(left.back()) &&
           isAsciiLetterOrDigit(right.front());
}

void appendPiece(std::string &text, std::string_view piece) {
    if (needsSpace(text, piece))
        text.push_back(' ');
    text.append(piece);
}

} // namespace

TitleIndex::TitleIndex(std::shared_ptr<const SegmentDictionary> dictionary, PinnedWords pinned,
                       const std::vector<std::string> &banned, const std::vector<RunWord> &words,
                       const std::vector<std::string> &seeds)
    : m_dictionary(std::move(dictionary)), m_pinned(std::move(pinned)), m_banned(banned) {
    for (const std::string &seed : seeds)
        if (m_seeds.try_emplace(seed).second)
            m_pinned.add(seed);
    for (const RunWord &word : words)
        if (m_seeds.try_emplace(word.seed).second)
            m_pinned.add(word.seed);
    m_words.reserve(words.size());
    for (const RunWord &runWord : words) {
        Word word{foldedAscii(runWord.word), runWord.heat, {}, {}, false};
        word.banned = !m_banned.foundIn(word.folded).empty();
        for (const std::string &root : rootWordsOf(runWord.word))
            word.ordered.push_back(rootId(root));
        word.roots = word.ordered;
        std::sort(word.roots.begin(), word.roots.end());
        word.roots.erase(std::unique(word.roots.begin(), word.roots.end()), word.roots.end());
        Seed &seed = m_seeds[runWord.seed];
        const auto position = static_cast<std::uint32_t>(seed.words.size());
        seed.words.push_back(static_cast<std::uint32_t>(m_words.size()));
        for (int id : word.roots)
            seed.byRoot[id].push_back(position);
        m_words.push_back(std::move(word));
    }
}

std::vector<std::string> TitleIndex::rootWordsOf(std::string_view word) const {
    return segmentWords(*m_dictionary, m_pinned, word);
}

int TitleIndex::rootId(const std::string &text) {
    const auto [it, added] = m_rootIds.try_emplace(text, static_cast<int>(m_roots.size()));
    if (added) {
        const std::size_t space = isAsciiLetterOrDigit(text.front()) ? 1 : 0;
        m_roots.push_back(Root{text, titleBytes(text) + space});
        m_longestRoot = std::max(m_longestRoot, titleCharacters(text));
    }
    return it->second;
}

std::vector<int> TitleIndex::rootsIn(std::string_view folded) const {
    std::vector<std::size_t> starts;
    forEachUtf8Character(folded, [&](std::string_view c) {
        starts.push_back(static_cast<std::size_t>(c.data() - folded.data()));
    });
    starts.push_back(folded.size());
    std::vector<int> ids;
    std::string key;
    for (std::size_t from = 0; from + 1 < starts.size(); ++from)
        for (std::size_t to = from + 1; to < starts.size() && to - from <= m_longestRoot; ++to) {
            key.assign(folded.substr(starts[from], starts[to] - starts[from]));
            const auto it = m_rootIds.find(key);
            if (it != m_rootIds.end())
                ids.push_back(it->second);
        }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

const TitleIndex::Seed *TitleIndex::seedOf(const std::string &seed) const {
    const auto it = m_seeds.find(seed);
    return it == m_seeds.end() ? nullptr : &it->second;
}

TitleIndex::Coverage TitleIndex::coverage(const Seed &seed, const std::vector<int> &present,
                                          const ForbiddenWords &avoid) const {
    Coverage covered;
    std::vector<std::uint16_t> hits(seed.words.size(), 0);
    for (int id : present) {
        const auto it = seed.byRoot.find(id);
        if (it == seed.byRoot.end())
            continue;
        for (std::uint32_t position : it->second) {
            const Word &word = m_words[seed.words[position]];
            if (++hits[position] == word.roots.size() && !word.banned && avoid.foundIn(word.folded).empty()) {
                covered.value += word.heat;
                ++covered.words;
            }
        }
    }
    return covered;
}

Result<TitleFigures, TitleError> TitleIndex::figures(const TitleRequest &request,
                                                     std::string_view title) const {
    const Seed *seed = seedOf(request.seed);
    if (!seed)
        return Failure{TitleError{TitleErrorKind::UnknownSeed, request.seed, {}}};
    const ForbiddenWords avoid(request.avoidWords);
    const std::string folded = foldedAscii(title);
    TitleFigures figures;
    figures.bytes = titleBytes(title);
    figures.characters = titleCharacters(title);
    const Coverage covered = coverage(*seed, rootsIn(folded), avoid);
    figures.value = covered.value;
    figures.coveredWords = covered.words;
    if (figures.bytes > request.byteLimit)
        figures.problems.push_back({TitleProblemKind::OverLimit, {}});
    for (const ForbiddenWords *words : {&m_banned, &avoid})
        for (std::string_view word : words->allIn(folded))
            figures.problems.push_back(
                {TitleProblemKind::HoldsForbiddenWord, std::string(word), words == &avoid});
    return figures;
}

Result<std::string, TitleError> TitleIndex::mustText(const TitleRequest &request,
                                                     const ForbiddenWords &avoid) const {
    const std::vector<std::string> must = request.mustWords.value_or(std::vector<std::string>{request.seed});
    std::string text;
    for (const std::string &word : must) {
        if (titleBytes(word) > request.byteLimit)
            return Failure{TitleError{TitleErrorKind::MustWordTooLong, word, {}}};
        appendPiece(text, word);
    }
    if (titleBytes(text) > request.byteLimit)
        return Failure{TitleError{TitleErrorKind::MustWordTooLong, text, {}}};
    for (const std::string &word : must)
        if (auto forbidden = forbiddenMust(word, avoid))
            return Failure{std::move(*forbidden)};
    if (auto forbidden = forbiddenMust(text, avoid))
        return Failure{std::move(*forbidden)};
    return text;
}

std::optional<TitleError> TitleIndex::forbiddenMust(const std::string &text,
                                                    const ForbiddenWords &avoid) const {
    const std::string folded = foldedAscii(text);
    const std::string_view banned = m_banned.foundIn(folded);
    const std::string_view found = banned.empty() ? avoid.foundIn(folded) : banned;
    if (found.empty())
        return std::nullopt;
    return TitleError{TitleErrorKind::MustWordForbidden, text, std::string(found), banned.empty()};
}

std::string_view TitleIndex::forbiddenIn(std::string_view folded, const ForbiddenWords &avoid) const {
    const std::string_view banned = m_banned.foundIn(folded);
    return banned.empty() ? avoid.foundIn(folded) : banned;
}

std::string TitleIndex::arrange(std::string text, const std::vector<int> &order,
                                const ForbiddenWords &avoid) const {
    // A root word inside a longer one is placed by the longer one, where the shorter stands.
    std::vector<int> pieces;
    for (int id : order) {
        int piece = id;
        for (int other : order)
            if (m_roots[other].text.size() > m_roots[piece].text.size() &&
                m_roots[other].text.find(m_roots[id].text) != std::string::npos)
                piece = other;
        if (std::find(pieces.begin(), pieces.end(), piece) == pieces.end() &&
            foldedAscii(text).find(m_roots[piece].text) == std::string::npos)
            pieces.push_back(piece);
    }
    // A piece whose junction would form a forbidden word waits for a later place, once.
    for (int round = 0; round < 2 && !pieces.empty(); ++round) {
        std::vector<int> waiting;
        for (int id : pieces) {
            std::string longer = text;
            appendPiece(longer, m_roots[id].text);
            if (forbiddenIn(foldedAscii(longer), avoid).empty())
                text = std::move(longer);
            else
                waiting.push_back(id);
        }
        pieces = std::move(waiting);
    }
    return text;
}

std::vector<RootWordUse> TitleIndex::explain(const Seed &seed, const ForbiddenWords &avoid) const {
    std::vector<std::pair<long long, int>> ranked;
    for (const auto &[id, positions] : seed.byRoot) {
        long long value = 0;
        for (std::uint32_t position : positions) {
            const Word &word = m_words[seed.words[position]];
            if (!word.banned && avoid.foundIn(word.folded).empty())
                value += word.heat;
        }
        if (value > 0)
            ranked.emplace_back(-value, id);
    }
    const std::size_t shown = std::min(kExplainedRoots, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(shown), ranked.end());
    std::vector<RootWordUse> uses;
    for (std::size_t i = 0; i < shown; ++i)
        uses.push_back({m_roots[ranked[i].second].text, -ranked[i].first, {}});
    return uses;
}

} // namespace orbisel::core
