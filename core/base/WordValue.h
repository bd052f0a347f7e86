#pragma once

#include "core/base/DeepRunTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Suggestion popularity (热度) and opportunity (机会) of a run's words. Both are
// estimates from where a word stands in the marketplace's suggestion answers,
// which it orders by what shoppers type most; they are not search counts.
namespace orbisel::core {

// What a word earns from one answer as suggestion `position` (1-based) of
// `count`: (count - position + 1) / count, so the first of ten earns 1.0 and
// the last 0.1.
double suggestionEarning(std::size_t position, std::size_t count);
// What a word earns from an answer that holds it only as a refinement of a PC
// suggestion or as a related word of a search page.
inline constexpr double kRefinementEarning = 0.5;

// A word's popularity sum: per answer the largest of its earnings there, added
// over the answers that contained it. Answers are told apart by an id that
// changes from one answer to the next (the engine's answer stamp).
// Packed to 20 bytes: a run keeps one per word, a million of them.
#pragma pack(push, 4)
class PopularityTally {
public:
    PopularityTally() = default;
    explicit PopularityTally(double storedSum) : m_closed(storedSum) {}

    void earn(std::uint32_t answer, double earning);
    double sum() const { return m_closed + (m_best > kNoAnswer ? m_best : 0.0); }

private:
    static constexpr double kNoAnswer = -1; // m_best before the first answer

    double m_closed = 0;       // of the answers before the current one
    double m_best = kNoAnswer; // of the current answer
    std::uint32_t m_answer = 0;
};
#pragma pack(pop)

// sum / log10(商品数 + 10), proportional to 机会 before scaling (none without 商品数).
std::optional<double> opportunityRatio(double sum, std::optional<long long> listings);

// The largest figures of a run, from which each word's 热度 and 机会 follow:
//   热度 = 100 × sum / the run's largest sum;
//   机会 = 热度 / log10(商品数 + 10), scaled so that the run's largest is 100
//          (none without 商品数).
// Both are rounded to one decimal only when shown; 机会 is computed from the
// unrounded 热度.
class ValueScale {
public:
    void add(double sum, std::optional<long long> listings);

    double heat(double sum) const;
    std::optional<double> opportunity(double sum, std::optional<long long> listings) const;
    bool operator==(const ValueScale &) const = default;

private:
    double m_largestSum = 0;
    double m_largestOpportunity = 0; // of sum / log10(商品数 + 10)
};

// One row into such a scale, for a reader that scales the rows it read once it has read them all.
void addToScale(ValueScale &scale, const ResultRow &row);

// 热度 and 机会 of a row on that scale, unrounded; none without a sum (and
// 机会 none without 商品数).
std::optional<double> rowHeat(const ValueScale &scale, const ResultRow &row);
std::optional<double> rowOpportunity(const ValueScale &scale, const ResultRow &row);

// The figure rounded to one decimal, as every table and file shows it.
double oneDecimal(double value);

} // namespace orbisel::core
