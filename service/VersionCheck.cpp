#include "service/VersionCheck.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"
#include "web/Gbk.h"

#include <QPointer>

namespace orbisel {
namespace {

enum class Asker { Main, Payers };

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

void askForUpdate(Window &window, Asker asker) {
    window.setTimerPeriod("时钟2", 0);
    const int answer = messageBox(gbk("发现新版本，是否更新软件"), kMbYesNo, gbk("标题"));
    if (answer != kIdYes) {
        endProgram(0);
        return;
    }
    QPointer<Window> guard(&window);
    if (asker == Asker::Main)
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

void installMainVersionCheck(Window &w) {
    w.onTick("时钟2", [&w] { checkVersion(w, "编辑框8"); });
    w.onClick("按钮16", [&w] {
        const ServiceRow row = readServiceRow(gbk("ID=8"));
        w.setText("编辑框10", row[1]);
        w.setText("编辑框8", row[2]);
    });
    w.onClick("按钮17", [&w] { askForUpdate(w, Asker::Main); });
    w.onClick("按钮13", [&w] { updateFromWebAddress(w); });
    w.onClick("按钮4", [&w] { updateFromWebAddress(w); });
}

void installPayersVersionCheck(Window &w) {
    w.onClick("按钮16", [&w] { w.setText("编辑框999", readServiceRow(gbk("账号=8787"))[2]); });
    w.onTick("时钟1", [&w] { w.click("按钮16"); });
    w.onTick("时钟2", [&w] { checkVersion(w, "编辑框999"); });
    w.onClick("按钮17", [&w] { askForUpdate(w, Asker::Payers); });
}

void startPayersVersionCheck(Window &w) {
    w.setTimerPeriod("时钟1", 1000);
    w.setTimerPeriod("时钟2", 1000);
}

} // namespace orbisel
