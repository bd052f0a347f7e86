#include "core/SuggestionSource.h"

#include "core/MarketplaceSource.h"

namespace orbisel {
namespace {

SuggestionSourceFactory &factory() {
    static SuggestionSourceFactory f;
    return f;
}

} // namespace

void setSuggestionSourceFactory(SuggestionSourceFactory f) {
    factory() = std::move(f);
}

std::unique_ptr<SuggestionSource> makeSuggestionSource() {
    if (factory())
        return factory()();
    return std::make_unique<MarketplaceSource>();
}

} // namespace orbisel
