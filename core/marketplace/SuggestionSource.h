#pragma once

#include "web/Text.h"

#include <functional>
#include <memory>
#include <optional>

namespace orbisel {

// The marketplace requests and the reading of their answers, as the mining run
// uses them. Requests block and may run on a worker thread; extractions run on
// the GUI thread. pcSuggest keeps the parsed PC answer for pcArrow.
class SuggestionSource {
public:
    virtual ~SuggestionSource() = default;

    virtual Text pcSuggestRequest(const Text &seed) = 0;
    virtual Text mobileSuggestRequest(const Text &keyword) = 0;
    virtual Text relatedRequest(const Text &seed) = 0;

    virtual std::optional<TextArray> pcSuggest(const Text &pcResponse) = 0;
    virtual TextArray pcArrow(int suggestionIndex, const Text &cleanedWord) = 0;
    virtual std::optional<TextArray> mobileSuggest(const Text &mobileResponse) = 0;
    virtual std::optional<TextArray> longTail(const Text &mobileResponse) = 0;
    virtual std::optional<TextArray> related(const Text &searchPage) = 0;
};

using SuggestionSourceFactory = std::function<std::unique_ptr<SuggestionSource>()>;
// The source each mining run uses; tests install scripted ones.
void setSuggestionSourceFactory(SuggestionSourceFactory factory);
std::unique_ptr<SuggestionSource> makeSuggestionSource();

} // namespace orbisel
