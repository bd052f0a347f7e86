#include "web/Curl.h"

#include "web/WebRequest.h"

namespace orbisel {

CurlEasy newCurlEasy() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return CurlEasy(ready ? curl_easy_init() : nullptr, &curl_easy_cleanup);
}

void setTransferLimits(CURL *curl, const WebRequestOptions &options) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.deadlineSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBodyBytes));
}

} // namespace orbisel
