// The deep-mining window's data: the root-word dictionary and segmenter, and sorting and
// filtering a million result rows.
#include "core/runs/RunRootWords.h"
#include "deepmining/ResultsModel.h"
#include "orbisel/config.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace orbisel::core;
using orbisel::deepmining::ResultsModel;

// Listing-like words: a seed, then dictionary-ish syllables and now and then latin letters.
std::vector<ResultRow> syntheticRows(std::size_t count) {
    static const char *const parts[] = {"连衣裙", "女",   "夏季", "新款",   "大码",   "韩版",
                                        "纯棉",   "加厚", "儿童", "羽绒服", "运动鞋", "男士",
                                        "t恤",    "长款", "宽松", "显瘦",   "气质",   "高腰"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> part(0, std::size(parts) - 1), length(2, 5), listings(-1, 500000),
        answers(0, 40);
    std::vector<ResultRow> rows(count);
    for (std::size_t i = 0; i < count; ++i) {
        ResultRow &row = rows[i];
        for (int k = length(rng); k > 0; --k)
            row.word += parts[part(rng)];
        row.word += std::to_string(i); // distinct
        row.seed = parts[i % 4];
        row.parent = row.seed + parts[i % 7];
        row.sources = static_cast<DeepSourceSet>(1 + i % 31);
        const int count = listings(rng);
        if (count >= 0)
            row.listings = count;
        row.depth = 1 + static_cast<int>(i % 3);
        row.occurrences = 1 + static_cast<long long>(i % 5);
        row.popularity = 0.1 * answers(rng); // sums of earnings, many alike
    }
    return rows;
}

ResultsModel &millionRows() {
    static ResultsModel *model = [] {
        auto *m = new ResultsModel;
        m->appendRows(syntheticRows(1'000'000));
        return m;
    }();
    return *model;
}

void BM_LoadDebianDictionary(benchmark::State &state) {
    for (auto _ : state) {
        auto loaded = SegmentDictionary::load(orbisel::config::kRootWordDictionary);
        if (!loaded.dictionary)
            state.SkipWithError(loaded.error.c_str());
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_LoadDebianDictionary)->Unit(benchmark::kMillisecond);

void BM_RootWordsOfAMillionRows(benchmark::State &state) {
    auto loaded = SegmentDictionary::load(orbisel::config::kRootWordDictionary);
    if (!loaded.dictionary) {
        state.SkipWithError(loaded.error.c_str());
        return;
    }
    const auto rows = syntheticRows(1'000'000);
    for (auto _ : state) {
        RootWordTable table(RootWordSetup{loaded.dictionary, {}, {}});
        for (const ResultRow &row : rows)
            table.addRow(table.cut(row.word), row);
        benchmark::DoNotOptimize(table.entries());
    }
}
BENCHMARK(BM_RootWordsOfAMillionRows)->Unit(benchmark::kMillisecond)->Iterations(1);

// Sorting a million rows by one column (arg), alternating the direction.
void BM_SortMillionRows(benchmark::State &state) {
    ResultsModel &model = millionRows();
    model.setTextFilter({});
    bool descending = false;
    for (auto _ : state) {
        model.sort(static_cast<int>(state.range(0)), descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        descending = !descending;
    }
}
BENCHMARK(BM_SortMillionRows)
    ->Arg(ResultsModel::Word)
    ->Arg(ResultsModel::Listings)
    ->Arg(ResultsModel::Parent)
    ->Arg(ResultsModel::Sources)
    ->Arg(ResultsModel::Heat)
    ->Arg(ResultsModel::Opportunity)
    ->Unit(benchmark::kMillisecond);

// The first sort by 关键词 of a fresh million rows (later ones reuse its order).
void BM_FirstWordSortOfMillionRows(benchmark::State &state) {
    const auto rows = syntheticRows(1'000'000);
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<ResultsModel>();
        model->appendRows(rows);
        state.ResumeTiming();
        model->sort(ResultsModel::Word, Qt::AscendingOrder);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstWordSortOfMillionRows)->Unit(benchmark::kMillisecond)->Iterations(2);

// Filtering a million rows sorted by 商品数, alternating two filter texts.
void BM_FilterMillionRows(benchmark::State &state) {
    ResultsModel &model = millionRows();
    model.sort(ResultsModel::Listings, Qt::DescendingOrder);
    const QString filters[] = {state.range(0) ? "T恤女" : "夏季新款", state.range(0) ? "t恤" : "连衣裙"};
    int i = 0;
    for (auto _ : state)
        model.setTextFilter(filters[i++ % 2]);
    model.setTextFilter({});
}
BENCHMARK(BM_FilterMillionRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
