#pragma once

#include "web/Text.h"
#include "web/WebRequest.h"

#include <string>
#include <string_view>

namespace orbisel {

// How a GET ended below the HTTP level.
enum class FetchFailure {
    None,     // an HTTP answer arrived (any status)
    BadUrl,   // the request could not be made
    Refused,  // connection refused or host not found
    TimedOut, // connect, stall or overall deadline
    Dropped,  // connection reset or closed without a complete answer
    Tls,      // TLS handshake or certificate failure
    TooLarge, // body over the cap
    Other,
};

// One HTTP(S) GET as the deep run needs it: no cookies, redirects not
// followed, and the parts of the answer a caller judges it by.
struct FetchResult {
    FetchFailure failure = FetchFailure::None;
    long status = 0;
    std::string contentType; // Content-Type header value, as sent
    std::string location;    // Location header value of a redirect, as sent
    Bytes body;
};

// Safe to call from several threads at once. `deadlineSeconds` bounds the
// whole transfer (0: only the options' connect and stall time-outs).
FetchResult httpGet(std::string_view url, const WebRequestOptions &options = webRequestDefaults(),
                    long deadlineSeconds = 60);

} // namespace orbisel
