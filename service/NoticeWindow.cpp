#include "service/NoticeWindow.h"

#include "app/Gbk.h"
#include "app/GlobalState.h"
#include "app/Program.h"
#include "service/ServiceAddress.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"

#include <ctime>

namespace orbisel {
namespace {

WindowSpec noticeSpec() {
    WindowSpec spec;
    spec.caption = "只能打开一个";
    spec.width = 432;
    spec.height = 245;
    spec.visibleWhenCreated = false;
    spec.controls = {
        {"标签2", ControlKind::Label, 16, 16, 392, 24},
        {"编辑框时间", ControlKind::Edit, 16, 48, 64, 24, "666"},
        {"按钮1", ControlKind::Button, 8, 104, 40, 16},
        {"编辑框课题", ControlKind::Edit, 88, 112, 128, 24, "2"},
        {"按钮开课时间", ControlKind::Button, 16, 128, 48, 16},
        {"按钮2", ControlKind::Button, 16, 128, 40, 16},
        {"编辑框课程", ControlKind::Edit, 88, 136, 152, 24, "3"},
        {"编辑框更新", ControlKind::Edit, 88, 160, 152, 24, "4"},
        {"编辑框开课", ControlKind::Edit, 16, 168, 48, 32, "1"},
        {"编辑框标签", ControlKind::Edit, 88, 184, 152, 24, "5"},
        {"按钮3", ControlKind::Button, 368, 88, 40, 16},
        {"编辑框1", ControlKind::Edit, 368, 112, 48, 24, "假"},
        {"时钟1", ControlKind::Timer},
        {"时钟2", ControlKind::Timer},
        {"时钟3", ControlKind::Timer},
    };
    return spec;
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
    auto *w = new Window(WindowId::Notice, noticeSpec());
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
