#pragma once

#include <chrono>
#include <functional>

namespace orbisel {

using TimePoint = std::chrono::system_clock::time_point;

// The wall clock every part of the program reads; tests replace it.
TimePoint now();
void setClockForTesting(std::function<TimePoint()> clock); // empty restores the system clock

} // namespace orbisel
