#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

// Adaptive pacing of request starts to one host: as fast as the host answers
// without refusing, found while the run goes. The rule, on the request rate:
// - it starts at 1000 / intervalMs requests per second (at most
//   1000 / minIntervalMs) and, until the first refusal, grows by 15 % per fine
//   answer (a quick start);
// - a counted refusal sets it to 85 % of the rate of fine answers over the
//   last second, taken between half and all of the rate the refused request
//   was started at; that start rate is remembered as the ceiling;
// - fine answers then raise it by 2 % each up to 95 % of the ceiling, hold it
//   there for 100 fine answers, and then probe upwards by 0.3 % per answer;
// - an answer that takes more than three times the fastest one of the last
//   ten seconds (and at least 250 ms more) cuts it by 30 %, at most once per
//   two seconds;
// - the spacing stays between minIntervalMs and kSlowestIntervalMs.
// Refusals of requests that were in flight together count once: a refusal
// counts only for a request started after the last counted one.
namespace orbisel::core {

class HostPace {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kSlowestIntervalMs = 5000;

    // A request's start, carrying the refusal epoch it was started in.
    struct Start {
        std::uint64_t epoch = 0;
        Clock::time_point at;
        double rate = 0; // the pace it was started at
    };

    HostPace(int intervalMs, int minIntervalMs);

    std::chrono::microseconds interval() const;
    double requestsPerSecond() const { return m_rate; }

    Start started(Clock::time_point now) const { return {m_epoch, now, m_rate}; }
    void answered(const Start &start, Clock::time_point now);
    // True when the refusal counts (the first of its burst); the pace then drops.
    bool refused(const Start &start, Clock::time_point now);

private:
    double measuredRate(Clock::time_point now);
    void setRate(double rate);

    double m_rate = 0;
    double m_fastestRate = 0; // from minIntervalMs
    double m_slowestRate = 0; // from kSlowestIntervalMs
    bool m_quickStart = true;
    double m_ceiling = 0; // the pace of the last counted refusal
    int m_fineSinceRefusal = 0;
    std::uint64_t m_epoch = 0;
    std::deque<Clock::time_point> m_fineAnswers; // the last two seconds
    Clock::time_point m_lastSlowCut{};
    std::deque<std::pair<Clock::time_point, Clock::duration>> m_latencies; // the last ten seconds
};

// What a counted refusal does to a run: the first one after a fine answer
// only slows the pace (adaptive) or pauses (fixed); further ones in a row
// pause for the back-off, doubling; after `pauses` pauses each followed by
// another refusal, the run is blocked.
enum class RefusalAction { SlowDown, Pause, Blocked };
class RefusalStreak {
public:
    RefusalStreak(bool adaptive, int pauses) : m_adaptive(adaptive), m_pausesAllowed(pauses) {}
    RefusalAction counted();
    void answered() {
        m_inARow = 0;
        m_pausesInARow = 0;
    }
    // The length of the pause `counted` just asked for: backoff, doubling per pause in a row.
    std::chrono::milliseconds pauseLength(std::chrono::milliseconds backoff) const;

private:
    bool m_adaptive;
    int m_pausesAllowed;
    int m_inARow = 0;
    int m_pausesInARow = 0;
};

} // namespace orbisel::core
