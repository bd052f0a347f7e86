#include "core/marketplace/MarketplaceProtocol.h"

#include "web/DateTime.h"
#include "web/TextRules.h"
#include "web/UrlCookies.h"

namespace orbisel::core {
namespace {

bool looksLikeHtml(const FetchResult &r) {
    if (containsText(r.contentType, "html", true))
        return true;
    const std::size_t first = r.body.find_first_not_of(" \t\r\n");
    return first != std::string::npos && r.body[first] == '<';
}

Verdict verdictOfFailure(FetchFailure failure) {
    switch (failure) {
    case FetchFailure::None:
        return Verdict::Answer;
    case FetchFailure::Refused:
    case FetchFailure::TimedOut:
    case FetchFailure::Dropped:
    case FetchFailure::Other:
        return Verdict::Transient;
    case FetchFailure::BadUrl:
    case FetchFailure::Tls:
    case FetchFailure::TooLarge:
        return Verdict::Failed;
    }
    return Verdict::Failed;
}

} // namespace

std::string requestUrl(const MarketplaceEndpoints &endpoints, AnswerKind kind, std::string_view query) {
    const std::string host = "https://" + hostOf(endpoints, kind);
    const std::string q = urlEncode(query);
    switch (kind) {
    case AnswerKind::Pc:
        return host + "/sug?code=utf-8&q=" + q + "&_ksTS=" + unixTimestamp(false) +
               "_3909&callback=&k=1&area=c2c&bucketid=11";
    case AnswerKind::Mobile:
        return host + "/sug?q=" + q + "&code=utf-8&area=c2c&nick=&sid=null&callback=";
    case AnswerKind::Search:
        return host + "/search?&initiative_id=staobaoz_" + formatDateTime(std::nullopt, 3, 1) + "&q=" + q +
               "&suggest=history_1&_input_charset=utf-8&wq=&suggest_query=&source=suggest";
    }
    return {};
}

const std::string &hostOf(const MarketplaceEndpoints &endpoints, AnswerKind kind) {
    return kind == AnswerKind::Search ? endpoints.searchHost : endpoints.suggestHost;
}

Verdict judgeAnswer(const FetchResult &r, AnswerKind kind, const MarketplaceEndpoints &endpoints) {
    if (r.failure != FetchFailure::None)
        return verdictOfFailure(r.failure);
    if (r.status == 403 || r.status == 429)
        return Verdict::Blocked;
    if (r.status >= 500)
        return Verdict::Transient;
    if (r.status >= 300 && r.status < 400) {
        const bool sameHost = r.location.starts_with("/") ||
                              equalsIgnoreCaseAscii(urlHost(r.location, true), hostOf(endpoints, kind));
        return sameHost ? Verdict::Failed : Verdict::Blocked;
    }
    if (r.status < 200 || r.status >= 300)
        return Verdict::Failed;
    if (kind != AnswerKind::Search && looksLikeHtml(r))
        return Verdict::Blocked;
    return Verdict::Answer;
}

} // namespace orbisel::core
