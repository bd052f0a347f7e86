#include "mining/KeywordLists.h"

#include "web/Encoding.h"
#include "web/TextRules.h"

#include <gtest/gtest.h>
#include <random>

namespace orbisel {
namespace {

Text g(std::string_view utf8) {
    return utf8ToGbk(utf8);
}

std::vector<std::string_view> lines(std::string_view text) {
    return splitTextViews(text, "\r\n");
}

// An empty line occurs in every non-empty text.
bool containsLine(std::string_view text, std::string_view line) {
    return line.empty() ? !text.empty() : containsText(text, line);
}

// The plain filter and dedupe, one search per pair: the reference for the fast ones.
Text plainListFilter(const Text &seedText, const Text &listText) {
    Text out;
    for (auto seed : lines(seedText))
        for (auto entry : lines(listText))
            if (containsLine(entry, seed))
                out.append(entry).append("\r\n");
    return out;
}

Text plainRemoveDuplicates(const Text &text) {
    Text out;
    for (auto line : lines(text))
        if (!containsLine(toLowerAscii(out), toLowerAscii(line)))
            out.append(line).append("\r\n");
    return out;
}

struct ListShape {
    KeywordList list;
    size_t lines;
    std::vector<const char *> first;
    const char *last;
};

TEST(BuiltInLists, haveHeaderExactCountsAndFixedEnds) {
    const std::vector<ListShape> shapes = {
        {KeywordList::Top,
         200000,
         {"女羽绒服", "羽绒服女", "羽绒服", "女雪地靴", "帽 女 冬"},
         "日本热血动漫排行榜"},
        {KeywordList::Potential,
         28303,
         {"洗车机", "洗车神器高压家用", "洗车泵", "高压洗车水泵", "洗车器家用"},
         "钢丝绳"},
    };
    for (const ListShape &shape : shapes) {
        const Text list = builtInKeywordList(shape.list);
        ASSERT_FALSE(list.empty());
        EXPECT_TRUE(list.ends_with("\r\n"));
        // Every line break is a CRLF.
        size_t lf = 0;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i] == '\n') {
                ++lf;
                ASSERT_EQ(list[i - 1], '\r') << i;
            }
        const auto entries = lines(list);
        ASSERT_EQ(entries.size(), shape.lines + 1);
        EXPECT_EQ(lf, entries.size());
        EXPECT_EQ(entries[0], g("关键词"));
        for (size_t i = 0; i < shape.first.size(); ++i)
            EXPECT_EQ(entries[i + 1], g(shape.first[i]));
        EXPECT_EQ(entries.back(), g(shape.last));
        // GBK all through: the text survives a round trip to UTF-8.
        EXPECT_EQ(utf8ToGbk(gbkToUtf8(list)), list);
    }
    EXPECT_EQ(topKeywordList(), builtInKeywordList(KeywordList::Top));
    EXPECT_EQ(&topKeywordList(), &topKeywordList());
}

TEST(ListFilter, seedAgainstTopList_keepsListOrder) {
    const Text result = listFilter(g("羽绒服"), topKeywordList());
    EXPECT_TRUE(result.starts_with(g("女羽绒服\r\n羽绒服女\r\n羽绒服\r\n")));
    for (auto line : lines(result))
        EXPECT_TRUE(containsText(line, g("羽绒服")));
    EXPECT_EQ(result, plainListFilter(g("羽绒服"), topKeywordList()));
}

struct FilterCase {
    const char *name;
    const char *seeds;
    const char *list;
    const char *expected;
};

