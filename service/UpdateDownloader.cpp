#include "service/UpdateDownloader.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/UpdateFtp.h"
#include "web/Gbk.h"

#include <QPointer>

namespace orbisel {
namespace {

WindowLayout downloaderLayout() {
    WindowLayout layout{.width = 420, .height = 101};
    layout.controls = {
        {.name = "进度条1", .kind = ControlKind::ProgressBar, .x = 48, .y = 16, .w = 296, .h = 24},
        {.name = "编辑框1", .kind = ControlKind::Edit, .x = 224, .y = 48, .w = 96, .h = 24},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 360,
         .y = 16,
         .w = 48,
         .h = 24,
         .text = "下载",
         .shown = false},
        {.name = "按钮2", .kind = ControlKind::Button, .x = 24, .y = 48, .w = 40, .h = 16, .shown = false},
        {.name = "按钮3",
         .kind = ControlKind::Button,
         .x = 336,
         .y = 56,
         .w = 72,
         .h = 16,
         .text = "链接FTP",
         .shown = false},
        {.name = "时钟1", .kind = ControlKind::Timer},
        {.name = "时钟2", .kind = ControlKind::Timer},
    };
    return layout;
}

bool connectFtpOrEnd() {
    if (connectUpdateFtp())
        return true;
    messageBox(gbk("FTP连接失败!"));
    endProgram(0);
    return false;
}

void download(Window &w) {
    w.setTimerPeriod("时钟2", 0);
    const Text name = w.text("编辑框1");
    if (name.empty())
        return;
    QPointer<Window> guard(&w);
    // A failed download is not reported apart from the message that follows.
    downloadUpdateFile(name);
    if (guard && !guard->isClosed())
        guard->setProgress("进度条1", 100);
}

void driveDownload(Window &w) {
    QPointer<Window> guard(&w);
    const Text name = w.text("编辑框1");
    if (!name.empty()) {
        w.click("按钮1");
        if (!guard || guard->isClosed())
            return;
        w.setTimerPeriod("时钟2", 0);
        messageBox(gbk("当前新版本【") + name + gbk("】,如果自动新版本更新失败 请联系QQ") +
                       config::kSupportQq,
                   kMbOk, gbk("版本更新"));
    }
    if (guard && !guard->isClosed() && guard->progress("进度条1") == 100)
        closeWindow(guard.data());
}

} // namespace

Window *createUpdateDownloader() {
    auto *w = new Window(WindowId::UpdateDownloader, downloaderLayout());
    w->onClick("按钮3", [] { connectFtpOrEnd(); });
    w->onClick("按钮2", [w] { w->setText("编辑框1", readServiceRow(gbk("账号=9123"))[2]); });
    w->onTick("时钟1", [w] { w->click("按钮2"); });
    w->onClick("按钮1", [w] { download(*w); });
    w->onTick("时钟2", [w] { driveDownload(*w); });
    w->onCreated([w] {
        if (!connectFtpOrEnd())
            return;
        if (!connectOrStop(*w))
            return;
        w->setTimerPeriod("时钟1", 1000);
        w->setTimerPeriod("时钟2", 1000);
    });
    return w;
}

} // namespace orbisel
