#pragma once

#include "app/Window.h"

namespace orbisel {

// Creates the global state, opens the start window and runs the message loop
// until the last window is gone. Returns the process exit code.
int runProgram(WindowId startWindow);

} // namespace orbisel
