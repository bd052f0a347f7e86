#include "core/engine/RunPlanner.h"

#include "core/base/WordText.h"
#include "core/inputs/Expansion.h"

#include <algorithm>

namespace orbisel::core {

void RunPlanner::restore(const std::vector<StoredQuery> &queries) {
    m_asked.clear();
    for (const StoredQuery &q : queries)
        m_asked.insert(comparisonKey(q.text));
}

std::vector<StoredQuery> RunPlanner::planLevel(int depth, const std::vector<StoredQuery> &queries,
                                               const RunRows &rows) {
    std::vector<StoredQuery> planned;
    auto plan = [&](const std::string &text, std::uint32_t seed, const std::string &parent) {
        std::string key = comparisonKey(text);
        if (key.empty() || m_asked.count(key))
            return;
        if (static_cast<long long>(queries.size() + planned.size()) >= m_options.maxQueries)
            return;
        m_asked.insert(std::move(key));
        planned.push_back({static_cast<long long>(queries.size() + planned.size()), depth, text,
                           static_cast<int>(seed), parent, QueryState::Pending});
    };
    if (depth == 1) {
        for (std::size_t i = 0; i < m_options.seeds.size(); ++i) {
            for (const std::string &query : expandSeed(m_options.seeds[i], m_options))
                plan(query, static_cast<std::uint32_t>(i), {});
        }
    } else {
        for (const RunRow &row : rows.rows()) {
            if (row.depth == depth - 1)
                plan(row.word, row.seed, queries[row.parent].text);
        }
    }
    return planned;
}

bool RunPlanner::moreToAsk(const RunRows &rows) const {
    for (const std::string &seed : m_options.seeds) {
        for (const std::string &query : expandSeed(seed, m_options)) {
            const std::string key = comparisonKey(query);
            if (!key.empty() && !m_asked.count(key))
                return true;
        }
    }
    for (const RunRow &row : rows.rows()) {
        if (row.depth < std::clamp(m_options.depth, 1, 5) && !m_asked.count(comparisonKey(row.word)))
            return true;
    }
    return false;
}

} // namespace orbisel::core
