#include "core/base/WordText.h"

#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

TEST(WordTextTest, splitList_trimsAndDropsEmptyItems) {
    EXPECT_EQ(splitList(" 女, 男 ,,儿童 "), (std::vector<std::string>{"女", "男", "儿童"}));
    EXPECT_EQ(splitList("女，\xE3\x80\x80男、 儿童,，、夏"),
              (std::vector<std::string>{"女", "男", "儿童", "夏"}));
    EXPECT_TRUE(splitList("").empty());
    EXPECT_TRUE(splitList(" , ").empty());
}

TEST(WordTextTest, characterCount_countsCodePoints) {
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount("连衣裙a"), 4u);
    EXPECT_EQ(characterCount("\xF0\x9F\x98\x80裙"), 2u);
}

} // namespace
} // namespace orbisel::core
