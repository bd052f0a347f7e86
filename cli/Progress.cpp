#include "cli/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace orbisel::cli {

namespace {

constexpr int kBarWidth = 24;

// One decimal without printf, whose decimal point follows the locale.
std::string oneDecimal(double value) {
    const long long tenths = std::llround(std::max(value, 0.0) * 10);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// " (host 5.0/s, host 2.5/s)", or nothing before the first request.
std::string hostRatesText(const std::vector<core::HostRate> &rates) {
    std::string text;
    for (const core::HostRate &rate : rates)
        text.append(text.empty() ? " (" : ", ")
            .append(rate.host)
            .append(" ")
            .append(oneDecimal(rate.requestsPerSecond))
            .append("/s");
    return text.empty() ? text : text + ")";
}

} // namespace

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
    std::string line;
    if (bar)
        line.append("[")
            .append(static_cast<std::size_t>(filled), '#')
            .append(static_cast<std::size_t>(kBarWidth - filled), '-')
            .append("] ");
    else
        line.append("progress: ");
    line.append(std::to_string(progress.queriesDone))
        .append("/")
        .append(std::to_string(progress.queriesPlanned))
        .append(" queries  ")
        .append(std::to_string(progress.words))
        .append(" words  ")
        .append(oneDecimal(progress.requestsPerSecond))
        .append(" req/s")
        .append(hostRatesText(progress.hostRates));
    if (progress.pausedBlocked)
        line += "  paused: refused by the marketplace";
    else if (progress.etaSeconds)
        line += "  ETA " + durationText(*progress.etaSeconds);
    return line;
}

} // namespace orbisel::cli
