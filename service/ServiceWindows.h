#pragma once

namespace orbisel {

// Registers the windows of the service folder: the notice window and the update downloader.
void registerServiceWindows();

} // namespace orbisel
