#pragma once

#include <string>

namespace orbisel {

// Hosts of the marketplace endpoints ("host" or "host:port", https); defaults
// come from the build configuration. Tests point them at a local server.
struct MarketplaceEndpoints {
    std::string suggestHost; // answers /sug
    std::string searchHost;  // answers /search
};
// The endpoints the next MarketplaceSource uses (set them on the GUI thread,
// outside a run).
MarketplaceEndpoints &marketplaceEndpoints();

} // namespace orbisel
