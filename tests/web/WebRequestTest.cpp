#include "web/WebRequest.h"

#include "LocalServer.h"
#include "tests/support/FileContents.h"
#include "web/TextRules.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace orbisel;
using orbisel::test::LocalServer;

namespace {

const char *kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n";

using test::readFile;

class WebRequestTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        http = new LocalServer(LocalServer::Mode::Http);
        https = new LocalServer(LocalServer::Mode::Https);
        char dir[] = "/tmp/orbisel-web-XXXXXX";
        storeDir = mkdtemp(dir);
    }
    static void TearDownTestSuite() {
        delete http;
        delete https;
        std::filesystem::remove_all(storeDir);
    }
    void SetUp() override {
        ASSERT_NE(http->port(), 0);
        ASSERT_NE(https->port(), 0);
        options.caFile = LocalServer::certificateFile();
        options.cookieStoreDir = storeDir;
        options.connectTimeoutSeconds = 5;
        options.stallTimeoutSeconds = 5;
    }
    static std::string host(const LocalServer &s) {
        return "Host: 127.0.0.1:" + std::to_string(s.port()) + "\r\n";
    }

    // A request that passes an empty cookie text, so no cookie store takes part.
    Bytes request(const std::string &url, int method = 0, Text *extra = nullptr,
                  std::string_view bodyText = {}, Bytes *body = nullptr, Text *headers = nullptr) {
        Text cookies;
        return webRequest(url, method, bodyText, &cookies, nullptr, extra, headers, false, body, {}, true,
                          options);
    }

    // Connections the server accepted since the previous call.
    int connectionsSinceLastCall() { return std::stoi(request(http->url("/connections"))); }

    static inline LocalServer *http = nullptr;
    static inline LocalServer *https = nullptr;
    static inline std::string storeDir;
    WebRequestOptions options;
};

} // namespace

TEST_F(WebRequestTest, get_sendsExactlyTheDefaultHeaders) {
    const std::string url = http->url("/echo?Q=%E4");
    Text extra;
    const Bytes echo = request(url, 0, &extra);
    EXPECT_EQ(echo, "GET /echo?Q=%E4 HTTP/1.1\r\n" + host(*http) + kAgentLine +
                        "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n\r\n");
    EXPECT_EQ(extra, "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn");
}

