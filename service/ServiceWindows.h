#pragma once

#include "web/Text.h"

namespace orbisel {

// Registers the windows of the service folder: the notice window and the update downloader.
void registerServiceWindows();

// Shows the message (default title, OK only), then ends the program with code 0.
void serviceStopped(const Text &message);

} // namespace orbisel
