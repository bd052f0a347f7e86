#include "service/VersionCheck.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"
#include "web/Gbk.h"

#include <QPointer>

namespace orbisel {
namespace {

constexpr char kGroup[] = "分组框1";

const char *latestVersionBox(VersionCheckHost host) {
    return host == VersionCheckHost::KeywordWindow ? "编辑框8" : "编辑框999";
}

// A latest version that could not be read (empty) is no new version.
void checkVersion(Window &window, const std::string &latestBox) {
    const Text latest = window.text(latestBox);
    if (latest.empty() || latest == gbk(config::kVersionText))
        return;
    QPointer<Window> guard(&window);
    window.click("按钮17");
    if (guard)
        guard->setTimerPeriod("时钟2", 0);
}

void askForUpdate(Window &window, VersionCheckHost host) {
    window.setTimerPeriod("时钟2", 0);
    const int answer = messageBox(gbk("发现新版本，是否更新软件"), kMbYesNo, gbk("标题"));
    if (answer != kIdYes) {
        endProgram(0);
        return;
    }
    QPointer<Window> guard(&window);
    if (host == VersionCheckHost::KeywordWindow)
        openServiceAddress(window.text("编辑框10"));
    loadWindow(WindowId::UpdateDownloader);
    if (guard)
        closeWindow(guard.data());
}

void updateFromWebAddress(Window &window) {
    window.setText("编辑框更新", readServiceRow(gbk("账号=555"))[2]);
    if (!openServiceAddress(window.text("编辑框更新")))
        messageBox(gbk("当前没有找到新版本，软件有问题可以反馈给老师哦"), kMbOk, gbk("爆单提醒"));
}

} // namespace

void addVersionCheckControls(std::vector<ControlRow> &controls, VersionCheckHost host, int x, int y) {
    auto edit = [](const char *name, int ex, int ey, int w, int h, const char *text) {
        return ControlRow{.name = name,
                          .kind = ControlKind::Edit,
                          .x = ex,
                          .y = ey,
                          .w = w,
                          .h = h,
                          .text = text,
                          .container = kGroup};
    };
    auto button = [](const char *name, int bx, int by, int w, int h) {
        return ControlRow{
            .name = name, .kind = ControlKind::Button, .x = bx, .y = by, .w = w, .h = h, .container = kGroup};
    };
    auto timer = [](const char *name) {
        return ControlRow{.name = name, .kind = ControlKind::Timer, .container = kGroup};
    };
    controls.push_back(
        {.name = kGroup, .kind = ControlKind::GroupBox, .x = x, .y = y, .w = 296, .h = 128, .shown = false});
    controls.push_back(edit("编辑框9", 32, 16, 80, 24, config::kVersionText));
    controls.push_back(edit(latestVersionBox(host), 32, 48, 72, 32, config::kVersionText));
    controls.push_back(button("按钮16", 144, 56, 64, 24));
    controls.push_back(button("按钮17", 72, 88, 48, 24));
    controls.push_back(timer("时钟2"));
    if (host == VersionCheckHost::KeywordWindow)
        controls.push_back(edit("编辑框10", 120, 24, 168, 24, ""));
    else
        controls.push_back(timer("时钟1"));
}

void installMainVersionCheck(Window &w) {
    const char *latest = latestVersionBox(VersionCheckHost::KeywordWindow);
    w.onTick("时钟2", [&w, latest] { checkVersion(w, latest); });
    w.onClick("按钮16", [&w, latest] {
        const ServiceRow row = readServiceRow(gbk("ID=8"));
        w.setText("编辑框10", row[1]);
        w.setText(latest, row[2]);
    });
    w.onClick("按钮17", [&w] { askForUpdate(w, VersionCheckHost::KeywordWindow); });
    w.onClick("按钮13", [&w] { updateFromWebAddress(w); });
    w.onClick("按钮4", [&w] { updateFromWebAddress(w); });
}

void installPayersVersionCheck(Window &w) {
    const char *latest = latestVersionBox(VersionCheckHost::PayersWindow);
    w.onClick("按钮16", [&w, latest] { w.setText(latest, readServiceRow(gbk("账号=8787"))[2]); });
    w.onTick("时钟1", [&w] { w.click("按钮16"); });
    w.onTick("时钟2", [&w, latest] { checkVersion(w, latest); });
    w.onClick("按钮17", [&w] { askForUpdate(w, VersionCheckHost::PayersWindow); });
}

void startPayersVersionCheck(Window &w) {
    w.setTimerPeriod("时钟1", 1000);
    w.setTimerPeriod("时钟2", 1000);
}

} // namespace orbisel
