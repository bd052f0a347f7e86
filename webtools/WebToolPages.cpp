#include "webtools/WebToolPages.h"

#include "app/Gbk.h"
#include "app/Program.h"
#include "orbisel/config.h"
#include "web/Encoding.h"
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

ControlSpec control(std::string name, ControlKind kind, int x, int y, int w, int h, std::string text = {}) {
    ControlSpec spec;
    spec.name = std::move(name);
    spec.kind = kind;
    spec.x = x;
    spec.y = y;
    spec.w = w;
    spec.h = h;
    spec.text = std::move(text);
    return spec;
}

ControlSpec inGroup(ControlSpec spec, std::string group) {
    spec.container = std::move(group);
    return spec;
}

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

Window *newIndexWindow() {
    WindowSpec spec{"窗口1", 760, 416, true, {browserControl(8, 8, 1160, 656)}};
    return new Window(WindowId::Index, spec);
}

Window *newCrowdQueryWindow() {
    WindowSpec spec{contactCaption("淘宝人群查询--------------有问题联系QQ"),
                    894,
                    470,
                    true,
                    {browserControl(0, 8, 880, 432)}};
    return new Window(WindowId::CrowdQuery, spec);
}

Window *newPayersQueryWindow() {
    ControlSpec group = control("分组框1", ControlKind::GroupBox, 0, 0, 160, 120);
    group.shown = false;
    WindowSpec spec{
        contactCaption("今日付款人数查询---有问题联系QQ") + std::string(170, '-'),
        1097,
        620,
        true,
        {
            control("标签1", ControlKind::Label, 104, 8, 144, 32, "关键词:"),
            control("编辑框1", ControlKind::Edit, 264, 8, 368, 32),
            control("按钮1", ControlKind::Button, 768, 8, 136, 32, "查询"),
            browserControl(16, 48, 1200, 616),
            group,
            inGroup(control("编辑框9", ControlKind::Edit, 8, 16, 64, 20, config::kVersionText), "分组框1"),
            inGroup(control("编辑框999", ControlKind::Edit, 80, 16, 64, 20, config::kVersionText), "分组框1"),
            inGroup(control("按钮16", ControlKind::Button, 8, 48, 64, 20), "分组框1"),
            inGroup(control("按钮17", ControlKind::Button, 80, 48, 64, 20), "分组框1"),
            inGroup(control("时钟1", ControlKind::Timer, 0, 0, 0, 0), "分组框1"),
            inGroup(control("时钟2", ControlKind::Timer, 0, 0, 0, 0), "分组框1"),
        }};
    auto *window = new Window(WindowId::PayersQuery, spec);
    window->onClick("按钮1", [window] { queryPayers(*window); });
    return window;
}

Window *newDataSharingWindow() {
    ControlSpec explanation = control("编辑框1", ControlKind::MultiLineEdit, 8, 104, 352, 144);
    explanation.text = kExplanation;
    explanation.bold = true;
    explanation.styleSheet = "QPlainTextEdit { color: red; background-color: yellow; }";
    WindowSpec spec{"生意参谋数据共享",
                    380,
                    280,
                    true,
                    {
                        control("按钮1", ControlKind::Button, 24, 56, 104, 32, "打开网页访问"),
                        control("按钮2", ControlKind::Button, 160, 56, 104, 32, "进入软件访问"),
                        control("按钮3", ControlKind::Button, 312, 0, 56, 24, "帮助"),
                        explanation,
                        control("时钟1", ControlKind::Timer, 0, 0, 0, 0),
                    }};
    auto *window = new Window(WindowId::DataSharing, spec);
    window->onClick("按钮1", [] { openAddress(dataSharePageAddress()); });
    window->onClick("按钮2", [] { loadWindow(WindowId::DataSharingBrowser); });
    window->onClick("按钮3", [] { openAddress(config::kSupportChatLink); });
    return window;
}

Window *newDataSharingBrowserWindow() {
    WindowSpec spec{"", 380, 250, true, {browserControl(8, 8, 1112, 648)}};
    auto *window = new Window(WindowId::DataSharingBrowser, spec);
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
