#include "core/insight/SeedWordHeat.h"

#include <algorithm>
#include <cmath>

namespace orbisel::core {
namespace {

int heatTenths(double heat) {
    return static_cast<int>(std::lround(oneDecimal(std::min(heat, 100.0)) * kHeatTenths));
}

} // namespace

void SeedWordHeat::add(const ResultRow &row) {
    const double estimate = kRefinementEarning * static_cast<double>(row.occurrences);
    if (row.popularity) {
        m_sums.add(*row.popularity, row.listings);
        m_anySum = true;
    }
    m_estimates.add(estimate, row.listings);
    if (row.seed == m_seed)
        m_kept.push_back({row.word, row.popularity, estimate});
}

std::vector<RunWord> SeedWordHeat::words() const {
    const ValueScale &estimateScale = m_anySum ? m_sums : m_estimates;
    std::vector<RunWord> words;
    words.reserve(m_kept.size());
    for (const Kept &kept : m_kept) {
        const double heat =
            kept.popularity ? m_sums.heat(*kept.popularity) : estimateScale.heat(kept.estimate);
        words.push_back({kept.word, heatTenths(heat), m_seed});
    }
    return words;
}

} // namespace orbisel::core
