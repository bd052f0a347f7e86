#pragma once

#include "LocalServer.h"
#include "core/marketplace/MarketplaceSource.h"
#include "web/Text.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace orbisel::test {

// The marketplace stand-in of local_server.py over HTTPS on 127.0.0.1,
// answering from the fixture folder kept with these tests. While it lives,
// web requests trust the test certificate and keep their cookies in a
// temporary folder; marketplaceEndpoints() point at the server.
class MarketplaceServer {
public:
    MarketplaceServer();
    ~MarketplaceServer();
    MarketplaceServer(const MarketplaceServer &) = delete;
    MarketplaceServer &operator=(const MarketplaceServer &) = delete;

    bool running() const;
    // "127.0.0.1:PORT"
    std::string host() const;
    MarketplaceEndpoints endpoints() const { return {host(), host()}; }

    // The request lines of /sug and /search received so far, as sent.
    std::vector<std::string> requestLines() const;
    // Forgets the request lines received so far (and reloads the fixtures).
    void clearLog();
    // Answers from the fixture files of another folder from now on.
    bool useFixtures(const std::string &dir);
    // The same, every answer waiting `delaySeconds`, and unknown queries
    // answered with `syntheticWords` words derived from the query.
    bool useFixtures(const std::string &dir, double delaySeconds, int syntheticWords);
    // From now on every host refuses (429) the requests beyond a token bucket of
    // `perSecond` tokens a second holding at most `burst`; 0 turns it off.
    bool limitRate(double perSecond, double burst);
    // The requests refused by the token bucket since the last setup.
    long long refusedCount() const;

    static std::string fixtureDir();

private:
    LocalServer m_server{LocalServer::Mode::Https};
    std::string m_cookieDir;
    std::string m_fixtureDir = fixtureDir();
    std::string m_setupExtra; // further parameters of the setup request
    std::string m_rateExtra;  // the token bucket's
    bool m_ready = false;
};

// A test suite sharing one stand-in; every test starts with an empty request log.
class MarketplaceServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new MarketplaceServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->running());
        server->clearLog();
    }

    static inline MarketplaceServer *server = nullptr;
};

// The GBK words of an answer in UTF-8, for comparing; nothing stays nothing.
std::optional<std::vector<std::string>> utf8Words(const std::optional<TextArray> &words);

} // namespace orbisel::test