TEST_F(WebRequestTest, post_sendsBodyTextAndWritesItIntoBodyBytes) {
    const std::string url = http->url("/echo");
    Text extra;
    Bytes body;
    const Bytes echo = request(url, 1, &extra, "x=1", &body);
    EXPECT_EQ(echo, "POST /echo HTTP/1.1\r\n" + host(*http) + kAgentLine + "Accept: */*\r\nReferer: " + url +
                        "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                        "Content-Length: 3\r\n\r\nx=1");
    EXPECT_EQ(extra, "Accept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(body, "x=1");
    // Bytes already present take precedence over the text.
    Bytes given = "raw";
    EXPECT_TRUE(endsWithText(request(url, 1, nullptr, "x=1", &given), "\r\n\r\nraw"));
    EXPECT_EQ(given, "raw");
}

TEST_F(WebRequestTest, otherMethods_verbsBodiesAndFallback) {
    const std::string url = http->url("/echo");
    const Bytes put = request(url, 3, nullptr, "p");
    EXPECT_TRUE(startsWithText(put, "PUT /echo HTTP/1.1\r\n"));
    EXPECT_FALSE(containsText(put, "Content-Type:"));
    EXPECT_TRUE(endsWithText(put, "\r\n\r\np"));
    EXPECT_TRUE(startsWithText(request(url, 5), "DELETE /echo "));
    EXPECT_TRUE(startsWithText(request(url, 4), "OPTIONS /echo "));
    for (int method : {8, 100, -1}) {
        Bytes body;
        const Bytes echo = request(url, method, nullptr, "ignored", &body);
        EXPECT_TRUE(startsWithText(echo, "GET /echo HTTP/1.1\r\n")) << method;
        EXPECT_TRUE(endsWithText(echo, "zh-cn\r\n\r\n")) << method;
        EXPECT_EQ(body, "") << method;
    }
    Text headers;
    EXPECT_EQ(request(url, 2, nullptr, {}, nullptr, &headers), "");
    EXPECT_TRUE(startsWithText(headers, "HTTP/1.1 200 OK\r\n"));
}

TEST_F(WebRequestTest, extraHeaders_userAgentAndCaseSensitiveTests) {
    const std::string url = http->url("/echo");
    Text extra = "accept: text/html\r\nuser-agent: X";
    const Bytes echo = request(url, 0, &extra);
    EXPECT_TRUE(containsText(echo, "\r\naccept: text/html\r\nuser-agent: X\r\nAccept: */*\r\nReferer: "));
    EXPECT_FALSE(containsText(echo, "Mozilla"));
    // A header merely containing "User-Agent:" supplies the agent that is sent.
    Text other = "X-User-Agent: bot/1";
    const Bytes echo2 = request(url, 0, &other);
    EXPECT_TRUE(containsText(echo2, "\r\nUser-Agent: bot/1\r\n"));
    EXPECT_TRUE(containsText(echo2, "\r\nX-User-Agent: bot/1\r\n"));
    // A caller header without a value is sent, not dropped.
    Text empty = "X-Empty:";
    EXPECT_TRUE(containsText(request(url, 0, &empty), "\r\nX-Empty:"));

    EXPECT_EQ(webRequestUserAgent(""), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    EXPECT_EQ(webRequestUserAgent("User-Agent:  Foo \r\nX: y"), "Foo");
    EXPECT_EQ(webRequestUserAgent("user-agent: X"), "X");
    EXPECT_EQ(webRequestUserAgent("A: b\r\nUser-Agent:"), "b\r\nUser-Agent:");
}

TEST_F(WebRequestTest, cookies_passedTextBecomesCookieLineAndIsMerged) {
    const std::string echo = http->url("/echo");
    Text cookies = "a=1";
    EXPECT_TRUE(containsText(
        webRequest(echo, 0, {}, &cookies, nullptr, nullptr, nullptr, false, nullptr, {}, true, options),
        "\r\nCookie: a=1\r\n"));
    cookies = "Cookie: a=1";
    EXPECT_TRUE(containsText(
        webRequest(echo, 0, {}, &cookies, nullptr, nullptr, nullptr, false, nullptr, {}, true, options),
        "\r\nCookie: a=1\r\n"));

    // Received cookies first, then sent ones the response did not set; both variables get the merge.
    cookies = "b=0; z=9";
    Text returned, headers;
    webRequest(http->url("/setcookie"), 0, {}, &cookies, &returned, nullptr, &headers, false, nullptr, {},
               true, options);
    EXPECT_EQ(returned, "a=1; b=2; z=9");
    EXPECT_EQ(cookies, "a=1; b=2; z=9");
    EXPECT_TRUE(containsText(headers, "\r\nSet-Cookie: b=2\r\n")); // header name normalised

    // Without the merge: only the response's items, attributes dropped.
    cookies = "b=0";
    webRequest(http->url("/setcookie"), 0, {}, &cookies, &returned, nullptr, nullptr, false, nullptr, {},
               false, options);
    EXPECT_EQ(returned, "a=1; b=2");
    EXPECT_EQ(cookies, "b=0");

    // An empty text adds no Cookie line but still merges (clean-up only).
    Text none;
    const Bytes plain =
        webRequest(echo, 0, {}, &none, &returned, nullptr, nullptr, false, nullptr, {}, true, options);
    EXPECT_FALSE(containsText(plain, "Cookie"));
    EXPECT_EQ(returned, "");

    Text block =
        "HTTP/1.1 200 OK\r\nSET-COOKIE: k=v\r\nX-Set-Cookie-Note: n\r\nSet-Cookie:  s = 1 ; path=/\r\n\r\n";
    EXPECT_EQ(gatherSetCookies(block), "k=v; X-Set-Cookie-Note: n; s = 1");
    EXPECT_TRUE(containsText(block, "\r\nSet-Cookie: k=v\r\n"));
}

TEST_F(WebRequestTest, omittedCookies_useThePersistentStore) {
    const std::string file = cookieStoreFile(storeDir);
    webRequest(http->url("/persist"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, nullptr, {}, true,
               options);
    const std::string saved = readFile(file);
    EXPECT_TRUE(containsText(saved, "\tsid\tabc")) << saved;
    EXPECT_FALSE(containsText(saved, "temp")) << "session cookies stay in memory";

    Text returned = "untouched";
    const Bytes echo = webRequest(http->url("/echo"), 0, {}, nullptr, &returned, nullptr, nullptr, false,
                                  nullptr, {}, true, options);
    EXPECT_TRUE(containsText(echo, "\r\nCookie: ")) << echo;
    EXPECT_TRUE(containsText(echo, "sid=abc"));
    EXPECT_EQ(returned, "");

    // Passing a cookie text, even an empty one, leaves the store out.
    EXPECT_FALSE(containsText(request(http->url("/echo")), "sid=abc"));
    EXPECT_EQ(readFile(file), saved);
}

namespace {
mode_t modeOf(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}
} // namespace

// The cookie file holds session secrets: owner-only, also when an older file allowed more,
// in a folder of the owner's own when the store creates it.
TEST_F(WebRequestTest, cookieStore_fileOwnerOnlyInOwnerOnlyFolder) {
    const std::string created = storeDir + "/created/store";
    const std::string existing = storeDir + "/existing";
    std::filesystem::create_directories(existing);
    {
        std::ofstream old(cookieStoreFile(existing));
        old << "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\told\tcookie\n";
    }
    ASSERT_EQ(::chmod(cookieStoreFile(existing).c_str(), 0644), 0);
    for (const std::string &dir : {created, existing}) {
        WebRequestOptions storeOptions = options;
        storeOptions.cookieStoreDir = dir;
        webRequest(http->url("/persist"), 0, {}, nullptr, nullptr, nullptr, nullptr, false, nullptr, {}, true,
                   storeOptions);
        EXPECT_TRUE(containsText(readFile(cookieStoreFile(dir)), "\tsid\tabc")) << dir;
        EXPECT_EQ(modeOf(cookieStoreFile(dir)), 0600u) << dir;
    }
    EXPECT_EQ(modeOf(storeDir + "/created"), 0700u);
    EXPECT_EQ(modeOf(created), 0700u);
}

TEST(CookieFileTest, readCookieFile_keepsPersistentCookiesAndSkipsTheRest) {
    const std::string content = "# Netscape HTTP Cookie File\r\n"
                                "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tsid\tabc\r\n"
                                "#HttpOnly_127.0.0.1\tFALSE\t/\tTRUE\t4102444800\th\t1\n"
                                "127.0.0.1\tFALSE\t/\tFALSE\t0\ttemp\tx\n"
                                "\n"
                                "# a comment\n"
                                "not a cookie line\n"
                                "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tlast\tz";
    const std::string read = readCookieFile(content);
    EXPECT_TRUE(read.starts_with("# Netscape HTTP Cookie File\n")) << read;
    EXPECT_TRUE(containsText(read, "127.0.0.1\tFALSE\t/\tFALSE\t4102444800\tsid\tabc\n")) << read;
    EXPECT_TRUE(containsText(read, "#HttpOnly_127.0.0.1\tFALSE\t/\tTRUE\t4102444800\th\t1\n")) << read;
    EXPECT_TRUE(containsText(read, "\tlast\tz\n")) << read;
    EXPECT_FALSE(containsText(read, "temp")) << "session cookies stay in memory";
    EXPECT_FALSE(containsText(read, "comment") || containsText(read, "not a cookie")) << read;
    EXPECT_FALSE(containsText(read, "\r")) << read;
    EXPECT_EQ(readCookieFile(read), read) << "what the store saves reads back unchanged";
    EXPECT_EQ(readCookieFile({}), "# Netscape HTTP Cookie File\n");
}

TEST_F(WebRequestTest, redirects_followedUnlessNoRedirect) {
    Text headers, returned, cookies;
    Bytes body = webRequest(http->url("/redirect"), 0, {}, &cookies, &returned, nullptr, &headers, false,
                            nullptr, {}, false, options);
    EXPECT_TRUE(startsWithText(body, "GET /echo?from=redirect HTTP/1.1\r\n"));
    EXPECT_TRUE(startsWithText(headers, "HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(endsWithText(headers, "\r\nConnection: close\r\n\r\n"));
    EXPECT_FALSE(containsText(headers, "302"));
    EXPECT_EQ(returned, "");

    body = webRequest(http->url("/redirect"), 0, {}, &cookies, &returned, nullptr, &headers, true, nullptr,
                      {}, false, options);
    EXPECT_EQ(body, "moved");
    EXPECT_TRUE(startsWithText(headers, "HTTP/1.1 302 Found\r\nLocation: /echo?from=redirect\r\n"));
    EXPECT_EQ(returned, "r=1");
}

TEST_F(WebRequestTest, longHeaderBlock_isReturnedWholeWithItsCookies) {
    Text headers, returned, cookies;
    EXPECT_EQ(webRequest(http->url("/bigheaders"), 0, {}, &cookies, &returned, nullptr, &headers, false,
                         nullptr, {}, false, options),
              "big");
    EXPECT_GT(headers.size(), 5000u);
    EXPECT_EQ(returned, "late=1");
}

TEST_F(WebRequestTest, bodyOverTheCap_endsTheTransferWithAnEmptyResult) {
    options.maxBodyBytes = 1000;
    EXPECT_EQ(request(http->url("/big?n=1000")).size(), 1000u);
    Text headers;
    EXPECT_EQ(request(http->url("/big?n=5000"), 0, nullptr, {}, nullptr, &headers), "");
    EXPECT_TRUE(startsWithText(headers, "HTTP/1.1 200 OK\r\n"));
}

TEST_F(WebRequestTest, failures_giveEmptyResultsAndTheDocumentedVariables) {
    // Refused connection: the request was made, so defaults, 5000 spaces and the merge are written.
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::unusedPort()) + "/x";
    Text cookies = "a=1", returned = "old", extra, headers;
    EXPECT_EQ(
        webRequest(refused, 0, {}, &cookies, &returned, &extra, &headers, false, nullptr, {}, true, options),
        "");
    EXPECT_EQ(headers, Text(5000, ' '));
    EXPECT_EQ(returned, "a=1");
    EXPECT_TRUE(startsWithText(extra, "Accept: */*"));

    // A server that accepts but never answers: the stall time-out ends the call.
    options.stallTimeoutSeconds = 1;
    headers.clear();
    EXPECT_EQ(request(http->url("/silent"), 0, nullptr, {}, nullptr, &headers), "");
    EXPECT_EQ(headers, Text(5000, ' '));

    // A URL no request can be made for leaves every variable alone.
    for (const char *url : {"http:///x", "http://a b.h/", "http://a.h?q=1", "http://h.h:70000/"}) {
        Text c = "c", r = "r", e = "e", h = "h";
        Bytes b = "b";
        EXPECT_EQ(webRequest(url, 1, "t", &c, &r, &e, &h, false, &b, {}, true, options), "") << url;
        EXPECT_EQ(c + r + e + h + b, "crehb") << url;
    }
}

TEST_F(WebRequestTest, lineBreakInAnyHeaderText_refusedBeforeAnythingIsSent) {
    struct Case {
        std::string path;
        const char *cookies;
        const char *headers;
    };
    const Case cases[] = {
        {"/echo?q=a\r\nX-Injected: 1", "", ""},
        {"/echo?q=a\nX-Injected: 1", "", ""},
        {"/echo#a\rb", "", ""},
        {"/echo", "a=1\r\nX-Injected: 1", ""},
        {"/echo", "a=1\n", ""},
        {"/echo", "", "X-A: 1\r\nX-B: 2\nX-Injected: 1"},
        {"/echo", "", "X-A: 1\r"},
        {"/echo", "", "User-Agent: bot\rX-Injected: 1"},
    };
    connectionsSinceLastCall();
    for (const Case &c : cases) {
        const std::string url = http->url(c.path);
        Text cookies = c.cookies, returned = "r", extra = c.headers, headers = "h";
        Bytes body = "b";
        EXPECT_EQ(
            webRequest(url, 1, "t", &cookies, &returned, &extra, &headers, false, &body, {}, true, options),
            "")
            << c.path << c.cookies << c.headers;
        EXPECT_EQ(cookies + returned + extra + headers + body, Text(c.cookies) + "r" + c.headers + "hb");
    }
    EXPECT_EQ(connectionsSinceLastCall(), 0);
    // CRLF between header lines is the separator, not an injection.
    Text extra = "X-A: 1\r\nX-B: 2\r\n";
    EXPECT_TRUE(containsText(request(http->url("/echo"), 0, &extra), "\r\nX-A: 1\r\nX-B: 2\r\n"));
    EXPECT_EQ(connectionsSinceLastCall(), 1);
}

TEST_F(WebRequestTest, drippingServer_endsAtTheDeadline) {
    options.stallTimeoutSeconds = 5; // four bytes a second never stall
    options.deadlineSeconds = 2;
    Text headers;
    EXPECT_EQ(request(http->url("/drip?n=40&ms=250"), 0, nullptr, {}, nullptr, &headers), "");
    EXPECT_TRUE(startsWithText(headers, "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n")) << headers;
    options.deadlineSeconds = 30;
    EXPECT_EQ(request(http->url("/drip?n=4&ms=250")), "dddd");
}

TEST_F(WebRequestTest, https_trustsOnlyTheConfiguredAuthority) {
    const std::string url = https->url("/echo");
    EXPECT_TRUE(startsWithText(request(url), "GET /echo HTTP/1.1\r\n"));
    options.caFile.clear(); // the system's authorities do not know the test certificate
    Text headers;
    EXPECT_EQ(request(url, 0, nullptr, {}, nullptr, &headers), "");
    EXPECT_EQ(headers, Text(5000, ' '));
}

TEST_F(WebRequestTest, proxy_textAndUse) {
    EXPECT_EQ(webRequestProxyText("https://a.h/", "p:8080"), "p:8080");
    EXPECT_EQ(webRequestProxyText("http://a.h/", "p:8080"), "http=p:8080");
    EXPECT_EQ(webRequestProxyText("a.h/", "p:8080"), "http=p:8080");
    EXPECT_EQ(webRequestProxyText("http://a.h/", ""), "");
    // The local server acting as the proxy sees the absolute request target.
    Text cookies;
    const std::string proxy = "127.0.0.1:" + std::to_string(http->port());
    const Bytes echo = webRequest("http://shop.invalid/echo", 0, {}, &cookies, nullptr, nullptr, nullptr,
                                  false, nullptr, proxy, true, options);
    EXPECT_TRUE(startsWithText(echo, "GET http://shop.invalid/echo HTTP/1.1\r\nHost: shop.invalid\r\n"))
        << echo;
}

TEST_F(WebRequestTest, concurrentCalls_fromWorkerThreads) {
    std::vector<std::thread> workers;
    std::vector<Bytes> results(6);
    for (std::size_t i = 0; i < results.size(); ++i) {
        workers.emplace_back([&, i] {
            results[i] = webRequest(http->url(i % 2 ? "/persist" : "/echo"), 0, {}, nullptr, nullptr, nullptr,
                                    nullptr, false, nullptr, {}, true, options);
        });
    }
    for (auto &w : workers)
        w.join();
    for (std::size_t i = 0; i < results.size(); ++i)
        EXPECT_FALSE(results[i].empty()) << i;
}
