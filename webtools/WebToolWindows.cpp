#include "webtools/WebToolWindows.h"

#include "app/Program.h"
#include "service/ServiceDb.h"
#include "service/ServiceWindows.h"
#include "service/VersionCheck.h"
#include "web/Gbk.h"
#include "webtools/WebToolPages.h"

namespace orbisel {
namespace {

// The windows as the program opens them: their creation connects to the
// service database first.
Window *createConnectedIndexWindow() {
    Window *window = createIndexWindow();
    window->onCreated([window] {
        if (connectOrStop(*window))
            showIndexPage(*window);
    });
    return window;
}

Window *createConnectedCrowdQueryWindow() {
    Window *window = createCrowdQueryWindow();
    window->onCreated([window] {
        if (connectOrStop(*window))
            showCrowdPage(*window);
    });
    return window;
}

Window *createConnectedPayersQueryWindow() {
    Window *window = createPayersQueryWindow();
    window->onCreated([window] {
        if (!connectOrStop(*window))
            return;
        startPayersVersionCheck(*window);
    });
    installPayersVersionCheck(*window);
    return window;
}

Window *createConnectedDataSharingWindow() {
    Window *window = createDataSharingWindow();
    window->onCreated([window] {
        connectService();
        window->setTimerPeriod("时钟1", 1000);
    });
    window->onTick("时钟1", [window] { window->setText("编辑框1", readServiceRow(gbk("账号=668"))[2]); });
    return window;
}

} // namespace

void registerWebToolWindows() {
    registerWindow(WindowId::Index, createConnectedIndexWindow);
    registerWindow(WindowId::CrowdQuery, createConnectedCrowdQueryWindow);
    registerWindow(WindowId::PayersQuery, createConnectedPayersQueryWindow);
    registerWindow(WindowId::DataSharing, createConnectedDataSharingWindow);
    registerWindow(WindowId::DataSharingBrowser, createDataSharingBrowserWindow);
}

} // namespace orbisel
