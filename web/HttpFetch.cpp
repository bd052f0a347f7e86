#include "web/HttpFetch.h"

#include "web/Curl.h"
#include "web/TextRules.h"
#include "web/UrlCookies.h"

#include <curl/curl.h>

namespace orbisel {
namespace {

struct Answer {
    FetchResult result;
    long long maxBody = 0;
};

size_t onBody(char *data, size_t size, size_t count, void *user) {
    auto *a = static_cast<Answer *>(user);
    const size_t n = size * count;
    if (static_cast<long long>(a->result.body.size() + n) > a->maxBody)
        return 0;
    a->result.body.append(data, n);
    return n;
}

// Keeps the Content-Type and Location of the latest response.
size_t onHeader(char *data, size_t size, size_t count, void *user) {
    auto *a = static_cast<Answer *>(user);
    const size_t n = size * count;
    std::string_view line(data, n);
    if (line.starts_with("HTTP/")) {
        a->result.contentType.clear();
        a->result.location.clear();
        return n;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return n;
    const Text name = toLowerAscii(line.substr(0, colon));
    const Text value =
        trimGbkSpaces(Text(line.substr(colon + 1)).substr(0, line.substr(colon + 1).find_first_of("\r\n")));
    if (name == "content-type")
        a->result.contentType = value;
    else if (name == "location")
        a->result.location = value;
    return n;
}

FetchFailure failureOf(CURLcode rc) {
    switch (rc) {
    case CURLE_OK:
        return FetchFailure::None;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return FetchFailure::Refused;
    case CURLE_OPERATION_TIMEDOUT:
        return FetchFailure::TimedOut;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return FetchFailure::Dropped;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return FetchFailure::Tls;
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_WRITE_ERROR:
        return FetchFailure::TooLarge;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return FetchFailure::BadUrl;
    default:
        return FetchFailure::Other;
    }
}

} // namespace

FetchResult httpGet(std::string_view url, const WebRequestOptions &options) {
    // A URL is one line: CR, LF and other controls would split the request.
    for (unsigned char c : url) {
        if (c < 0x20 || c == 0x7F)
            return FetchResult{FetchFailure::BadUrl};
    }
    const CurlEasy handle = newCurlEasy();
    CURL *curl = handle.get();
    if (!curl)
        return FetchResult{FetchFailure::Other};
    const std::string target(url);
    Answer answer;
    answer.maxBody = options.maxBodyBytes;
    struct curl_slist *headers = nullptr;
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, "Accept-Language: zh-cn");
    headers = curl_slist_append(headers, "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    setTransferLimits(curl, options);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer);
    const CURLcode rc = curl_easy_perform(curl);
    answer.result.failure = failureOf(rc);
    if (rc == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.result.status);
    else
        answer.result.body.clear();
    curl_slist_free_all(headers);
    return std::move(answer.result);
}

} // namespace orbisel
