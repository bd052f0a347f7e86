#include "web/UrlCookies.h"

#include "web/Encoding.h"

#include <gtest/gtest.h>

using namespace orbisel;

TEST(Url, hostPortAndPath) {
    struct Case {
        const char *url;
        const char *host, *hostWithPort;
        int port;
        const char *path;
    } cases[] = {
        {"HTTPS://Shop.H:8443/a/b", "shop.h", "shop.h:8443", 8443, "/a/b"},
        {"host.h/path", "host.h", "host.h", 80, "/path"},
        {"http://a.h?q=1", "a.h?q=1", "a.h?q=1", 80, "/"},
        {"http://a.h:8080/x", "a.h", "a.h:8080", 8080, "/x"},
        {"https://a.h/x", "a.h", "a.h", 443, "/x"},
        {"http://a.h:/x", "a.h", "a.h:", 0, "/x"},
        {"http://A.h/X?y=1#z", "a.h", "a.h", 80, "/X?y=1#z"},
        {"http://user:pw@a.h/x", "user", "user:pw@a.h", 0, "/x"}, // user-info is not recognised
        {"https://a.h", "a.h", "a.h", 443, "/"},
        {"x.h:99999999999/p", "x.h", "x.h:99999999999", 2147483647, "/p"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(urlHost(c.url), c.host) << c.url;
        EXPECT_EQ(urlHost(c.url, true), c.hostWithPort) << c.url;
        EXPECT_EQ(urlPort(c.url), c.port) << c.url;
        EXPECT_EQ(urlPath(c.url), c.path) << c.url;
    }
}

TEST(Url, urlEncode_flags) {
    EXPECT_EQ(urlEncode("a b"), "%61%20%62");
    EXPECT_EQ(urlEncode("a b", true), "a%20b");
    EXPECT_EQ(urlEncode("_~-.Az09/", true), "%5F%7E-.Az09%2F");
    EXPECT_EQ(urlEncode("\n", true), "%0A");
    EXPECT_EQ(urlEncode(utf8ToGbk("中"), true, true), "%E4%B8%AD");
    EXPECT_EQ(urlEncode(utf8ToGbk("中"), true, false), "%D6%D0");
    EXPECT_EQ(urlEncode("", true, true), "");
}

TEST(Cookies, mergeCookies_receivedWinsAndDeletedItemsGo) {
    struct Case {
        const char *sent, *received, *expected;
    } cases[] = {
        {"a=1; b=2", "b=3; c=deleted", "b=3; a=1"},
        {"a=1;a=2", "", "a=1"},
        {"", "x=1; x=1", "x=1"},
        {"k=v w", "", "k=vw"},
        {"", "", ""},
        {"a=1; b=2", "a=deleted", "b=2"},
        {"A=1", "a=2", "a=2; A=1"}, // names are case-sensitive
        {"a=1\xA1\xA1; b=2", "", "a=1; b=2"},
    };
    for (const Case &c : cases) {
        Text sent = c.sent;
        EXPECT_EQ(mergeCookies(sent, c.received), c.expected) << c.sent << " + " << c.received;
        EXPECT_EQ(sent, c.expected);
    }
}

TEST(Cookies, itemHelpers) {
    EXPECT_EQ(cookieName(" sid = 1=2"), "sid");
    EXPECT_EQ(cookieName(" flag "), "flag");
    EXPECT_TRUE(hasCookieName({"a=1", "b=2"}, "b"));
    EXPECT_FALSE(hasCookieName({"a=1", "B=2"}, "b"));
    EXPECT_EQ(dedupeItems("a; b; a", "; "), "a; b");
    EXPECT_EQ(dedupeItems("a", "; "), "a");
    EXPECT_EQ(dedupeItems("", "; "), "");
    EXPECT_EQ(indexOfText({"x", "y", "y"}, "y"), 2);
    EXPECT_EQ(indexOfText({"x"}, "X"), -1);
}
