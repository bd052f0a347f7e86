#include "mining/DedupeWindow.h"

#include "app/Program.h"
#include "mining/KeywordLists.h"
#include "mining/ListActions.h"
#include "tests/support/ProgramSeams.h"
#include "web/Gbk.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace orbisel {
namespace {

class MiningWindows : public ::testing::Test {
protected:
    void TearDown() override { test::closeAllWindows(); }
    test::ProgramSeams seams;
};

TEST_F(MiningWindows, dedupeWindow_buttonCleansItsText) {
    registerDedupeWindow();
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    Window *window = openWindow(WindowId::Dedupe);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(test::utf8(window->caption()), std::string("Vantelo-有问题联系QQ") + "800012345");
    EXPECT_EQ(window->size(), QSize(321, 405));
    EXPECT_EQ(window->widget("按钮1")->geometry(), QRect(104, 320, 96, 24));
    EXPECT_EQ(window->widget("编辑框1")->geometry(), QRect(0, 0, 312, 376));

    window->setText("编辑框1", gbk("韩版女装\r\n女装\r\nA\r\na\r\nb"));
    window->widgetAs<QPushButton>("按钮1")->click();
    EXPECT_EQ(test::utf8(window->text("编辑框1")), "韩版女装\r\nA\r\nb\r\n");
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(MiningWindows, dedupeWindow_keepsTypedCharactersGbkLacks) {
    registerDedupeWindow();
    ASSERT_TRUE(loadWindow(WindowId::Dedupe));
    Window *window = openWindow(WindowId::Dedupe);
    ASSERT_NE(window, nullptr);
    auto *box = window->widgetAs<QPlainTextEdit>("编辑框1");
    ASSERT_NE(box, nullptr);
    box->setPlainText(QStringLiteral("jörg\n결과\n😀\n😁\n결과\nJÖRG\njörg\n韩版女装\n女装"));
    window->widgetAs<QPushButton>("按钮1")->click();
    EXPECT_EQ(box->toPlainText().toStdString(), "jörg\n결과\n😀\n😁\nJÖRG\n韩版女装\n");
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(MiningWindows, runListFilter_replacesResultBoxWithMatches) {
    WindowLayout layout{.caption = "filter", .width = 300, .height = 300};
    layout.controls = {
        {.name = "超级编辑框1", .kind = ControlKind::MultiLineEdit, .w = 100, .h = 100},
        {.name = "编辑框TOP", .kind = ControlKind::MultiLineEdit, .w = 10, .h = 10, .shown = false},
        {.name = "编辑框TOP结果", .kind = ControlKind::MultiLineEdit, .x = 100, .w = 100, .h = 100},
    };
    Window window(WindowId::Main, layout);
    window.setText("编辑框TOP", topKeywordList());
    window.setText("编辑框TOP结果", gbk("旧结果\r\n"));
    window.setText("超级编辑框1", gbk("日本热血动漫排行榜\r\n"));
    runListFilter(window, "编辑框TOP", "编辑框TOP结果");
    EXPECT_EQ(test::utf8(window.text("编辑框TOP结果")), "日本热血动漫排行榜\r\n");

    window.setText("超级编辑框1", Text());
    runListFilter(window, "编辑框TOP", "编辑框TOP结果");
    EXPECT_EQ(window.text("编辑框TOP结果"), Text());
}

TEST_F(MiningWindows, openListDownload_opensPublishedAddress) {
    openListDownload(ListDownload::TopMobile);
    ASSERT_EQ(seams.openedAddresses.size(), 1u);
    EXPECT_EQ(seams.openedAddresses[0], listDownloadAddress(ListDownload::TopMobile));
}

TEST_F(MiningWindows, userCsv_replacesBuiltInList) {
    const QString path = userKeywordListPath(KeywordList::Potential);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBFkeyword,count\r\n洗车机,5\r\n钢丝绳,3\r\n");
    }
    EXPECT_EQ(test::utf8(loadKeywordList(KeywordList::Potential)), "关键词\r\n洗车机\r\n钢丝绳\r\n");
    EXPECT_EQ(loadKeywordList(KeywordList::Top), builtInKeywordList(KeywordList::Top));

    // A file without keywords leaves the built-in list in place.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("keyword\r\n");
    }
    EXPECT_EQ(loadKeywordList(KeywordList::Potential), builtInKeywordList(KeywordList::Potential));
    QFile::remove(path);
    EXPECT_EQ(loadKeywordList(KeywordList::Potential), builtInKeywordList(KeywordList::Potential));
}

} // namespace
} // namespace orbisel
