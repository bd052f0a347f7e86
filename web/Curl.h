#pragma once

#include <curl/curl.h>
#include <memory>

namespace orbisel {

// An easy handle of libcurl that cleans itself up.
using CurlEasy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// A new easy handle, after libcurl's process-wide set-up (done once, safe from
// any thread); null when either fails.
CurlEasy newCurlEasy();

} // namespace orbisel
