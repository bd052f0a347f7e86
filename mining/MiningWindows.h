#pragma once

namespace orbisel {

// Registers the windows of the keyword-mining subsystem.
void registerMiningWindows();

} // namespace orbisel
