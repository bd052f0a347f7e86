#include "service/NoticeWindow.h"

#include "app/GlobalState.h"
#include "app/Program.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "web/Gbk.h"

#include <ctime>

namespace orbisel {
namespace {

WindowLayout noticeLayout() {
    WindowLayout layout{.caption = "只能打开一个", .width = 432, .height = 245, .visibleWhenCreated = false};
    layout.controls = {
        {.name = "标签2", .kind = ControlKind::Label, .x = 16, .y = 16, .w = 392, .h = 24},
        {.name = "编辑框时间", .kind = ControlKind::Edit, .x = 16, .y = 48, .w = 64, .h = 24, .text = "666"},
        {.name = "按钮1", .kind = ControlKind::Button, .x = 8, .y = 104, .w = 40, .h = 16},
        {.name = "编辑框课题", .kind = ControlKind::Edit, .x = 88, .y = 112, .w = 128, .h = 24, .text = "2"},
        {.name = "按钮开课时间", .kind = ControlKind::Button, .x = 16, .y = 128, .w = 48, .h = 16},
        {.name = "按钮2", .kind = ControlKind::Button, .x = 16, .y = 128, .w = 40, .h = 16},
        {.name = "编辑框课程", .kind = ControlKind::Edit, .x = 88, .y = 136, .w = 152, .h = 24, .text = "3"},
        {.name = "编辑框更新", .kind = ControlKind::Edit, .x = 88, .y = 160, .w = 152, .h = 24, .text = "4"},
        {.name = "编辑框开课", .kind = ControlKind::Edit, .x = 16, .y = 168, .w = 48, .h = 32, .text = "1"},
        {.name = "编辑框标签", .kind = ControlKind::Edit, .x = 88, .y = 184, .w = 152, .h = 24, .text = "5"},
        {.name = "按钮3", .kind = ControlKind::Button, .x = 368, .y = 88, .w = 40, .h = 16},
        {.name = "编辑框1", .kind = ControlKind::Edit, .x = 368, .y = 112, .w = 48, .h = 24, .text = "假"},
        {.name = "时钟1", .kind = ControlKind::Timer},
        {.name = "时钟2", .kind = ControlKind::Timer},
        {.name = "时钟3", .kind = ControlKind::Timer},
    };
    return layout;
}

void bindReaders(Window &w) {
    w.onClick("按钮开课时间", [&w] { w.setText("编辑框开课", readServiceRow(gbk("账号=222"))[2]); });
    w.onClick("按钮1", [&w] {
        const ServiceRow row = readServiceRow(gbk("账号=666"));
        w.setText("编辑框课题", row[3]);
        w.setText("编辑框课程", row[2]);
    });
    w.onClick("按钮2", [&w] {
        const ServiceRow row = readServiceRow(gbk("账号=555"));
        w.setText("编辑框更新", row[2]);
        w.setText("编辑框标签", row[3]);
    });
    w.onClick("按钮3", [&w] { w.setText("编辑框1", readServiceRow(gbk("账号=456"))[2]); });
}

void refresh(Window &w) {
    w.setText("编辑框时间", noticeTimeText(now()));
    for (const char *reader : {"按钮开课时间", "按钮1", "按钮2", "按钮3"})
        w.click(reader);
    rotateLabel(w, "标签2", globalState().noticeRotation,
                {gbk("Kelmira---我们不生产关键词  我们是关键词的搬运工"), w.text("编辑框标签"),
                 w.text("编辑框课题")});
}

void openCourse(Window &w) {
    if (w.text("编辑框时间") != w.text("编辑框开课"))
        return;
    openServiceAddress(w.text("编辑框课程"));
    w.setTimerPeriod("时钟2", 0);
}

void rearmAndSwitch(Window &w) {
    if (w.text("编辑框时间") != w.text("编辑框开课"))
        w.setTimerPeriod("时钟2", 10000);
    const Text visibility = w.text("编辑框1");
    if (visibility == gbk("真"))
        w.show();
    else if (visibility == gbk("假"))
        w.hide();
}

} // namespace

Text noticeWindowCaption() {
    return gbk("只能打开一个");
}

Text noticeTimeText(TimePoint time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    return std::to_string(local.tm_hour) + gbk("点") + std::to_string(local.tm_min) + gbk("分");
}

Window *createNoticeWindow() {
    auto *w = new Window(WindowId::Notice, noticeLayout());
    bindReaders(*w);
    w->onTick("时钟1", [w] { refresh(*w); });
    w->onTick("时钟2", [w] { openCourse(*w); });
    w->onTick("时钟3", [w] { rearmAndSwitch(*w); });
    w->onCreated([w] {
        if (!connectOrStop(*w))
            return;
        w->setTimerPeriod("时钟1", 1000);
        w->setTimerPeriod("时钟2", 1000);
        w->setTimerPeriod("时钟3", 1000);
        globalState().noticeRotation = 3;
        w->hide();
    });
    return w;
}

} // namespace orbisel
