#pragma once

#include "service/ServiceDb.h"
#include "web/Text.h"

#include <functional>

namespace orbisel {

// The service operations the windows use. They go to the service database
// client unless a test has put its own reader or connector in place.
using RowReader = std::function<ServiceRow(const Text &condition)>;
using ServiceConnector = std::function<bool()>;

bool connectToService();
ServiceRow readRow(const Text &condition);

// An empty function restores the service database client.
void setRowReader(RowReader reader);
void setServiceConnector(ServiceConnector connector);

// Addresses read from the service database go to the desktop only when they
// are http or https addresses; anything else is dropped. Returns whether the
// address was handed on.
bool isWebAddress(const Text &address);
bool openServiceAddress(const Text &address);

} // namespace orbisel
