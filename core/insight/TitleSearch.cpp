#include "core/insight/TitleIndex.h"

#include <algorithm>
#include <map>
#include <unordered_set>

// The search of TitleIndex::compose: which root words the next title takes.
namespace orbisel::core {
namespace {

constexpr std::size_t kMaxCandidateRoots = 48; // root words one search considers (bits of a mask)
constexpr std::size_t kMaxSubsetRoots = 10;    // beyond this a word's gain counts itself only
constexpr long long kSearchWork = 4'000'000;   // word masks one search may visit

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

Result<TitleSet, TitleError> TitleIndex::compose(const TitleRequest &request) const {
    const Seed *seed = seedOf(request.seed);
    if (!seed)
        return Failure{TitleError{TitleErrorKind::UnknownSeed, request.seed, {}}};
    const ForbiddenWords avoid(request.avoidWords);
    auto must = mustText(request, avoid);
    if (!must)
        return Failure{must.error()};
    const std::vector<int> present = rootsIn(foldedAscii(must.value()));
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
        titleRoots.push_back(rootsIn(foldedAscii(title.text)));
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

} // namespace orbisel::core
