#include "service/NoticeWindow.h"

#include "ServiceWindowFixture.h"
#include "app/Program.h"
#include "service/ServiceWindows.h"
#include "web/Clock.h"

#include <ctime>

namespace orbisel::test {
namespace {

// Local time on 2024-05-20 (the tests run with TZ=Asia/Shanghai).
TimePoint localTime(int hour, int minute, int second = 0) {
    std::tm tm{};
    tm.tm_year = 2024 - 1900;
    tm.tm_mon = 4;
    tm.tm_mday = 20;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST(NoticeTimeText, hourAndMinuteWithoutLeadingZeros) {
    struct Case {
        int hour, minute;
        const char *text;
    };
    for (const Case &c : {Case{9, 5, "9点5分"}, Case{21, 30, "21点30分"}, Case{0, 0, "0点0分"},
                          Case{23, 59, "23点59分"}, Case{10, 0, "10点0分"}}) {
        EXPECT_EQ(utf8(noticeTimeText(localTime(c.hour, c.minute, 59))), c.text);
    }
}

class NoticeWindowTest : public ServiceWindowTest {
protected:
    void SetUp() override {
        ServiceWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        registerServiceWindows();
        setClockForTesting([this] { return clock; });
        setRow("账号=666", {"", "", "https://course.example.com/live", "课题A"});
        setRow("账号=555", {"", "", "https://dl.example.com/new.exe", "通知B"});
        setRow("账号=456", {"", "", "假", ""});
        removeRows("账号=222");
    }
    ~NoticeWindowTest() override { setClockForTesting({}); }

    Window *open() {
        EXPECT_TRUE(loadWindow(WindowId::Notice));
        return openWindow(WindowId::Notice);
    }

    // One second of the window: refresh, re-arm/switch, then the course opener
    // when it is running.
    void second(Window *w) {
        w->click("时钟1");
        w->click("时钟3");
        if (w->timerPeriod("时钟2") > 0)
            w->click("时钟2");
    }

    TimePoint clock = localTime(21, 29, 50);
};

TEST_F(NoticeWindowTest, creation_startsHiddenWithTimersRunning) {
    Window *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(utf8(w->caption()), "只能打开一个");
    for (const char *timer : {"时钟1", "时钟2", "时钟3"})
        EXPECT_EQ(w->timerPeriod(timer), 1000) << timer;
    EXPECT_EQ(utf8(w->text("编辑框时间")), "666");
    EXPECT_EQ(connects(), 1);
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(NoticeWindowTest, refresh_readsRowsAndRotatesLine) {
    Window *w = open();
    w->click("时钟1");
    EXPECT_EQ(reads(), (std::vector<std::string>{"账号=222", "账号=666", "账号=555", "账号=456"}));
    EXPECT_EQ(utf8(w->text("编辑框时间")), "21点29分");
    EXPECT_EQ(utf8(w->text("编辑框课程")), "https://course.example.com/live");
    EXPECT_EQ(utf8(w->text("编辑框更新")), "https://dl.example.com/new.exe");
    EXPECT_EQ(utf8(w->text("编辑框开课")), ""); // missing row
    EXPECT_EQ(utf8(w->text("标签2")), "Kelmira---我们不生产关键词  我们是关键词的搬运工");
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签2")), "通知B");
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签2")), "课题A");
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签2")), "Kelmira---我们不生产关键词  我们是关键词的搬运工");
}

TEST_F(NoticeWindowTest, courseStartTime_opensCourseOnceInItsMinute) {
    setRow("账号=222", {"", "", "21点30分", ""});
    Window *w = open();
    second(w);
    EXPECT_EQ(w->timerPeriod("时钟2"), 10000); // armed while the minute differs
    EXPECT_TRUE(seams.openedAddresses.empty());

    for (int s = 0; s < 60; s += 5) {
        clock = localTime(21, 30, s);
        second(w);
    }
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    EXPECT_EQ(utf8(seams.openedAddresses[0]), "https://course.example.com/live");
    EXPECT_EQ(w->timerPeriod("时钟2"), 0);

    clock = localTime(21, 31, 0);
    second(w);
    EXPECT_EQ(w->timerPeriod("时钟2"), 10000); // re-armed for the next day
    EXPECT_EQ(seams.openedAddresses.size(), 1u);
}

TEST_F(NoticeWindowTest, startTimeWithLeadingZeroOrBadAddress_neverOpens) {
    setRow("账号=222", {"", "", "21点05分", ""});
    Window *w = open();
    for (int s = 0; s < 60; s += 10) {
        clock = localTime(21, 5, s);
        second(w);
        w->click("时钟2");
    }
    EXPECT_EQ(w->timerPeriod("时钟2"), 10000);

    setRow("账号=222", {"", "", "21点5分", ""});
    setRow("账号=666", {"", "", "file:///etc/passwd", ""});
    second(w);
    w->click("时钟2");
    EXPECT_EQ(w->timerPeriod("时钟2"), 0); // fired, but the address is no web address
    EXPECT_TRUE(seams.openedAddresses.empty());
}

TEST_F(NoticeWindowTest, switchRow_showsAndHidesWindow) {
    Window *w = open();
    struct Step {
        const char *value;
        bool visible;
    };
    for (const Step &s : {Step{"真", true}, Step{"", true}, Step{"其他", true}, Step{"假", false},
                          Step{"", false}, Step{"真", true}}) {
        SCOPED_TRACE(s.value);
        setRow("账号=456", {"", "", s.value, ""});
        second(w);
        EXPECT_EQ(w->isVisible(), s.visible);
    }
}

TEST_F(NoticeWindowTest, serviceDown_endsProgramWithMessage) {
    serviceDown();
    loadWindow(WindowId::Notice);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, serviceStoppedText());
    EXPECT_EQ(seams.messages[0].title, defaultMessageTitle());
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

} // namespace
} // namespace orbisel::test
