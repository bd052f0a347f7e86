#include "core/tables/TableOrder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace orbisel::core {
namespace {

std::vector<std::uint32_t> storedOrder(std::size_t n) {
    std::vector<std::uint32_t> rows(n);
    for (std::uint32_t i = 0; i < n; ++i)
        rows[i] = i;
    return rows;
}

// What orderByWord must give: the words' bytes ascending, ties in stored order.
std::vector<std::uint32_t> byBytes(const std::vector<std::string> &words) {
    std::vector<std::uint32_t> rows = storedOrder(words.size());
    std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::string_view(words[a]) < std::string_view(words[b]);
    });
    return rows;
}

TEST(TableOrderTest, numberKeys_orderAsTheNumbers) {
    const std::vector<long long> integers = {LLONG_MIN, -1'000'000'000'000, -2, -1, 0, 1, 7, LLONG_MAX};
    for (std::size_t i = 1; i < integers.size(); ++i)
        EXPECT_LT(numberKey(integers[i - 1]), numberKey(integers[i])) << integers[i];
    const std::vector<double> reals = {-1e300, -2.5, -0.1, 0.0, 1e-300, 0.1, 66.7, 100.0, 1e300};
    for (std::size_t i = 1; i < reals.size(); ++i)
        EXPECT_LT(numberKey(reals[i - 1]), numberKey(reals[i])) << reals[i];
    EXPECT_EQ(numberKey(-0.0), numberKey(0.0));
}

TEST(TableOrderTest, emptyLastKey_putsAnEmptyValueLastInEitherOrder) {
    for (const bool descending : {false, true}) {
        const std::uint64_t small = emptyLastKey(numberKey(1LL), descending);
        const std::uint64_t large = emptyLastKey(numberKey(2LL), descending);
        const std::uint64_t none = emptyLastKey(std::nullopt, descending);
        EXPECT_EQ(small < large, !descending);
        EXPECT_GT(none, std::max(small, large));
    }
    // The largest key stays before an empty one.
    EXPECT_LT(emptyLastKey(UINT64_MAX, false), emptyLastKey(std::nullopt, false));
}

TEST(TableOrderTest, sortByKey_keepsStoredOrderAmongEqualKeys) {
    // Below and above the size from which the counting sort takes over.
    for (const std::size_t n : {std::size_t{100}, std::size_t{5000}}) {
        std::mt19937 random(7);
        std::vector<KeyedRow> items(n);
        for (std::uint32_t i = 0; i < n; ++i)
            items[i] = {random() % 16 * 0x0101010101010101ull, i};
        std::vector<KeyedRow> expected = items;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const KeyedRow &a, const KeyedRow &b) { return a.key < b.key; });
        sortByKey(items);
        ASSERT_TRUE(
            std::equal(items.begin(), items.end(), expected.begin(),
                       [](const KeyedRow &a, const KeyedRow &b) { return a.key == b.key && a.row == b.row; }))
            << n;
    }
}

TEST(TableOrderTest, orderByWord_ordersByEveryByteOfTheWords) {
    const std::vector<std::string> words = {"连衣裙夏季新款",
                                            "连衣裙夏季",
                                            "连衣裙夏季新款女",
                                            "a",
                                            "",
                                            "连衣裙夏季新款",
                                            "abcdefgh12",
                                            "abcdefgh1",
                                            "abcdefgh",
                                            "b",
                                            "A",
                                            std::string("ab\0", 3),
                                            "ab",
                                            "连衣裙夏季新款女",
                                            "abcdefgh12"};
    std::vector<std::uint32_t> rows = storedOrder(words.size());
    orderByWord(rows.begin(), rows.end(), 0, [&](std::uint32_t row) { return std::string_view(words[row]); });
    EXPECT_EQ(rows, byBytes(words));

    std::mt19937 random(11);
    std::vector<std::string> many;
    for (int i = 0; i < 3000; ++i) {
        std::string word = "连衣裙"; // a shared prefix longer than one key
        for (unsigned k = random() % 12; k > 0; --k)
            word += static_cast<char>('a' + random() % 3);
        many.push_back(word);
    }
    std::vector<std::uint32_t> all = storedOrder(many.size());
    orderByWord(all.begin(), all.end(), 0, [&](std::uint32_t row) { return std::string_view(many[row]); });
    EXPECT_EQ(all, byBytes(many));
}

TEST(TableOrderTest, reverseByWord_keepsEqualWordsInStoredOrder) {
    const std::vector<std::string> words = {"b", "a", "b", "c", "a"};
    std::vector<std::uint32_t> rows = byBytes(words); // a a b b c: 1 4 0 2 3
    reverseByWord(rows, [&](std::uint32_t row) { return std::string_view(words[row]); });
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{3, 0, 2, 1, 4}));
}

} // namespace
} // namespace orbisel::core
