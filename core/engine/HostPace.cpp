#include "core/engine/HostPace.h"

#include <algorithm>

namespace orbisel::core {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr double kQuickStartGrowth = 1.15;
constexpr double kProbeGrowth = 1.003;
constexpr double kRecoveryGrowth = 1.02;
constexpr double kRecoveredShare = 0.95;
constexpr int kHoldAnswers = 100;
constexpr double kAfterRefusal = 0.85;
constexpr double kSlowDownCut = 0.7;
constexpr auto kMeasureSpan = seconds(1);
constexpr auto kLatencySpan = seconds(10);
constexpr auto kSlowCutSpacing = seconds(2);
constexpr auto kSlowMargin = milliseconds(250);

double rateOf(int intervalMs) {
    return 1000.0 / std::max(1, intervalMs);
}

} // namespace

HostPace::HostPace(int intervalMs, int minIntervalMs)
    : m_fastestRate(rateOf(std::max(1, minIntervalMs))), m_slowestRate(rateOf(kSlowestIntervalMs)) {
    setRate(rateOf(std::max(intervalMs, minIntervalMs)));
}

std::chrono::microseconds HostPace::interval() const {
    return std::chrono::microseconds(static_cast<long long>(1e6 / m_rate));
}

void HostPace::setRate(double rate) {
    m_rate = std::clamp(rate, m_slowestRate, m_fastestRate);
}

double HostPace::measuredRate(Clock::time_point now) {
    while (!m_fineAnswers.empty() && now - m_fineAnswers.front() > kMeasureSpan)
        m_fineAnswers.pop_front();
    return static_cast<double>(m_fineAnswers.size()) / std::chrono::duration<double>(kMeasureSpan).count();
}

void HostPace::answered(const Start &start, Clock::time_point now) {
    m_fineAnswers.push_back(now);
    const Clock::duration latency = now - start.at;
    while (!m_latencies.empty() && now - m_latencies.front().first > kLatencySpan)
        m_latencies.pop_front();
    Clock::duration fastest = latency;
    for (const auto &[at, seen] : m_latencies)
        fastest = std::min(fastest, seen);
    m_latencies.emplace_back(now, latency);

    if (latency > 3 * fastest && latency > fastest + kSlowMargin) {
        if (now - m_lastSlowCut >= kSlowCutSpacing) {
            m_lastSlowCut = now;
            setRate(m_rate * kSlowDownCut);
        }
        return;
    }
    if (m_quickStart) {
        setRate(m_rate * kQuickStartGrowth);
        return;
    }
    ++m_fineSinceRefusal;
    if (m_rate < kRecoveredShare * m_ceiling)
        setRate(std::min(m_rate * kRecoveryGrowth, kRecoveredShare * m_ceiling));
    else if (m_fineSinceRefusal >= kHoldAnswers)
        setRate(m_rate * kProbeGrowth);
}

bool HostPace::refused(const Start &start, Clock::time_point now) {
    if (start.epoch != m_epoch)
        return false;
    ++m_epoch;
    m_quickStart = false;
    m_fineSinceRefusal = 0;
    m_ceiling = start.rate;
    setRate(kAfterRefusal * std::clamp(measuredRate(now), 0.5 * start.rate, start.rate));
    return true;
}

RefusalAction RefusalStreak::counted() {
    ++m_inARow;
    if (m_adaptive && m_inARow == 1)
        return RefusalAction::SlowDown;
    if (m_pausesInARow >= m_pausesAllowed)
        return RefusalAction::Blocked;
    ++m_pausesInARow;
    return RefusalAction::Pause;
}

std::chrono::milliseconds RefusalStreak::pauseLength(std::chrono::milliseconds backoff) const {
    const int doublings = std::clamp(m_pausesInARow - 1, 0, 16);
    return backoff * (1LL << doublings);
}

} // namespace orbisel::core
