#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/engine/RunRows.h"
#include "core/store/RunStore.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace orbisel::core {

// Plans a run's queries level by level: level 1 asks each seed and its
// expansions, every deeper level the words the level above found, in row
// order. A query equal to one asked before (by comparison key) is left out,
// and the run asks max-queries at most.
class RunPlanner {
public:
    explicit RunPlanner(const DeepRunOptions &options) : m_options(options) {}

    // The queries planned so far (stored ones on resume).
    void restore(const std::vector<StoredQuery> &queries);
    // The queries of the level, numbered after `queries`.
    std::vector<StoredQuery> planLevel(int depth, const std::vector<StoredQuery> &queries,
                                       const RunRows &rows);
    // Whether a query the run would ask was left out by max-queries.
    bool moreToAsk(const RunRows &rows) const;

private:
    const DeepRunOptions &m_options;
    std::unordered_set<std::string> m_asked; // comparison keys
};

} // namespace orbisel::core
