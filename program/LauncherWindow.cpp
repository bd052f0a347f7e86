#include "program/LauncherWindow.h"

#include "app/Gbk.h"
#include "app/GlobalState.h"
#include "app/Program.h"
#include "orbisel/config.h"
#include "service/NoticeWindow.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"

#include <QPalette>
#include <QPixmap>

namespace orbisel {
namespace {

WindowSpec launcherSpec() {
    WindowSpec spec;
    spec.caption = std::string("Orbisel") + config::kVersionText;
    spec.width = 288;
    spec.height = 407;
    spec.controls = {
        {"标签1", ControlKind::Label, 0, 0, 280, 24, "Orbisel", true, true, "", false, false, 20, true},
        {"按钮1", ControlKind::Button, 80, 48, 136, 32, "Vantelo"},
        {"按钮4", ControlKind::Button, 80, 88, 136, 32, "阿里指数"},
        {"按钮9", ControlKind::Button, 80, 128, 136, 32, "淘宝今日付款人数查询"},
        {"按钮10", ControlKind::Button, 80, 168, 136, 32, "人群查询"},
        {"按钮5", ControlKind::Button, 80, 208, 136, 32, "生意参谋数据共享"},
        {"按钮3", ControlKind::Button, 80, 248, 136, 32, "宝贝卖点提炼", true, false},
        {"按钮12", ControlKind::Button, 80, 288, 136, 32, "关键词数据分析", true, false},
        {"按钮11", ControlKind::Button, 80, 328, 136, 24, "记账本"},
        {"按钮7", ControlKind::Button, 0, 304, 80, 24, "淘宝干货课程"},
        {"按钮6", ControlKind::Button, 0, 328, 80, 24, "联系老师QQ"},
        {"按钮2", ControlKind::Button, 216, 304, 56, 16, "打开课堂", false},
        {"按钮8", ControlKind::Button, 216, 320, 64, 32, "帮助"},
        {"标签2", ControlKind::Label, 0, 352, 280, 24, "Orbisel", true, true, "", false, false, 20, true},
        {"时钟1", ControlKind::Timer},
        {"分组框1", ControlKind::GroupBox, 24, 136, 200, 120, "", false},
        {"按钮13", ControlKind::Button, 24, 72, 48, 24, "", false, true, "分组框1"},
        {"编辑框2", ControlKind::Edit, 112, 16, 40, 24, "", false, true, "分组框1"},
    };
    return spec;
}

void setBackground(Window &w) {
    const QPixmap picture(QStringLiteral(":/launcher/launcher-background.png"));
    if (picture.isNull())
        return;
    QPalette palette = w.palette();
    palette.setBrush(QPalette::Window, QBrush(picture.scaled(w.size())));
    w.setPalette(palette);
    w.setAutoFillBackground(true);
}

void openNoticeWindowOnce() {
    if (!findProgramWindow(noticeWindowCaption()))
        loadWindow(WindowId::Notice);
}

void rotate(Window &w) {
    rotateLabel(w, "标签2", globalState().launcherRotation,
                {gbk("有问题联系老师QQ") + config::kSupportQq,
                 gbk(std::string(" 当前版本") + config::kVersionText), gbk("Orbisel")});
}

void readCounter(Window &w) {
    w.setText("编辑框2", readServiceRow(gbk("mima=1900"))[0]);
    w.setText("标签1", gbk("当前累积使用次数：") + w.text("编辑框2"));
}

void openCourse() {
    if (Window *notice = openWindow(WindowId::Notice))
        openServiceAddress(notice->text("编辑框课程"));
    else
        openAddress(fixedCoursePage());
}

} // namespace

Text fixedCoursePage() {
    return std::string("https://") + config::kCourseHost + "/webcourse/index.html#cid=" + config::kCourseCid +
           "&term_id=" + config::kCourseTermId + "&taid=" + config::kCourseTaid;
}

Window *createLauncherWindow() {
    auto *w = new Window(WindowId::Launcher, launcherSpec());
    setBackground(*w);
    const std::pair<const char *, WindowId> tools[] = {
        {"按钮1", WindowId::Main},        {"按钮4", WindowId::Index},       {"按钮9", WindowId::PayersQuery},
        {"按钮10", WindowId::CrowdQuery}, {"按钮5", WindowId::DataSharing}, {"按钮11", WindowId::Ledger},
    };
    for (const auto &[button, id] : tools)
        w->onClick(button, [id] { loadWindow(id); });
    w->onClick("按钮7", [] { openCourse(); });
    for (const char *chat : {"按钮6", "按钮8"})
        w->onClick(chat, [] { openAddress(config::kSupportChatLink); });
    w->onClick("按钮2", [] { openNoticeWindowOnce(); });
    w->onClick("按钮13", [w] { readCounter(*w); });
    w->onTick("时钟1", [w] {
        rotate(*w);
        w->click("按钮13");
    });
    w->onCreated([w] {
        connectService(); // the launcher stays open without the service
        w->click("按钮2");
        w->setTimerPeriod("时钟1", 2000);
        globalState().launcherRotation = 3;
    });
    return w;
}

void registerLauncherWindow() {
    registerWindow(WindowId::Launcher, &createLauncherWindow);
}

} // namespace orbisel
