// libFuzzer target: the five extractions on raw marketplace answer text (suggestions,
// their arrow groups, mobile suggestions, long tail, related searches), both as the
// keyword window reads them (GBK, script engine) and as the deep run reads them (UTF-8,
// Qt's JSON reader). Both must find the same words: a difference aborts.
#include "core/marketplace/MarketplaceSource.h"
#include "core/marketplace/SuggestionAnswers.h"
#include "web/Encoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using Words = std::vector<std::string>;

Words utf8(const std::optional<orbisel::TextArray> &gbk) {
    Words out;
    if (gbk) {
        for (const orbisel::Text &word : *gbk)
            out.push_back(orbisel::gbkToUtf8(word));
    }
    return out;
}

// The deep run's words as the keyword window can hold them: through GBK and
// back, so characters GBK lacks are replaced the same way on both sides.
Words throughGbk(Words words) {
    for (std::string &word : words)
        word = orbisel::gbkToUtf8(orbisel::utf8ToGbk(word));
    return words;
}

Words plain(const std::optional<std::vector<orbisel::core::FoundWord>> &found) {
    Words out;
    if (found) {
        for (const orbisel::core::FoundWord &w : *found)
            out.push_back(w.word);
    }
    return throughGbk(std::move(out));
}

void expectSame(const Words &window, const Words &engine, const char *what) {
    if (window == engine)
        return;
    std::fprintf(stderr, "%s: the keyword window found %zu words, the deep run %zu\n", what, window.size(),
                 engine.size());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string answer(reinterpret_cast<const char *>(data), size);
    const orbisel::Text gbk = orbisel::utf8ToGbk(answer);
    // Only answers the window receives unchanged are comparable (it reads them as GBK).
    const bool comparable = orbisel::gbkToUtf8(gbk) == answer;
    orbisel::MarketplaceSource source;

    const std::optional<orbisel::TextArray> pc = source.pcSuggest(gbk);
    const std::optional<orbisel::core::PcAnswer> enginePc = orbisel::core::readPcAnswer(answer);
    const std::size_t arrowGroups = std::min<std::size_t>(pc ? pc->size() : 0, 8);
    if (comparable)
        expectSame(utf8(pc), enginePc ? plain(enginePc->suggestions) : Words{}, "pc");
    for (std::size_t i = 0; i < arrowGroups; ++i) {
        const Words window = utf8(source.pcArrow(static_cast<int>(i), (*pc)[i]));
        if (comparable)
            expectSame(window,
                       throughGbk(enginePc && i < enginePc->arrows.size() ? enginePc->arrows[i] : Words{}),
                       "arrow");
    }
    const Words mobile = utf8(source.mobileSuggest(gbk));
    const Words longTail = utf8(source.longTail(gbk));
    const Words related = utf8(source.related(gbk));
    const Words engineMobile = plain(orbisel::core::suggestionWords(answer, true));
    const Words engineLongTail = plain(orbisel::core::suggestionWords(answer, false));
    const Words engineRelated = throughGbk(orbisel::core::relatedWords(answer).value_or(Words{}));
    if (comparable) {
        expectSame(mobile, engineMobile, "mobile");
        expectSame(longTail, engineLongTail, "long tail");
        expectSame(related, engineRelated, "related");
    }
    return 0;
}
