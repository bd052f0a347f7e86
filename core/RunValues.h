#pragma once

#include "core/Result.h"
#include "core/RunStore.h"
#include "core/WordValue.h"

namespace orbisel::core {

// The scale of a stored run's 热度 and 机会: every row's popularity sum and
// listing count (rows without a sum add nothing).
Result<ValueScale, StoreError> storedRunScale(RunStore &store, long long runId);
// One row into such a scale, for a reader that scales the rows it read once it has read them all.
void addToScale(ValueScale &scale, const ResultRow &row);

// 热度 and 机会 of a row on that scale, unrounded; none without a sum (and
// 机会 none without 商品数).
std::optional<double> rowHeat(const ValueScale &scale, const ResultRow &row);
std::optional<double> rowOpportunity(const ValueScale &scale, const ResultRow &row);

} // namespace orbisel::core
