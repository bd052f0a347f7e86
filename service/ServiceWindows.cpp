#include "service/ServiceWindows.h"

#include "app/Program.h"
#include "service/NoticeWindow.h"
#include "service/UpdateDownloader.h"

namespace orbisel {

void registerServiceWindows() {
    registerWindow(WindowId::Notice, &createNoticeWindow);
    registerWindow(WindowId::UpdateDownloader, &createUpdateDownloader);
}

void serviceStopped(const Text &message) {
    messageBox(message, kMbOk);
    endProgram(0);
}

bool connectOrStop(Window &window, const Text &message) {
    if (connectService())
        return true;
    serviceStopped(message);
    closeWindow(&window);
    return false;
}

} // namespace orbisel
