#include "mining/SuggestionSource.h"

namespace orbisel {
namespace {

// Reports every request as failed; used until a real source is installed.
class UnavailableSource final : public SuggestionSource {
public:
    Text pcSuggestRequest(const Text &) override { return {}; }
    Text mobileSuggestRequest(const Text &) override { return {}; }
    Text relatedRequest(const Text &) override { return {}; }
    std::optional<TextArray> pcSuggest(const Text &) override { return std::nullopt; }
    TextArray pcArrow(int, const Text &) override { return {}; }
    std::optional<TextArray> mobileSuggest(const Text &) override { return std::nullopt; }
    std::optional<TextArray> longTail(const Text &) override { return std::nullopt; }
    std::optional<TextArray> related(const Text &) override { return std::nullopt; }
};

SuggestionSourceFactory &factory() {
    static SuggestionSourceFactory f;
    return f;
}

} // namespace

void setSuggestionSourceFactory(SuggestionSourceFactory f) { factory() = std::move(f); }

std::unique_ptr<SuggestionSource> makeSuggestionSource() {
    if (factory())
        return factory()();
    return std::make_unique<UnavailableSource>();
}

} // namespace orbisel
