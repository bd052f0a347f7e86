#include "core/inputs/WordLists.h"

#include "core/insight/RootWordIndex.h"
#include "web/Encoding.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

using namespace orbisel::core;

namespace {

std::vector<std::string> parsed(std::string_view bytes) {
    auto words = parseWordList(bytes);
    EXPECT_TRUE(words.ok());
    return words ? words.value() : std::vector<std::string>{};
}

std::shared_ptr<const SegmentDictionary> smallDictionary() {
    return SegmentDictionary::fromText("韩 5\n都 5\n衣 5\n舍 5\n碎花 20\n裙 20\n连衣裙 30\n大码 10\n女 10\n"
                                       "iphone 10\n手机壳 10\n")
        .dictionary;
}

} // namespace

TEST(WordListTest, wordList_readsUtf8AndGbkLines) {
    using List = std::vector<std::string>;
    EXPECT_EQ(parsed("\xEF\xBB\xBF韩都衣舍\r\n  iPhone15 \n\n\xE3\x80\x80大码\xE3\x80\x80\n韩都衣舍\n"),
              (List{"韩都衣舍", "iPhone15", "大码"}));
    EXPECT_EQ(parsed(orbisel::utf8ToGbk("碎花\r\n连衣裙\n")), (List{"碎花", "连衣裙"}));
    EXPECT_TRUE(parsed("").empty());
}

TEST(WordListTest, wordList_refusesControlCharactersWithTheirLine) {
    const struct {
        std::string bytes;
        std::size_t line;
    } cases[] = {
        {std::string("a\nb\n\0c\n", 7), 3},          {"a\tb\n", 1}, {"a\nb\rc\n", 2}, {"a\n\x7f\n", 2},
        {orbisel::utf8ToGbk("碎花\n") + "x\x01", 2},
    };
    for (const auto &c : cases) {
        const auto words = parseWordList(c.bytes);
        ASSERT_FALSE(words.ok()) << c.line;
        EXPECT_EQ(words.error().kind, WordListErrorKind::ControlCharacter);
        EXPECT_EQ(words.error().line, c.line);
    }
}

TEST(WordListTest, files_areReadAndAMissingOptionalListIsEmpty) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("dictionary.txt").toStdString();
    EXPECT_EQ(readWordListFile(path).error().kind, WordListErrorKind::NotFound);
    EXPECT_TRUE(readOptionalWordList(path).value().empty());
    std::ofstream(path, std::ios::binary) << "韩都衣舍\nbad\x02\n";
    const auto refused = readOptionalWordList(path);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().line, 2u);
    EXPECT_EQ(refused.error().detail, path);
    std::ofstream(path, std::ios::binary) << "韩都衣舍\n";
    EXPECT_EQ(readWordListFile(path).value(), std::vector<std::string>{"韩都衣舍"});
}

TEST(WordListTest, builtinBannedWords_holdTheAbsoluteClaims) {
    const std::vector<std::string> &banned = builtinBannedWords();
    EXPECT_GE(banned.size(), 40u);
    for (const char *word :
         {"最", "最佳", "第一", "唯一", "顶级", "国家级", "全网第一", "绝对", "万能", "巅峰"})
        EXPECT_NE(std::find(banned.begin(), banned.end(), word), banned.end()) << word;
}

TEST(PinnedWordsTest, segmentWords_keepsPinnedWordsAndSeedsWhole) {
    const auto dictionary = smallDictionary();
    using Words = std::vector<std::string>;
    EXPECT_EQ(segmentWords(*dictionary, "韩都衣舍碎花裙"), (Words{"韩", "都", "衣", "舍", "碎花", "裙"}));
    const PinnedWords none;
    EXPECT_EQ(segmentWords(*dictionary, none, "韩都衣舍碎花裙 大码"),
              segmentWords(*dictionary, "韩都衣舍碎花裙 大码"));
    const PinnedWords pinned(Words{"韩都衣舍", "碎花裙", "IPHONE15 pro"});
    EXPECT_EQ(segmentWords(*dictionary, pinned, "大码韩都衣舍碎花裙女"),
              (Words{"大码", "韩都衣舍", "碎花裙", "女"}));
    EXPECT_EQ(segmentWords(*dictionary, pinned, "iPhone15手机壳"), (Words{"iphone15", "手机壳"}));
    EXPECT_EQ(segmentWords(*dictionary, pinned, "pro大码"), (Words{"pro", "大码"}));
    // The longest pinned word wins where two start together.
    const PinnedWords nested(Words{"碎花", "碎花裙女"});
    EXPECT_EQ(segmentWords(*dictionary, nested, "碎花裙女大码"), (Words{"碎花裙女", "大码"}));
}

TEST(PinnedWordsTest, rootWordTable_keepsPinnedWordsWhole) {
    RootWordIndex index(smallDictionary(), PinnedWords({"韩都衣舍"}));
    index.addRow("韩都衣舍连衣裙", 10);
    index.addRow("连衣裙女", 5);
    std::vector<std::string> roots;
    for (const RootWordEntry &entry : index.entries(ValueScale{}))
        roots.push_back(entry.word);
    EXPECT_EQ(roots, (std::vector<std::string>{"韩都衣舍", "连衣裙", "女"}));
    EXPECT_TRUE(index.rowContains(0, index.rootId("韩都衣舍")));
}

TEST(PinnedWordsTest, seedRootWords_areMarked) {
    const auto dictionary = smallDictionary();
    const SeedRootWords seeds(*dictionary, PinnedWords{}, {"碎花裙", "iPhone 手机壳"});
    // The seeds whole, as the run's root words keep them, and their dictionary words.
    for (const char *root : {"碎花裙", "碎花", "裙", "iphone", "手机壳"})
        EXPECT_TRUE(seeds.contains(root)) << root;
    EXPECT_FALSE(seeds.contains("大码"));
    const SeedRootWords pinnedSeeds(*dictionary, PinnedWords({"碎花裙"}), {"碎花裙"});
    EXPECT_TRUE(pinnedSeeds.contains("碎花裙"));
    EXPECT_FALSE(pinnedSeeds.contains("碎花"));
}
