#include "mining/MiningWindows.h"

#include "mining/DedupeWindow.h"
#include "mining/MainWindow.h"

namespace orbisel {

void registerMiningWindows() {
    registerMainWindow();
    registerDedupeWindow();
}

} // namespace orbisel
