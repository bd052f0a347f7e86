#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/Result.h"
#include "core/base/StoreError.h"
#include "core/base/WordValue.h"
#include "core/store/RunStore.h"

#include <functional>
#include <optional>
#include <string>

// One stored run as the front ends read it: opened once, then its header, its
// options, its rows in result order and the scale of its figures. The front
// ends reach the store (opening it, listing and deleting runs) through here.
namespace orbisel::core {

class StoredRun {
public:
    // The run's header; UnknownRun when the store has no such run.
    static Result<StoredRun, StoreError> open(RunStore &store, long long runId);

    long long id() const { return m_summary.id; }
    const std::string &storePath() const { return m_store->path(); }
    const RunSummary &summary() const { return m_summary; }
    // Read on first use, then kept.
    Result<DeepRunOptions, StoreError> options() const;
    // Rows in result order; visit returns false to stop.
    Result<void, StoreError> forEachRow(const std::function<bool(const ResultRow &)> &visit) const;
    // The scale of its 热度 and 机会: every row's popularity sum and listing count
    // (rows without a sum add nothing); one pass over the rows on first use, then kept.
    Result<ValueScale, StoreError> scale() const;

private:
    StoredRun(RunStore &store, RunSummary summary) : m_store(&store), m_summary(std::move(summary)) {}

    RunStore *m_store;
    RunSummary m_summary;
    mutable std::optional<DeepRunOptions> m_options;
    mutable std::optional<ValueScale> m_scale;
};

// The scale of a stored run, for a caller without a StoredRun of its own.
Result<ValueScale, StoreError> storedRunScale(RunStore &store, long long runId);

} // namespace orbisel::core
