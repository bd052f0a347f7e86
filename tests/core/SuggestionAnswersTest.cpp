#include "core/marketplace/SuggestionAnswers.h"

#include "MarketplaceServer.h"
#include "core/marketplace/MarketplaceSource.h"
#include "web/Encoding.h"
#include "web/WebRequest.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace orbisel;
using namespace orbisel::core;
using orbisel::test::MarketplaceServer;
using orbisel::test::MarketplaceServerTest;
using orbisel::test::utf8Words;

namespace {

using Words = std::optional<std::vector<std::string>>;

Words plain(const std::optional<std::vector<FoundWord>> &words) {
    if (!words)
        return std::nullopt;
    std::vector<std::string> out;
    for (const FoundWord &w : *words)
        out.push_back(w.word);
    return out;
}

// The q values of one fixture table.
std::vector<std::string> keysOf(const std::string &name) {
    QFile file(QString::fromStdString(MarketplaceServer::fixtureDir() + "/" + name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<std::string> keys;
    for (const QString &key : QJsonDocument::fromJson(file.readAll()).object().keys())
        keys.push_back(key.toStdString());
    return keys;
}

class SuggestionAnswersTest : public MarketplaceServerTest {
protected:
    MarketplaceSource source{server->endpoints()};
};

// The engine reads answers with Qt's JSON reader; the keyword window with its
// script engine. Both must find the same words in every fixture answer.
TEST_F(SuggestionAnswersTest, sameWordsAsTheKeywordWindowsExtractions_onEveryFixture) {
    for (const std::string &q : keysOf("sug-pc.json")) {
        const Bytes answer = webRequest(source.pcSuggestUrl(utf8ToGbk(q)));
        const std::optional<TextArray> window = source.pcSuggest(utf8ToGbk(answer));
        const std::optional<PcAnswer> engine = readPcAnswer(answer);
        ASSERT_EQ(engine.has_value(), window.has_value()) << q;
        if (!engine)
            continue;
        EXPECT_EQ(plain(engine->suggestions), utf8Words(window)) << q;
        for (std::size_t i = 0; i < window->size(); ++i)
            EXPECT_EQ(engine->arrows[i], utf8Words(source.pcArrow(static_cast<int>(i), (*window)[i])).value())
                << q;
    }
    for (const std::string &q : keysOf("sug-mobile.json")) {
        const Bytes answer = webRequest(source.mobileSuggestUrl(utf8ToGbk(q)));
        EXPECT_EQ(plain(suggestionWords(answer, true)), utf8Words(source.mobileSuggest(utf8ToGbk(answer))))
            << q;
        EXPECT_EQ(plain(suggestionWords(answer, false)), utf8Words(source.longTail(utf8ToGbk(answer)))) << q;
    }
    for (const std::string &q : keysOf("search.json")) {
        const Bytes page = webRequest(source.relatedUrl(utf8ToGbk(q)));
        EXPECT_EQ(relatedWords(page), utf8Words(source.related(utf8ToGbk(page)))) << q;
    }
}

// Inputs the marketplace fuzz target found where the two readers disagreed.
TEST_F(SuggestionAnswersTest, answersTheKeywordWindowRefuses_giveTheDeepRunNoWordsEither) {
    const std::string cases[] = {
        std::string("{\"result\": [[\"a\x01") + '\0' + "b\", \"1\"]]}",
        "{\"result\": [[\"a\tb\", \"1\"]]}",
    };
    for (const std::string &answer : cases) {
        SCOPED_TRACE(answer);
        EXPECT_FALSE(source.pcSuggest(utf8ToGbk(answer)));
        EXPECT_FALSE(readPcAnswer(answer));
        EXPECT_FALSE(suggestionWords(answer, false));
    }
}

TEST_F(SuggestionAnswersTest, listingCounts_areTheSecondElementOfEachEntry) {
    const auto words =
        suggestionWords(R"({"result":[["a","1325874"],["b",42],["c"],["d","约1万"],["e",-3]]})", true);
    ASSERT_TRUE(words);
    std::vector<std::optional<long long>> counts;
    for (const FoundWord &w : *words)
        counts.push_back(w.listings);
    EXPECT_EQ(counts,
              (std::vector<std::optional<long long>>{1325874, 42, std::nullopt, std::nullopt, std::nullopt}));
}

} // namespace
