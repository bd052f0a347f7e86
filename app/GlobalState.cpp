#include "app/GlobalState.h"

namespace orbisel {

GlobalState &globalState() {
    static GlobalState state;
    return state;
}

void resetGlobalState() {
    globalState() = GlobalState{};
}

} // namespace orbisel