TEST(ListFilter, edgeCases) {
    const FilterCase cases[] = {
        {"seed and its longer form", "羽绒服\r\n羽绒服女", "关键词\r\n女羽绒服\r\n羽绒服女\r\n裤\r\n",
         "女羽绒服\r\n羽绒服女\r\n羽绒服女\r\n"},
        {"part of the header", "关键", "关键词\r\n关于\r\n", "关键词\r\n"},
        {"empty seed copies the list", "裤\r\n\r\n", "关键词\r\n裤子\r\n\r\n鞋\r\n",
         "裤子\r\n关键词\r\n裤子\r\n鞋\r\n"},
        {"empty seed box", "", "关键词\r\n裤子\r\n", ""},
        {"letter case counts", "vivo", "关键词\r\nVIVO手机\r\nvivo手机\r\n", "vivo手机\r\n"},
        {"repeats kept", "鞋", "关键词\r\n鞋\r\n帽\r\n鞋\r\n", "鞋\r\n鞋\r\n"},
        {"trailing CRLF gives no empty seed", "帽\r\n", "关键词\r\n帽\r\n鞋\r\n", "帽\r\n"},
        {"list without final CRLF", "鞋", "关键词\r\n鞋", "鞋\r\n"},
        // 啊 is B0A1; A1B0 (“) only occurs across its two characters.
        {"no match across a character boundary", "“", "关键词\r\n啊啊\r\n“啊\r\n", "“啊\r\n"},
        {"match does not run into the line break", "a\r", "关键词\r\nxa\r\nya\rz\r\n", "ya\rz\r\n"},
    };
    for (const FilterCase &c : cases) {
        const Text result = listFilter(g(c.seeds), g(c.list));
        EXPECT_EQ(gbkToUtf8(result), c.expected) << c.name;
        EXPECT_EQ(result, plainListFilter(g(c.seeds), g(c.list))) << c.name;
    }
}

struct DedupeCase {
    const char *name;
    const char *text;
    const char *expected;
};

TEST(RemoveDuplicates, edgeCases) {
    const DedupeCase cases[] = {
        {"case ignored", "A\r\na\r\nb", "A\r\nb\r\n"},
        {"shorter after longer is dropped", "韩版女装\r\n女装\r\n", "韩版女装\r\n"},
        {"longer after shorter is kept", "女装\r\n韩版女装\r\n", "女装\r\n韩版女装\r\n"},
        {"leading empty line kept once", "\r\nx\r\n\r\ny\r\n\r\n", "\r\nx\r\ny\r\n"},
        {"inner empty line dropped", "x\r\n\r\ny", "x\r\ny\r\n"},
        {"result ends with CRLF", "x", "x\r\n"},
        {"empty text", "", ""},
        {"no match across a character boundary", "啊啊\r\n“", "啊啊\r\n“\r\n"},
        {"part spanning two kept lines", "ab\r\ncd\r\nb\r\nc", "ab\r\ncd\r\n"},
    };
    for (const DedupeCase &c : cases) {
        EXPECT_EQ(gbkToUtf8(removeDuplicates(g(c.text))), c.expected) << c.name;
        EXPECT_EQ(removeDuplicates(g(c.text)), plainRemoveDuplicates(g(c.text))) << c.name;
    }
    // Trail bytes that look like letters are not folded: 丂 is 81 41, 81 61 another character.
    EXPECT_EQ(removeDuplicates("\x81\x41\r\n\x81\x61\r\n"), "\x81\x41\r\n\x81\x61\r\n");
    EXPECT_EQ(removeDuplicates("\x81\x41X\r\n\x81\x41x\r\n"), "\x81\x41X\r\n");
}

// Text as typed: characters GBK lacks stay, and only equal characters match.
TEST(RemoveDuplicates, typedText_keepsAndComparesCharactersGbkLacks) {
    const struct {
        const char *text;
        const char *expected;
    } cases[] = {
        {"jörg\r\nJÖRG\r\njörg\r\nJörg", "jörg\r\nJÖRG\r\n"},
        {"😀\r\n😁\r\n🙀\r\n😀", "😀\r\n😁\r\n🙀\r\n"},
        {"결과 보기\r\n결과\r\n과 보\r\n기", "결과 보기\r\n"},
        {"韩版😀女装\r\n😀女\r\n版😀\r\n韩版女装\r\n女装", "韩版😀女装\r\n韩版女装\r\n"},
        {"ö女\r\n女\r\nö\r\n?", "ö女\r\n?\r\n"},
        {"韩版女装\r\n女装\r\nA\r\na\r\nb", "韩版女装\r\nA\r\nb\r\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(removeTypedDuplicates(QString::fromUtf8(c.text)).toStdString(), c.expected) << c.text;
}

Text randomText(std::mt19937 &rng) {
    static const char *const pieces[] = {"A",        "a",        "b",    "B",  "\xB0\xA1", "\xA1\xB0",
                                         "\x81\x41", "\x81\x61", "\r\n", "\r", "\n",       "\x81"};
    std::uniform_int_distribution<int> length(0, 30), piece(0, std::size(pieces) - 1);
    Text text;
    for (int i = length(rng); i > 0; --i)
        text += pieces[piece(rng)];
    return text;
}

TEST(RemoveDuplicates, matchesPlainAlgorithmOnRandomTexts) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20000; ++round) {
        const Text text = randomText(rng) + randomText(rng) + randomText(rng);
        ASSERT_EQ(removeDuplicates(text), plainRemoveDuplicates(text)) << ::testing::PrintToString(text);
    }
}

