#pragma once

#include "core/analytics/AnalyticsFile.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace orbisel::fuzz {

inline long long sourceRowOf(long long row) {
    return row;
}
inline long long sourceRowOf(const core::AnalyticsRow &row) {
    return row.sourceRow;
}

// Aborts when a read table breaks its promises: rows after the header in increasing
// order, each with a word, finite figures, and no row both read and refused.
inline void checkAnalyticsResult(const core::AnalyticsResult &read) {
    if (!read.ok()) {
        if (core::describe(read.error()).empty())
            std::abort();
        return;
    }
    const core::AnalyticsTable &table = read.value();
    if (table.headerRow < 1 || table.headerRow > core::kHeaderSearchRows)
        std::abort();
    long long last = table.headerRow;
    for (const core::AnalyticsRow &row : table.rows) {
        if (row.sourceRow <= last || row.word.empty() || row.sourceRow > core::kMaxSheetRows)
            std::abort();
        for (const std::optional<double> &figure : row.figures)
            if (figure && !std::isfinite(*figure))
                std::abort();
        last = row.sourceRow;
    }
    last = table.headerRow;
    for (const long long refused : table.refusedRows) {
        if (refused <= last || refused > core::kMaxSheetRows ||
            std::binary_search(table.rows.begin(), table.rows.end(), refused,
                               [](const auto &a, const auto &b) { return sourceRowOf(a) < sourceRowOf(b); }))
            std::abort();
        last = refused;
    }
}

} // namespace orbisel::fuzz
