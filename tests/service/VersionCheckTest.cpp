#include "service/VersionCheck.h"

#include "ServiceWindowFixture.h"
#include "app/Program.h"
#include "web/TextRules.h"

namespace orbisel::test {
namespace {

// The version-check controls of the main window and the payers query window; the
// main window also has 时钟1 and the web-address update controls.
Window *createCheckedWindow(WindowId id) {
    const bool main = id == WindowId::Main;
    WindowLayout layout{.caption = main ? "Vantelo" : "payers", .width = 400, .height = 300};
    addVersionCheckControls(layout.controls,
                            main ? VersionCheckHost::KeywordWindow : VersionCheckHost::PayersWindow, 200, 72);
    if (main)
        layout.controls.insert(
            layout.controls.end(),
            {{.name = "时钟1", .kind = ControlKind::Timer},
             {.name = "编辑框更新", .kind = ControlKind::Edit, .w = 96, .h = 16, .shown = false},
             {.name = "按钮13", .kind = ControlKind::Button, .w = 112, .h = 24, .shown = false},
             {.name = "按钮4", .kind = ControlKind::Button, .w = 96, .h = 32}});
    auto *w = new Window(id, layout);
    w->setText("编辑框9", "V0.0.1"); // only the version setting is compared, never a box's text
    // Both windows connect to the service when created, before their checks start.
    if (id == WindowId::Main) {
        installMainVersionCheck(*w);
        w->onCreated([w] {
            connectService();
            w->setTimerPeriod("时钟2", 1000);
        });
    } else {
        installPayersVersionCheck(*w);
        w->onCreated([w] {
            connectService();
            startPayersVersionCheck(*w);
        });
    }
    return w;
}

class VersionCheckTest : public ServiceWindowTest {
protected:
    VersionCheckTest() {
        registerWindow(WindowId::Main, [] { return createCheckedWindow(WindowId::Main); });
        registerWindow(WindowId::PayersQuery, [] { return createCheckedWindow(WindowId::PayersQuery); });
        registerWindow(WindowId::UpdateDownloader, [] {
            return new Window(WindowId::UpdateDownloader, WindowLayout{.width = 420, .height = 101});
        });
    }

    Window *open(WindowId id) {
        EXPECT_TRUE(loadWindow(id));
        return openWindow(id);
    }

    // Reads the latest version once and runs three version-check ticks.
    void readAndTick(Window *w) {
        w->click("按钮16");
        for (int i = 0; i < 3 && !w->isClosed(); ++i)
            w->click("时钟2");
    }

