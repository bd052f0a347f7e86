#include "core/runs/RunTitles.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace orbisel::core;

namespace {

ResultRow row(std::string word, std::string seed, std::optional<double> popularity,
              long long occurrences = 1) {
    ResultRow r;
    r.word = std::move(word);
    r.seed = std::move(seed);
    r.occurrences = occurrences;
    r.popularity = popularity;
    return r;
}

std::vector<int> heatsOf(const SeedWordHeat &heat) {
    std::vector<int> heats;
    for (const RunWord &word : heat.words())
        heats.push_back(word.heat);
    return heats;
}

std::shared_ptr<const SegmentDictionary> shopDictionary() {
    return SegmentDictionary::fromText(
               "连衣裙 30\n女 10\n夏季 20\n长款 20\n雪纺 20\n大码 10\n韩 5\n都 5\n衣 5\n"
               "舍 5\n装 5\n最 5\n美 5\n")
        .dictionary;
}

} // namespace

// 热度 in tenths: the row's sum over the run's largest (any seed's); without a sum, half a point per
// answer on that scale (at most 100), or, in a run without any sum, the estimates' own scale.
TEST(SeedWordHeatTest, words_scaleSumsOverTheWholeRunAndEstimateMissingOnes) {
    const struct {
        const char *name;
        std::vector<ResultRow> rows;
        std::vector<int> heats; // of seed 甲, in result order
    } cases[] = {
        {"sums", {row("甲一", "甲", 2.0), row("乙一", "乙", 8.0), row("甲二", "甲", 0.5)}, {250, 63}},
        {"no sums",
         {row("甲一", "甲", {}, 1), row("乙一", "乙", {}, 4), row("甲二", "甲", {}, 3)},
         {250, 750}},
        {"mixed",
         {row("甲一", "甲", 1.0), row("甲二", "甲", {}, 1), row("甲三", "甲", {}, 9)},
         {1000, 500, 1000}},
        {"none at all", {row("乙一", "乙", {}, 0)}, {}},
        {"zero answers", {row("甲一", "甲", {}, 0)}, {0}},
    };
    for (const auto &c : cases) {
        SeedWordHeat heat("甲");
        for (const ResultRow &r : c.rows)
            heat.add(r);
        EXPECT_EQ(heatsOf(heat), c.heats) << c.name;
    }
    SeedWordHeat heat("甲");
    heat.add(row("甲一", "甲", 1.0));
    heat.add(row("乙一", "乙", 3.0));
    const std::vector<RunWord> words = heat.words();
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0].word, "甲一");
    EXPECT_EQ(words[0].seed, "甲");
}

// The popularity sums decide which words a tight title covers.
TEST(SeedWordHeatTest, popularitySums_decideTheTitle) {
    for (const auto &[summer, women, expected] :
         {std::tuple{9.0, 1.0, "连衣裙夏季"}, std::tuple{1.0, 9.0, "连衣裙女装"}}) {
        SeedWordHeat heat("连衣裙");
        heat.add(row("连衣裙夏季", "连衣裙", summer, 1));
        heat.add(row("连衣裙女装", "连衣裙", women, 1));
        const TitleIndex index(shopDictionary(), PinnedWords{}, builtinBannedWords(), heat.words());
        TitleRequest request;
        request.seed = "连衣裙";
        request.byteLimit = 10;
        const auto titles = index.compose(request);
        ASSERT_TRUE(titles.ok());
        EXPECT_EQ(titles.value().titles.at(0).text, expected);
        EXPECT_EQ(titles.value().titles.at(0).value, 1000);
    }
}

class LoadTitleInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir.filePath("data").toUtf8());
        std::filesystem::create_directories(std::filesystem::path(userBannedWordsPath()).parent_path());
        auto opened = RunStore::open(m_dir.filePath("mining.sqlite").toStdString());
        ASSERT_TRUE(opened.ok());
        m_store = std::move(opened).value();
        DeepRunOptions options;
        options.seeds = {"连衣裙", "韩都衣舍"};
        m_run = m_store->createRun(options).value();
        StoreCommit commit;
        const std::vector<ResultRow> rows{
            row("连衣裙女装", "连衣裙", {}, 1), row("连衣裙夏季", "连衣裙", {}, 3),
            row("最美连衣裙", "连衣裙", {}, 4), row("大码连衣裙", "连衣裙", {}, 2)};
        for (std::size_t i = 0; i < rows.size(); ++i)
            commit.rows.emplace_back(i, rows[i]);
        ASSERT_TRUE(m_store->commit(m_run, commit).ok());
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", m_oldData); }

    static void writeList(const std::string &path, const std::string &content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    QTemporaryDir m_dir;
    QByteArray m_oldData;
    std::unique_ptr<RunStore> m_store;
    long long m_run = 0;
};

