#include "core/marketplace/MarketplaceSource.h"

#include "web/Encoding.h"
#include "web/Numbers.h"
#include "web/TextRules.h"
#include "web/WebRequest.h"

#include <cmath>
#include <string>

namespace orbisel {
namespace {

Text fetch(const std::string &url) {
    return utf8ToGbk(webRequest(url));
}

std::string index(int i) {
    return std::to_string(i);
}

} // namespace

Text cleanWord(const Text &text, bool removeSpaces) {
    std::vector<ReplacePair> pairs{{"<b>", ""}, {"</b>", ""}};
    if (removeSpaces)
        pairs.push_back({" ", ""});
    return multiReplace(text, pairs, std::nullopt, 1, false);
}

MarketplaceSource::MarketplaceSource(MarketplaceEndpoints endpoints) : m_endpoints(std::move(endpoints)) {}

std::string MarketplaceSource::pcSuggestUrl(const Text &seed) const {
    return core::requestUrl(m_endpoints, core::AnswerKind::Pc, gbkToUtf8(seed));
}

std::string MarketplaceSource::mobileSuggestUrl(const Text &keyword) const {
    return core::requestUrl(m_endpoints, core::AnswerKind::Mobile, gbkToUtf8(keyword));
}

std::string MarketplaceSource::relatedUrl(const Text &seed) const {
    return core::requestUrl(m_endpoints, core::AnswerKind::Search, gbkToUtf8(seed));
}

Text MarketplaceSource::pcSuggestRequest(const Text &seed) {
    return fetch(pcSuggestUrl(seed));
}
Text MarketplaceSource::mobileSuggestRequest(const Text &keyword) {
    return fetch(mobileSuggestUrl(keyword));
}
Text MarketplaceSource::relatedRequest(const Text &seed) {
    return fetch(relatedUrl(seed));
}

std::optional<TextArray> MarketplaceSource::suggestions(JsonDocument &document, const Text &response,
                                                        bool removeSpaces) {
    if (response.empty() || !document.parse(response))
        return std::nullopt;
    TextArray words;
    const int n = document.count("result");
    for (int i = 0; i < n; ++i)
        words.push_back(cleanWord(document.getText("result[" + index(i) + "][0]"), removeSpaces));
    return words;
}

std::optional<TextArray> MarketplaceSource::pcSuggest(const Text &pcResponse) {
    return suggestions(m_pc, pcResponse, true);
}

TextArray MarketplaceSource::pcArrow(int suggestionIndex, const Text &cleanedWord) {
    TextArray words;
    const int groups = m_pc.count("magic");
    for (int k = 0; k < groups; ++k) {
        const std::string group = "magic[" + index(k) + "]";
        const double number = textToNumber(m_pc.getText(group + ".index"));
        if (std::fabs(number - (suggestionIndex + 1)) > 0.0000001)
            continue;
        const int rows = m_pc.count(group + ".data");
        for (int l = 0; l < rows; ++l) {
            const std::string row = group + ".data[" + index(l) + "]";
            const int entries = m_pc.count(row);
            for (int q = 0; q < entries; ++q)
                words.push_back(cleanedWord + m_pc.getText(row + "[" + index(q) + "].title"));
        }
    }
    return words;
}

std::optional<TextArray> MarketplaceSource::mobileSuggest(const Text &mobileResponse) {
    return suggestions(m_other, mobileResponse, true);
}

std::optional<TextArray> MarketplaceSource::longTail(const Text &mobileResponse) {
    return suggestions(m_other, mobileResponse, false);
}

std::optional<TextArray> MarketplaceSource::related(const Text &searchPage) {
    const Text block = textBetween(searchPage, "related\":", ",\"tab\"", 1, false);
    if (block.empty() || !m_other.parse(block))
        return std::nullopt;
    TextArray words;
    const int n = m_other.count("data.words");
    for (int i = 0; i < n; ++i)
        words.push_back(m_other.getText("data.words[" + index(i) + "].text"));
    return words;
}

namespace {

// The suggestion source a new keyword window asks, when set.
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
