#include "webtools/WebToolWindows.h"

#include "app/Gbk.h"
#include "app/Program.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/VersionCheck.h"
#include "webtools/WebToolPages.h"

namespace orbisel {
namespace {

Window *makeIndexWindow() {
    Window *window = newIndexWindow();
    window->onCreated([window] {
        if (connectOrStop(*window))
            showIndexPage(*window);
    });
    return window;
}

Window *makeCrowdQueryWindow() {
    Window *window = newCrowdQueryWindow();
    window->onCreated([window] {
        if (connectOrStop(*window))
            showCrowdPage(*window);
    });
    return window;
}

Window *makePayersQueryWindow() {
    Window *window = newPayersQueryWindow();
    window->onCreated([window] {
        if (!connectOrStop(*window))
            return;
        startPayersVersionCheck(*window);
    });
    installPayersVersionCheck(*window);
    return window;
}

Window *makeDataSharingWindow() {
    Window *window = newDataSharingWindow();
    window->onCreated([window] {
        connectService();
        window->setTimerPeriod("时钟1", 1000);
    });
    window->onTick("时钟1", [window] { window->setText("编辑框1", readServiceRow(gbk("账号=668"))[2]); });
    return window;
}

} // namespace

void registerWebToolWindows() {
    registerWindow(WindowId::Index, makeIndexWindow);
    registerWindow(WindowId::CrowdQuery, makeCrowdQueryWindow);
    registerWindow(WindowId::PayersQuery, makePayersQueryWindow);
    registerWindow(WindowId::DataSharing, makeDataSharingWindow);
    registerWindow(WindowId::DataSharingBrowser, newDataSharingBrowserWindow);
}

} // namespace orbisel
