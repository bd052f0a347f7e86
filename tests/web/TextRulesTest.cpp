#include "web/TextRules.h"

#include "web/Encoding.h"

#include <gtest/gtest.h>

using namespace orbisel;

namespace {
Text g(const char *utf8) {
    return utf8ToGbk(utf8);
}

// B0 41 is one GBK character whose second byte is the ASCII code of 'A'.
const Text kA = "\xB0\x41";
} // namespace

TEST(TextRules, findText_stepsOverDoubleByteCharacters) {
    struct Case {
        Text text, what;
        std::size_t start;
        bool ignoreCase;
        std::size_t expected;
    } cases[] = {
        {"abcabc", "bc", 1, false, 2},
        {"abcabc", "bc", 3, false, 5},
        {"abcabc", "BC", 1, false, 0},
        {"abcabc", "BC", 1, true, 2},
        {"abc", "", 1, false, 0},
        {"abc", "a", 0, false, 0},
        {"abc", "c", 4, false, 0},
        {kA + "B", "AB", 1, false, 0},      // the 'A' inside the character is not a match start
        {kA + kA, "\x41\xB0", 1, false, 0}, // nor is any byte pair straddling two characters
        {kA + "a", "a", 1, true, 3},        // case folding never reads the trail byte as a letter
        {g("中文中文"), g("文"), 1, false, 3},
    };
    for (const Case &c : cases)
        EXPECT_EQ(findText(c.text, c.what, c.start, c.ignoreCase), c.expected) << c.text << " / " << c.what;
}

TEST(TextRules, noOperation_splitsADoubleByteCharacter) {
    const Text text = "x" + kA + "B" + kA + "By"; // naive byte search sees "AB" twice
    EXPECT_FALSE(containsText(text, "AB"));
    EXPECT_EQ(splitText(text, "AB"), TextArray{text});
    EXPECT_EQ(replaceText(text, "AB", "-"), text);
    EXPECT_EQ(multiReplace(text, {{"ab", "-"}}), text);
    EXPECT_EQ(textBetween(text, "A", "B"), "");
    EXPECT_EQ(toLowerAscii("Q" + kA), "q" + kA);
    EXPECT_FALSE(equalsIgnoreCaseAscii("\xB0\x41", "\xB0\x61"));
    // B0 A1 is one character; the A1 after it is a lone byte, not half of a full-width space.
    EXPECT_EQ(trimGbkSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextRules, trimGbkSpaces_removesAsciiAndFullWidthSpacesOnly) {
    EXPECT_EQ(trimGbkSpaces("  a b  "), "a b");
    EXPECT_EQ(trimGbkSpaces(g("　 值　")), g("值"));
    EXPECT_EQ(trimGbkSpaces("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(trimGbkSpaces(g(" 　 ")), "");
    EXPECT_EQ(trimGbkSpaces(""), "");
}

TEST(TextRules, splitText_keepsInnerEmptyItemsAndDropsOneTrailing) {
    EXPECT_EQ(splitText("a\r\nb", "\r\n"), (TextArray{"a", "b"}));
    EXPECT_EQ(splitText("a\r\n\r\nb\r\n", "\r\n"), (TextArray{"a", "", "b"}));
    EXPECT_EQ(splitText("a;;", ";"), (TextArray{"a", ""}));
    EXPECT_EQ(splitText(";", ";"), (TextArray{""}));
    EXPECT_EQ(splitText("", ";"), TextArray{});
    EXPECT_EQ(splitText("abc", ""), TextArray{"abc"});
}

TEST(TextRules, splitText_cutsOnlyAtCharacterBoundaries) {
    // 81 0D is one character, so the CR after a lead byte starts no line break;
    // a lone lead byte at the end is a whole character.
    const std::pair<Text, TextArray> cases[] = {
        {"\x81\r\nx\r\ny", {"\x81\r\nx", "y"}},
        {kA + "\r\n\x81", {kA, "\x81"}},
        {"\r\n\r\n", {"", ""}},
        {"a\rb\nc", {"a\rb\nc"}},
    };
    for (const auto &[text, expected] : cases) {
        EXPECT_EQ(splitText(text, "\r\n"), expected) << text;
        const std::vector<std::string_view> views = splitTextViews(text, "\r\n");
        EXPECT_EQ(TextArray(views.begin(), views.end()), expected) << text;
        for (std::string_view v : views) // views point into the text
            EXPECT_TRUE(v.data() >= text.data() && v.data() + v.size() <= text.data() + text.size());
    }
}

TEST(TextRules, textBetween_cutsBetweenMarkers) {
    struct Case {
        Text text, left, right;
        std::size_t start;
        bool ignoreCase;
        Text expected;
    } cases[] = {
        {"a[b]c", "[", "]", 1, false, "b"},
        {"a[]c", "[", "]", 1, false, ""},
        {"abc]", "[", "]", 1, false, ""},
        {"a]b[c", "[", "]", 1, false, ""},
        {"a[b]c", "[", "", 1, false, ""},
        {"[1][2]", "[", "]", 2, false, "2"},
        {"<B>x</b>", "<b>", "</B>", 1, true, "x"},
        {"<B>x</b>", "<b>", "</B>", 1, false, ""},
        {"v=\"x\" w", g("v=#引号"), g("#引号"), 1, false, "x"},
        {g("前【词】后"), g("【"), g("】"), 1, false, g("词")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(textBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected) << c.text;
}

TEST(TextRules, multiReplace_appliesPairsInOrder) {
    EXPECT_EQ(multiReplace("a <b>KW</b> b", {{"<b>", ""}, {"</b>", ""}, {" ", ""}}), "aKWb");
    EXPECT_EQ(multiReplace("a <B>KW</b> b", {{"<b>", ""}, {"</b>", ""}, {" ", ""}}), "aKWb");
    EXPECT_EQ(multiReplace("a <B>KW</b> b", {{"<b>", ""}, {"</b>", ""}}, std::nullopt, 1, true), "a <B>KW b");
    // Each pair works on the result of the one before.
    EXPECT_EQ(multiReplace("ab", {{"a", "b"}, {"b", "c"}}), "cc");
    // Count, start (0 counts as 1) and the empty find text.
    EXPECT_EQ(multiReplace("aaaa", {{"a", "x"}}, 2), "xxaa");
    EXPECT_EQ(multiReplace("aaaa", {{"a", "x"}}, std::nullopt, 3), "aaxx");
    EXPECT_EQ(multiReplace("aaaa", {{"a", "x"}}, std::nullopt, 0), "xxxx");
    EXPECT_EQ(multiReplace("aaaa", {{"", "x"}, {"a", "b"}}), "bbbb");
    // Replaced text is not searched again.
    EXPECT_EQ(multiReplace("aa", {{"a", "aa"}}), "aaaa");
    // Zero or more than five pairs are refused.
    EXPECT_EQ(multiReplace("abc", {}), "abc");
    EXPECT_EQ(multiReplace("abc", {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"1", "4"}, {"2", "5"}}), "453");
    EXPECT_EQ(multiReplace("abc", {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"1", "4"}, {"2", "5"}, {"3", "6"}}),
              "abc");
}
