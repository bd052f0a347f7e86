// libFuzzer target: the five extractions on raw marketplace answer text (suggestions,
// their arrow groups, mobile suggestions, long tail, related searches).
#include "mining/MarketplaceSource.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const orbisel::Text answer(reinterpret_cast<const char *>(data), size);
    orbisel::MarketplaceSource source;
    if (const auto words = source.pcSuggest(answer)) {
        for (size_t i = 0; i < std::min<size_t>(words->size(), 4); ++i)
            (void)source.pcArrow(static_cast<int>(i), (*words)[i]);
    }
    (void)source.mobileSuggest(answer);
    (void)source.longTail(answer);
    (void)source.related(answer);
    return 0;
}
