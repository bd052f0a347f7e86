#include "mining/SubstringIndex.h"

#include "web/TextRules.h"

#include <gtest/gtest.h>
#include <random>

namespace orbisel {
namespace {

bool plainContains(const Text &text, std::string_view needle) {
    return needle.empty() ? !text.empty() : containsText(toLowerAscii(text), toLowerAscii(needle));
}

// Letters of both cases, CR and LF alone, a lone lead byte and a few hundred
// double-byte characters (some with trail bytes that look like letters), so
// that states get many edges and the edge table has to grow.
Text randomLine(std::mt19937 &rng) {
    std::uniform_int_distribution<int> length(0, 12), kind(0, 9), letter(0, 5), lead(0xB0, 0xB3),
        trail(0x41, 0xFE);
    Text line;
    for (int i = length(rng); i > 0; --i) {
        const int k = kind(rng);
        if (k < 3)
            line += static_cast<char>((k == 0 ? 'A' : 'a') + letter(rng));
        else if (k == 3)
            line += (letter(rng) % 2) ? '\r' : '\n';
        else if (k < 9)
            line += {static_cast<char>(lead(rng)), static_cast<char>(trail(rng))};
        else
            line += '\x81';
    }
    // A lone lead byte before the line break would join the CR.
    if (!line.empty() && isGbkLeadByte(static_cast<unsigned char>(line.back())) &&
        gbkCharLength(line, line.size() - 1) == 1)
        line += 'z';
    return line;
}

TEST(SubstringIndex, growingText_answersLikePlainSearch) {
    std::mt19937 rng(3);
    SubstringIndex index; // nothing set aside: every table grows
    Text text;
    std::uniform_int_distribution<size_t> anyByte(0, 1 << 20), span(0, 16);
    for (int round = 0; round < 3000; ++round) {
        const Text line = randomLine(rng);
        // Cuts of the text at any byte (maybe inside a character) and fresh lines.
        std::vector<Text> needles = {line, randomLine(rng)};
        if (!text.empty()) {
            const size_t from = anyByte(rng) % text.size();
            needles.push_back(text.substr(from, span(rng)));
            needles.push_back(toLowerAscii(text.substr(from, span(rng))) + '\x81');
        }
        for (const Text &needle : needles)
            ASSERT_EQ(index.containsIgnoringCase(needle), plainContains(text, needle))
                << ::testing::PrintToString(needle) << " at round " << round;
        text += line + "\r\n";
        index.append(line + "\r\n");
    }
    EXPECT_FALSE(index.empty());
}

TEST(SubstringIndex, loneLeadByteAtTheEnd_matchesFirstByteOfACharacter) {
    SubstringIndex index(64);
    EXPECT_FALSE(index.containsIgnoringCase("\xB0"));
    EXPECT_FALSE(index.containsIgnoringCase(""));
    index.append("xa\r\nxb\r\nx\xB0\xA1y\r\n"); // x has three edges, the last one spilled
    EXPECT_TRUE(index.containsIgnoringCase(""));
    EXPECT_TRUE(index.containsIgnoringCase("\xB0"));
    EXPECT_TRUE(index.containsIgnoringCase("X\xB0"));
    EXPECT_FALSE(index.containsIgnoringCase("X\xA1"));
    EXPECT_FALSE(index.containsIgnoringCase("\xA1y")); // starts inside a character
    EXPECT_FALSE(index.containsIgnoringCase("y\xB0"));
    EXPECT_TRUE(index.containsIgnoringCase("b\r\nX"));
}

} // namespace
} // namespace orbisel
