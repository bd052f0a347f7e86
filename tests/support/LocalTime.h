#pragma once

#include "web/Clock.h"

#include <chrono>
#include <ctime>

namespace orbisel::test {

// The moment a local date and time stands for (the tests run with TZ=Asia/Shanghai).
inline TimePoint localTime(int year, int month, int day, int hour, int minute, int second,
                           int millisecond = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(millisecond);
}

} // namespace orbisel::test
