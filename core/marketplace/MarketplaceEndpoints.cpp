#include "core/marketplace/MarketplaceEndpoints.h"

#include "orbisel/config.h"

namespace orbisel {

MarketplaceEndpoints &marketplaceEndpoints() {
    static MarketplaceEndpoints endpoints{config::kSuggestHost, config::kSearchHost};
    return endpoints;
}

} // namespace orbisel