    static MessageBoxRequest question() { return {gbk("发现新版本，是否更新软件"), kMbYesNo, gbk("标题")}; }
};

void expectMessage(const MessageBoxRequest &actual, const MessageBoxRequest &expected) {
    EXPECT_EQ(utf8(actual.text), utf8(expected.text));
    EXPECT_EQ(actual.buttons, expected.buttons);
    EXPECT_EQ(utf8(actual.title), utf8(expected.title));
}

TEST_F(VersionCheckTest, sameOrUnreadLatestVersion_neverAsks) {
    for (const std::string &latest : {std::string(config::kVersionText), std::string()}) {
        SCOPED_TRACE(latest);
        setRow("ID=8", {"", "https://example.com/update", latest, ""});
        setRow("账号=8787", {"", "", latest, ""});
        for (WindowId id : {WindowId::Main, WindowId::PayersQuery}) {
            Window *w = open(id);
            ASSERT_NE(w, nullptr);
            w->click("时钟1");
            readAndTick(w);
            EXPECT_EQ(w->timerPeriod("时钟2"), 1000); // keeps checking
            EXPECT_FALSE(w->isClosed());
        }
        removeRows("1=1"); // a missing row reads as empty texts
        for (WindowId id : {WindowId::Main, WindowId::PayersQuery})
            readAndTick(openWindow(id));
        closeAllWindows();
    }
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.endCodes.empty());
}

TEST_F(VersionCheckTest, differentLatestVersion_asksOnceAndNoEndsProgram) {
    const std::string version = config::kVersionText;
    for (const std::string &latest :
         {version + ".1", toLowerAscii(version), version + " ", std::string("V0.0.1")}) {
        for (WindowId id : {WindowId::Main, WindowId::PayersQuery}) {
            SCOPED_TRACE(latest + (id == WindowId::Main ? " main" : " payers"));
            seams.messages.clear();
            seams.endCodes.clear();
            setRow("ID=8", {"", "https://example.com/update", latest, ""});
            setRow("账号=8787", {"", "", latest, ""});
            Window *w = open(id);
            ASSERT_NE(w, nullptr);
            if (id == WindowId::PayersQuery) {
                EXPECT_EQ(w->timerPeriod("时钟1"), 1000);
                w->click("时钟1");
                EXPECT_EQ(utf8(w->text("编辑框999")), latest);
            }
            w->click("按钮16");
            w->click("时钟2");
            ASSERT_EQ(seams.messages.size(), 1u);
            expectMessage(seams.messages[0], question());
            EXPECT_EQ(w->timerPeriod("时钟2"), 0); // asks at most once
            EXPECT_EQ(seams.endCodes, std::vector<int>{0});
            EXPECT_EQ(openWindow(WindowId::UpdateDownloader), nullptr);
            EXPECT_TRUE(seams.openedAddresses.empty());
            closeAllWindows();
        }
    }
}

TEST_F(VersionCheckTest, yesInMainWindow_opensUpdateAddressAndDownloader) {
    struct Case {
        std::string address;
        bool opened;
    };
    for (const Case &c : {Case{"https://example.com/update", true}, Case{"", false},
                          Case{"file:///etc/passwd", false}, Case{"calc.exe", false}}) {
        SCOPED_TRACE(c.address);
        seams.openedAddresses.clear();
        setRow("ID=8", {"", c.address, "V7.0.0", ""});
        Window *w = open(WindowId::Main);
        seams.answerNext(kIdYes);
        w->click("按钮16");
        w->click("时钟2");
        EXPECT_TRUE(seams.endCodes.empty());
        EXPECT_NE(openWindow(WindowId::UpdateDownloader), nullptr);
        EXPECT_EQ(openWindow(WindowId::Main), nullptr);
        EXPECT_EQ(seams.openedAddresses.size(), c.opened ? 1u : 0u);
        if (c.opened) {
            EXPECT_EQ(utf8(seams.openedAddresses[0]), c.address);
        }
        closeAllWindows();
    }
}

TEST_F(VersionCheckTest, yesInPayersWindow_opensDownloaderOnly) {
    setRow("账号=8787", {"", "", "V7.0.0", ""});
    Window *w = open(WindowId::PayersQuery);
    seams.answerNext(kIdYes);
    w->click("时钟1");
    w->click("时钟2");
    EXPECT_NE(openWindow(WindowId::UpdateDownloader), nullptr);
    EXPECT_EQ(openWindow(WindowId::PayersQuery), nullptr);
    EXPECT_TRUE(seams.openedAddresses.empty());
    EXPECT_TRUE(seams.endCodes.empty());
}

TEST_F(VersionCheckTest, webAddressUpdate_opensDownloadAddressOrSaysNoneFound) {
    const MessageBoxRequest none{gbk("当前没有找到新版本，软件有问题可以反馈给老师哦"), kMbOk,
                                 gbk("爆单提醒")};
    for (const char *button : {"按钮13", "按钮4"}) {
        SCOPED_TRACE(button);
        Window *w = open(WindowId::Main);
        seams.messages.clear();
        seams.openedAddresses.clear();

        setRow("账号=555", {"", "", "http://dl.example.com/Orbisel.exe", "notice"});
        w->click(button);
        EXPECT_EQ(utf8(w->text("编辑框更新")), "http://dl.example.com/Orbisel.exe");
        ASSERT_EQ(seams.openedAddresses.size(), 1u);
        EXPECT_EQ(utf8(seams.openedAddresses[0]), "http://dl.example.com/Orbisel.exe");
        EXPECT_TRUE(seams.messages.empty());

        for (const std::string address : {"", "ftp://dl.example.com/x.exe"}) {
            setRow("账号=555", {"", "", address, ""});
            w->click(button);
        }
        removeRows("账号=555");
        w->click(button);
        EXPECT_EQ(seams.openedAddresses.size(), 1u);
        ASSERT_EQ(seams.messages.size(), 3u);
        for (const auto &m : seams.messages)
            expectMessage(m, none);
        closeAllWindows();
    }
}

} // namespace
} // namespace orbisel::test
