#include "web/DateTime.h"

#include "tests/support/LocalTime.h"
#include "web/Encoding.h"
#include "web/Numbers.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

using namespace orbisel;

namespace {
Text g(const char *utf8) {
    return utf8ToGbk(utf8);
}

// The tests run with TZ=Asia/Shanghai (UTC+8) and a 24-hour C locale.
using test::localTime;

class FixedClock : public ::testing::Test {
protected:
    void TearDown() override { setClockForTesting({}); }
    void setNow(TimePoint t) {
        setClockForTesting([t] { return t; });
    }
};

const double kSample = fieldsToDateTime({2019, 1, 25, 9, 5, 7});
} // namespace

TEST(DateTime, valuesAndCalendarFields_convertBothWays) {
    EXPECT_DOUBLE_EQ(fieldsToDateTime({1899, 12, 30, 0, 0, 0}), 0.0);
    EXPECT_DOUBLE_EQ(fieldsToDateTime({1900, 1, 1, 12, 0, 0}), 2.5);
    EXPECT_DOUBLE_EQ(fieldsToDateTime({1899, 12, 29, 6, 0, 0}), -1.25);
    auto f = dateTimeToFields(-1.25);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->day, 29);
    EXPECT_EQ(f->hour, 6);
    f = dateTimeToFields(kSample);
    ASSERT_TRUE(f);
    EXPECT_EQ((std::array{f->year, f->month, f->day, f->hour, f->minute, f->second}),
              (std::array{2019, 1, 25, 9, 5, 7}));
    // 23:59:59.9 rounds to midnight of the next day.
    f = dateTimeToFields(fieldsToDateTime({2019, 12, 31, 23, 59, 59}) + 0.9 / 86400);
    ASSERT_TRUE(f);
    EXPECT_EQ((std::array{f->year, f->month, f->day, f->hour}), (std::array{2020, 1, 1, 0}));
    EXPECT_FALSE(dateTimeToFields(1e9));
    EXPECT_FALSE(dateTimeToFields(std::nan("")));
    EXPECT_EQ(formatWithPictures(1e9, "yyyy", "hh:mm"), "");
    const TimePoint t = localTime(2019, 1, 25, 9, 5, 7, 0);
    EXPECT_DOUBLE_EQ(toDateTime(t), kSample);
    EXPECT_EQ(fromDateTime(kSample), t);
}

TEST_F(FixedClock, unixTimestamp_followsTheUtc8EpochRule) {
    setNow(localTime(2019, 1, 25, 14, 0, 0, 42));
    EXPECT_EQ(unixTimestamp(), "1548396000042");
    EXPECT_EQ(unixTimestamp(true), "1548396000");
    setNow(localTime(2019, 1, 25, 9, 5, 7, 5));
    EXPECT_EQ(unixTimestamp(), "1548378307005");
    setNow(localTime(1970, 1, 1, 8, 0, 1, 999));
    EXPECT_EQ(unixTimestamp(), "1999000000000"); // "1999" padded with zeros to 13 digits
    EXPECT_EQ(unixTimestamp(true), "1999000000");
}

TEST(DateTime, formatDateTime_stylesAndParts) {
    struct Case {
        int style, part;
        const char *expected;
    } cases[] = {
        {0, 0, "2019年01月25日 09时05分07秒"},
        {1, 0, "2019-01-25 09:05:07"},
        {2, 0, "2019/01/25 09/05/07"},
        {3, 0, "20190125090507"},
        {3, 1, "20190125"},
        {1, 1, "2019-01-25"},
        {1, 2, "01-25"},
        {0, 2, "01月25日"},
        {1, 3, "09:05:07"},
        {1, 4, "09:05"},
        {1, 5, "05:07"},
        {0, 5, "05分07秒"},
        {7, 0, "2019年01月25日 09时05分07秒"},
        {-1, 9, "2019年01月25日 09时05分07秒"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatDateTime(kSample, c.style, c.part), g(c.expected)) << c.style << "/" << c.part;
}

TEST_F(FixedClock, formatDateTime_defaultsToNow) {
    setNow(localTime(2021, 6, 1, 23, 4, 5, 900));
    EXPECT_EQ(formatDateTime(std::nullopt, 3, 0), "20210601230405");
}

TEST(DateTime, formatWithPictures_hourClockAndCopiedBytes) {
    const double afternoon = fieldsToDateTime({2019, 1, 25, 15, 30, 0});
    EXPECT_EQ(formatWithPictures(afternoon, "", "hh:mm:ss"), "03:30:00");
    EXPECT_EQ(formatWithPictures(afternoon, "", "hh:mm:ss", true), "15:30:00");
    EXPECT_EQ(formatWithPictures(afternoon, "", "HH:mm"), "15:30");
    EXPECT_EQ(formatWithPictures(fieldsToDateTime({2019, 1, 25, 0, 7, 0}), "", "hh:mm"), "12:07");
    // Pictures shorter than 3 bytes give nothing; unknown letters are copied.
    EXPECT_EQ(formatWithPictures(afternoon, "MM", "hh"), "");
    EXPECT_EQ(formatWithPictures(afternoon, "yyy-M-d", ""), "yyy-M-d");
    // A GBK character whose second byte is 'd' (B0 64) is copied whole, not read as a picture letter.
    EXPECT_EQ(formatWithPictures(afternoon,
                                 "\xB0"
                                 "dd"
                                 "dd",
                                 ""),
              "\xB0"
              "d25d");
}

TEST(DateTime, timeFormatUses24Hour_readsTheLocaleTimeFormat) {
    struct Case {
        const char *format;
        bool expected;
    } cases[] = {{"%H:%M:%S", true},     {"%T", true},  {"%k:%M", true},     {"", true},
                 {"%I:%M:%S %p", false}, {"%r", false}, {"%l:%M %p", false}, {"%OI時", false}};
    for (const Case &c : cases)
        EXPECT_EQ(timeFormatUses24Hour(c.format), c.expected) << c.format;
    EXPECT_TRUE(localeUses24Hour()); // the test environment's C.UTF-8 locale
}

TEST(Numbers, formatAndParseFollowTheNumberRules) {
    EXPECT_EQ(formatNumber(42), "42");
    EXPECT_EQ(formatNumber(60.5), "60.5");
    EXPECT_EQ(formatNumber(3.0), "3");
    EXPECT_EQ(formatNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatNumber(1e15), "1e+15");
    struct Case {
        Text text;
        double expected;
    } cases[] = {
        {g("１２元"), 12},
        {"60.50", 60.5},
        {"", 0},
        {g("　－３．５"), -3.5},
        {"  +7e2x", 700},
        {"1e", 1},
        {"abc", 0},
        {".5", 0.5},
        {"-", 0},
        {"0x1A", 0},
        {g("单价９９"), 0},
        {"1e400", HUGE_VAL},
    };
    for (const Case &c : cases)
        EXPECT_EQ(textToNumber(c.text), c.expected) << c.text;
}
