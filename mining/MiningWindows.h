#pragma once

namespace orbisel {

// Registers the keyword window and the dedupe window.
void registerMiningWindows();

} // namespace orbisel
