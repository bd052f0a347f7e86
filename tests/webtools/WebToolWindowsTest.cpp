// The web tool windows without the service database: addresses, layout,
// rendering of a served page, the data-sharing window's buttons.
#include "webtools/WebToolWindows.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "tests/support/ProgramSeams.h"
#include "tests/webtools/WebTestSupport.h"
#include "web/Gbk.h"
#include "webtools/Browser.h"
#include "webtools/WebToolPages.h"

#include <QGuiApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace orbisel {
namespace {

using test::ProgramSeams;
using test::utf8;
using test::waitUntil;

struct WindowDeleter {
    void operator()(Window *w) const { delete w; }
};
using WindowPtr = std::unique_ptr<Window, WindowDeleter>;

const std::string kSearchTail = "&suggest=history_2&_input_charset=utf-8&wq=&suggest_query=&source=suggest"
                                "&sort=renqi-desc&bcoffset=0&p4ppushleft=%2C44&s=0";

std::string searchAddress(const std::string &encodedKeyword) {
    return std::string("https://") + config::kSearchHost +
           "/search?ie=utf8&tab=vsearch&initiative_id=staobaoz_20180514&js=1&imgfile=&q=" + encodedKeyword +
           kSearchTail;
}

struct KeywordCase {
    const char *keywordUtf8;
    const char *encoded;
};

class PayersQuery : public ::testing::TestWithParam<KeywordCase> {};

TEST_P(PayersQuery, queryButton_navigatesToPopularitySearchForKeyword) {
    WindowPtr window(createPayersQueryWindow());
    EXPECT_EQ(browserAddress(*window), "") << "blank until the first query";
    QSignalSpy navigations(window->widgetAs<QWebEngineView>(kBrowserControl), &QWebEngineView::loadFinished);
    window->setText("编辑框1", gbk(GetParam().keywordUtf8));
    window->click("按钮1");
    EXPECT_EQ(browserAddress(*window), searchAddress(GetParam().encoded));
    ASSERT_TRUE(waitUntil([&] { return navigations.count() == 1; }));
    // The same query again navigates again.
    window->click("按钮1");
    EXPECT_EQ(browserAddress(*window), searchAddress(GetParam().encoded));
    EXPECT_TRUE(waitUntil([&] { return navigations.count() == 2; }));
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, PayersQuery,
    ::testing::Values(KeywordCase{"连衣裙 女 A-b.c_d~/",
                                  "%E8%BF%9E%E8%A1%A3%E8%A3%99%20%E5%A5%B3%20A-b.c%5Fd%7E%2F"},
                      KeywordCase{"", ""}, KeywordCase{" 裙 ", "%20%E8%A3%99%20"},
                      KeywordCase{"a&q=b%", "a%26q%3Db%25"}));

TEST(WebToolAddresses, fixedPagesUseConfiguredHosts) {
    EXPECT_EQ(indexSiteAddress(), std::string("http://") + config::kIndexHost + "/");
    EXPECT_EQ(crmSiteAddress(), std::string(config::kCrmHost));
    EXPECT_EQ(dataSharePageAddress(), std::string("http://") + config::kDataShareHost + ":88/Index.aspx");
}

TEST(WebToolWindows, indexAndCrowdWindows_showTheirPagesWithExactCaptions) {
    WindowPtr index(createIndexWindow());
    showIndexPage(*index);
    EXPECT_EQ(utf8(index->caption()), "窗口1");
    EXPECT_EQ(index->size(), QSize(760, 416));
    EXPECT_EQ(index->widget(kBrowserControl)->geometry(), QRect(8, 8, 1160, 656));
    EXPECT_EQ(browserAddress(*index), indexSiteAddress());

    WindowPtr crowd(createCrowdQueryWindow());
    EXPECT_EQ(crowd->size(), QSize(894, 470));
    EXPECT_EQ(crowd->widget(kBrowserControl)->geometry(), QRect(0, 8, 880, 432));
    showCrowdPage(*crowd);
    EXPECT_EQ(utf8(crowd->caption()),
              std::string("淘宝人群查询--------------有问题联系QQ") + config::kSupportQq);
    EXPECT_EQ(browserAddress(*crowd), crmSiteAddress());
    const FullScreenLayout layout = fullScreenLayout(QGuiApplication::primaryScreen()->geometry().size());
    EXPECT_EQ(crowd->pos(), QPoint(0, 0));
    EXPECT_EQ(crowd->size(), layout.window.size());
    EXPECT_EQ(crowd->widget(kBrowserControl)->geometry(), QRect(QPoint(0, 8), layout.browser));
}

TEST(WebToolWindows, payersWindow_keepsVersionCheckInHiddenGroup) {
    WindowPtr window(createPayersQueryWindow());
    EXPECT_EQ(utf8(window->caption()),
              std::string("今日付款人数查询---有问题联系QQ") + config::kSupportQq + std::string(170, '-'));
    EXPECT_FALSE(window->isShown("分组框1"));
    for (const char *name : {"编辑框9", "编辑框999"})
        EXPECT_EQ(window->text(name), config::kVersionText) << name;
    for (const char *name : {"按钮16", "按钮17", "时钟1", "时钟2"})
        EXPECT_TRUE(window->hasControl(name)) << name;
    EXPECT_EQ(window->timerPeriod("时钟1"), 0);
    EXPECT_EQ(window->timerPeriod("时钟2"), 0);
}

struct LayoutCase {
    QSize screen;
    QRect window;
    QSize browser;
};

class FullScreen : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(FullScreen, layoutFollowsScreenSize) {
    const FullScreenLayout layout = fullScreenLayout(GetParam().screen);
    EXPECT_EQ(layout.window, GetParam().window);
    EXPECT_EQ(layout.browser, GetParam().browser);
}

INSTANTIATE_TEST_SUITE_P(Screens, FullScreen,
                         ::testing::Values(LayoutCase{{1920, 1080}, {0, 0, 1920, 1053}, {1916, 988}},
                                           LayoutCase{{1366, 768}, {0, 0, 1366, 741}, {1362, 676}},
                                           LayoutCase{{800, 600}, {0, 0, 800, 573}, {796, 508}}));

// Registers the windows that need no service database, as the catalogue would.
class DataSharing : public ::testing::Test {
protected:
    void SetUp() override {
        registerWindow(WindowId::DataSharing, createDataSharingWindow);
        registerWindow(WindowId::DataSharingBrowser, createDataSharingBrowserWindow);
    }
    ProgramSeams seams;
};

TEST_F(DataSharing, window_showsFiveLineExplanationInRedBoldOnYellow) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharing));
    Window *window = openWindow(WindowId::DataSharing);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(utf8(window->caption()), "生意参谋数据共享");
    EXPECT_EQ(window->size(), QSize(380, 280));
    EXPECT_EQ(
        utf8(window->text("编辑框1")),
        "说明：\r\n软件所有数据来自于生意参谋，我们不生产数据，我们是数据的  搬运工   \r\n\r\n\r\n"
        "软件在某些配置低的浏览器走势图可能显示不出来可以访问网页【点击上方按钮】查询（建议使用UC浏览器）");
    QWidget *box = window->widget("编辑框1");
    EXPECT_EQ(box->geometry(), QRect(8, 104, 352, 144));
    EXPECT_TRUE(box->font().bold());
    ASSERT_TRUE(waitUntil([&] { return box->isVisible(); }, 5000));
    auto *edit = qobject_cast<QPlainTextEdit *>(box);
    ASSERT_NE(edit, nullptr);
    const QImage image = edit->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 3, image.height() - 3), QColor(Qt::yellow));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::red));
}

