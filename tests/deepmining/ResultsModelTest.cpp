#include "core/ResultsModel.h"

#include <QPersistentModelIndex>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace orbisel::core {
namespace {

ResultRow row(std::string word, std::optional<long long> listings, long long occurrences = 1,
              DeepSourceSet sources = sourceBit(DeepSource::Pc), int depth = 1, std::string seed = "裙",
              std::string parent = "裙") {
    return ResultRow{std::move(word), std::move(seed),   sources,    listings,
                     depth,           std::move(parent), occurrences};
}

std::vector<std::string> shownWords(const ResultsModel &model) {
    std::vector<std::string> words;
    for (int i = 0; i < model.rowCount(); ++i)
        words.push_back(model.index(i, ResultsModel::Word).data().toString().toStdString());
    return words;
}

// Five rows in result order; ties and an empty 商品数 on purpose.
std::vector<ResultRow> fixtureRows() {
    return {
        row("连衣裙女", 300, 2, sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Mobile), 1, "连衣裙",
            "连衣裙"),
        row("连衣裙长款", std::nullopt, 1, sourceBit(DeepSource::Arrow), 1, "连衣裙", "连衣裙"),
        row("abc连衣裙超长的关键词", 9, 3, sourceBit(DeepSource::Mobile), 2, "连衣裙", "连衣裙女"),
        row("abc连衣裙超长的关键字", 300, 1, sourceBit(DeepSource::Pc), 2, "连衣裙", "连衣裙女"),
        row("T恤", 12, 1, sourceBit(DeepSource::Related), 1, "T恤", "T恤"),
    };
}

struct SortCase {
    int column;
    Qt::SortOrder order;
    std::vector<std::string> words;
};

TEST(ResultsModel, everyColumn_sortsBothWaysWithTiesInResultOrder) {
    ResultsModel model;
    model.appendRows(fixtureRows());
    ASSERT_EQ(model.rowCount(), 5);
    const std::string a = "连衣裙女", b = "连衣裙长款", c = "abc连衣裙超长的关键词",
                      d = "abc连衣裙超长的关键字", e = "T恤";
    const std::vector<SortCase> cases = {
        {ResultsModel::Word, Qt::AscendingOrder, {e, d, c, a, b}}, // 关键字 < 关键词 past the first 8 bytes
        {ResultsModel::Word, Qt::DescendingOrder, {b, a, c, d, e}},
        {ResultsModel::Listings, Qt::AscendingOrder, {c, e, a, d, b}}, // as numbers: 9 < 12 < 300; empty last
        {ResultsModel::Listings, Qt::DescendingOrder, {a, d, e, c, b}}, // empty last either way
        {ResultsModel::Occurrences, Qt::DescendingOrder, {c, a, b, d, e}},
        {ResultsModel::Depth, Qt::DescendingOrder, {c, d, a, b, e}},
        {ResultsModel::Seed, Qt::AscendingOrder, {e, a, b, c, d}},
        {ResultsModel::Parent, Qt::DescendingOrder, {c, d, a, b, e}},
        {ResultsModel::Sources,
         Qt::AscendingOrder,
         {d, a, e, c, b}}, // as shown: PC下拉词 < PC下拉词、无线下拉词 < 你是不是想找 < 无线下拉词 < 箭头词
        {ResultsModel::kResultOrder, Qt::AscendingOrder, {a, b, c, d, e}},
    };
    for (const SortCase &sc : cases) {
        model.sort(sc.column, sc.order);
        EXPECT_EQ(shownWords(model), sc.words) << "column " << sc.column << " order " << sc.order;
    }
    model.sort(ResultsModel::Listings);
    EXPECT_EQ(model.index(4, ResultsModel::Listings).data(), QVariant()); // empty, not 0
    EXPECT_EQ(model.index(2, ResultsModel::Sources).data().toString(), QString("PC下拉词、无线下拉词"));
    EXPECT_EQ(model.headerData(ResultsModel::Listings, Qt::Horizontal).toString(), QString("商品数"));
}

