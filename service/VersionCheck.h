#pragma once

#include "app/Window.h"

namespace orbisel {

// Binds the main window's version check and update controls: 时钟2 (check),
// 按钮16 (read row ID=8), 按钮17 (update question), 按钮13 and 按钮4
// (web-address update). The window's creation handler starts 时钟2.
void installMainVersionCheck(Window &mainWindow);

// Binds the payers query window's version check: 时钟1 and 按钮16 (read row
// 账号=8787), 时钟2 (check), 按钮17 (update question).
void installPayersVersionCheck(Window &payersWindow);
// Starts the payers query window's 时钟1 and 时钟2 (called by its creation handler).
void startPayersVersionCheck(Window &payersWindow);

} // namespace orbisel
