#include "program/LauncherWindow.h"

#include "ServiceWindowFixture.h"
#include "app/Program.h"
#include "app/ProgramWindowMarker.h"
#include "service/ServiceWindows.h"

namespace orbisel::test {
namespace {

class LauncherWindowTest : public ServiceWindowTest {
protected:
    void SetUp() override {
        ServiceWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        registerLauncherWindow();
        registerServiceWindows();
        setRow("mima=1900", {"12345", "", "", ""});
        setRow("账号=666", {"", "", "https://course.example.com/live", "课题A"});
    }

    Window *open() {
        EXPECT_TRUE(loadWindow(WindowId::Launcher));
        return openWindow(WindowId::Launcher);
    }
};

TEST_F(LauncherWindowTest, creation_connectsOpensNoticeWindowAndStartsTimer) {
    Window *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(utf8(w->caption()), std::string("Orbisel") + config::kVersionText);
    EXPECT_EQ(w->size(), QSize(288, 407));
    EXPECT_EQ(connects(), 2); // the launcher, then the notice window
    Window *notice = openWindow(WindowId::Notice);
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(w->timerPeriod("时钟1"), 2000);
    EXPECT_EQ(utf8(w->text("标签1")), "Orbisel");
    EXPECT_EQ(utf8(w->text("标签2")), "Orbisel");
    EXPECT_FALSE(w->isControlEnabled("按钮3"));
    EXPECT_FALSE(w->isControlEnabled("按钮12"));
    EXPECT_FALSE(w->palette().brush(QPalette::Window).texture().isNull());

    // The notice window found in this process is not opened twice.
    w->click("按钮2");
    EXPECT_EQ(openWindow(WindowId::Notice), notice);
}

TEST_F(LauncherWindowTest, ticks_rotateStatusLineAndShowCounter) {
    Window *w = open();
    const std::string expected[] = {std::string("有问题联系老师QQ") + config::kSupportQq,
                                    std::string(" 当前版本") + config::kVersionText, "Orbisel",
                                    std::string("有问题联系老师QQ") + config::kSupportQq};
    for (const std::string &text : expected) {
        w->click("时钟1");
        EXPECT_EQ(utf8(w->text("标签2")), text);
        EXPECT_EQ(utf8(w->text("标签1")), "当前累积使用次数：12345");
    }
}

TEST_F(LauncherWindowTest, serviceRestart_counterComesBackOnTickAfterRetryInterval) {
    TimePoint clock = std::chrono::system_clock::now();
    setClockForTesting([&clock] { return clock; });
    Window *w = open();
    const std::string counter = "当前累积使用次数：12345";
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), counter);

    db().stop();
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), "当前累积使用次数：");
    ASSERT_TRUE(db().start()) << db().error();
    clock += std::chrono::seconds(config::kServiceDbRetrySeconds);
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), counter);

    // Restarted between two ticks: the next tick reads the row.
    db().stop();
    ASSERT_TRUE(db().start()) << db().error();
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), counter);
}

TEST_F(LauncherWindowTest, counter_showsColumnTextUnchangedOrNothing) {
    Window *w = open();
    setRow("mima=1900", {"很多 次", "", "", ""});
    w->click("按钮13");
    EXPECT_EQ(utf8(w->text("标签1")), "当前累积使用次数：很多 次");
    removeRows("mima=1900");
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), "当前累积使用次数：");
    EXPECT_EQ(utf8(w->text("编辑框2")), "");
}

TEST_F(LauncherWindowTest, courseButton_opensNoticeCourseAddressOnlyWhenWebAddress) {
    Window *w = open();
    openWindow(WindowId::Notice)->click("时钟1"); // reads the course address
    w->click("按钮7");
    setRow("账号=666", {"", "", "C:\\Windows\\notepad.exe", ""});
    openWindow(WindowId::Notice)->click("时钟1");
    w->click("按钮7");
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    EXPECT_EQ(utf8(seams.openedAddresses[0]), "https://course.example.com/live");
}

TEST_F(LauncherWindowTest, secondInstance_opensNoNoticeWindowAndFixedCoursePage) {
    ProgramWindowMarker firstInstance(programWindowServerName(gbk("只能打开一个")));
    ASSERT_TRUE(firstInstance.isPublished());
    serviceDown(); // a second launcher stays open without the service

    Window *w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(openWindow(WindowId::Notice), nullptr);
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.endCodes.empty());

    w->click("按钮7");
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    EXPECT_EQ(utf8(seams.openedAddresses[0]),
              std::string("https://") + config::kCourseHost + "/webcourse/index.html#cid=" +
                  config::kCourseCid + "&term_id=" + config::kCourseTermId + "&taid=" + config::kCourseTaid);
    w->click("时钟1");
    EXPECT_EQ(utf8(w->text("标签1")), "当前累积使用次数：");
}

TEST_F(LauncherWindowTest, serviceDownAtStart_noticeWindowEndsProgram) {
    serviceDown();
    open();
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, serviceStoppedText());
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

TEST_F(LauncherWindowTest, buttons_openToolWindowsAndSupportChat) {
    const std::pair<const char *, WindowId> tools[] = {
        {"按钮1", WindowId::Main},        {"按钮4", WindowId::Index},       {"按钮9", WindowId::PayersQuery},
        {"按钮10", WindowId::CrowdQuery}, {"按钮5", WindowId::DataSharing}, {"按钮11", WindowId::Ledger},
    };
    for (const auto &[button, id] : tools)
        registerWindow(id, [id] {
            return new Window(id, WindowLayout{.caption = "tool", .width = 100, .height = 100});
        });
    Window *w = open();
    for (const auto &[button, id] : tools) {
        w->click(button);
        EXPECT_NE(openWindow(id), nullptr) << button;
    }
    EXPECT_NE(openWindow(WindowId::Launcher), nullptr); // opening a tool keeps the launcher
    w->click("按钮6");
    w->click("按钮8");
    EXPECT_EQ(seams.openedAddresses, (std::vector<Text>{config::kSupportChatLink, config::kSupportChatLink}));
}

} // namespace
} // namespace orbisel::test
