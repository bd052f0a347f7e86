#include "core/runs/StoredRun.h"

namespace orbisel::core {

Result<StoredRun, StoreError> StoredRun::open(RunStore &store, long long runId) {
    auto summary = store.summary(runId);
    if (!summary.ok())
        return Failure{summary.error()};
    return StoredRun(store, std::move(summary.value()));
}

Result<DeepRunOptions, StoreError> StoredRun::options() const {
    if (!m_options) {
        auto options = m_store->options(m_summary.id);
        if (!options.ok())
            return Failure{options.error()};
        m_options = std::move(options.value());
    }
    return *m_options;
}

Result<void, StoreError> StoredRun::forEachRow(const std::function<bool(const ResultRow &)> &visit) const {
    return m_store->forEachResult(m_summary.id, visit);
}

Result<ValueScale, StoreError> StoredRun::scale() const {
    if (!m_scale) {
        ValueScale scale;
        auto read = forEachRow([&scale](const ResultRow &row) {
            addToScale(scale, row);
            return true;
        });
        if (!read.ok())
            return Failure{read.error()};
        m_scale = scale;
    }
    return *m_scale;
}

Result<ValueScale, StoreError> storedRunScale(RunStore &store, long long runId) {
    auto run = StoredRun::open(store, runId);
    if (!run.ok())
        return Failure{run.error()};
    return run.value().scale();
}

} // namespace orbisel::core
