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

} // namespace orbisel
