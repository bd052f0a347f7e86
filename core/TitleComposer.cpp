#include "core/TitleComposer.h"

#include <algorithm>
#include <map>
#include <unordered_set>

namespace orbisel::core {
namespace {

constexpr std::size_t kExplainedRoots = 20;
constexpr std::size_t kMaxCandidateRoots = 48; // root words one search considers (bits of a mask)
constexpr std::size_t kMaxSubsetRoots = 10;    // beyond this a word's gain counts itself only
constexpr long long kSearchWork = 4'000'000;   // word masks one search may visit

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t sequenceAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

// Calls visit(character bytes) for each character; a malformed byte is a character of its own.
template <class Visit> void forEachCharacter(std::string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = std::max<std::size_t>(sequenceAt(text, i), 1);
        visit(text.substr(i, length));
        i += length;
    }
}

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

std::size_t bitCount(std::uint64_t bits) {
    std::size_t count = 0;
    for (; bits != 0; bits &= bits - 1)
        ++count;
    return count;
}

bool isSubset(std::uint64_t part, std::uint64_t whole) {
    return (part & ~whole) == 0;
}

struct KeyHash {
    std::size_t operator()(const std::vector<int> &key) const {
        std::size_t hash = key.size();
        for (int id : key)
            hash = hash * 1000003u ^ static_cast<std::size_t>(id);
        return hash;
    }
};

} // namespace

std::size_t titleBytes(std::string_view utf8) {
    std::size_t bytes = 0;
    forEachCharacter(utf8, [&](std::string_view c) {
        bytes += c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x80 ? 1 : 2;
    });
    return bytes;
}

std::size_t titleCharacters(std::string_view utf8) {
    std::size_t characters = 0;
    forEachCharacter(utf8, [&](std::string_view) { ++characters; });
    return characters;
}

