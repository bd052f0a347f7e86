#include "web/Clock.h"

namespace orbisel {
namespace {
std::function<TimePoint()> &clockOverride() {
    static std::function<TimePoint()> clock;
    return clock;
}
} // namespace

TimePoint now() {
    auto &clock = clockOverride();
    return clock ? clock() : std::chrono::system_clock::now();
}

std::int64_t nowUnix() {
    return std::chrono::duration_cast<std::chrono::seconds>(now().time_since_epoch()).count();
}

void setClockForTesting(std::function<TimePoint()> clock) {
    clockOverride() = std::move(clock);
}

} // namespace orbisel
