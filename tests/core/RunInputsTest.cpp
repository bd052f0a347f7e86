#include "core/inputs/RunInputs.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

namespace orbisel::core {
namespace {

using Words = std::vector<std::string>;

TEST(RunInputsTest, build_readsSeedsListsAndTheUserModifiers) {
    QTemporaryDir dir;
    const std::string modifiers = dir.filePath("modifiers.txt").toStdString();
    std::ofstream(modifiers) << "加大\r\n\r\n修身\r\n";
    RunInputs inputs;
    inputs.options.expansions = expansionBit(Expansion::Modifiers);
    inputs.options.depth = 3;
    inputs.seedText = " 连衣裙\n半身裙\n连衣裙\n";
    inputs.include = "女，夏、 长款 ";
    inputs.exclude = "男,";
    inputs.modifiersFile = modifiers;
    const auto built = buildRunOptions(inputs);
    ASSERT_TRUE(built.ok());
    EXPECT_EQ(built.value().seeds, (Words{"连衣裙", "半身裙"}));
    EXPECT_EQ(built.value().include, (Words{"女", "夏", "长款"}));
    EXPECT_EQ(built.value().exclude, Words{"男"});
    EXPECT_EQ(built.value().modifiers, (Words{"加大", "修身"}));
    EXPECT_EQ(built.value().depth, 3);

    // Without the expansion the file is not read; without the file the built-in list is used.
    inputs.options.expansions = 0;
    EXPECT_TRUE(buildRunOptions(inputs).value().modifiers.empty());
    inputs.options.expansions = expansionBit(Expansion::Modifiers);
    inputs.modifiersFile = dir.filePath("none.txt").toStdString();
    EXPECT_TRUE(buildRunOptions(inputs).value().modifiers.empty());
}

TEST(RunInputsTest, build_refusesEachBadInputWithItsKind) {
    QTemporaryDir dir;
    const std::string badModifiers = dir.filePath("modifiers.txt").toStdString();
    std::ofstream(badModifiers) << "加大\n修\x01身\n";
    struct Case {
        const char *what;
        void (*change)(RunInputs &);
        RunInputErrorKind kind;
    };
    const Case cases[] = {
        {"depth 0", [](RunInputs &i) { i.options.depth = 0; }, RunInputErrorKind::DepthOutOfRange},
        {"depth 6", [](RunInputs &i) { i.options.depth = 6; }, RunInputErrorKind::DepthOutOfRange},
        {"concurrency 17", [](RunInputs &i) { i.options.concurrency = 17; },
         RunInputErrorKind::ConcurrencyOutOfRange},
        {"min > max",
         [](RunInputs &i) {
             i.options.minChars = 5;
             i.options.maxChars = 3;
         },
         RunInputErrorKind::MinAboveMax},
        {"negative chars", [](RunInputs &i) { i.options.minChars = -1; }, RunInputErrorKind::CharsOutOfRange},
        {"no sources", [](RunInputs &i) { i.options.sources = 0; }, RunInputErrorKind::NoSources},
        {"blank seeds", [](RunInputs &i) { i.seedText = " \n\n"; }, RunInputErrorKind::Seeds},
        {"tab in a seed", [](RunInputs &i) { i.seedText = "裙\n连\t衣裙"; }, RunInputErrorKind::Seeds},
        {"bad modifiers", [](RunInputs &i) { i.options.expansions = expansionBit(Expansion::Modifiers); },
         RunInputErrorKind::Modifiers},
    };
    for (const Case &c : cases) {
        RunInputs inputs;
        inputs.seedText = "裙";
        inputs.modifiersFile = badModifiers;
        c.change(inputs);
        const auto built = buildRunOptions(inputs);
        ASSERT_FALSE(built.ok()) << c.what;
        EXPECT_EQ(built.error().kind, c.kind) << c.what;
    }
    RunInputs tab;
    tab.seedText = "裙\n连\t衣裙";
    EXPECT_EQ(buildRunOptions(tab).error().seeds.line, 2);
    tab.options.expansions = expansionBit(Expansion::Modifiers);
    tab.seedText = "裙";
    tab.modifiersFile = badModifiers;
    EXPECT_EQ(buildRunOptions(tab).error().seeds.line, 2);
}

TEST(RunInputsTest, nameLists_knownNamesOnly) {
    EXPECT_EQ(parseSourceNames("pc，related").value(),
              sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Related));
    EXPECT_EQ(parseSourceNames("pc,web").error().detail, "web");
    EXPECT_EQ(parseSourceNames(" , ").error().kind, RunInputErrorKind::NoSources);
    EXPECT_EQ(parseExpansionNames("questions,letters").value(),
              expansionBit(Expansion::Questions) | expansionBit(Expansion::Letters));
    EXPECT_EQ(parseExpansionNames("").value(), 0);
    EXPECT_EQ(parseExpansionNames("vowels").error().kind, RunInputErrorKind::UnknownExpansion);
}

} // namespace
} // namespace orbisel::core
