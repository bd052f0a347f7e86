#include "web/Encoding.h"

#include <gtest/gtest.h>

using namespace orbisel;
using namespace std::string_literals;

TEST(Encoding, utf8AndGbk_roundTripChineseText) {
    EXPECT_EQ(utf8ToGbk("中"), "\xD6\xD0");
    EXPECT_EQ(gbkToUtf8("\xD6\xD0"), "中");
    EXPECT_EQ(utf8ToGbk(""), "");
    EXPECT_EQ(gbkToUtf8(""), "");
    const std::string mixed = "连衣裙 dress 夏季 2024　全角！";
    EXPECT_EQ(gbkToUtf8(utf8ToGbk(mixed)), mixed);
    // Long inputs come out whole (no fixed-size buffer cuts them).
    std::string longText;
    for (int i = 0; i < 20000; ++i)
        longText += mixed;
    EXPECT_EQ(gbkToUtf8(utf8ToGbk(longText)), longText);
}

TEST(Encoding, badInput_becomesQuestionMarksWithoutLosingNeighbours) {
    struct Case {
        std::string input, expected;
        bool fromUtf8;
    } cases[] = {
        {"\xFF"
         "a",
         "?a", true},
        {"a\xE4\xB8"
         "b",
         "a?b", true},               // truncated sequence inside the text
        {"a\xE4\xB8", "a?", true},   // truncated at the end
        {"x😀y", "x?y", true},        // valid UTF-8 GBK cannot represent
        {"\x80\x80z", "??z", true},  // stray continuation bytes
        {"\x81\x20x", "? x", false}, // invalid trail byte: the space survives
        {"a\xB0", "a?", false},      // lead byte at the end
        {"\xFF"
         "b",
         "?b", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.fromUtf8 ? utf8ToGbk(c.input) : gbkToUtf8(c.input), c.expected) << c.input;
}

TEST(Encoding, utf16_endsWithNulUnitAndStopsAtNul) {
    EXPECT_EQ(toUtf16("中a"), "\x2D\x4E"
                              "a\0\0\0"s);
    EXPECT_EQ(toUtf16("\xD6\xD0", kCodePageGbk), "\x2D\x4E\0\0"s);
    EXPECT_EQ(toUtf16(""), "\0\0"s);
    EXPECT_EQ(toUtf16("ab\0cd"s), "a\0b\0\0\0"s);
    EXPECT_EQ(fromUtf16("\x2D\x4E\0\0"
                        "a\0"s,
                        kCodePageGbk),
              "\xD6\xD0");
    EXPECT_EQ(fromUtf16(toUtf16("中文"), kCodePageUtf8), "中文");
    EXPECT_EQ(fromUtf16("\x3D\xD8"
                        "a\0"s,
                        kCodePageGbk),
              "?a");                                              // unpaired surrogate
    EXPECT_EQ(fromUtf16("\x3D\xD8\x00\xDE"s, kCodePageGbk), "?"); // U+1F600, not in GBK
    EXPECT_EQ(toUtf16("a", 1252), "");
}
