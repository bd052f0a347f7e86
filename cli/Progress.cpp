#include "cli/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orbisel::cli {

namespace {
constexpr int kBarWidth = 24;
}

std::string durationText(double seconds) {
    const long long total = std::llround(std::max(seconds, 0.0));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

std::string progressLine(const core::RunProgress &progress, bool bar) {
    const double share =
        progress.queriesPlanned > 0
            ? std::clamp(double(progress.queriesDone) / double(progress.queriesPlanned), 0.0, 1.0)
            : 0.0;
    const int filled = static_cast<int>(share * kBarWidth);
    std::string line = bar ? "[" + std::string(static_cast<std::size_t>(filled), '#') +
                                 std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] "
                           : "progress: ";
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, "%lld/%lld queries  %lld words  %.1f req/s", progress.queriesDone,
                  progress.queriesPlanned, progress.words, progress.requestsPerSecond);
    line += numbers;
    if (progress.pausedBlocked)
        line += "  paused: refused by the marketplace";
    else if (progress.etaSeconds)
        line += "  ETA " + durationText(*progress.etaSeconds);
    return line;
}

} // namespace orbisel::cli
