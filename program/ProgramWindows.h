#pragma once

namespace orbisel {

// Registers the launcher and the windows of every folder with the catalogue.
void registerProgramWindows();

} // namespace orbisel
