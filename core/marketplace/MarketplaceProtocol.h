#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/marketplace/MarketplaceEndpoints.h"
#include "web/HttpFetch.h"

#include <cstdint>
#include <string>
#include <string_view>

// The requests the marketplace is asked and how its answers are judged, for
// the keyword window and the deep run alike.
namespace orbisel::core {

// The URL asking `kind` about a UTF-8 query (every byte percent-encoded); the
// PC one carries the current time stamp, the search one the current date.
std::string requestUrl(const MarketplaceEndpoints &endpoints, AnswerKind kind, std::string_view query);
const std::string &hostOf(const MarketplaceEndpoints &endpoints, AnswerKind kind);

// How an answer is taken. Refusals (403, 429), a page where JSON was asked and
// a redirect to another host (a login page) mean the marketplace blocks us.
enum class Verdict { Answer, Transient, Failed, Blocked };
Verdict judgeAnswer(const FetchResult &answer, AnswerKind kind, const MarketplaceEndpoints &endpoints);

// The requests of one query: its PC, mobile and search answers, then the
// long-tail answers (mobile answers of each mobile word).
enum class Request : std::uint8_t { Pc, Mobile, Search, LongTail };
struct RequestNeed {
    Request request;
    AnswerKind kind;
    DeepSourceSet sources; // the sources read from its answers
};
inline constexpr RequestNeed kRequestNeeds[] = {
    {Request::Pc, AnswerKind::Pc, sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Arrow)},
    {Request::Mobile, AnswerKind::Mobile, sourceBit(DeepSource::Mobile) | sourceBit(DeepSource::LongTail)},
    {Request::Search, AnswerKind::Search, sourceBit(DeepSource::Related)},
    {Request::LongTail, AnswerKind::Mobile, sourceBit(DeepSource::LongTail)},
};
// Whether a run with these sources sends the request.
constexpr bool needs(DeepSourceSet sources, Request request) {
    for (const RequestNeed &need : kRequestNeeds) {
        if (need.request == request)
            return (sources & need.sources) != 0;
    }
    return false;
}
constexpr bool hasSource(DeepSourceSet sources, DeepSource source) {
    return (sources & sourceBit(source)) != 0;
}

} // namespace orbisel::core
