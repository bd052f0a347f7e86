#include "core/insight/TitleIndex.h"

#include "core/inputs/WordLists.h"
#include "orbisel/config.h"
#include "web/Encoding.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace orbisel::core;

namespace {

std::shared_ptr<const SegmentDictionary> dictionaryOf(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words)
        text += word + " 10\n";
    return SegmentDictionary::fromText(text).dictionary;
}

std::string character(int n) {
    std::string out;
    const char32_t c = U'\u4E10' + static_cast<char32_t>(n);
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    return out;
}

// A run whose root words are two-character words made of characters no other root uses, so
// that a title's root words are exactly the pieces put into it.
struct Table {
    std::vector<std::string> roots; // roots[0] is the seed
    std::vector<std::vector<int>> words;
    std::vector<RunWord> run;
};

Table randomTable(std::mt19937 &random, int rootCount, int wordCount) {
    Table table;
    for (int i = 0; i < rootCount; ++i)
        table.roots.push_back(character(2 * i) + character(2 * i + 1));
    std::set<std::vector<int>> seen;
    while (static_cast<int>(table.words.size()) < wordCount) {
        std::vector<int> roots{0};
        const int extra = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < extra; ++k)
            roots.push_back(1 + static_cast<int>(random() % static_cast<unsigned>(rootCount - 1)));
        std::sort(roots.begin() + 1, roots.end());
        roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
        if (!seen.insert(roots).second)
            continue;
        std::string word;
        for (int id : roots)
            word += table.roots[id];
        table.words.push_back(roots);
        table.run.push_back({word, 1 + static_cast<int>(random() % 100), table.roots[0]});
    }
    return table;
}

long long valueOf(const Table &table, unsigned chosen) {
    long long value = 0;
    for (std::size_t w = 0; w < table.words.size(); ++w)
        if (std::all_of(table.words[w].begin(), table.words[w].end(),
                        [&](int id) { return id == 0 || (chosen >> id & 1); }))
            value += table.run[w].heat;
    return value;
}

// Every title is the seed's 4 bytes and root words of 4 bytes each.
long long optimum(const Table &table, std::size_t limit) {
    long long best = 0;
    for (unsigned chosen = 0; chosen < 1u << table.roots.size(); chosen += 2)
        if (4 + 4 * static_cast<std::size_t>(std::popcount(chosen)) <= limit)
            best = std::max(best, valueOf(table, chosen));
    return best;
}

long long greedyValue(const Table &table, std::size_t limit) {
    unsigned chosen = 0;
    std::size_t left = limit - 4;
    while (true) {
        double bestRatio = 0;
        unsigned bestAdd = 0;
        for (const std::vector<int> &word : table.words) {
            unsigned add = 0;
            for (int id : word)
                if (id != 0 && !(chosen >> id & 1))
                    add |= 1u << id;
            const std::size_t cost = 4 * static_cast<std::size_t>(std::popcount(add));
            if (add == 0 || cost > left)
                continue;
            const double ratio = static_cast<double>(valueOf(table, chosen | add) - valueOf(table, chosen)) /
                                 static_cast<double>(cost);
            if (ratio > bestRatio) {
                bestRatio = ratio;
                bestAdd = add;
            }
        }
        if (bestAdd == 0)
            return valueOf(table, chosen);
        chosen |= bestAdd;
        left -= 4 * static_cast<std::size_t>(std::popcount(bestAdd));
    }
}

TitleIndex indexOf(const std::vector<std::string> &dictionary, const std::vector<RunWord> &run,
                   const std::vector<std::string> &banned = builtinBannedWords()) {
    return TitleIndex(dictionaryOf(dictionary), PinnedWords{}, banned, run);
}

const std::vector<std::string> kShopWords{"连衣裙", "女",   "夏季", "长款", "雪纺", "碎花", "显瘦", "大码",
                                          "韩版",   "最好", "次第", "一款", "新款", "第",   "一",   "款"};
const std::vector<RunWord> kShopRun{
    {"连衣裙女夏季", 90, "连衣裙"},   {"连衣裙长款", 70, "连衣裙"},  {"雪纺连衣裙", 80, "连衣裙"},
    {"碎花连衣裙显瘦", 60, "连衣裙"}, {"最好连衣裙", 100, "连衣裙"}, {"大码连衣裙", 50, "连衣裙"},
    {"韩版连衣裙", 95, "连衣裙"},     {"连衣裙次第", 100, "连衣裙"}, {"一款连衣裙", 100, "连衣裙"},
    {"夏季长款连衣裙", 40, "连衣裙"}, {"女装", 30, "女装"}};

