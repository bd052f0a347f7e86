#include "web/WebRequest.h"

#include "web/Curl.h"
#include "web/SaveFile.h"
#include "web/TextRules.h"
#include "web/UrlCookies.h"

#include <QStandardPaths>
#include <array>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <sys/stat.h>

namespace orbisel {
namespace {

constexpr const char *kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::string_view kCrlf = "\r\n";
constexpr std::size_t kHeaderBufferSize = 5000;
constexpr long kMaxRedirects = 30;

std::mutex &defaultsMutex() {
    static std::mutex m;
    return m;
}

WebRequestOptions &defaultsStorage() {
    static WebRequestOptions options;
    return options;
}

// Adds the cookies of a cookie file's content (Netscape format, LF or CRLF
// lines) to the jar of `curl`; comment and empty lines are skipped.
void addCookieLines(CURL *curl, std::string_view content) {
    while (!content.empty()) {
        const size_t end = content.find('\n');
        std::string line(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || (line[0] == '#' && !line.starts_with("#HttpOnly_")))
            continue;
        curl_easy_setopt(curl, CURLOPT_COOKIELIST, line.c_str());
    }
}

// The cookie file content of the persistent cookies in the jar of `curl`.
std::string persistentCookieText(CURL *curl) {
    std::string content = "# Netscape HTTP Cookie File\n";
    struct curl_slist *list = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_COOKIELIST, &list) != CURLE_OK)
        return content;
    for (struct curl_slist *item = list; item; item = item->next) {
        const std::string line = item->data;
        // Fields: domain, subdomains, path, secure, expiry, name, value; expiry 0 is a session cookie.
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 5 && std::getline(fields, field, '\t'); ++i) {
        }
        if (field == "0")
            continue;
        content += line;
        content += '\n';
    }
    curl_slist_free_all(list);
    return content;
}

// The persistent cookie store of one folder: a cookie jar shared by every
// request that omits `cookies`, loaded from the folder's file once and saved
// after each request. Session cookies live only in memory, as in a browser.
class CookieStore {
public:
    explicit CookieStore(std::string file) : file_(std::move(file)) {
        share_ = curl_share_init();
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieStore::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieStore::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        load();
    }
    ~CookieStore() { curl_share_cleanup(share_); }
    CookieStore(const CookieStore &) = delete;
    CookieStore &operator=(const CookieStore &) = delete;

    void attach(CURL *curl) {
        curl_easy_setopt(curl, CURLOPT_SHARE, share_);
        curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    }

    // Writes the persistent cookies of the jar, read through `curl`, to the file.
    void save(CURL *curl) {
        std::string content = persistentCookieText(curl);
        std::lock_guard guard(saveMutex_);
        if (content == saved_)
            return; // unchanged: spare the disk a rewrite per request
        if (saveFileAtomically(file_, content, ParentFolder::Create, FileAccess::OwnerOnly))
            saved_ = std::move(content);
    }

private:
    void load() {
        std::ifstream in(file_, std::ios::binary);
        if (!in)
            return;
        // A file from an older build may be readable by others: the cookies are secrets.
        ::chmod(file_.c_str(), 0600);
        const std::string content{std::istreambuf_iterator<char>(in), {}};
        const CurlEasy curl = newCurlEasy();
        if (!curl)
            return;
        attach(curl.get());
        addCookieLines(curl.get(), content);
    }

    static void lock(CURL *, curl_lock_data data, curl_lock_access, void *self) {
        static_cast<CookieStore *>(self)->locks_[static_cast<std::size_t>(data) % kLocks].lock();
    }
    static void unlock(CURL *, curl_lock_data data, void *self) {
        static_cast<CookieStore *>(self)->locks_[static_cast<std::size_t>(data) % kLocks].unlock();
    }

    static constexpr std::size_t kLocks = CURL_LOCK_DATA_LAST;
    std::string file_;
    CURLSH *share_ = nullptr;
    std::array<std::mutex, kLocks> locks_;
    std::mutex saveMutex_;
    std::string saved_; // what the file holds since our last save
};

CookieStore &cookieStoreFor(const std::string &dir) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<CookieStore>> stores;
    std::lock_guard guard(mutex);
    auto &store = stores[dir];
    if (!store)
        store = std::make_unique<CookieStore>(cookieStoreFile(dir));
    return *store;
}

bool isHttpsUrl(std::string_view url) {
    return toLowerAscii(url.substr(0, 8)) == "https://";
}

