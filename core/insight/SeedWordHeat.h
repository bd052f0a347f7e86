#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/WordValue.h"
#include "core/insight/TitleIndex.h"

#include <optional>
#include <string>
#include <vector>

namespace orbisel::core {

// The 热度 of one seed's words, from every row of the run in result order. A row's popularity
// sum is scaled as the results show it (WordValue.h). A row stored without a sum is estimated
// at kRefinementEarning for each answer that held it (出现次数), on the run's scale, at most
// 100; in a run without any sum the estimates make the scale.
class SeedWordHeat {
public:
    explicit SeedWordHeat(std::string seed) : m_seed(std::move(seed)) {}

    void add(const ResultRow &row);
    std::vector<RunWord> words() const;

private:
    struct Kept {
        std::string word;
        std::optional<double> popularity;
        double estimate = 0;
    };
    std::string m_seed;
    std::vector<Kept> m_kept;
    ValueScale m_sums;
    ValueScale m_estimates;
    bool m_anySum = false;
};

} // namespace orbisel::core