TitleRequest shopRequest(std::vector<std::string> avoid, std::size_t limit) {
    TitleRequest request;
    request.seed = "连衣裙";
    request.avoidWords = std::move(avoid);
    request.byteLimit = limit;
    return request;
}

} // namespace

TEST(TitleTextTest, titleBytes_countsAsGbkDoes) {
    const struct {
        const char *text;
        std::size_t bytes, characters;
    } cases[] = {
        {"连衣裙", 6, 3},
        {"abcXYZ", 6, 6},
        {"2025", 4, 4},
        {"a b", 3, 3},
        {"ＡＢＣ１２", 10, 5},
        {"，。！", 6, 3},
        {"iPhone 15 手机壳", 16, 13},
        {"😀", 2, 1},
        {"\xE4\xB8", 4, 2},
        {"", 0, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(titleBytes(c.text), c.bytes) << c.text;
        EXPECT_EQ(titleCharacters(c.text), c.characters) << c.text;
    }
    for (const char *encodable : {"连衣裙 2025新款", "ＡＢＣ，全角", "T恤 XL"})
        EXPECT_EQ(titleBytes(encodable), orbisel::utf8ToGbk(encodable).size()) << encodable;
}

TEST(TitleIndexTest, compose_firstTitleIsTheOptimumOnSmallTables) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const int rootCount = 6 + round % 9; // up to 14 root words, the seed's included
        const Table table = randomTable(random, rootCount, 4 + round % 20);
        const TitleIndex index = indexOf(table.roots, table.run);
        for (std::size_t limit : {12u, 20u, 28u}) {
            TitleRequest request;
            request.seed = table.roots[0];
            request.byteLimit = limit;
            request.titleCount = 1;
            const auto titles = index.compose(request);
            ASSERT_TRUE(titles.ok());
            const Title &first = titles->titles.at(0);
            EXPECT_LE(first.bytes, limit);
            EXPECT_TRUE(first.text.starts_with(table.roots[0]));
            EXPECT_GE(first.value, greedyValue(table, limit)) << "round " << round;
            EXPECT_EQ(first.value, optimum(table, limit)) << "round " << round << " limit " << limit;
        }
    }
}

// Titles for a random table of the given size.
Result<TitleSet, TitleError> composeRandom(unsigned seed, int rootCount, int wordCount, std::size_t limit,
                                           Table &table) {
    std::mt19937 random(seed);
    table = randomTable(random, rootCount, wordCount);
    TitleRequest request;
    request.seed = table.roots[0];
    request.byteLimit = limit;
    return indexOf(table.roots, table.run).compose(request);
}

// Each title after the first shares at most two thirds of its root words with every earlier one.
void expectDiverse(const TitleIndex &index, const TitleSet &titles) {
    std::vector<std::set<std::string>> roots;
    for (const Title &title : titles.titles) {
        EXPECT_LE(title.bytes, 60u);
        const std::vector<std::string> cut = index.rootWordsOf(title.text);
        roots.emplace_back(cut.begin(), cut.end());
        EXPECT_EQ(roots.back().size(), cut.size()) << "a root word twice in " << title.text;
        for (std::size_t earlier = 0; earlier + 1 < roots.size(); ++earlier) {
            std::size_t shared = 0;
            for (const std::string &root : roots.back())
                shared += roots[earlier].count(root);
            EXPECT_LE(shared * 3, roots.back().size() * 2)
                << title.text << " / " << titles.titles[earlier].text;
        }
    }
}

TEST(TitleIndexTest, compose_furtherTitlesShareAtMostTwoThirdsOfTheirRootWords) {
    Table table;
    const auto titles = composeRandom(11, 30, 200, 60, table);
    const TitleIndex index = indexOf(table.roots, table.run);
    ASSERT_TRUE(titles.ok());
    ASSERT_EQ(titles->titles.size(), 5u);
    expectDiverse(index, titles.value());
    EXPECT_GE(titles->titles[0].value, titles->titles[1].value);
    ASSERT_EQ(titles->explanation.size(), 20u);
    EXPECT_EQ(titles->explanation[0].rootWord, table.roots[0]);
    EXPECT_EQ(titles->explanation[0].inTitle, std::vector<bool>(5, true));
}

