#include "web/DateTime.h"

#include "web/Encoding.h"
#include "web/TextRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace orbisel {
namespace {

// Days from 1899-12-30 to the civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long unixDays = era * 146097 + static_cast<long long>(doe) - 719468;
    return unixDays + 25569; // 1970-01-01 is day 25569
}

void civilFromDays(long long days, int &year, int &month, int &day) {
    long long z = days - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr double kMinValue = -657434.0;        // 0100-01-01
constexpr double kMaxValue = 2958465.99999999; // 9999-12-31 23:59:59

struct Style {
    const char *date, *time, *monthDay, *hourMinute, *minuteSecond;
};

// Pictures of the four styles, as UTF-8 literals converted to GBK on use.
constexpr Style kStyles[4] = {
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
};

} // namespace

std::optional<CalendarFields> dateTimeToFields(double value) {
    if (!(value >= kMinValue && value <= kMaxValue))
        return std::nullopt;
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    long long seconds = std::llround(fraction * 86400.0);
    long long days = static_cast<long long>(whole);
    if (seconds >= 86400) { // rounding reached midnight of the next day
        seconds -= 86400;
        days += 1;
    }
    CalendarFields f;
    civilFromDays(days, f.year, f.month, f.day);
    f.hour = static_cast<int>(seconds / 3600);
    f.minute = static_cast<int>(seconds / 60 % 60);
    f.second = static_cast<int>(seconds % 60);
    if (f.year < 100 || f.year > 9999)
        return std::nullopt;
    return f;
}

double fieldsToDateTime(const CalendarFields &f) {
    double days = static_cast<double>(
        daysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)));
    double time = (f.hour * 3600.0 + f.minute * 60.0 + f.second) / 86400.0;
    return days >= 0 ? days + time : days - time;
}

double toDateTime(TimePoint time) {
    using namespace std::chrono;
    auto sinceEpoch = time.time_since_epoch();
    std::time_t secs = static_cast<std::time_t>(floor<seconds>(sinceEpoch).count());
    double millis =
        static_cast<double>(duration_cast<milliseconds>(sinceEpoch - floor<seconds>(sinceEpoch)).count());
    std::tm tm{};
    localtime_r(&secs, &tm);
    CalendarFields f{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return fieldsToDateTime(f) + millis / 86400000.0;
}

std::optional<TimePoint> fromDateTime(double value) {
    auto f = dateTimeToFields(value);
    if (!f)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = f->year - 1900;
    tm.tm_mon = f->month - 1;
    tm.tm_mday = f->day;
    tm.tm_hour = f->hour;
    tm.tm_min = f->minute;
    tm.tm_sec = f->second;
    tm.tm_isdst = -1;
    std::time_t t = mktime(&tm);
    return std::chrono::system_clock::from_time_t(t);
}

double currentDateTime() {
    return toDateTime(std::chrono::floor<std::chrono::seconds>(now()));
}

Text unixTimestamp(bool secondsOnly) {
    using namespace std::chrono;
    const TimePoint t = now();
    // Milliseconds from the wall clock; the seconds from the whole-second local date-time.
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
    const long long millis = ((ms % 1000) + 1000) % 1000;
    const double local = toDateTime(floor<seconds>(t));
    const double epoch = fieldsToDateTime({1970, 1, 1, 8, 0, 0});
    const long long s = static_cast<long long>((local - epoch) * 86400.0 + 5.787037037037037e-6);
    char digits[40];
    std::snprintf(digits, sizeof digits, "%lld%03lld", s < 0 ? -s : s, millis);
    Text stamp = digits;
    if (secondsOnly) {
        stamp.resize(std::min<std::size_t>(stamp.size(), 10));
        stamp.append(10 - stamp.size(), '0');
    } else if (stamp.size() < 13) {
        stamp.append(13 - stamp.size(), '0');
    }
    return stamp;
}

Text formatWithPictures(double value, std::string_view datePicture, std::string_view timePicture,
                        bool force24Hour) {
    const auto f = dateTimeToFields(value);
    if (!f)
        return {};
    auto render = [&](std::string_view picture) {
        Text out;
        if (picture.size() < 3)
            return out;
        char buf[8];
        auto number = [&](int n, const char *format) {
            std::snprintf(buf, sizeof buf, format, n);
            out += buf;
        };
        for (std::size_t i = 0; i < picture.size();) {
            std::string_view rest = picture.substr(i);
            if (rest.starts_with("yyyy")) {
                number(f->year, "%04d");
                i += 4;
                continue;
            }
            std::string_view two = rest.substr(0, 2);
            int hour12 = f->hour % 12 == 0 ? 12 : f->hour % 12;
            if (two == "MM")
                number(f->month, "%02d");
            else if (two == "dd")
                number(f->day, "%02d");
            else if (two == "hh")
                number(force24Hour ? f->hour : hour12, "%02d");
            else if (two == "HH")
                number(f->hour, "%02d");
            else if (two == "mm")
                number(f->minute, "%02d");
            else if (two == "ss")
                number(f->second, "%02d");
            else {
                std::size_t len = gbkCharLength(picture, i);
                out.append(picture.substr(i, len));
                i += len;
                continue;
            }
            i += 2;
        }
        return out;
    };
    return render(datePicture) + render(timePicture);
}

Text formatDateTime(std::optional<double> value, int style, int part) {
    const double when = value ? *value : currentDateTime();
    if (style < 0 || style > 3)
        style = 0;
    const Style &s = kStyles[style];
    auto gbk = [](const char *utf8) { return utf8ToGbk(utf8); };
    Text date, time;
    switch (part) {
    case 1:
        date = trimGbkSpaces(gbk(s.date));
        break;
    case 2:
        date = gbk(s.monthDay);
        break;
    case 3:
        time = gbk(s.time);
        break;
    case 4:
        time = gbk(s.hourMinute);
        break;
    case 5:
        time = gbk(s.minuteSecond);
        break;
    default:
        date = gbk(s.date);
        time = gbk(s.time);
        break;
    }
    if (localeUses24Hour())
        time = replaceText(time, "hh", "HH");
    return formatWithPictures(when, date, time, false);
}

bool timeFormatUses24Hour(std::string_view format) {
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        std::size_t j = i + 1;
        while (j < format.size() &&
               (format[j] == 'E' || format[j] == 'O' || format[j] == '-' || format[j] == '_' ||
                format[j] == '0' || format[j] == '^' || format[j] == '#'))
            ++j;
        if (j < format.size() && (format[j] == 'I' || format[j] == 'l' || format[j] == 'r'))
            return false;
        i = j;
    }
    return true;
}

bool localeUses24Hour() {
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        return true; // the user's settings name no usable locale: the C locale's %H:%M:%S
    const bool result = timeFormatUses24Hour(nl_langinfo_l(T_FMT, loc));
    freelocale(loc);
    return result;
}

} // namespace orbisel
