#pragma once

// A deep run against the stand-in's token bucket, which refuses (429) what goes
// beyond a limit the program is not told: the pace it reaches.
#include "MarketplaceServer.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace orbisel::bench {

// 20 seeds of 10 words each, two levels: 220 queries, 440 requests with the default sources.
inline constexpr int kPacedSeeds = 20;
inline constexpr int kPacedWords = 10;

inline std::vector<std::string> pacedSeeds() {
    std::vector<std::string> seeds;
    for (int i = 0; i < kPacedSeeds; ++i)
        seeds.push_back("节奏" + std::to_string(i));
    return seeds;
}

// Synthetic answers from now on, and a bucket of `perSecond` tokens holding a quarter second's worth.
inline bool limitStandIn(test::MarketplaceServer &server, const std::string &emptyFolder, double perSecond) {
    return server.useFixtures(emptyFolder, 0, kPacedWords) &&
           server.limitRate(perSecond, std::max(1.0, perSecond / 4));
}

// Accepted requests per second over the limit, and the share of all requests refused.
inline void reportPace(benchmark::State &state, const test::MarketplaceServer &server, double perSecond,
                       double wallSeconds) {
    const auto all = static_cast<double>(server.requestLines().size());
    const auto refused = static_cast<double>(server.refusedCount());
    state.counters["requests"] = all;
    state.counters["run_s"] = wallSeconds;
    state.counters["accepted_per_s"] = (all - refused) / wallSeconds;
    state.counters["ratio_to_limit"] = (all - refused) / wallSeconds / perSecond;
    state.counters["refused_share"] = all > 0 ? refused / all : 0;
}

} // namespace orbisel::bench