TEST(RemoveDuplicates, matchesPlainAlgorithmOnListExcerpt) {
    // Real keywords, many of them parts of others and repeated.
    const auto entries = lines(potentialKeywordList());
    Text text;
    for (size_t i = 0; i < 3000; ++i)
        text.append(entries[(i * 7919) % 4000]).append("\r\n");
    EXPECT_EQ(removeDuplicates(text), plainRemoveDuplicates(text));
}

TEST(ListFilter, matchesPlainAlgorithmOnRandomTexts) {
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        const Text seeds = randomText(rng);
        const Text list = randomText(rng) + randomText(rng);
        ASSERT_EQ(listFilter(seeds, list), plainListFilter(seeds, list))
            << ::testing::PrintToString(seeds) << " / " << ::testing::PrintToString(list);
    }
}

struct CsvCase {
    const char *name;
    std::string csv; // bytes of the file
    const char *expected;
};

TEST(KeywordListFromCsv, takesFirstColumnAfterHeader) {
    const CsvCase cases[] = {
        {"UTF-8 with BOM and more columns", "\xEF\xBB\xBF搜索词,人气\r\n羽绒服,100\r\n帽 女 冬,90\r\n",
         "关键词\r\n羽绒服\r\n帽 女 冬\r\n"},
        {"GBK with LF endings", g("关键词\n洗车机\n钢丝绳"), "关键词\r\n洗车机\r\n钢丝绳\r\n"},
        {"quoted fields", "kw,n\r\n\"a,b\",1\r\n\"say \"\"hi\"\"\",2\r\n\"two\r\nlines\",3\r\n",
         "关键词\r\na,b\r\nsay \"hi\"\r\ntwo  lines\r\n"},
        {"blank rows and empty keywords skipped", "kw\r\n\r\nx\r\n,5\r\ny\r\n", "关键词\r\nx\r\ny\r\n"},
        {"header only", "关键词\r\n", ""},
        {"empty file", "", ""},
    };
    for (const CsvCase &c : cases)
        EXPECT_EQ(gbkToUtf8(keywordListFromCsv(c.csv)), c.expected) << c.name;
}

TEST(ListDownloadAddress, usesFileServiceHostAndPublishedPaths) {
    const std::pair<ListDownload, const char *> cases[] = {
        {ListDownload::PotentialPc, "https://files.alicdn.com/tpsservice/"
                                    "a6eb13130e21e429c693c112ef03cf11.csv?spm=a21cz.8094367.889680.1."
                                    "36c23d0aQimfIi&file=a6eb13130e21e429c693c112ef03cf11.csv"},
        {ListDownload::PotentialMobile, "https://files.alicdn.com/tpsservice/"
                                        "a709c89ec53fb8904381da8592155f04.csv?spm=a21cz.8094367.889680.2."
                                        "36c23d0aQimfIi&file=a709c89ec53fb8904381da8592155f04.csv"},
        {ListDownload::TopPc, "https://files.alicdn.com/tpsservice/"
                              "60bd0ac989cc2d5d51712406c1ff5964.xlsx?spm=a21cz.8094367.889680.3."
                              "36c23d0aQimfIi&file=60bd0ac989cc2d5d51712406c1ff5964.xlsx"},
        {ListDownload::TopMobile, "https://files.alicdn.com/tpsservice/"
                                  "2a7b4483371013373e295b51dc4a66ce.xlsx?spm=a21cz.8094367.889680.4."
                                  "36c23d0aQimfIi&file=2a7b4483371013373e295b51dc4a66ce.xlsx"},
    };
    for (const auto &[file, address] : cases)
        EXPECT_EQ(listDownloadAddress(file), address);
}

} // namespace
} // namespace orbisel
