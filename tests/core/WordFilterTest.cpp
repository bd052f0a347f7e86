#include "core/WordFilter.h"

#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

TEST(WordFilter, splitList_trimsAndDropsEmptyItems) {
    EXPECT_EQ(splitList(" 女, 男 ,,儿童 "), (std::vector<std::string>{"女", "男", "儿童"}));
    EXPECT_EQ(splitList("女，\xE3\x80\x80男、 儿童,，、夏"),
              (std::vector<std::string>{"女", "男", "儿童", "夏"}));
    EXPECT_TRUE(splitList("").empty());
    EXPECT_TRUE(splitList(" , ").empty());
}

TEST(WordFilter, characterCount_countsCodePoints) {
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount("连衣裙a"), 4u);
    EXPECT_EQ(characterCount("\xF0\x9F\x98\x80裙"), 2u);
}

TEST(WordFilter, keeps_includeExcludeAndLength) {
    struct Case {
        std::vector<std::string> include, exclude;
        int minChars, maxChars;
        std::string word;
        bool kept;
    };
    const Case cases[] = {
        {{}, {}, 0, 0, "连衣裙", true},
        {{"女", "夏"}, {}, 0, 0, "连衣裙女", true},
        {{"女", "夏"}, {}, 0, 0, "夏季连衣裙", true},
        {{"女", "夏"}, {}, 0, 0, "连衣裙男", false},
        {{}, {"男"}, 0, 0, "连衣裙男", false},
        {{"连衣裙"}, {"男"}, 0, 0, "男士连衣裙", false},
        {{"衣裙"}, {}, 0, 0, "连衣 裙", false},
        {{}, {}, 3, 0, "连衣", false},
        {{}, {}, 3, 0, "连衣裙", true},
        {{}, {}, 0, 3, "连衣裙", true},
        {{}, {}, 0, 3, "连衣裙a", false},
        {{}, {}, 2, 4, "abcd", true},
        {{""}, {""}, 0, 0, "连衣裙", true}, // empty items match nothing and exclude nothing
    };
    for (const Case &c : cases)
        EXPECT_EQ(WordFilter(c.include, c.exclude, c.minChars, c.maxChars).keeps(c.word), c.kept) << c.word;
}

TEST(WordFilter, fromRunOptions) {
    DeepRunOptions options;
    options.include = {"裙"};
    options.exclude = {"童"};
    options.maxChars = 4;
    const WordFilter filter(options);
    EXPECT_TRUE(filter.keeps("半身裙"));
    EXPECT_FALSE(filter.keeps("儿童裙"));
    EXPECT_FALSE(filter.keeps("夏季长半身裙"));
}

} // namespace
} // namespace orbisel::core