TEST_F(LoadTitleInputTest, loadTitleInput_takesTheSeedsWordsWithTheUsersListsAndTheRunsSeedsPinned) {
    writeList(userDictionaryPath(), "大码连衣裙\n");
    writeList(userBannedWordsPath(), "\xEF\xBB\xBF夏季\r\n");
    const auto input = loadTitleInput(*m_store, m_run, "连衣裙");
    ASSERT_TRUE(input.ok());
    EXPECT_EQ(input.value().seeds, (std::vector<std::string>{"连衣裙", "韩都衣舍"}));
    ASSERT_EQ(input.value().words.size(), 4u);
    EXPECT_EQ(input.value().words[1].word, "连衣裙夏季");
    EXPECT_EQ(input.value().words[1].heat, 750); // 3 of the run's largest 4 answers
    EXPECT_EQ(input.value().dictionary, std::vector<std::string>{"大码连衣裙"});
    EXPECT_EQ(input.value().banned.size(), builtinBannedWords().size() + 1);

    const auto index = titleIndexOf(shopDictionary(), input.value());
    EXPECT_EQ(index->rootWordsOf("大码连衣裙"), std::vector<std::string>{"大码连衣裙"});
    EXPECT_EQ(index->rootWordsOf("韩都衣舍女装"), (std::vector<std::string>{"韩都衣舍", "女", "装"}));
    TitleRequest request;
    request.seed = "连衣裙";
    const auto titles = index->compose(request);
    ASSERT_TRUE(titles.ok());
    for (const Title &title : titles.value().titles) {
        EXPECT_EQ(title.text.find("夏季"), std::string::npos) << title.text;
        EXPECT_EQ(title.text.find("最"), std::string::npos) << title.text;
    }
    EXPECT_NE(titles.value().titles.at(0).text.find("女装"), std::string::npos);

    // A seed of the run without words of its own still takes a title: its must words.
    request.seed = "韩都衣舍";
    const auto own = titleIndexOf(shopDictionary(), loadTitleInput(*m_store, m_run, "韩都衣舍").value());
    ASSERT_TRUE(own->compose(request).ok());
    EXPECT_EQ(own->compose(request).value().titles.at(0).text, "韩都衣舍");
}

TEST_F(LoadTitleInputTest, loadTitleInput_refusesAnUnknownRunOrSeedAndAListThatIsNoText) {
    const auto unknownSeed = loadTitleInput(*m_store, m_run, "半身裙");
    ASSERT_FALSE(unknownSeed.ok());
    EXPECT_EQ(unknownSeed.error().kind, TitleInputErrorKind::UnknownSeed);
    EXPECT_EQ(unknownSeed.error().seed, "半身裙");
    EXPECT_EQ(unknownSeed.error().seeds, (std::vector<std::string>{"连衣裙", "韩都衣舍"}));

    const auto unknownRun = loadTitleInput(*m_store, m_run + 1, "连衣裙");
    ASSERT_FALSE(unknownRun.ok());
    EXPECT_EQ(unknownRun.error().kind, TitleInputErrorKind::Store);
    EXPECT_EQ(unknownRun.error().store.kind, StoreErrorKind::UnknownRun);

    const struct {
        std::string path;
        TitleInputErrorKind kind;
    } lists[] = {{userDictionaryPath(), TitleInputErrorKind::UserDictionary},
                 {userBannedWordsPath(), TitleInputErrorKind::BannedWords}};
    for (const auto &list : lists) {
        writeList(list.path, "女\n坏\x01词\n");
        const auto refused = loadTitleInput(*m_store, m_run, "连衣裙");
        ASSERT_FALSE(refused.ok()) << list.path;
        EXPECT_EQ(refused.error().kind, list.kind);
        EXPECT_EQ(refused.error().list.kind, WordListErrorKind::ControlCharacter);
        EXPECT_EQ(refused.error().list.line, 2u);
        std::filesystem::remove(list.path);
    }
}
