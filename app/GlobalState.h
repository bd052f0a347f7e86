#pragma once

#include "web/SourceKind.h"
#include "web/Text.h"

#include <array>

namespace orbisel {

// Process-wide state that outlives every window.
struct GlobalState {
    TextArray seedLog;
    std::array<TextArray, kSourceKindCount> harvest;
    int mainRotation = 0;
    int launcherRotation = 0;
    int noticeRotation = 0;

    TextArray &harvestOf(SourceKind kind) { return harvest[static_cast<size_t>(kind)]; }
};

GlobalState &globalState();
void resetGlobalState();

} // namespace orbisel
