#include "program/LauncherWindow.h"

#include "app/GlobalState.h"
#include "app/Program.h"
#include "orbisel/config.h"
#include "service/NoticeWindow.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"
#include "web/Gbk.h"

#include <QPalette>
#include <QPixmap>

namespace orbisel {
namespace {

WindowLayout launcherLayout() {
    WindowLayout layout{
        .caption = std::string("Orbisel") + config::kVersionText, .width = 288, .height = 407};
    layout.controls = {
        {.name = "标签1",
         .kind = ControlKind::Label,
         .x = 0,
         .y = 0,
         .w = 280,
         .h = 24,
         .text = "Orbisel",
         .fontPixels = 20,
         .bold = true},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 48,
         .w = 136,
         .h = 32,
         .text = "Vantelo"},
        {.name = "按钮4",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 88,
         .w = 136,
         .h = 32,
         .text = "阿里指数"},
        {.name = "按钮9",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 128,
         .w = 136,
         .h = 32,
         .text = "淘宝今日付款人数查询"},
        {.name = "按钮10",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 168,
         .w = 136,
         .h = 32,
         .text = "人群查询"},
        {.name = "按钮5",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 208,
         .w = 136,
         .h = 32,
         .text = "生意参谋数据共享"},
        {.name = "按钮3",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 248,
         .w = 136,
         .h = 32,
         .text = "宝贝卖点提炼",
         .enabled = false},
        {.name = "按钮12",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 288,
         .w = 136,
         .h = 32,
         .text = "关键词数据分析",
         .enabled = false},
        {.name = "按钮11",
         .kind = ControlKind::Button,
         .x = 80,
         .y = 328,
         .w = 136,
         .h = 24,
         .text = "记账本"},
        {.name = "按钮7",
         .kind = ControlKind::Button,
         .x = 0,
         .y = 304,
         .w = 80,
         .h = 24,
         .text = "淘宝干货课程"},
        {.name = "按钮6",
         .kind = ControlKind::Button,
         .x = 0,
         .y = 328,
         .w = 80,
         .h = 24,
         .text = "联系老师QQ"},
        {.name = "按钮2",
         .kind = ControlKind::Button,
         .x = 216,
         .y = 304,
         .w = 56,
         .h = 16,
         .text = "打开课堂",
         .shown = false},
        {.name = "按钮8", .kind = ControlKind::Button, .x = 216, .y = 320, .w = 64, .h = 32, .text = "帮助"},
        {.name = "标签2",
         .kind = ControlKind::Label,
         .x = 0,
         .y = 352,
         .w = 280,
         .h = 24,
         .text = "Orbisel",
         .fontPixels = 20,
         .bold = true},
        {.name = "时钟1", .kind = ControlKind::Timer},
        {.name = "分组框1",
         .kind = ControlKind::GroupBox,
         .x = 24,
         .y = 136,
         .w = 200,
         .h = 120,
         .shown = false},
        {.name = "按钮13",
         .kind = ControlKind::Button,
         .x = 24,
         .y = 72,
         .w = 48,
         .h = 24,
         .shown = false,
         .container = "分组框1"},
        {.name = "编辑框2",
         .kind = ControlKind::Edit,
         .x = 112,
         .y = 16,
         .w = 40,
         .h = 24,
         .shown = false,
         .container = "分组框1"},
    };
    return layout;
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
    auto *w = new Window(WindowId::Launcher, launcherLayout());
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