TEST_F(DataSharing, buttons_openPageInSystemBrowserAndSupportChat) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharing));
    Window *window = openWindow(WindowId::DataSharing);
    window->click("按钮1");
    window->click("按钮3");
    ASSERT_EQ(seams.openedAddresses.size(), 2u);
    EXPECT_EQ(seams.openedAddresses[0], dataSharePageAddress());
    EXPECT_EQ(seams.openedAddresses[1], std::string(config::kSupportChatLink));
}

TEST_F(DataSharing, enterButton_opensBrowserWindowOnceAndBringsItBack) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharing));
    Window *sharing = openWindow(WindowId::DataSharing);
    sharing->click("按钮2");
    Window *browser = openWindow(WindowId::DataSharingBrowser);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->caption(), "");
    EXPECT_EQ(browserAddress(*browser), dataSharePageAddress());
    const FullScreenLayout layout = fullScreenLayout(QGuiApplication::primaryScreen()->geometry().size());
    EXPECT_EQ(browser->pos(), QPoint(0, 0));
    EXPECT_EQ(browser->size(), layout.window.size());
    EXPECT_EQ(browser->widget(kBrowserControl)->geometry(), QRect(QPoint(8, 8), layout.browser));

    browser->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return browser->isMinimized(); }, 5000));
    sharing->click("按钮2");
    EXPECT_EQ(openWindow(WindowId::DataSharingBrowser), browser);
    EXPECT_EQ(openWindowCount(), 2);
    EXPECT_TRUE(waitUntil([&] { return !browser->isMinimized(); }, 5000));
}

// A served page with Chinese text, shown by a web tool window's browser.
class ServedPage : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.started());
        ASSERT_TRUE(
            server.addFile(QStringLiteral("page.html"),
                           QByteArrayLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                             "<title>数据共享测试页</title></head>"
                                             "<body style=\"background:#00ff00;margin:0\">"
                                             "<h1 style=\"font-size:48px\">生意参谋数据共享 中文显示</h1>"
                                             "<p style=\"font-size:32px\">今日付款人数 人群查询</p>"
                                             "</body></html>")));
        registerWindow(WindowId::DataSharingBrowser, createDataSharingBrowserWindow);
    }
    test::LocalWebServer server;
    ProgramSeams seams;
};

TEST_P(ServedPage, browserRendersLocallyServedPage) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharingBrowser));
    Window *window = openWindow(WindowId::DataSharingBrowser);
    auto *view = window->widgetAs<QWebEngineView>(kBrowserControl);
    ASSERT_NE(view, nullptr);

    const bool withScheme = GetParam();
    const QString address = withScheme ? server.baseUrl() + QStringLiteral("page.html")
                                       : QStringLiteral("127.0.0.1:%1/page.html").arg(server.port());
    setBrowserAddress(*window, toGbk(address));
    EXPECT_EQ(browserAddress(*window), toGbk(address));

    ASSERT_TRUE(waitUntil([&] { return view->title() == QStringLiteral("数据共享测试页"); }));
    EXPECT_EQ(view->url(), QUrl(server.baseUrl() + QStringLiteral("page.html")));
    // The page's background reaches the screen.
    QImage image;
    ASSERT_TRUE(waitUntil([&] {
        image = view->grab().toImage();
        return !image.isNull() &&
               image.pixelColor(image.width() / 2, image.height() - 10) == QColor(0, 255, 0);
    }));
    if (const QByteArray shot = qgetenv("ORBISEL_TEST_SCREENSHOT"); !shot.isEmpty() && withScheme)
        window->grab().save(QString::fromLocal8Bit(shot));
}

INSTANTIATE_TEST_SUITE_P(Addresses, ServedPage, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "withScheme" : "bareHost"; });

} // namespace
} // namespace orbisel
