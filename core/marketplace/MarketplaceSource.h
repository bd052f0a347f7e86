#pragma once

#include "core/marketplace/MarketplaceProtocol.h"
#include "core/marketplace/SuggestionSource.h"
#include "web/Text.h"

#include "json/JsonDocument.h"
#include <string>

namespace orbisel {

// Markup and, unless kept, ASCII spaces removed from a suggestion text.
Text cleanWord(const Text &text, bool removeSpaces);

// The marketplace's suggestion endpoint and search page. Requests are plain
// GETs with the URL only; the answer body is converted from UTF-8 to GBK. The
// PC answer is kept in a document of its own, so pcArrow reads it as
// pcSuggest left it while the other answers are parsed.
class MarketplaceSource final : public SuggestionSource {
public:
    explicit MarketplaceSource(MarketplaceEndpoints endpoints = marketplaceEndpoints());

    // The request URLs; the PC one carries the current time stamp, the
    // related one the current date.
    std::string pcSuggestUrl(const Text &seed) const;
    std::string mobileSuggestUrl(const Text &keyword) const;
    std::string relatedUrl(const Text &seed) const;

    Text pcSuggestRequest(const Text &seed) override;
    Text mobileSuggestRequest(const Text &keyword) override;
    Text relatedRequest(const Text &seed) override;

    std::optional<TextArray> pcSuggest(const Text &pcResponse) override;
    TextArray pcArrow(int suggestionIndex, const Text &cleanedWord) override;
    std::optional<TextArray> mobileSuggest(const Text &mobileResponse) override;
    std::optional<TextArray> longTail(const Text &mobileResponse) override;
    std::optional<TextArray> related(const Text &searchPage) override;

private:
    std::optional<TextArray> suggestions(JsonDocument &document, const Text &response, bool removeSpaces);

    MarketplaceEndpoints m_endpoints;
    JsonDocument m_pc;    // the PC answer, read again by pcArrow
    JsonDocument m_other; // every other answer
};

} // namespace orbisel
