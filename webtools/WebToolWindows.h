#pragma once

#include "app/Window.h"

#include <functional>

namespace orbisel {

// Call before the QApplication is created: Qt WebEngine needs shared OpenGL
// contexts, and running as root it needs Chromium's sandbox off.
void prepareWebEngine();

// Registers the index, crowd query, payers query, data-sharing and data-sharing
// browser windows with the window catalogue.
void registerWebToolWindows();

// Binds the handlers of the payers query window's hidden version check
// (分组框1: 编辑框9, 编辑框999, 按钮16, 按钮17, 时钟1, 时钟2) when the window is
// built. Empty by default; the window's creation starts 时钟1 and 时钟2 at 1000 ms.
extern std::function<void(Window &)> installPayersVersionCheck;

} // namespace orbisel
