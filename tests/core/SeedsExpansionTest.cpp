#include "core/inputs/Expansion.h"
#include "core/inputs/Seeds.h"
#include "web/Encoding.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

using Words = std::vector<std::string>;

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SeedsTest, validUtf8_rejectsMalformedSequences) {
    const std::pair<std::string, bool> cases[] = {
        {"连衣裙 abc", true},        {"\xF0\x9F\x98\x80", true}, // four-byte emoji
        {"\xC0\xAF", false},                                     // overlong "/"
        {"\xED\xA0\x80", false},                                 // surrogate
        {"\xE8\xBF", false},                                     // cut short
        {"\xC1\xAC\xD2\xC2", false},                             // GBK "连衣"
        {"\xF4\x90\x80\x80", false},                             // beyond U+10FFFF
    };
    for (const auto &[bytes, valid] : cases)
        EXPECT_EQ(isValidUtf8(bytes), valid) << bytes;
}

TEST(SeedsTest, parse_trimsSkipsBlanksAndRepeats) {
    const std::pair<std::string, Words> cases[] = {
        {"\xEF\xBB\xBF连衣裙\r\n\r\n  半身裙 \n连衣裙\n", {"连衣裙", "半身裙"}},
        {"\xE3\x80\x80T恤\xE3\x80\x80\n \n短裤", {"T恤", "短裤"}},
        {"a b\nA b\na b \n", {"a b", "A b"}},
        {"\n \r\n\xE3\x80\x80\n", {}},
    };
    for (const auto &[bytes, seeds] : cases)
        EXPECT_EQ(parseSeeds(bytes).value(), seeds) << bytes;
}

TEST(SeedsTest, parse_refusesControlBytesAndUnreadableTextNamingTheLine) {
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        SeedsErrorKind kind;
        long long line;
    };
    const Case cases[] = {
        {"连衣裙\nab\0cd\n"s, SeedsErrorKind::ControlByte, 2},
        {"连衣裙\r\n半身\t裙\r\n", SeedsErrorKind::ControlByte, 2}, // a tab is no separator
        {"a\rb\n", SeedsErrorKind::ControlByte, 1},                 // a CR not ending a line
        {"a\n\n\x7F\n", SeedsErrorKind::ControlByte, 3},
        {"ok\n\x1B[31m\n\xFF\n", SeedsErrorKind::ControlByte, 2}, // control bytes are found first
        {"ok\n" + utf8ToGbk("连衣裙") + "\n\xFF\xFE\n", SeedsErrorKind::BadEncoding, 3},
        {"ok\n\x81\x30\n", SeedsErrorKind::BadEncoding, 2}, // no GBK trail byte
        {"\xEF\xBB\xBF\xC1", SeedsErrorKind::BadEncoding, 1},
        {"连衣裙\n" + utf8ToGbk("半身裙") + "\n", SeedsErrorKind::BadEncoding, 2}, // UTF-8 and GBK mixed
    };
    for (const Case &c : cases) {
        const auto parsed = parseSeeds(c.bytes);
        ASSERT_FALSE(parsed.ok()) << c.bytes;
        EXPECT_EQ(parsed.error().kind, c.kind) << c.bytes;
        EXPECT_EQ(parsed.error().line, c.line) << c.bytes;
    }
    EXPECT_TRUE(parseSeeds("a\r\nb\r\n").ok());
}

TEST(SeedsTest, parse_gbkFileIsConverted) {
    EXPECT_EQ(parseSeeds(utf8ToGbk("连衣裙\r\n半身裙\r\n连衣裙\r\n")).value(), (Words{"连衣裙", "半身裙"}));
}

TEST(SeedsTest, distinctSeeds_sameRulesAsFile) {
    EXPECT_EQ(distinctSeeds({" 连衣裙", "", "连衣裙 ", "裙子", utf8ToGbk("裙子"), utf8ToGbk("短裤")}).value(),
              (Words{"连衣裙", "裙子", "短裤"}));
    const auto tab = distinctSeeds({"连衣裙", "半身\t裙"});
    ASSERT_FALSE(tab.ok());
    EXPECT_EQ(tab.error().kind, SeedsErrorKind::ControlByte);
    EXPECT_EQ(tab.error().line, 2);
    const auto garbage = distinctSeeds({"\xFF\xFF"});
    ASSERT_FALSE(garbage.ok());
    EXPECT_EQ(garbage.error().kind, SeedsErrorKind::BadEncoding);
}

