#include "core/engine/WordFilter.h"

#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

TEST(WordFilterTest, keeps_includeExcludeAndLength) {
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

TEST(WordFilterTest, fromRunOptions) {
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
