#include "mining/MiningWindows.h"

#include "mining/MainWindow.h"

namespace orbisel {

void registerMiningWindows() { registerMainWindow(); }

} // namespace orbisel
