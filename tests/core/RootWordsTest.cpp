#include "core/insight/RootWordIndex.h"
#include "orbisel/config.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

// A tiny dictionary where the most probable path differs from the longest match
// (研究生 命 vs 研究 生命).
constexpr std::string_view kTinyDictionary = "连衣裙 1000 n\n"
                                             "连衣 50 n\n"
                                             "衣裙 80 n\n"
                                             "裙 200 n\n"
                                             "女 500 n\n"
                                             "夏季 300 t\n"
                                             "夏 100 t\n"
                                             "新款 400 n\n"
                                             "大码 250 n\n"
                                             "大 300 a\n"
                                             "T恤 200 n\n"
                                             "研究 100 v\n"
                                             "研究生 50 n\n"
                                             "生命 100 n\n"
                                             "命 10 n\n"
                                             "起源 50 n\r\n"
                                             "甲乙 1 n\n"
                                             "坏行\n"
                                             "零频 0 n\n";

std::shared_ptr<const SegmentDictionary> tinyDictionary() {
    auto loaded = SegmentDictionary::fromText(kTinyDictionary);
    EXPECT_TRUE(loaded.dictionary) << loaded.error;
    return loaded.dictionary;
}

struct SegmentCase {
    std::string text;
    std::vector<std::string> words;
};

TEST(RootWordsTest, tinyDictionary_cutsOnTheMostProbablePath) {
    const auto dictionary = tinyDictionary();
    ASSERT_TRUE(dictionary);
    EXPECT_EQ(dictionary->wordCount(), 17u); // the malformed and zero-frequency lines are skipped
    const std::vector<SegmentCase> cases = {
        {"连衣裙 女 夏季", {"连衣裙", "女", "夏季"}},
        {"连衣裙女夏季新款", {"连衣裙", "女", "夏季", "新款"}},
        {"大码连衣裙", {"大码", "连衣裙"}},
        {"研究生命起源", {"研究", "生命", "起源"}},
        {"T恤女", {"t恤", "女"}},
        {"t恤", {"t恤"}},
        {"iphone15手机壳", {"iphone15", "手", "机", "壳"}},
        {"连衣裙，女!夏季\t新款", {"连衣裙", "女", "夏季", "新款"}},
        {"零频", {"零", "频"}},
        {"甲乙丙", {"甲乙", "丙"}}, // the rarest word still beats two unknown characters
        {"  ", {}},
        {"", {}},
        {"a b", {"a", "b"}},
        {"\xff连衣裙", {"连衣裙"}}, // a malformed byte separates like punctuation
    };
    for (const SegmentCase &c : cases)
        EXPECT_EQ(segmentWords(*dictionary, c.text), c.words) << c.text;
}

TEST(RootWordsTest, debianDictionary_cutsCommonListingWords) {
    const auto loaded = SegmentDictionary::load(config::kRootWordDictionary);
    ASSERT_TRUE(loaded.dictionary) << loaded.error;
    EXPECT_GT(loaded.dictionary->wordCount(), 300000u);
    const std::vector<SegmentCase> cases = {
        {"连衣裙女夏季", {"连衣裙", "女", "夏季"}},
        {"儿童羽绒服", {"儿童", "羽绒服"}},
        {"男士 运动鞋", {"男士", "运动鞋"}},
        {"新款韩版连衣裙", {"新款", "韩", "版", "连衣裙"}}, // 韩版 is not in the dictionary
        {"纯棉t恤", {"纯棉", "t恤"}},
    };
    for (const SegmentCase &c : cases)
        EXPECT_EQ(segmentWords(*loaded.dictionary, c.text), c.words) << c.text;
}

TEST(RootWordsTest, missingOrEmptyDictionary_isRefusedWithTheReason) {
    QTemporaryDir dir;
    const std::string missing = dir.filePath("none.txt").toStdString();
    auto loaded = SegmentDictionary::load(missing);
    EXPECT_FALSE(loaded.dictionary);
    EXPECT_NE(loaded.error.find(missing), std::string::npos);

    const std::string empty = dir.filePath("empty.txt").toStdString();
    std::ofstream(empty) << "no frequencies here\n";
    loaded = SegmentDictionary::load(empty);
    EXPECT_FALSE(loaded.dictionary);
    EXPECT_NE(loaded.error.find("no words"), std::string::npos);
}

TEST(RootWordsTest, index_countsWordsOnceAndSumsTheirListings) {
    RootWordIndex index(tinyDictionary());
    index.addRow("连衣裙女", 100);
    index.addRow("连衣裙 女 女", 20); // 女 twice, counted once
    index.addRow("大码连衣裙", std::nullopt);
    auto find = [&](std::string_view word) {
        for (const RootWordEntry &entry : index.entries(ValueScale{}))
            if (entry.word == word)
                return entry;
        return RootWordEntry{};
    };
    EXPECT_EQ(find("连衣裙").resultWords, 3);
    EXPECT_EQ(find("连衣裙").listings, 120);
    EXPECT_EQ(find("女").resultWords, 2);
    EXPECT_EQ(find("女").listings, 120);
    EXPECT_EQ(find("大码").resultWords, 1);
    EXPECT_EQ(find("大码").listings, 0);

    index.updateRow(0, 7, std::nullopt); // a larger count seen later replaces the row's share
    index.updateRow(2, 5, std::nullopt);
    index.updateRow(9, 5, std::nullopt); // no such row
    EXPECT_EQ(find("连衣裙").listings, 32);
    EXPECT_EQ(find("女").listings, 27);
    EXPECT_EQ(find("大码").listings, 5);

    const int woman = index.rootId("女");
    ASSERT_GE(woman, 0);
    EXPECT_TRUE(index.rowContains(0, woman));
    EXPECT_TRUE(index.rowContains(1, woman));
    EXPECT_FALSE(index.rowContains(2, woman));
    EXPECT_FALSE(index.rowContains(3, woman));
    EXPECT_EQ(index.rootId("裙"), -1); // only inside 连衣裙, never a root of its own here
}

} // namespace
} // namespace orbisel::core
