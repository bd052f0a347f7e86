#include "service/UpdateDownloader.h"

#include "app/Gbk.h"
#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/UpdateFtp.h"

#include <QPointer>

namespace orbisel {
namespace {

WindowSpec downloaderSpec() {
    WindowSpec spec;
    spec.caption = "";
    spec.width = 420;
    spec.height = 101;
    spec.controls = {
        {"进度条1", ControlKind::ProgressBar, 48, 16, 296, 24},
        {"编辑框1", ControlKind::Edit, 224, 48, 96, 24},
        {"按钮1", ControlKind::Button, 360, 16, 48, 24, "下载", false},
        {"按钮2", ControlKind::Button, 24, 48, 40, 16, "", false},
        {"按钮3", ControlKind::Button, 336, 56, 72, 16, "链接FTP", false},
        {"时钟1", ControlKind::Timer},
        {"时钟2", ControlKind::Timer},
    };
    return spec;
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
    auto *w = new Window(WindowId::UpdateDownloader, downloaderSpec());
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
