#include "mining/MiningWindows.h"

#include "deepmining/DeepMiningWindow.h"
#include "mining/DedupeWindow.h"
#include "mining/MainWindow.h"

namespace orbisel {

void registerMiningWindows() {
    registerMainWindow();
    registerDedupeWindow();
    registerDeepMiningWindow();
}

} // namespace orbisel