TEST(SeedsTest, readFile_errorsCarryTheReason) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    writeFile(root + "/good.txt", "连衣裙\n");
    writeFile(root + "/blank.txt", "\r\n  \r\n");

    const auto good = readSeedsFile(root + "/good.txt");
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(good.value(), Words{"连衣裙"});

    const auto missing = readSeedsFile(root + "/missing.txt");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, SeedsErrorKind::CannotRead);
    EXPECT_NE(missing.error().detail.find("missing.txt"), std::string::npos);

    const auto folder = readSeedsFile(root);
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().kind, SeedsErrorKind::CannotRead);

    writeFile(root + "/binary.txt", std::string("seed\n\x7F"
                                                "ELF\0\x02\n",
                                                11));
    const auto binary = readSeedsFile(root + "/binary.txt");
    ASSERT_FALSE(binary.ok());
    EXPECT_EQ(binary.error().kind, SeedsErrorKind::ControlByte);
    EXPECT_EQ(binary.error().line, 2);
    EXPECT_EQ(binary.error().detail, root + "/binary.txt");

    const auto blank = readSeedsFile(root + "/blank.txt");
    ASSERT_FALSE(blank.ok());
    EXPECT_EQ(blank.error().kind, SeedsErrorKind::NoSeeds);
}

TEST(ExpansionTest, expandSeed_seedFirstThenEachExpansionInOrder) {
    const Words modifiers{"女", "新款"};
    const Words questions{"推荐"};
    const auto all = expansionBit(Expansion::Letters) | expansionBit(Expansion::Digits) |
                     expansionBit(Expansion::Modifiers) | expansionBit(Expansion::Questions);
    struct Case {
        ExpansionSet set;
        std::size_t count;
        Words head; // the first queries
        std::string last;
    };
    const Case cases[] = {
        {0, 1, {"裙"}, "裙"},
        {expansionBit(Expansion::Letters), 27, {"裙", "裙a", "裙b"}, "裙z"},
        {expansionBit(Expansion::Digits), 11, {"裙", "裙0"}, "裙9"},
        {expansionBit(Expansion::Modifiers), 3, {"裙", "裙 女", "裙 新款"}, "裙 新款"},
        {expansionBit(Expansion::Questions), 2, {"裙", "裙 推荐"}, "裙 推荐"},
        {static_cast<ExpansionSet>(all), 1 + 26 + 10 + 2 + 1, {"裙", "裙a"}, "裙 推荐"},
    };
    for (const Case &c : cases) {
        const Words queries = expandSeed("裙", c.set, modifiers, questions);
        ASSERT_EQ(queries.size(), c.count) << int(c.set);
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), queries.begin())) << int(c.set);
        EXPECT_EQ(queries.back(), c.last);
    }
    const Words both = expandSeed("裙", all, modifiers, questions);
    EXPECT_EQ(both[27], "裙0");
    EXPECT_EQ(both[37], "裙 女");
}

TEST(ExpansionTest, expandSeeds_seedBySeed) {
    EXPECT_EQ(expandSeeds({"a", "b"}, expansionBit(Expansion::Questions), {}, {"x", "y"}),
              (Words{"a", "a x", "a y", "b", "b x", "b y"}));
}

TEST(ExpansionTest, runOptions_useTheirModifiersOrTheBuiltInOnes) {
    DeepRunOptions options;
    options.expansions = expansionBit(Expansion::Modifiers) | expansionBit(Expansion::Questions);
    const Words builtIn = expandSeed("裙", options);
    EXPECT_EQ(builtIn.size(), 1 + builtinModifiers().size() + builtinQuestions().size());
    EXPECT_EQ(builtIn[1], "裙 女");
    EXPECT_EQ(builtIn[1 + builtinModifiers().size()], "裙 怎么选");

    options.modifiers = {"加大"};
    EXPECT_EQ(expandSeed("裙", options)[1], "裙 加大");
}

} // namespace
} // namespace orbisel::core
