#include "core/engine/HostPace.h"

#include "MarketplaceServer.h"
#include "web/HttpFetch.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <queue>
#include <vector>

namespace orbisel::core {
namespace {

using Clock = HostPace::Clock;
using std::chrono::duration;
using std::chrono::milliseconds;

// A host that refuses every request beyond a token bucket (rate per second, burst).
class TokenBucket {
public:
    TokenBucket(double rate, double burst) : m_rate(rate), m_burst(burst), m_tokens(burst) {}
    bool take(Clock::time_point now) {
        if (m_last != Clock::time_point{})
            m_tokens = std::min(m_burst, m_tokens + m_rate * duration<double>(now - m_last).count());
        m_last = now;
        if (m_tokens < 1)
            return false;
        m_tokens -= 1;
        return true;
    }

private:
    double m_rate, m_burst, m_tokens;
    Clock::time_point m_last{};
};

struct Outcome {
    double acceptedPerSecond = 0;
    int refused = 0;
    int counted = 0;
};

// Asks `queries` queries with `concurrency` requests in flight, each answered
// after `latency`, starts spaced by the pace; a refused query is asked again.
// Virtual time: the figures do not depend on the machine.
Outcome simulate(double limit, double burst, int queries, int concurrency, milliseconds latency) {
    HostPace pace(200, 20);
    TokenBucket host(limit, burst);
    using Flight = std::pair<Clock::time_point, std::pair<HostPace::Start, bool>>; // done at, start, accepted
    auto later = [](const Flight &a, const Flight &b) { return a.first > b.first; };
    std::priority_queue<Flight, std::vector<Flight>, decltype(later)> inFlight(later);
    Clock::time_point now{std::chrono::hours(1)};
    const Clock::time_point begin = now;
    Clock::time_point nextStart = now;
    int accepted = 0, waiting = queries;
    Outcome out;
    while (accepted < queries) {
        const bool canStart = waiting > 0 && static_cast<int>(inFlight.size()) < concurrency;
        if (canStart && (inFlight.empty() || nextStart <= inFlight.top().first)) {
            now = std::max(now, nextStart);
            --waiting;
            const HostPace::Start start = pace.started(now);
            inFlight.push({now + latency, {start, host.take(now)}});
            nextStart = now + pace.interval();
            continue;
        }
        const Flight done = inFlight.top();
        inFlight.pop();
        now = done.first;
        if (done.second.second) {
            ++accepted;
            pace.answered(done.second.first, now);
        } else {
            ++out.refused;
            ++waiting;
            if (pace.refused(done.second.first, now))
                ++out.counted;
        }
    }
    out.acceptedPerSecond = accepted / duration<double>(now - begin).count();
    return out;
}

TEST(HostPaceTest, findsTheHostsLimitWithFewRefusals) {
    struct Case {
        double limit, burst;
        double leastRatio;
    };
    const Case cases[] = {{20, 20, 0.85}, {20, 5, 0.85}, {20, 1, 0.85}, {50, 50, 0.85},
                          {50, 12, 0.85}, {50, 1, 0.85}, {3, 3, 0.75},  {3, 1, 0.75}};
    for (const Case &c : cases) {
        for (int latencyMs : {5, 100}) {
            SCOPED_TRACE(testing::Message()
                         << "limit " << c.limit << " burst " << c.burst << " latency " << latencyMs << " ms");
            const Outcome out = simulate(c.limit, c.burst, 400, 8, milliseconds(latencyMs));
            EXPECT_GE(out.acceptedPerSecond / c.limit, c.leastRatio);
            EXPECT_LE(out.acceptedPerSecond / c.limit, 1.01 + c.burst / 400.0); // the host's budget, no more
            EXPECT_LE(out.refused * 100, 3 * (400 + out.refused)) << out.counted << " counted";
        }
    }
}

TEST(HostPaceTest, refusalsOfOneBurstCountOnce) {
    HostPace pace(0, 20);
    const Clock::time_point t0{std::chrono::hours(1)};
    std::vector<HostPace::Start> burst;
    for (int i = 0; i < 6; ++i)
        burst.push_back(pace.started(t0 + milliseconds(i)));
    const double before = pace.requestsPerSecond();
    int counted = 0;
    for (const auto &start : burst)
        counted += pace.refused(start, t0 + milliseconds(100)) ? 1 : 0;
    EXPECT_EQ(counted, 1);
    EXPECT_LT(pace.requestsPerSecond(), before);
    EXPECT_TRUE(pace.refused(pace.started(t0 + milliseconds(200)), t0 + milliseconds(300)));
}

TEST(HostPaceTest, slowAnswersCutTheRate) {
    HostPace pace(50, 20);
    Clock::time_point t{std::chrono::hours(1)};
    for (int i = 0; i < 5; ++i, t += milliseconds(50))
        pace.answered(pace.started(t), t + milliseconds(40));
    const double fast = pace.requestsPerSecond();
    pace.answered(pace.started(t), t + milliseconds(900));
    EXPECT_NEAR(pace.requestsPerSecond(), fast * 0.7, 1e-9);
    EXPECT_GE(pace.interval(), milliseconds(20));
}

TEST(RefusalStreakTest, pausesThenBlocks) {
    using A = RefusalAction;
    struct Case {
        bool adaptive;
        std::vector<A> actions;
    };
    const Case cases[] = {{true, {A::SlowDown, A::Pause, A::Pause, A::Pause, A::Blocked}},
                          {false, {A::Pause, A::Pause, A::Pause, A::Blocked}}};
    for (const Case &c : cases) {
        RefusalStreak streak(c.adaptive, 3);
        std::vector<milliseconds> pauses;
        for (A expected : c.actions) {
            EXPECT_EQ(streak.counted(), expected);
            if (expected == A::Pause)
                pauses.push_back(streak.pauseLength(milliseconds(100)));
        }
        EXPECT_EQ(pauses,
                  (std::vector<milliseconds>{milliseconds(100), milliseconds(200), milliseconds(400)}));
    }
    RefusalStreak streak(true, 3);
    streak.counted();
    streak.counted();
    streak.answered(); // a fine answer ends the streak
    EXPECT_EQ(streak.counted(), RefusalAction::SlowDown);
}

// The stand-in's token bucket, which the pacing benchmark runs against.
TEST(TokenBucketStandInTest, refusesBeyondItsBudget) {
    test::MarketplaceServer server;
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(server.limitRate(0.5, 3));
    std::vector<long> statuses;
    for (int i = 0; i < 5; ++i)
        statuses.push_back(httpGet("https://" + server.host() + "/sug?q=a&code=utf-8").status);
    EXPECT_EQ(statuses, (std::vector<long>{200, 200, 200, 429, 429}));
    EXPECT_EQ(server.refusedCount(), 2);
    EXPECT_EQ(server.requestLines().size(), 5u);
    ASSERT_TRUE(server.limitRate(0, 0));
    EXPECT_EQ(httpGet("https://" + server.host() + "/sug?q=a&code=utf-8").status, 200);
}

} // namespace
} // namespace orbisel::core
