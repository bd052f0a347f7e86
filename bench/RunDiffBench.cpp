// The comparison of two stored runs of 1,000,000 words each (800,000 shared):
// read from the store, matched and ordered, then written to .csv (goal: under
// 3 s in all, peak resident memory under 400 MB). Run on its own for a clean
// memory figure.
#include "core/runs/RunDiff.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>

using namespace orbisel::core;

namespace {

constexpr long long kWords = 1000000;
constexpr long long kShift = 200000; // the newer run drops the first kShift words and adds as many

ResultRow makeRow(long long i) {
    ResultRow row;
    row.seed = "连衣裙" + std::to_string(i / 10000);
    row.word = row.seed + "女夏季新款" + std::to_string(i);
    row.sources = sourceBit(DeepSource::Pc);
    if (i % 7)
        row.listings = 1000 + i % 5000;
    row.parent = row.seed;
    row.occurrences = 1;
    row.popularity = 0.1 * static_cast<double>(1 + i % 97);
    return row;
}

bool storeRun(RunStore &store, long long first) {
    auto id = store.createRun(DeepRunOptions{});
    if (!id.ok())
        return false;
    for (long long start = 0; start < kWords; start += 50000) {
        StoreCommit commit;
        for (long long i = start; i < start + 50000; ++i)
            commit.rows.emplace_back(static_cast<std::size_t>(i), makeRow(first + i));
        commit.words = start + 50000;
        if (!store.commit(id.value(), commit).ok())
            return false;
    }
    return true;
}

double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_DiffStoredRuns(benchmark::State &state) {
    QTemporaryDir dir;
    const std::string storePath = dir.filePath(QStringLiteral("mining.sqlite")).toStdString();
    {
        auto store = RunStore::open(storePath);
        if (!store.ok() || !storeRun(*store.value(), 0) || !storeRun(*store.value(), kShift)) {
            state.SkipWithError("store set-up failed");
            return;
        }
    }
    state.counters["peak_rss_mb_before"] = peakRssMb();
    const std::string out = dir.filePath(QStringLiteral("diff.csv")).toStdString();
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        const auto compared = compareStoredRuns(storePath, 1, 2);
        if (!compared.ok() || compared.value().kept != static_cast<std::size_t>(kWords - kShift)) {
            state.SkipWithError("comparison failed");
            return;
        }
        const std::clock_t comparedAt = std::clock();
        if (!writeComparison(out, compared.value()).ok())
            state.SkipWithError("write failed");
        state.counters["compare_cpu_s"] = static_cast<double>(comparedAt - start) / CLOCKS_PER_SEC;
        state.counters["write_cpu_s"] = static_cast<double>(std::clock() - comparedAt) / CLOCKS_PER_SEC;
    }
    state.counters["peak_rss_mb"] = peakRssMb();
}
BENCHMARK(BM_DiffStoredRuns)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