// A run of the seed with one to three of 40 attribute words before or after it, 热度 in eight
// levels falling with the rank: the further titles lie far from the most valuable root words,
// beyond what a search from nothing reaches within its work limit.
TEST(TitleIndexTest, compose_furtherTitlesOfARunWithFewDistinctHeatsAllComeOut) {
    std::vector<std::string> attributes{"连衣裙"};
    for (const char *word : {"女",   "夏季", "新款", "大码", "韩版", "纯棉", "加厚", "长款", "宽松", "显瘦",
                             "气质", "高腰", "雪纺", "碎花", "短款", "中长", "收腰", "法式", "复古", "孕妇",
                             "学生", "职业", "休闲", "春秋", "冬季", "针织", "真丝", "蕾丝", "吊带", "无袖",
                             "短袖", "长袖", "方领", "白色", "黑色", "红色", "格子", "条纹", "波点", "印花"})
        attributes.emplace_back(word);
    std::mt19937 random(7);
    std::vector<RunWord> run;
    std::set<std::string> seen;
    while (run.size() < 3000) {
        std::string word = "连衣裙";
        for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) {
            const std::string &attribute = attributes[1 + random() % (attributes.size() - 1)];
            word = random() % 2 ? word + attribute : attribute + word;
        }
        if (seen.insert(word).second)
            run.push_back({word, static_cast<int>(8 - run.size() * 8 / 3000), "连衣裙"});
    }
    const TitleIndex index(SegmentDictionary::load(orbisel::config::kRootWordDictionary).dictionary,
                           PinnedWords{}, builtinBannedWords(), run);
    const auto titles = index.compose(shopRequest({}, 60));
    ASSERT_TRUE(titles.ok());
    EXPECT_EQ(titles->titles.size(), 5u);
    expectDiverse(index, titles.value());
}

TEST(TitleIndexTest, compose_aLimitFarAboveTheMarketplacesTakesEachRootWordOnce) {
    Table table;
    const auto titles = composeRandom(3, 60, 300, 1000, table);
    ASSERT_TRUE(titles.ok());
    long long all = 0;
    std::set<int> used;
    for (std::size_t w = 0; w < table.run.size(); ++w) {
        all += table.run[w].heat;
        used.insert(table.words[w].begin(), table.words[w].end());
    }
    EXPECT_EQ(titles->titles.at(0).value, all);
    EXPECT_EQ(titles->titles[0].bytes, 4u * used.size());
}

TEST(TitleIndexTest, compose_noTitleHoldsABannedOrAvoidedWord) {
    const TitleIndex index = indexOf(kShopWords, kShopRun);
    const TitleRequest request = shopRequest({"韩版"}, 30);
    const auto titles = index.compose(request);
    ASSERT_TRUE(titles.ok());
    ASSERT_FALSE(titles->titles.empty());
    for (const Title &title : titles->titles) {
        EXPECT_TRUE(title.text.starts_with("连衣裙"));
        for (const char *word : {"最", "第一", "韩版"})
            EXPECT_EQ(title.text.find(word), std::string::npos) << title.text;
        const auto figures = index.figures(request, title.text);
        ASSERT_TRUE(figures.ok());
        EXPECT_EQ(figures->value, title.value);
        EXPECT_EQ(figures->coveredWords, title.coveredWords);
        EXPECT_TRUE(figures->problems.empty()) << title.text;
    }
    // 次第 and 一款 are worth 200 together; a title holds both only apart.
    EXPECT_NE(titles->titles[0].text.find("次第"), std::string::npos) << titles->titles[0].text;
    EXPECT_NE(titles->titles[0].text.find("一款"), std::string::npos) << titles->titles[0].text;
}

TEST(TitleIndexTest, figures_ofAnEditedTitle) {
    const TitleIndex index = indexOf(kShopWords, kShopRun);
    const TitleRequest request = shopRequest({"雪纺"}, 20);
    const struct {
        const char *title;
        long long value;
        std::size_t covered;
        std::vector<TitleProblem> problems;
    } cases[] = {
        {"连衣裙女夏季", 90, 1, {}},
        {"夏季长款连衣裙女", 90 + 70 + 40, 3, {}},
        {"最好连衣裙",
         0,
         0,
         {{TitleProblemKind::HoldsForbiddenWord, "最"}, {TitleProblemKind::HoldsForbiddenWord, "最好"}}},
        {"雪纺连衣裙韩版", 95, 1, {{TitleProblemKind::HoldsForbiddenWord, "雪纺", true}}},
        {"连衣裙次第一款", 200, 2, {{TitleProblemKind::HoldsForbiddenWord, "第一"}}},
        {"连衣裙女夏季长款大码显瘦", 90 + 70 + 50 + 40, 4, {{TitleProblemKind::OverLimit, {}}}},
        {"", 0, 0, {}},
    };
    for (const auto &c : cases) {
        const auto figures = index.figures(request, c.title);
        ASSERT_TRUE(figures.ok());
        EXPECT_EQ(figures->bytes, titleBytes(c.title));
        EXPECT_EQ(figures->value, c.value) << c.title;
        EXPECT_EQ(figures->coveredWords, c.covered) << c.title;
        ASSERT_EQ(figures->problems.size(), c.problems.size()) << c.title;
        for (std::size_t i = 0; i < c.problems.size(); ++i) {
            EXPECT_EQ(figures->problems[i].kind, c.problems[i].kind) << c.title;
            EXPECT_EQ(figures->problems[i].word, c.problems[i].word) << c.title;
            EXPECT_EQ(figures->problems[i].avoided, c.problems[i].avoided) << c.title;
        }
    }
}

