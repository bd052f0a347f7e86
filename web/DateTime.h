#pragma once

#include "web/Clock.h"
#include "web/Text.h"

#include <optional>
#include <string_view>

namespace orbisel {

// A date-time value counts days since 1899-12-30 00:00 local time; the
// fraction is the time of day. For values below zero the whole part is the
// day and the fraction's magnitude the time (-1.25 is 1899-12-29 06:00).
struct CalendarFields {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Calendar fields of a value, rounded to the nearest second; empty outside
// the years 100..9999 or for a value that is not a number.
std::optional<CalendarFields> dateTimeToFields(double value);
// The value of calendar fields (the fields are taken as they are; no range check).
double fieldsToDateTime(const CalendarFields &fields);

// Conversions with the wall clock's time points, in the local time zone.
double toDateTime(TimePoint time);
std::optional<TimePoint> fromDateTime(double value);
// The current local date and time (orbisel::now()), to the second.
double currentDateTime();

// Digits of the UTC+8 epoch time stamp: seconds from local 1970-01-01 08:00:00
// followed by the 3-digit milliseconds (13 digits or more); with secondsOnly
// the first 10 digits.
Text unixTimestamp(bool secondsOnly = false);

// Formats with pictures: yyyy, MM, dd, hh (12-hour, no AM/PM marker), HH, mm
// and ss are replaced; every other byte (whole GBK characters) is copied. A
// picture shorter than 3 bytes gives no part. `force24Hour` turns hh into a
// 24-hour hour. Empty for a value without calendar fields.
Text formatWithPictures(double value, std::string_view datePicture, std::string_view timePicture,
                        bool force24Hour = false);

// One of the fixed styles 0..3 (others count as 0) and parts 0..5 (see the
// style table in DateTime.cpp); the value defaults to now.
Text formatDateTime(std::optional<double> value = std::nullopt, int style = 0, int part = 0);

// Whether the user's time format (LC_TIME of the user's locale settings, read
// with newlocale/nl_langinfo_l(T_FMT), never changing the process locale)
// shows a 24-hour clock.
bool localeUses24Hour();
// The decision for one strftime time format: 12-hour when it uses %I, %l or
// %r; 24-hour otherwise (%H, %k, %T, %R, or no hour at all).
bool timeFormatUses24Hour(std::string_view strftimeFormat);

} // namespace orbisel
