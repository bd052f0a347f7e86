#include "app/Program.h"
#include "app/ProgramWindowMarker.h"
#include "app/Startup.h"
#include "tests/support/ProgramSeams.h"
#include "web/Gbk.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace orbisel;
using orbisel::test::ProgramSeams;

namespace {

WindowLayout sampleLayout() {
    WindowLayout layout{.caption = "样例窗口", .width = 300, .height = 200};
    layout.controls = {
        {.name = "编辑框1", .kind = ControlKind::MultiLineEdit, .x = 0, .y = 0, .w = 100, .h = 100},
        {.name = "编辑框2", .kind = ControlKind::Edit, .x = 0, .y = 110, .w = 100, .h = 24, .text = "初始"},
        {.name = "分组框1",
         .kind = ControlKind::GroupBox,
         .x = 120,
         .y = 0,
         .w = 150,
         .h = 150,
         .shown = false},
        {.name = "编辑框3",
         .kind = ControlKind::MultiLineEdit,
         .x = 5,
         .y = 5,
         .w = 100,
         .h = 60,
         .container = "分组框1"},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 5,
         .y = 70,
         .w = 60,
         .h = 24,
         .text = "按",
         .container = "分组框1"},
        {.name = "时钟1", .kind = ControlKind::Timer},
    };
    return layout;
}

struct FrameworkTest : ::testing::Test {
    ProgramSeams seams;
};

TEST_F(FrameworkTest, editBoxes_keepGbkTextWithCrlfExactly) {
    Window w(WindowId::Dedupe, sampleLayout());
    EXPECT_EQ(w.text("编辑框2"), gbk("初始"));
    const Text value = gbk("羽绒服\r\n\r\n连衣裙 女\r\n");
    w.setText("编辑框1", value);
    EXPECT_EQ(w.text("编辑框1"), value);
    w.appendText("编辑框1", gbk("尾巴\r\n"));
    EXPECT_EQ(w.text("编辑框1"), value + gbk("尾巴\r\n"));

    // A user edit is read back from the widget with CRLF line ends.
    auto *edit = w.widgetAs<QPlainTextEdit>("编辑框1");
    w.show();
    edit->setPlainText(QStringLiteral("甲\n乙"));
    EXPECT_EQ(w.text("编辑框1"), gbk("甲\r\n乙"));
}

TEST_F(FrameworkTest, hiddenContainer_hidesContentAndDefersLargeText) {
    Window w(WindowId::Dedupe, sampleLayout());
    w.show();
    EXPECT_FALSE(w.widget("按钮1")->isVisible());
    EXPECT_TRUE(w.isShown("按钮1")); // the control's own flag is unchanged

    Text big;
    for (int i = 0; i < 20000; ++i)
        big += gbk("羽绒服女 冬\r\n");
    w.setText("编辑框3", big);
    EXPECT_EQ(w.text("编辑框3"), big);
    EXPECT_TRUE(w.widgetAs<QPlainTextEdit>("编辑框3")->toPlainText().isEmpty());

    w.setShown("分组框1", true);
    EXPECT_TRUE(w.widget("按钮1")->isVisible());
    EXPECT_EQ(w.widgetAs<QPlainTextEdit>("编辑框3")->document()->blockCount(), 20001);
}

