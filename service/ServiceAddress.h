#pragma once

#include "web/Text.h"

namespace orbisel {

// Addresses read from the service database go to the desktop only when they
// are http or https addresses; anything else is dropped. Returns whether the
// address was handed on.
bool isWebAddress(const Text &address);
bool openServiceAddress(const Text &address);

} // namespace orbisel
