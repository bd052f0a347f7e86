#include "deepmining/ResultsModel.h"

#include <QPersistentModelIndex>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace orbisel::core {
namespace {

using deepmining::ResultsModel;

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

// Five rows in result order; ties, an empty 商品数 and an empty sum on purpose.
// Sums: a 2, b 3 (the largest), c 0.5, d none, e 1. 机会 ratios sum / log10(商品数 + 10):
// a 0.803 (the largest), c 0.391, e 0.745; b and d none.
std::vector<ResultRow> fixtureRows() {
    std::vector<ResultRow> rows = {
        row("连衣裙女", 300, 2, sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Mobile), 1, "连衣裙",
            "连衣裙"),
        row("连衣裙长款", std::nullopt, 1, sourceBit(DeepSource::Arrow), 1, "连衣裙", "连衣裙"),
        row("abc连衣裙超长的关键词", 9, 3, sourceBit(DeepSource::Mobile), 2, "连衣裙", "连衣裙女"),
        row("abc连衣裙超长的关键字", 300, 1, sourceBit(DeepSource::Pc), 2, "连衣裙", "连衣裙女"),
        row("T恤", 12, 1, sourceBit(DeepSource::Related), 1, "T恤", "T恤"),
    };
    const std::optional<double> sums[] = {2.0, 3.0, 0.5, std::nullopt, 1.0};
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].popularity = sums[i];
    return rows;
}

struct SortCase {
    int column;
    Qt::SortOrder order;
    std::vector<std::string> words;
};

TEST(ResultsModelTest, everyColumn_sortsBothWaysWithTiesInResultOrder) {
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
        {ResultsModel::Heat, Qt::AscendingOrder, {c, e, a, b, d}}, // by sum; empty last
        {ResultsModel::Heat, Qt::DescendingOrder, {b, a, e, c, d}},
        {ResultsModel::Opportunity, Qt::AscendingOrder, {c, e, a, b, d}}, // empty last in result order
        {ResultsModel::Opportunity, Qt::DescendingOrder, {a, e, c, b, d}},
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

    model.sort(ResultsModel::kResultOrder);
    const struct {
        int column;
        std::vector<QVariant> shown;
    } figures[] = {
        {ResultsModel::Heat, {"66.7", "100.0", "16.7", QVariant(), "33.3"}},
        {ResultsModel::Opportunity, {"100.0", QVariant(), "48.7", QVariant(), "92.8"}},
    };
    for (const auto &f : figures) {
        for (int i = 0; i < model.rowCount(); ++i)
            EXPECT_EQ(model.index(i, f.column).data(), f.shown[static_cast<std::size_t>(i)]) << f.column << i;
        EXPECT_TRUE(model.headerData(f.column, Qt::Horizontal, Qt::ToolTipRole)
                        .toString()
                        .contains(QStringLiteral("估计，不是搜索次数")));
    }
    EXPECT_EQ(model.headerData(ResultsModel::Heat, Qt::Horizontal).toString(), QString("热度"));
    EXPECT_EQ(model.headerData(ResultsModel::Opportunity, Qt::Horizontal).toString(), QString("机会"));
}

// While a run goes the largest sum grows and a larger 商品数 lowers a word's 机会 ratio:
// the figures of rows shown already change with them.
TEST(ResultsModelTest, runningScale_changesTheFiguresOfRowsShownAlready) {
    ResultsModel model;
    ResultRow x = row("甲", 0), y = row("乙", 90);
    x.popularity = 1.0; // 机会 ratio 1 / log10(10) = 1, the largest
    y.popularity = 1.0; // 1 / log10(100) = 0.5
    model.appendRows({x, y});
    auto shown = [&](int r, int column) { return model.index(r, column).data().toString(); };
    EXPECT_EQ(shown(1, ResultsModel::Opportunity), "50.0");
    int changedRows = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &from, const QModelIndex &to) {
                         if (from.column() <= ResultsModel::Heat && to.column() >= ResultsModel::Heat)
                             changedRows += to.row() - from.row() + 1;
                     });

    ResultRow z = row("丙", std::nullopt);
    z.popularity = 4.0;
    model.appendRows({z});
    EXPECT_EQ(changedRows, 2); // the two rows shown before
    EXPECT_EQ(shown(0, ResultsModel::Heat), "25.0");
    EXPECT_EQ(shown(2, ResultsModel::Heat), "100.0");

    x.listings = 990; // ratio 1 / 3: 乙 is now the largest
    model.changeRows({{0, x}});
    EXPECT_EQ(shown(1, ResultsModel::Opportunity), "100.0");
    EXPECT_EQ(shown(0, ResultsModel::Opportunity), "66.7");
}

TEST(ResultsModelTest, growingWhileSortedAndFiltered_placesNewRowsAndKeepsTheSelection) {
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

TEST(ResultsModelTest, wordOrderKeptAcrossGrowth_placesNewAndEqualWords) {
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
TEST(ResultsModelTest, firstWordSort_followsTheBytesWithTiesInResultOrder) {
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

TEST(ResultsModelTest, resultOrder_appendsAtTheEndAndFiltersIgnoreAsciiCase) {
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
