#include "core/base/WordValue.h"

#include <algorithm>
#include <cmath>

namespace orbisel::core {
std::optional<double> opportunityRatio(double sum, std::optional<long long> listings) {
    if (!listings || *listings < 0)
        return std::nullopt;
    return sum / std::log10(static_cast<double>(*listings) + 10.0);
}

double suggestionEarning(std::size_t position, std::size_t count) {
    if (count == 0 || position == 0 || position > count)
        return 0;
    return static_cast<double>(count - position + 1) / static_cast<double>(count);
}

void PopularityTally::earn(std::uint32_t answer, double earning) {
    if (m_best > kNoAnswer && answer == m_answer) {
        m_best = std::max(m_best, earning);
        return;
    }
    m_closed = sum();
    m_best = earning;
    m_answer = answer;
}

void ValueScale::add(double sum, std::optional<long long> listings) {
    m_largestSum = std::max(m_largestSum, sum);
    if (const auto ratio = opportunityRatio(sum, listings))
        m_largestOpportunity = std::max(m_largestOpportunity, *ratio);
}

double ValueScale::heat(double sum) const {
    return m_largestSum > 0 ? 100.0 * sum / m_largestSum : 0.0;
}

std::optional<double> ValueScale::opportunity(double sum, std::optional<long long> listings) const {
    const auto ratio = opportunityRatio(sum, listings);
    if (!ratio)
        return std::nullopt;
    return m_largestOpportunity > 0 ? 100.0 * *ratio / m_largestOpportunity : 0.0;
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

double oneDecimal(double value) {
    return std::round(value * 10.0) / 10.0;
}

} // namespace orbisel::core
