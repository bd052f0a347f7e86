#include "web/Curl.h"

namespace orbisel {

CurlEasy newCurlEasy() {
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return CurlEasy(ready ? curl_easy_init() : nullptr, &curl_easy_cleanup);
}

} // namespace orbisel
