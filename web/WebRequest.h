#pragma once

#include "orbisel/config.h"
#include "web/Text.h"

#include <string>
#include <string_view>

namespace orbisel {

// Settings of the web request that the program fixes at build time; tests
// point them at their own certificate and folder.
struct WebRequestOptions {
    long connectTimeoutSeconds = config::kHttpConnectTimeoutSeconds;
    // The transfer ends when no byte arrives for this long.
    long stallTimeoutSeconds = config::kHttpStallTimeoutSeconds;
    // The whole request, redirects included, ends after this long.
    long deadlineSeconds = config::kHttpDeadlineSeconds;
    // A larger response body ends the transfer; the result is then empty.
    long long maxBodyBytes = config::kHttpMaxBodyBytes;
    // Certificate authorities trusted for https (PEM file); empty: the system's.
    std::string caFile;
    // Folder of the persistent cookie store; empty: defaultCookieStoreDir().
    std::string cookieStoreDir;
};

// Process-wide defaults used when a call passes no options (thread-safe).
WebRequestOptions webRequestDefaults();
void setWebRequestDefaults(const WebRequestOptions &options);

// The user's data folder of the program (QStandardPaths::AppDataLocation).
std::string defaultCookieStoreDir();
// The cookie file inside a store folder.
std::string cookieStoreFile(const std::string &dir);
// The persistent cookies of a cookie file's content as the store keeps and
// saves them: the file header line, then one line per cookie libcurl accepts;
// session cookies are dropped.
std::string readCookieFile(std::string_view content);

// One complete HTTP(S) request; returns the response body undecoded. Pointer
// parameters are the caller's in/out variables; a null pointer is an omitted
// argument. `cookies` omitted (null) uses the persistent per-user cookie
// store; passed (even pointing to an empty text) uses no store, sends the
// text as a Cookie line and, with `autoMerge`, writes the merge of sent and
// received cookies into both `cookies` and `returnedCookies`. `extraHeaders`
// receives the default headers; `bodyBytes` receives `bodyText` for methods
// other than GET when it is empty. Methods: 0 GET, 1 POST, 2 HEAD, 3 PUT,
// 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; other numbers mean GET.
// When the request cannot be made at all (unusable URL; a URL, cookie text or
// header line holding CR or LF) nothing is sent, the result is
// empty and no variable is written; when it fails on the way (refused, time-out,
// deadline, TLS failure, body over the cap) the result is empty and `returnedHeaders`
// holds the final response's header block if one arrived, else 5000 spaces.
// Safe to call from several threads at once.
Bytes webRequest(std::string_view url, int method = 0, std::string_view bodyText = {},
                 Text *cookies = nullptr, Text *returnedCookies = nullptr, Text *extraHeaders = nullptr,
                 Text *returnedHeaders = nullptr, bool noRedirect = false, Bytes *bodyBytes = nullptr,
                 std::string_view proxy = {}, bool autoMerge = true,
                 const WebRequestOptions &options = webRequestDefaults());

// The steps of webRequest, exposed for tests and reuse.

// The verb of a method number ("GET" for numbers outside 0..7).
const char *webRequestVerb(int method);
// The user agent: from a User-Agent line of the extra headers, else the default.
Text webRequestUserAgent(std::string_view extraHeaders);
// The proxy text: empty for a direct connection, `proxy` for an https URL,
// "http=" + `proxy` for any other URL.
Text webRequestProxyText(std::string_view url, std::string_view proxy);
// Appends the default request headers to `extraHeaders` in table order.
void appendDefaultHeaders(Text &extraHeaders, std::string_view url, int method, const Text *cookies);
// Normalises every "Set-Cookie" (any letter case) in the header block and
// returns the name=value items of its Set-Cookie lines joined by "; ".
Text gatherSetCookies(Text &headerBlock);

} // namespace orbisel