// Host names libcurl can connect to as they stand.
bool usableHost(std::string_view host) {
    if (host.empty())
        return false;
    for (char c : host) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_'))
            return false;
    }
    return true;
}

// The request target with bytes a URL cannot carry (controls, space, non-ASCII) percent-encoded.
std::string escapeTarget(std::string_view path) {
    return percentEncode(path, [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A CR or LF inside any text that becomes part of a header line would let it
// start lines of its own. The header block itself is CRLF-separated lines; the
// user agent is taken from them.
bool injectsHeaderLines(std::string_view url, const Text *cookies, std::string_view headers) {
    if (hasLineBreak(url) || (cookies && hasLineBreak(*cookies)))
        return true;
    for (const Text &line : splitText(headers, kCrlf))
        if (hasLineBreak(line))
            return true;
    return false;
}

struct Transfer {
    Bytes body;
    Text headers;
    long long maxBody = 0;
};

size_t onBody(char *data, size_t size, size_t count, void *user) {
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    if (static_cast<long long>(t->body.size() + n) > t->maxBody)
        return 0; // ends the transfer
    t->body.append(data, n);
    return n;
}

// Keeps the header block of the latest response: each status line starts a new block.
size_t onHeader(char *data, size_t size, size_t count, void *user) {
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    std::string_view line(data, n);
    if (line.starts_with("HTTP/"))
        t->headers.clear();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    t->headers.append(line);
    t->headers.append(kCrlf);
    return n;
}

// Request header lines for libcurl; outlives the easy handle that sends them.
struct HeaderLines {
    struct curl_slist *items = nullptr;
    HeaderLines() = default;
    HeaderLines(const HeaderLines &) = delete;
    HeaderLines &operator=(const HeaderLines &) = delete;
    ~HeaderLines() { curl_slist_free_all(items); }
    void add(const char *line) {
        if (struct curl_slist *grown = curl_slist_append(items, line))
            items = grown;
    }
};

} // namespace

WebRequestOptions webRequestDefaults() {
    std::lock_guard guard(defaultsMutex());
    return defaultsStorage();
}

void setWebRequestDefaults(const WebRequestOptions &options) {
    std::lock_guard guard(defaultsMutex());
    defaultsStorage() = options;
}

std::string defaultCookieStoreDir() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
}

std::string cookieStoreFile(const std::string &dir) {
    return dir + "/cookies.txt";
}

std::string readCookieFile(std::string_view content) {
    const CurlEasy curl = newCurlEasy();
    if (!curl)
        return {};
    curl_easy_setopt(curl.get(), CURLOPT_COOKIEFILE, "");
    addCookieLines(curl.get(), content);
    return persistentCookieText(curl.get());
}

const char *webRequestVerb(int method) {
    static constexpr const char *kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                             "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return (method < 0 || method > 7) ? kVerbs[0] : kVerbs[method];
}

Text webRequestUserAgent(std::string_view extraHeaders) {
    if (!containsText(extraHeaders, "User-Agent:", true))
        return kDefaultUserAgent;
    Text agent = trimGbkSpaces(textBetween(Text(extraHeaders) + Text(kCrlf), "User-Agent:", kCrlf));
    if (agent.empty()) {
        const std::size_t colon = findText(extraHeaders, ":");
        agent = colon ? trimGbkSpaces(extraHeaders.substr(colon)) : Text();
    }
    return agent;
}

Text webRequestProxyText(std::string_view url, std::string_view proxy) {
    if (proxy.empty())
        return {};
    return isHttpsUrl(url) ? Text(proxy) : "http=" + Text(proxy);
}

void appendDefaultHeaders(Text &extraHeaders, std::string_view url, int method, const Text *cookies) {
    auto addLine = [&](std::string_view line) {
        extraHeaders.append(kCrlf);
        extraHeaders.append(line);
    };
    if (extraHeaders.empty())
        extraHeaders = "Accept: */*";
    else if (!containsText(extraHeaders, "Accept:"))
        addLine("Accept: */*");
    if (!containsText(extraHeaders, "Referer:"))
        addLine("Referer: " + Text(url));
    if (!containsText(extraHeaders, "Accept-Language:"))
        addLine("Accept-Language: zh-cn");
    if (method == 1 && !containsText(extraHeaders, "Content-Type:"))
        addLine("Content-Type: application/x-www-form-urlencoded");
    if (cookies && !cookies->empty())
        addLine(containsText(*cookies, "Cookie:") ? *cookies : "Cookie: " + *cookies);
}

Text gatherSetCookies(Text &headerBlock) {
    headerBlock = replaceText(headerBlock, "Set-Cookie", "Set-Cookie", 1, std::nullopt, true);
    Text cookies;
    for (const Text &line : splitText(headerBlock, kCrlf)) {
        if (!containsText(line, "Set-Cookie"))
            continue;
        Text item = containsText(line, ";")
                        ? trimGbkSpaces(textBetween(line, "Set-Cookie:", ";"))
                        : trimGbkSpaces(replaceText(line, "Set-Cookie:", "", 1, std::nullopt, true));
        cookies += item + "; ";
    }
    if (cookies.size() >= 2)
        cookies.resize(cookies.size() - 2);
    return cookies;
}

Bytes webRequest(std::string_view url, int method, std::string_view bodyText, Text *cookies,
                 Text *returnedCookies, Text *extraHeaders, Text *returnedHeaders, bool noRedirect,
                 Bytes *bodyBytes, std::string_view proxy, bool autoMerge, const WebRequestOptions &options) {
    if (method < 0 || method > 7)
        method = 0;
    const bool https = isHttpsUrl(url);
    Text localHeaders, localReturnedHeaders, localReturnedCookies;
    Bytes localBody;
    Text &headers = extraHeaders ? *extraHeaders : localHeaders;
    Text &outHeaders = returnedHeaders ? *returnedHeaders : localReturnedHeaders;
    Text &outCookies = returnedCookies ? *returnedCookies : localReturnedCookies;
    Bytes &body = bodyBytes ? *bodyBytes : localBody;

    // Everything that can stop the request before it is made comes first:
    // the caller's variables stay untouched on these paths.
    if (injectsHeaderLines(url, cookies, headers))
        return {};
    const Text host = urlHost(url);
    if (!usableHost(host))
        return {};
    const int port = urlPort(url);
    if (port < 0 || port > 65535)
        return {};
    std::string target = (https ? "https://" : "http://") + host;
    if (port != 0)
        target.append(":").append(std::to_string(port));
    target += escapeTarget(urlPath(url));
    {
        CURLU *parsed = curl_url();
        const bool ok = parsed && curl_url_set(parsed, CURLUPART_URL, target.c_str(), 0) == CURLUE_OK;
        curl_url_cleanup(parsed);
        if (!ok)
            return {};
    }
    HeaderLines headerLines;
    const CurlEasy easy = newCurlEasy();
    CURL *curl = easy.get();
    if (!curl)
        return {};

    Text agent = webRequestUserAgent(headers);
    agent = agent.substr(0, agent.find_first_of("\r\n")); // read past its line by the lenient rule
    const Text proxyText = webRequestProxyText(url, proxy);
    const std::string curlProxy = startsWithText(proxyText, "http=") ? proxyText.substr(5) : proxyText;

    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    setTransferLimits(curl, options);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, curlProxy.c_str()); // empty: direct, whatever the environment says
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, noRedirect ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, 0L);
    CookieStore *store = nullptr;
    if (!cookies) {
        store = &cookieStoreFor(options.cookieStoreDir.empty() ? defaultCookieStoreDir()
                                                               : options.cookieStoreDir);
        store->attach(curl);
    }

    appendDefaultHeaders(headers, url, method, cookies);
    for (Text &line : splitText(headers, kCrlf)) {
        if (trimGbkSpaces(line).empty())
            continue;
        // "Name:" alone would tell libcurl to drop the header; "Name;" sends it empty.
        if (endsWithText(trimGbkSpaces(line), ":"))
            line = trimGbkSpaces(line).substr(0, trimGbkSpaces(line).size() - 1) + ";";
        headerLines.add(line.c_str());
    }
    // libcurl adds neither of these on its own behalf.
    headerLines.add("Content-Type:");
    headerLines.add("Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerLines.items);

    if (method == 0) {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    } else {
        if (body.empty())
            body = Bytes(bodyText);
        if (method == 2) {
            curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        } else {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            if (method != 1)
                curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, webRequestVerb(method));
        }
    }

    Transfer transfer;
    transfer.maxBody = options.maxBodyBytes;
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);

    const CURLcode rc = curl_easy_perform(curl);
    if (store)
        store->save(curl);

    Bytes result = rc == CURLE_OK ? std::move(transfer.body) : Bytes();
    outHeaders = transfer.headers.empty() ? Text(kHeaderBufferSize, ' ') : std::move(transfer.headers);
    outCookies = gatherSetCookies(outHeaders);
    if (autoMerge && cookies)
        outCookies = mergeCookies(*cookies, outCookies);
    return result;
}

} // namespace orbisel