TEST(ResultsModel, growingWhileSortedAndFiltered_placesNewRowsAndKeepsTheSelection) {
    ResultsModel model;
    model.appendRows(fixtureRows());
    model.setTextFilter("连衣裙");
    model.sort(ResultsModel::Listings, Qt::DescendingOrder);
    ASSERT_EQ(shownWords(model), (std::vector<std::string>{"连衣裙女", "abc连衣裙超长的关键字",
                                                           "abc连衣裙超长的关键词", "连衣裙长款"}));
    const QPersistentModelIndex selected = model.index(2, ResultsModel::Word); // abc…关键词, stored row 2

    model.appendRows({row("连衣裙夏", 50), row("衬衫", 1000), row("连衣裙冬", std::nullopt)});
    EXPECT_EQ(shownWords(model),
              (std::vector<std::string>{"连衣裙女", "abc连衣裙超长的关键字", "连衣裙夏",
                                        "abc连衣裙超长的关键词", "连衣裙长款", "连衣裙冬"}));
    EXPECT_EQ(selected.row(), 3);

    // A larger count seen later moves the row; the selection follows it.
    ResultRow larger = fixtureRows()[2];
    larger.listings = 5000;
    model.changeRows({{2, larger}, {99, larger}});
    EXPECT_EQ(shownWords(model).front(), "abc连衣裙超长的关键词");
    EXPECT_EQ(selected.row(), 0);
    EXPECT_EQ(selected.data().toString().toStdString(), "abc连衣裙超长的关键词");
    EXPECT_EQ(model.index(0, ResultsModel::Listings).data().toString(), QString("5000"));

    model.setTextFilter(QString());
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_EQ(shownWords(model)[1], "衬衫");
}

TEST(ResultsModel, wordOrderKeptAcrossGrowth_placesNewAndEqualWords) {
    ResultsModel model;
    model.appendRows(fixtureRows());
    model.sort(ResultsModel::Word, Qt::DescendingOrder);
    model.appendRows({row("连衣裙女", 1), row("B款", 2)}); // the same word again, stored row 5
    EXPECT_EQ(shownWords(model),
              (std::vector<std::string>{"连衣裙长款", "连衣裙女", "连衣裙女", "abc连衣裙超长的关键词",
                                        "abc连衣裙超长的关键字", "T恤", "B款"}));
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        model.sort(ResultsModel::Word, order);
        const int first = order == Qt::AscendingOrder ? 4 : 1;
        EXPECT_EQ(model.storedRowAt(first), 0u) << order; // equal words keep the result order
        EXPECT_EQ(model.storedRowAt(first + 1), 5u) << order;
    }
    model.sort(ResultsModel::Word, Qt::AscendingOrder);
    EXPECT_EQ(shownWords(model).front(), "B款");
}

// Many rows sharing long prefixes, repeated words, words that are prefixes of others and
// NUL bytes: the first 关键词 sort equals a plain byte-wise sort, ties in result order.
TEST(ResultsModel, firstWordSort_followsTheBytesWithTiesInResultOrder) {
    const std::string prefixes[] = {"", "连衣裙超长的关键词前缀", "abcdefgh"};
    const std::string parts[] = {"a", "b", "女", "款", std::string(1, '\0')};
    std::mt19937 rng(3);
    std::vector<ResultRow> rows;
    for (int i = 0; i < 9000; ++i) {
        std::string word = prefixes[rng() % 3];
        for (int k = static_cast<int>(rng() % 5); k > 0; --k)
            word += parts[rng() % 5];
        rows.push_back(row(word, 1));
    }
    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        ResultsModel model;
        model.appendRows(rows);
        model.sort(ResultsModel::Word, order);
        std::vector<std::size_t> expected(rows.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
            return order == Qt::AscendingOrder ? rows[a].word < rows[b].word : rows[b].word < rows[a].word;
        });
        std::vector<std::size_t> shown;
        for (int i = 0; i < model.rowCount(); ++i)
            shown.push_back(model.storedRowAt(i));
        EXPECT_EQ(shown, expected) << order;
    }
}

TEST(ResultsModel, resultOrder_appendsAtTheEndAndFiltersIgnoreAsciiCase) {
    ResultsModel model;
    int inserted = 0;
    QObject::connect(&model, &ResultsModel::rowsInserted,
                     [&](const QModelIndex &, int first, int last) { inserted += last - first + 1; });
    model.appendRows(fixtureRows());
    model.setTextFilter("t恤");
    EXPECT_EQ(shownWords(model), std::vector<std::string>{"T恤"});
    model.appendRows({row("t恤男", 1), row("衬衫", 1)});
    EXPECT_EQ(shownWords(model), (std::vector<std::string>{"T恤", "t恤男"}));
    EXPECT_EQ(inserted, 6);

    model.setTextFilter(QString());
    model.setRowFilter([](std::size_t stored) { return stored % 2 == 0; });
    EXPECT_EQ(shownWords(model),
              (std::vector<std::string>{"连衣裙女", "abc连衣裙超长的关键词", "T恤", "衬衫"}));
    EXPECT_EQ(model.storedRowAt(3), 6u);
    EXPECT_EQ(model.storedRow(6).word, "衬衫");

    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.storedRowCount(), 0u);
}

} // namespace
} // namespace orbisel::core
