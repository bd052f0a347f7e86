#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace orbisel {

using TimePoint = std::chrono::system_clock::time_point;

// The wall clock every part of the program reads; tests replace it.
TimePoint now();
// now() in whole seconds since 1970-01-01 UTC.
std::int64_t nowUnix();
void setClockForTesting(std::function<TimePoint()> clock); // empty restores the system clock

} // namespace orbisel
