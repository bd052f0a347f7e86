#pragma once

#include "app/Window.h"
#include "web/Text.h"

namespace orbisel {

// The start window: one button per tool window, support and course buttons,
// the rotating status line and the usage counter. Its creation connects to the
// service database and opens the notice window unless one runs on the desktop.
Window *createLauncherWindow();
void registerLauncherWindow();

// The fixed course page opened when this process has no notice window.
Text fixedCoursePage();

} // namespace orbisel
