#include "webtools/WebToolPages.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/VersionCheck.h"
#include "web/Encoding.h"
#include "web/Gbk.h"
#include "web/UrlCookies.h"
#include "webtools/Browser.h"
#include "webtools/WebToolWindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <string>

namespace orbisel {

namespace {

constexpr int kDataSharePort = 88;

constexpr const char *kExplanation =
    "说明：\r\n"
    "软件所有数据来自于生意参谋，我们不生产数据，我们是数据的  搬运工   \r\n"
    "\r\n"
    "\r\n"
    "软件在某些配置低的浏览器走势图可能显示不出来可以访问网页【点击上方按钮】查询（建议使用UC浏览器）";

std::string contactCaption(std::string prefix) {
    return prefix + config::kSupportQq;
}

} // namespace

Text indexSiteAddress() {
    return std::string("http://") + config::kIndexHost + "/";
}

Text crmSiteAddress() {
    return config::kCrmHost;
}

Text dataSharePageAddress() {
    return std::string("http://") + config::kDataShareHost + ":" + std::to_string(kDataSharePort) +
           "/Index.aspx";
}

Text payersSearchAddress(const Text &keyword) {
    return std::string("https://") + config::kSearchHost +
           "/search?ie=utf8&tab=vsearch&initiative_id=staobaoz_20180514&js=1&imgfile=&q=" +
           urlEncode(keyword, /*keepUnreserved=*/true, /*asUtf8=*/true) +
           "&suggest=history_2&_input_charset=utf-8&wq=&suggest_query=&source=suggest&sort=renqi-desc&"
           "bcoffset=0"
           "&p4ppushleft=%2C44&s=0";
}

Text dataSharingExplanation() {
    return gbk(kExplanation);
}

FullScreenLayout fullScreenLayout(QSize screen) {
    return {QRect(0, 0, screen.width(), screen.height() - 27),
            QSize(screen.width() - 4, screen.height() - 92)};
}

void applyFullScreenLayout(Window &window) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const FullScreenLayout layout = fullScreenLayout(screen->geometry().size());
    window.move(layout.window.topLeft());
    window.resize(layout.window.size());
    if (QWidget *browser = window.widget(kBrowserControl))
        browser->resize(layout.browser);
}

Window *createIndexWindow() {
    WindowLayout layout{.caption = "窗口1", .width = 760, .height = 416};
    layout.controls = {browserControl(8, 8, 1160, 656)};
    return new Window(WindowId::Index, layout);
}

Window *createCrowdQueryWindow() {
    WindowLayout layout{
        .caption = contactCaption("淘宝人群查询--------------有问题联系QQ"), .width = 894, .height = 470};
    layout.controls = {browserControl(0, 8, 880, 432)};
    return new Window(WindowId::CrowdQuery, layout);
}

Window *createPayersQueryWindow() {
    WindowLayout layout{.caption = contactCaption("今日付款人数查询---有问题联系QQ") + std::string(170, '-'),
                        .width = 1097,
                        .height = 620};
    layout.controls = {
        {.name = "标签1", .kind = ControlKind::Label, .x = 104, .y = 8, .w = 144, .h = 32, .text = "关键词:"},
        {.name = "编辑框1", .kind = ControlKind::Edit, .x = 264, .y = 8, .w = 368, .h = 32},
        {.name = "按钮1", .kind = ControlKind::Button, .x = 768, .y = 8, .w = 136, .h = 32, .text = "查询"},
        browserControl(16, 48, 1200, 616),
    };
    addVersionCheckControls(layout.controls, VersionCheckHost::PayersWindow, 0, 0);
    auto *window = new Window(WindowId::PayersQuery, layout);
    window->onClick("按钮1", [window] { queryPayers(*window); });
    return window;
}

Window *createDataSharingWindow() {
    WindowLayout layout{.caption = "生意参谋数据共享", .width = 380, .height = 280};
    layout.controls = {
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 24,
         .y = 56,
         .w = 104,
         .h = 32,
         .text = "打开网页访问"},
        {.name = "按钮2",
         .kind = ControlKind::Button,
         .x = 160,
         .y = 56,
         .w = 104,
         .h = 32,
         .text = "进入软件访问"},
        {.name = "按钮3", .kind = ControlKind::Button, .x = 312, .y = 0, .w = 56, .h = 24, .text = "帮助"},
        {.name = "编辑框1",
         .kind = ControlKind::MultiLineEdit,
         .x = 8,
         .y = 104,
         .w = 352,
         .h = 144,
         .text = kExplanation,
         .bold = true,
         .styleSheet = "QPlainTextEdit { color: red; background-color: yellow; }"},
        {.name = "时钟1", .kind = ControlKind::Timer},
    };
    auto *window = new Window(WindowId::DataSharing, layout);
    window->onClick("按钮1", [] { openAddress(dataSharePageAddress()); });
    window->onClick("按钮2", [] { loadWindow(WindowId::DataSharingBrowser); });
    window->onClick("按钮3", [] { openAddress(config::kSupportChatLink); });
    return window;
}

Window *createDataSharingBrowserWindow() {
    WindowLayout layout{.width = 380, .height = 250};
    layout.controls = {browserControl(8, 8, 1112, 648)};
    auto *window = new Window(WindowId::DataSharingBrowser, layout);
    window->onCreated([window] {
        setBrowserAddress(*window, dataSharePageAddress());
        applyFullScreenLayout(*window);
    });
    return window;
}

void showIndexPage(Window &window) {
    setBrowserAddress(window, indexSiteAddress());
}

void showCrowdPage(Window &window) {
    setBrowserAddress(window, crmSiteAddress());
    applyFullScreenLayout(window);
}

void queryPayers(Window &window) {
    setBrowserAddress(window, payersSearchAddress(window.text("编辑框1")));
}

} // namespace orbisel
