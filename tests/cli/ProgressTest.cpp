#include "cli/Progress.h"

#include <gtest/gtest.h>

namespace orbisel::cli {
namespace {

TEST(Progress, durationText_minutesOrHours) {
    const std::pair<double, std::string> cases[] = {
        {0, "0:00"},  {9.4, "0:09"}, {247, "4:07"}, {3600, "1:00:00"}, {3 * 3600 + 5 * 60 + 9, "3:05:09"},
        {-5, "0:00"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(durationText(seconds), text) << seconds;
}

TEST(Progress, line_barCountsAndTimeLeft) {
    core::RunProgress p;
    p.queriesDone = 30;
    p.queriesPlanned = 120;
    p.words = 4500;
    p.requestsPerSecond = 7.46;
    p.etaSeconds = 125;
    EXPECT_EQ(progressLine(p, true),
              "[######------------------] 30/120 queries  4500 words  7.5 req/s  ETA 2:05");
    EXPECT_EQ(progressLine(p, false), "progress: 30/120 queries  4500 words  7.5 req/s  ETA 2:05");

    p.hostRates = {{"s.taobao.com", 2.04}, {"suggest.taobao.com", 18.25}};
    EXPECT_EQ(progressLine(p, false), "progress: 30/120 queries  4500 words  7.5 req/s (s.taobao.com 2.0/s, "
                                      "suggest.taobao.com 18.3/s)  ETA 2:05");

    p.pausedBlocked = true;
    EXPECT_NE(progressLine(p, false).find("paused"), std::string::npos);

    core::RunProgress nothingPlanned; // no division by zero, an empty bar
    EXPECT_EQ(progressLine(nothingPlanned, true),
              "[------------------------] 0/0 queries  0 words  0.0 req/s");
    nothingPlanned.queriesDone = 5; // more done than planned keeps the bar full, not past it
    nothingPlanned.queriesPlanned = 4;
    EXPECT_EQ(progressLine(nothingPlanned, true).substr(0, 26), "[########################]");
}

} // namespace
} // namespace orbisel::cli
