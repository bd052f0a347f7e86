#include "MarketplaceServer.h"

#include "orbisel/config.h"
#include "web/Encoding.h"
#include "web/TextRules.h"
#include "web/UrlCookies.h"
#include "web/WebRequest.h"

#include <cstdlib>
#include <filesystem>

namespace orbisel::test {

std::string MarketplaceServer::fixtureDir() {
    return ORBISEL_MARKET_FIXTURES "/keywords";
}

MarketplaceServer::MarketplaceServer() {
    char dir[] = "/tmp/orbisel-market-XXXXXX";
    if (mkdtemp(dir))
        m_cookieDir = dir;
    WebRequestOptions options;
    options.caFile = LocalServer::certificateFile();
    options.cookieStoreDir = m_cookieDir;
    setWebRequestDefaults(options);
    marketplaceEndpoints() = endpoints();
    clearLog();
}

MarketplaceServer::~MarketplaceServer() {
    marketplaceEndpoints() = MarketplaceEndpoints{config::kSuggestHost, config::kSearchHost};
    setWebRequestDefaults(WebRequestOptions{});
    if (!m_cookieDir.empty())
        std::filesystem::remove_all(m_cookieDir);
}

bool MarketplaceServer::running() const {
    return m_ready;
}

std::string MarketplaceServer::host() const {
    return "127.0.0.1:" + std::to_string(m_server.port());
}

void MarketplaceServer::clearLog() {
    m_ready = webRequest(m_server.url("/market/setup?dir=" + urlEncode(m_fixtureDir) + m_setupExtra +
                                      m_rateExtra)) == "ok";
}

bool MarketplaceServer::useFixtures(const std::string &dir) {
    return useFixtures(dir, 0, 0);
}

bool MarketplaceServer::useFixtures(const std::string &dir, double delaySeconds, int syntheticWords) {
    m_fixtureDir = dir;
    m_setupExtra = "&delay=" + std::to_string(delaySeconds) + "&synthetic=" + std::to_string(syntheticWords);
    clearLog();
    return m_ready;
}

bool MarketplaceServer::limitRate(double perSecond, double burst) {
    m_rateExtra = "&rate=" + std::to_string(perSecond) + "&burst=" + std::to_string(burst);
    clearLog();
    return m_ready;
}

long long MarketplaceServer::refusedCount() const {
    return std::atoll(webRequest(m_server.url("/market/refused")).c_str());
}

std::vector<std::string> MarketplaceServer::requestLines() const {
    return splitText(webRequest(m_server.url("/market/log")), "\n");
}

std::optional<std::vector<std::string>> utf8Words(const std::optional<TextArray> &words) {
    if (!words)
        return std::nullopt;
    std::vector<std::string> out;
    out.reserve(words->size());
    for (const Text &w : *words)
        out.push_back(gbkToUtf8(w));
    return out;
}

} // namespace orbisel::test
