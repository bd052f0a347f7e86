// libFuzzer target: the five extractions on raw marketplace answer text (suggestions,
// their arrow groups, mobile suggestions, long tail, related searches), both as the
// keyword window reads them and as the deep run reads them.
#include "core/MarketplaceSource.h"
#include "core/SuggestionAnswers.h"

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

    (void)orbisel::core::readPcAnswer(answer);
    (void)orbisel::core::suggestionWords(answer, true);
    (void)orbisel::core::suggestionWords(answer, false);
    (void)orbisel::core::relatedWords(answer);
    return 0;
}
