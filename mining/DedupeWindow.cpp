#include "mining/DedupeWindow.h"

#include "app/Program.h"
#include "mining/KeywordLists.h"
#include "orbisel/config.h"

namespace orbisel {

WindowLayout dedupeWindowLayout() {
    WindowLayout layout{
        .caption = std::string("Vantelo-有问题联系QQ") + config::kSupportQq, .width = 321, .height = 405};
    layout.controls = {
        {.name = "编辑框1",
         .kind = ControlKind::MultiLineEdit,
         .x = 0,
         .y = 0,
         .w = 312,
         .h = 376,
         .scrollBars = true},
        {.name = "按钮1",
         .kind = ControlKind::Button,
         .x = 104,
         .y = 320,
         .w = 96,
         .h = 24,
         .text = "删除重复"},
    };
    return layout;
}

Window *createDedupeWindow() {
    auto *window = new Window(WindowId::Dedupe, dedupeWindowLayout());
    window->onClick("按钮1", [window] {
        window->setTypedText("编辑框1", removeTypedDuplicates(window->typedText("编辑框1")));
    });
    return window;
}

void registerDedupeWindow() {
    registerWindow(WindowId::Dedupe, createDedupeWindow);
}

} // namespace orbisel
