#pragma once

#include <curl/curl.h>
#include <memory>

namespace orbisel {

// An easy handle of libcurl that cleans itself up.
using CurlEasy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// A new easy handle, after libcurl's process-wide set-up (done once, safe from
// any thread); null when either fails.
CurlEasy newCurlEasy();

struct WebRequestOptions;
// The settings every HTTP(S) transfer shares: http and https only, HTTP/1.1, no
// signals, TLS verified (against the options' CA file when given), the
// connect, stall and overall time-outs and the body cap.
void setTransferLimits(CURL *curl, const WebRequestOptions &options);

} // namespace orbisel