TEST_F(FrameworkTest, timerPeriod_sameValueDoesNotRestart_negativeStops) {
    Window w(WindowId::Dedupe, sampleLayout());
    auto *timer = w.findChild<QTimer *>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(w.timerPeriod("时钟1"), 0);
    EXPECT_FALSE(timer->isActive());

    w.setTimerPeriod("时钟1", 1000);
    QTest::qWait(150);
    const int before = timer->remainingTime();
    w.setTimerPeriod("时钟1", 1000);
    EXPECT_LE(timer->remainingTime(), before);
    EXPECT_LT(timer->remainingTime(), 900);

    w.setTimerPeriod("时钟1", 5000);
    EXPECT_GT(timer->remainingTime(), 4000);

    w.setTimerPeriod("时钟1", -5);
    EXPECT_EQ(w.timerPeriod("时钟1"), 0);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(FrameworkTest, timerTicks_runHandlerUntilWindowCloses) {
    int ticks = 0;
    registerWindow(WindowId::Dedupe, [&] {
        auto *w = new Window(WindowId::Dedupe, sampleLayout());
        w->onTick("时钟1", [&] { ++ticks; });
        w->onCreated([w] { w->setTimerPeriod("时钟1", 10); });
        return w;
    });
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
    closeWindow(WindowId::Dedupe);
    const int atClose = ticks;
    QTest::qWait(50);
    EXPECT_EQ(ticks, atClose);
}

TEST_F(FrameworkTest, loadWindow_opensOnceAndBringsOpenWindowBack) {
    int created = 0;
    registerWindow(WindowId::Dedupe, [&] {
        auto *w = new Window(WindowId::Dedupe, sampleLayout());
        w->onCreated([&] { ++created; });
        return w;
    });
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    Window *first = openWindow(WindowId::Dedupe);
    first->showMinimized();
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    EXPECT_EQ(openWindow(WindowId::Dedupe), first);
    EXPECT_EQ(created, 1);
    EXPECT_FALSE(first->isMinimized());

    // A window opened again after closing starts from its table.
    first->setText("编辑框2", gbk("改过"));
    closeWindow(first);
    EXPECT_EQ(openWindow(WindowId::Dedupe), nullptr);
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    EXPECT_EQ(created, 2);
    EXPECT_EQ(openWindow(WindowId::Dedupe)->text("编辑框2"), gbk("初始"));
}

TEST_F(FrameworkTest, createdHandlerThatClosesWindow_isNeverShown) {
    Window *made = nullptr;
    registerWindow(WindowId::Index, [&] {
        made = new Window(WindowId::Index, sampleLayout());
        made->onCreated([&] { closeWindow(made); });
        return made;
    });
    EXPECT_FALSE(loadWindow(WindowId::Index));
    EXPECT_EQ(openWindow(WindowId::Index), nullptr);
}

TEST_F(FrameworkTest, processEndsWithLastWindow_hiddenWindowsCount) {
    registerWindow(WindowId::Dedupe, [] { return new Window(WindowId::Dedupe, sampleLayout()); });
    registerWindow(WindowId::Notice, [] {
        WindowLayout layout = sampleLayout();
        layout.visibleWhenCreated = false;
        return new Window(WindowId::Notice, layout);
    });
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    ASSERT_TRUE(loadWindow(WindowId::Notice));
    EXPECT_FALSE(openWindow(WindowId::Notice)->isVisible());

    closeWindow(WindowId::Dedupe);
    EXPECT_EQ(seams.lastWindowClosedCount, 0);
    closeWindow(WindowId::Notice);
    EXPECT_EQ(seams.lastWindowClosedCount, 1);
}

TEST_F(FrameworkTest, modalWindow_returnsWhenClosed) {
    registerWindow(WindowId::LedgerEntry, [] { return new Window(WindowId::LedgerEntry, sampleLayout()); });
    bool sawModal = false;
    QTimer::singleShot(50, [&] {
        Window *w = openWindow(WindowId::LedgerEntry);
        sawModal = w && w->isModal();
        closeWindow(w);
    });
    EXPECT_TRUE(loadWindow(WindowId::LedgerEntry, true));
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(openWindow(WindowId::LedgerEntry), nullptr);
}

TEST_F(FrameworkTest, messageBox_defaultTitleAndResultCodes) {
    seams.answerNext(kIdYes);
    EXPECT_EQ(messageBox(gbk("发现新版本，是否更新软件"), kMbYesNo, gbk("标题")), kIdYes);
    EXPECT_EQ(messageBox(gbk("完成")), kIdOk);
    ASSERT_EQ(seams.messages.size(), 2u);
    EXPECT_EQ(seams.messages[0].title, gbk("标题"));
    EXPECT_EQ(seams.messages[0].buttons, kMbYesNo);
    EXPECT_EQ(seams.messages[1].title, gbk("信息："));
    EXPECT_EQ(seams.messages[1].buttons, kMbOk);
}

TEST_F(FrameworkTest, hiddenButton_runsAsNamedHandler) {
    Window w(WindowId::Dedupe, sampleLayout());
    int clicks = 0;
    w.onClick("按钮1", [&] { ++clicks; });
    w.click("按钮1");
    w.widgetAs<QPushButton>("按钮1")->click();
    EXPECT_EQ(clicks, 2);
}

TEST_F(FrameworkTest, nameMissingFromTheTable_failsTheTestWhenTheWindowIsCreated) {
    struct Case {
        const char *missing;
        std::function<void(WindowLayout &)> editTable;
        std::function<void(Window &)> bind;
    };
    const Case cases[] = {
        {"按钮9", {}, [](Window &w) { w.onClick("按钮9", [] {}); }},
        {"时钟9", {}, [](Window &w) { w.onTick("时钟9", [] {}); }},
        {"编辑框9", {}, [](Window &w) { w.onCreated([&w] { w.setText("编辑框9", "x"); }); }},
        {"分组框9", [](WindowLayout &layout) { layout.controls[1].container = "分组框9"; }, {}},
    };
    for (const Case &c : cases) {
        registerWindow(WindowId::Dedupe, [&c] {
            WindowLayout layout = sampleLayout();
            if (c.editTable)
                c.editTable(layout);
            auto *w = new Window(WindowId::Dedupe, layout);
            if (c.bind)
                c.bind(*w);
            return w;
        });
        EXPECT_NONFATAL_FAILURE(loadWindow(WindowId::Dedupe),
                                std::string("no control named \"") + c.missing + "\"");
        test::closeAllWindows();
    }
}

TEST_F(FrameworkTest, findProgramWindow_findsLocalAndOtherProcessWindows) {
    const Text caption = gbk("只能打开一个");
    EXPECT_FALSE(findProgramWindow(caption).has_value());

    // Another process publishing the caption.
    const QString name = programWindowServerName(caption);
    QProcess other;
    other.start(QStringLiteral("/usr/bin/python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import socket,sys,os\n"
                                "p=os.path.join('/tmp',sys.argv[1])\n"
                                "s=socket.socket(socket.AF_UNIX)\ns.bind(p)\ns.listen(5)\n"
                                "print('ready',flush=True)\nsys.stdin.read()\nos.unlink(p)\n"),
                 name});
    ASSERT_TRUE(other.waitForReadyRead(5000));
    auto found = findProgramWindow(caption);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->local, nullptr);
    other.closeWriteChannel();
    other.waitForFinished(5000);
    EXPECT_FALSE(findProgramWindow(caption).has_value());

    WindowLayout layout = sampleLayout();
    layout.caption = "只能打开一个";
    Window local(WindowId::Notice, layout);
    EXPECT_TRUE(findProgramWindow(caption).has_value());
}

TEST_F(FrameworkTest, publishedCaption_keepsAnsweringManyLookups) {
    const QString name = programWindowServerName(gbk("标记"));
    ProgramWindowMarker marker(name);
    ASSERT_TRUE(marker.isPublished());
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(ProgramWindowMarker::isAnswering(name)) << "lookup " << i;
        QCoreApplication::processEvents();
    }
}

TEST_F(FrameworkTest, startWindowThatCannotBeCreated_reportsAndExitsMinusOne) {
    registerWindow(WindowId::Launcher, [] { return nullptr; });
    EXPECT_EQ(runProgram(WindowId::Launcher), -1);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, gbk("载入启动窗口失败"));
}

} // namespace
