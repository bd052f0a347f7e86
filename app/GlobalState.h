#pragma once

#include "web/Text.h"

#include <array>

namespace orbisel {

// The five kinds of harvested words.
enum class SourceKind { PcSuggest, PcArrow, MobileSuggest, LongTail, Related };
inline constexpr int kSourceKindCount = 5;

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
