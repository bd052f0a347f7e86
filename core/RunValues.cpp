#include "core/RunValues.h"

namespace orbisel::core {

Result<ValueScale, StoreError> storedRunScale(RunStore &store, long long runId) {
    ValueScale scale;
    auto read = store.forEachResult(runId, [&scale](const ResultRow &row) {
        addToScale(scale, row);
        return true;
    });
    if (!read.ok())
        return Failure{read.error()};
    return scale;
}

void addToScale(ValueScale &scale, const ResultRow &row) {
    if (row.popularity)
        scale.add(*row.popularity, row.listings);
}

std::optional<double> rowHeat(const ValueScale &scale, const ResultRow &row) {
    if (!row.popularity)
        return std::nullopt;
    return scale.heat(*row.popularity);
}

std::optional<double> rowOpportunity(const ValueScale &scale, const ResultRow &row) {
    if (!row.popularity)
        return std::nullopt;
    return scale.opportunity(*row.popularity, row.listings);
}

} // namespace orbisel::core
