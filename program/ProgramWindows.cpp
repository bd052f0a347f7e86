#include "program/ProgramWindows.h"

#include "deepmining/DeepMiningWindow.h"
#include "ledger/LedgerWindows.h"
#include "mining/MiningWindows.h"
#include "program/LauncherWindow.h"
#include "service/ServiceWindows.h"
#include "webtools/WebToolWindows.h"

namespace orbisel {

void registerProgramWindows() {
    registerLauncherWindow();
    registerServiceWindows();
    registerMiningWindows();
    registerDeepMiningWindow();
    registerWebToolWindows();
    registerLedgerWindows();
}

} // namespace orbisel