std::string foldTitle(std::string_view utf8) {
    std::string folded(utf8);
    for (char &c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

ForbiddenWords::ForbiddenWords(const std::vector<std::string> &words) {
    add(words);
}

void ForbiddenWords::add(const std::vector<std::string> &words) {
    for (const std::string &word : words)
        if (!word.empty())
            m_words.push_back(foldTitle(word));
}

std::string_view ForbiddenWords::foundIn(std::string_view folded) const {
    for (const std::string &word : m_words)
        if (folded.find(word) != std::string_view::npos)
            return word;
    return {};
}

std::vector<std::string_view> ForbiddenWords::allIn(std::string_view folded) const {
    std::vector<std::string_view> found;
    for (const std::string &word : m_words)
        if (folded.find(word) != std::string_view::npos)
            found.push_back(word);
    return found;
}

// One compose call: the seed's words that a title can still cover, the greedy title and the
// search over the most valuable root words.
class TitleIndex::Composition {
public:
    Composition(const TitleIndex &index, const Seed &seed, const ForbiddenWords &avoid,
                const std::vector<int> &present, std::size_t budget)
        : m_index(index), m_budget(budget), m_present(index.m_roots.size(), 0), m_fixed(present.size()) {
        for (int id : present)
            m_present[id] = 1;
        for (std::uint32_t position : seed.words)
            addCandidate(index.m_words[position], avoid);
        for (const Candidate &candidate : m_candidates)
            for (int id : candidate.missing)
                m_weight[id] += candidate.heat;
    }

    // The root words (beyond the must words) of the next title, or nothing when no further
    // title shares at most two thirds of its root words with every earlier one. The search
    // starts from the greedy title of the words holding none of the earlier titles' root words,
    // which differs enough whenever it holds at least half as many root words as the must words.
    std::optional<std::vector<int>> next() {
        std::vector<int> roots = searchFrom(greedy());
        if (!m_searchFound)
            return std::nullopt;
        m_titles.push_back(roots);
        return roots;
    }

    // Roots in descending summed 热度 of the candidate words holding them.
    std::vector<int> byWeight() const {
        std::vector<int> roots;
        for (const auto &[id, weight] : m_weight)
            roots.push_back(id);
        std::sort(roots.begin(), roots.end(), [&](int a, int b) { return heavier(a, b); });
        return roots;
    }

    bool heavier(int a, int b) const {
        const long long wa = m_weight.at(a), wb = m_weight.at(b);
        return wa != wb ? wa > wb : a < b;
    }

    // Root ids in the order of the most valuable candidate words they complete.
    std::vector<int> readingOrder(const std::vector<int> &roots) const {
        std::unordered_set<int> wanted(roots.begin(), roots.end());
        std::vector<const Candidate *> covered;
        for (const Candidate &candidate : m_candidates)
            if (std::all_of(candidate.missing.begin(), candidate.missing.end(),
                            [&](int id) { return wanted.contains(id); }))
                covered.push_back(&candidate);
        std::stable_sort(covered.begin(), covered.end(),
                         [](const Candidate *a, const Candidate *b) { return a->heat > b->heat; });
        std::vector<int> order;
        for (const Candidate *candidate : covered)
            for (int id : candidate->ordered)
                if (wanted.erase(id))
                    order.push_back(id);
        for (int id : roots)
            if (wanted.erase(id))
                order.push_back(id);
        return order;
    }

private:
    struct Candidate {
        long long heat = 0;
        std::vector<int> missing; // root ids not in the must words, ascending
        std::vector<int> ordered; // the same in the word's reading order
    };

    void addCandidate(const Word &word, const ForbiddenWords &avoid) {
        if (word.banned || !avoid.foundIn(word.folded).empty())
            return;
        Candidate candidate{word.heat, {}, {}};
        for (int id : word.ordered)
            if (!m_present[id] &&
                std::find(candidate.ordered.begin(), candidate.ordered.end(), id) == candidate.ordered.end())
                candidate.ordered.push_back(id);
        candidate.missing = candidate.ordered;
        std::sort(candidate.missing.begin(), candidate.missing.end());
        if (!candidate.missing.empty() && cost(candidate.missing) <= m_budget)
            m_candidates.push_back(std::move(candidate));
    }

    std::size_t cost(const std::vector<int> &roots) const {
        std::size_t bytes = 0;
        for (int id : roots)
            bytes += m_index.m_roots[id].cost;
        return bytes;
    }

    // Budgeted max-coverage greedy: add the missing root words of the uncovered word that
    // bring the most 热度 per byte, while they fit; words holding a root word of an earlier
    // title are left out.
    std::vector<int> greedy() {
        std::vector<int> chosen;
        std::size_t left = m_budget;
        std::vector<char> in(m_index.m_roots.size(), 0);
        std::vector<char> used(m_index.m_roots.size(), 0);
        for (const std::vector<int> &title : m_titles)
            for (int id : title)
                used[id] = 1;
        std::vector<Candidate> open; // missing: the root words still missing
        for (const Candidate &candidate : m_candidates)
            if (std::none_of(candidate.missing.begin(), candidate.missing.end(),
                             [&](int id) { return used[id]; }))
                open.push_back(candidate);
        while (true) {
            std::unordered_map<std::vector<int>, long long, KeyHash> heatByRest;
            heatByRest.reserve(open.size());
            std::erase_if(open, [&](Candidate &candidate) {
                std::erase_if(candidate.missing, [&](int id) { return in[id] != 0; });
                if (candidate.missing.empty() || cost(candidate.missing) > left)
                    return true; // covered, or out of reach for good
                heatByRest[candidate.missing] += candidate.heat;
                return false;
            });
            const std::vector<int> *best = nullptr;
            long long bestGain = 0;
            std::size_t bestCost = 1;
            for (const auto &[key, heat] : heatByRest) {
                const long long gain = key.size() > kMaxSubsetRoots ? heat : subsetHeat(key, heatByRest);
                const std::size_t keyCost = cost(key);
                const auto lhs = static_cast<__int128>(gain) * static_cast<__int128>(bestCost);
                const auto rhs = static_cast<__int128>(bestGain) * static_cast<__int128>(keyCost);
                if (!best || lhs > rhs || (lhs == rhs && key < *best)) {
                    best = &key;
                    bestGain = gain;
                    bestCost = keyCost;
                }
            }
            if (!best)
                return chosen;
            for (int id : *best) {
                in[id] = 1;
                chosen.push_back(id);
            }
            left -= bestCost;
        }
    }

    static long long subsetHeat(const std::vector<int> &key,
                                const std::unordered_map<std::vector<int>, long long, KeyHash> &heatByRest) {
        long long gain = 0;
        thread_local std::vector<int> subset;
        for (std::uint32_t bits = 1; bits < (1u << key.size()); ++bits) {
            subset.clear();
            for (std::size_t i = 0; i < key.size(); ++i)
                if (bits & (1u << i))
                    subset.push_back(key[i]);
            const auto it = heatByRest.find(subset);
            if (it != heatByRest.end())
                gain += it->second;
        }
        return gain;
    }

    // Branch and bound over the most valuable root words (and the start's), starting from a
    // known title; later titles must differ enough from the earlier ones.
    std::vector<int> searchFrom(const std::vector<int> &start) {
        m_searchFound = !start.empty() && start.size() >= kMaxCandidateRoots;
        if (m_searchFound)
            return start; // a limit far above the marketplace's: too many root words to search
        m_space = start;
        for (int id : byWeight()) {
            if (m_space.size() >= kMaxCandidateRoots)
                break;
            if (std::find(m_space.begin(), m_space.end(), id) == m_space.end())
                m_space.push_back(id);
        }
        std::sort(m_space.begin(), m_space.end(), [&](int a, int b) { return heavier(a, b); });
        buildMasks();
        m_bestMask = 0;
        m_bestValue = -1;
        if (!start.empty() || m_titles.empty())
            consider(maskOf(start));
        m_work = 0;
        search(0, 0, m_budget);
        std::vector<int> roots;
        for (std::size_t bit = 0; bit < m_space.size(); ++bit)
            if (m_bestMask >> bit & 1)
                roots.push_back(m_space[bit]);
        return roots;
    }

    void buildMasks() {
        std::map<std::uint64_t, long long> heatByMask;
        std::unordered_map<int, int> bitOf;
        for (std::size_t bit = 0; bit < m_space.size(); ++bit)
            bitOf[m_space[bit]] = static_cast<int>(bit);
        for (const Candidate &candidate : m_candidates) {
            std::uint64_t mask = 0;
            bool inside = true;
            for (int id : candidate.missing) {
                const auto it = bitOf.find(id);
                inside = inside && it != bitOf.end();
                if (inside)
                    mask |= std::uint64_t{1} << it->second;
            }
            if (inside)
                heatByMask[mask] += candidate.heat;
        }
        m_masks.assign(heatByMask.begin(), heatByMask.end());
        m_costs.clear();
        for (int id : m_space)
            m_costs.push_back(m_index.m_roots[id].cost);
        m_titleMasks.clear();
        for (const std::vector<int> &title : m_titles)
            m_titleMasks.push_back(maskOf(title));
    }

    std::uint64_t maskOf(const std::vector<int> &roots) const {
        std::uint64_t mask = 0;
        for (std::size_t bit = 0; bit < m_space.size(); ++bit)
            if (std::find(roots.begin(), roots.end(), m_space[bit]) != roots.end())
                mask |= std::uint64_t{1} << bit;
        return mask;
    }

    long long valueOf(std::uint64_t mask) {
        long long value = 0;
        m_work += static_cast<long long>(m_masks.size());
        for (const auto &[words, heat] : m_masks)
            if (isSubset(words, mask))
                value += heat;
        return value;
    }

    // Shares at most two thirds of its root words (the must words' included) with every earlier title.
    bool differsEnough(std::uint64_t mask) const {
        const std::size_t own = bitCount(mask) + m_fixed;
        for (std::uint64_t earlier : m_titleMasks) {
            const std::size_t shared = bitCount(mask & earlier) + m_fixed;
            if (shared * 3 > own * 2)
                return false;
        }
        return true;
    }

    void consider(std::uint64_t mask) {
        m_work += static_cast<long long>(m_titleMasks.size()) + 1;
        if (!differsEnough(mask))
            return;
        const long long value = valueOf(mask);
        if (value > m_bestValue) {
            m_bestValue = value;
            m_bestMask = mask;
            m_searchFound = true;
        }
    }

    void search(std::size_t bit, std::uint64_t mask, std::size_t left) {
        if (m_work > kSearchWork)
            return;
        std::uint64_t reachable = mask;
        for (std::size_t b = bit; b < m_space.size(); ++b)
            if (m_costs[b] <= left)
                reachable |= std::uint64_t{1} << b;
        if (m_bestValue >= 0 && valueOf(reachable) <= m_bestValue)
            return;
        if (reachable == mask || bit == m_space.size()) {
            consider(mask);
            return;
        }
        if (m_costs[bit] <= left)
            search(bit + 1, mask | std::uint64_t{1} << bit, left - m_costs[bit]);
        search(bit + 1, mask, left);
    }

    const TitleIndex &m_index;
    std::size_t m_budget;
    std::vector<char> m_present;
    std::size_t m_fixed; // root words of the must words
    std::vector<Candidate> m_candidates;
    std::unordered_map<int, long long> m_weight;
    std::vector<std::vector<int>> m_titles;
    // The current search.
    std::vector<int> m_space;
    std::vector<std::pair<std::uint64_t, long long>> m_masks;
    std::vector<std::size_t> m_costs;
    std::vector<std::uint64_t> m_titleMasks;
    std::uint64_t m_bestMask = 0;
    long long m_bestValue = -1;
    bool m_searchFound = false;
    long long m_work = 0;
};

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
        Word word{foldTitle(runWord.word), runWord.heat, {}, {}, false};
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
    forEachCharacter(folded, [&](std::string_view c) {
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
    const std::string folded = foldTitle(title);
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
    const std::string folded = foldTitle(text);
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
            foldTitle(text).find(m_roots[piece].text) == std::string::npos)
            pieces.push_back(piece);
    }
    // A piece whose junction would form a forbidden word waits for a later place, once.
    for (int round = 0; round < 2 && !pieces.empty(); ++round) {
        std::vector<int> waiting;
        for (int id : pieces) {
            std::string longer = text;
            appendPiece(longer, m_roots[id].text);
            if (forbiddenIn(foldTitle(longer), avoid).empty())
                text = std::move(longer);
            else
                waiting.push_back(id);
        }
        pieces = std::move(waiting);
    }
    return text;
}

Result<TitleSet, TitleError> TitleIndex::compose(const TitleRequest &request) const {
    const Seed *seed = seedOf(request.seed);
    if (!seed)
        return Failure{TitleError{TitleErrorKind::UnknownSeed, request.seed, {}}};
    const ForbiddenWords avoid(request.avoidWords);
    auto must = mustText(request, avoid);
    if (!must)
        return Failure{must.error()};
    const std::vector<int> present = rootsIn(foldTitle(must.value()));
    Composition composition(*this, *seed, avoid, present, request.byteLimit - titleBytes(must.value()));
    TitleSet set;
    std::vector<std::vector<int>> titleRoots;
    while (set.titles.size() < request.titleCount) {
        const std::optional<std::vector<int>> roots = composition.next();
        if (!roots)
            break;
        Title title;
        title.text = arrange(must.value(), composition.readingOrder(*roots), avoid);
        title.bytes = titleBytes(title.text);
        title.characters = titleCharacters(title.text);
        titleRoots.push_back(rootsIn(foldTitle(title.text)));
        const Coverage covered = coverage(*seed, titleRoots.back(), avoid);
        title.value = covered.value;
        title.coveredWords = covered.words;
        set.titles.push_back(std::move(title));
    }
    set.explanation = explain(*seed, avoid);
    for (RootWordUse &use : set.explanation) {
        const int id = m_rootIds.at(use.rootWord);
        for (const std::vector<int> &roots : titleRoots)
            use.inTitle.push_back(std::binary_search(roots.begin(), roots.end(), id));
    }
    return set;
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
