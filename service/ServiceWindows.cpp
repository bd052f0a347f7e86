#include "service/ServiceWindows.h"

#include "app/Program.h"
#include "service/NoticeWindow.h"
#include "service/UpdateDownloader.h"

namespace orbisel {

void registerServiceWindows() {
    registerWindow(WindowId::Notice, &createNoticeWindow);
    registerWindow(WindowId::UpdateDownloader, &createUpdateDownloader);
}

} // namespace orbisel
