#pragma once

#include "app/Window.h"
#include "web/Text.h"

#include <QRect>
#include <QSize>

namespace orbisel {

// Addresses the windows navigate to (GBK texts).
Text indexSiteAddress();
Text crmSiteAddress();
Text dataSharePageAddress();
// The marketplace search sorted by popularity for a keyword, as typed.
Text payersSearchAddress(const Text &keyword);

// Five lines of the data-sharing window's explanation box (GBK, CRLF).
Text dataSharingExplanation();

// Full-screen layout for a screen size: window rectangle and browser size
// (the browser keeps its position).
struct FullScreenLayout {
    QRect window;
    QSize browser;
};
FullScreenLayout fullScreenLayout(QSize screen);
// Applies the layout of the primary screen to the window and its browser.
void applyFullScreenLayout(Window &window);

// Windows built from their control tables with the handlers that need no
// service database; the creation steps that connect are bound by
// registerWebToolWindows.
Window *createIndexWindow();
Window *createCrowdQueryWindow();
Window *createPayersQueryWindow();
Window *createDataSharingWindow();
Window *createDataSharingBrowserWindow(); // complete, including its creation

// Creation steps after the service connect.
void showIndexPage(Window &window);
void showCrowdPage(Window &window);
// "查询" of the payers query window.
void queryPayers(Window &window);

} // namespace orbisel