TEST(TitleIndexTest, compose_mustWordsLeadAndStayWhole) {
    const TitleIndex index = indexOf(kShopWords, kShopRun);
    TitleRequest request = shopRequest({}, 40);
    request.mustWords = std::vector<std::string>{"Orbi 2025", "连衣裙"};
    const auto titles = index.compose(request);
    ASSERT_TRUE(titles.ok());
    for (const Title &title : titles->titles) {
        EXPECT_TRUE(title.text.starts_with("Orbi 2025连衣裙")) << title.text;
        EXPECT_LE(title.bytes, 40u);
    }
}

// A root word inside a longer one of the title stands where the longer one takes its place, so
// the most valuable word stays contiguous: 连衣裙女 in 连衣裙女装, not 连衣裙夏季女装.
TEST(TitleIndexTest, compose_aRootWordInsideALongerOneKeepsItsPlace) {
    const TitleIndex index =
        indexOf({"连衣裙", "女", "女装", "夏季"},
                {{"连衣裙女", 100, "连衣裙"}, {"连衣裙夏季", 50, "连衣裙"}, {"连衣裙女装", 40, "连衣裙"}});
    const auto titles = index.compose(shopRequest({}, 60));
    ASSERT_TRUE(titles.ok());
    EXPECT_EQ(titles->titles.at(0).text, "连衣裙女装夏季");
    EXPECT_EQ(titles->titles.at(0).value, 190);
}

TEST(TitleIndexTest, compose_refusesWhatNoTitleCanHold) {
    const TitleIndex index = indexOf(kShopWords, kShopRun, {"最", "第一"});
    const struct {
        std::string seed;
        std::vector<std::string> must;
        std::vector<std::string> avoid;
        TitleErrorKind kind;
        std::string word, forbidden;
    } cases[] = {
        {"半身裙", {}, {}, TitleErrorKind::UnknownSeed, "半身裙", {}},
        {"连衣裙", {std::string(61, 'a')}, {}, TitleErrorKind::MustWordTooLong, std::string(61, 'a'), {}},
        {"连衣裙",
         {std::string(30, 'a'), std::string(30, 'b')},
         {},
         TitleErrorKind::MustWordTooLong,
         std::string(30, 'a') + " " + std::string(30, 'b'),
         {}},
        {"连衣裙", {"连衣裙最美"}, {}, TitleErrorKind::MustWordForbidden, "连衣裙最美", "最"},
        {"连衣裙", {"连衣裙", "韩版"}, {"韩版"}, TitleErrorKind::MustWordForbidden, "韩版", "韩版"},
        {"连衣裙", {"次第", "一款"}, {}, TitleErrorKind::MustWordForbidden, "次第一款", "第一"},
    };
    for (const auto &c : cases) {
        TitleRequest request;
        request.seed = c.seed;
        if (!c.must.empty())
            request.mustWords = c.must;
        request.avoidWords = c.avoid;
        const auto titles = index.compose(request);
        ASSERT_FALSE(titles.ok()) << c.word;
        EXPECT_EQ(titles.error().kind, c.kind) << c.word;
        EXPECT_EQ(titles.error().word, c.word);
        EXPECT_EQ(titles.error().forbidden, c.forbidden);
        EXPECT_EQ(titles.error().avoided, c.forbidden == "韩版") << c.word;
    }
    TitleRequest unknown;
    unknown.seed = "半身裙";
    EXPECT_EQ(index.figures(unknown, "半身裙").error().kind, TitleErrorKind::UnknownSeed);
}
