#pragma once

#include "service/ServiceDb.h"
#include "web/Text.h"

namespace orbisel {

// Registers the windows of the service folder: the notice window and the update downloader.
void registerServiceWindows();

// Shows the message (default title, OK only), then ends the program with code 0.
void serviceStopped(const Text &message);

class Window;
// The service-stopped rule of a window's creation: connects to the service
// database, or shows the message and ends the program; should that return, the
// window is closed so that it is never shown. True when connected.
bool connectOrStop(Window &window, const Text &message = serviceStoppedMessage());

} // namespace orbisel
