// Results files of a deep run: 1,000,000 rows written to .csv, .xlsx and
// .jsonl straight from a row visitor, and the export of a stored run of
// 1,000,000 words to .csv (store read included; goal: under 5 s).
#include "core/files/ResultWriters.h"
#include "core/runs/RunExport.h"
#include "core/store/RunStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace orbisel::core;

namespace {

constexpr long long kRows = 1000000;

ResultRow makeRow(long long i) {
    ResultRow row;
    row.seed = "连衣裙" + std::to_string(i / 10000);
    row.word = row.seed + "女夏季新款" + std::to_string(i);
    row.sources = sourceBit(DeepSource::Pc) | sourceBit(DeepSource::Mobile);
    if (i % 7)
        row.listings = 1000 + i;
    row.depth = 1 + static_cast<int>(i % 3);
    row.parent = row.seed;
    row.occurrences = 1 + i % 4;
    row.popularity = 0.1 * static_cast<double>(1 + i % 30);
    return row;
}

RowSource syntheticRows() {
    return [](const RowVisitor &visit) {
        for (long long i = 0; i < kRows; ++i)
            if (!visit(makeRow(i)))
                break;
        return true;
    };
}

ValueScale syntheticScale() {
    ValueScale scale;
    scale.add(3.0, 1000);
    return scale;
}

void BM_WriteRows(benchmark::State &state, const char *name) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    for (auto _ : state)
        if (!writeResults(path, syntheticScale(), syntheticRows()).ok())
            state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK_CAPTURE(BM_WriteRows, csv, "r.csv")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_WriteRows, xlsx, "r.xlsx")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_WriteRows, jsonl, "r.jsonl")->Unit(benchmark::kMillisecond)->Iterations(1);

// A store holding one run of kRows result rows.
struct StoredRun {
    QTemporaryDir dir;
    std::unique_ptr<RunStore> store;
    long long runId = 0;
    bool ok = false;

    StoredRun() {
        auto opened = RunStore::open(dir.filePath(QStringLiteral("mining.sqlite")).toStdString());
        if (!opened.ok())
            return;
        store = std::move(opened).value();
        DeepRunOptions options;
        options.seeds = {"连衣裙"};
        auto id = store->createRun(options);
        if (!id.ok() || !store->acquireWriter(id.value()).ok())
            return;
        runId = id.value();
        for (long long start = 0; start < kRows; start += 50000) {
            StoreCommit commit;
            for (long long i = start; i < start + 50000; ++i)
                commit.rows.emplace_back(static_cast<std::size_t>(i), makeRow(i));
            commit.words = start + 50000;
            if (!store->commit(runId, commit).ok())
                return;
        }
        store->releaseWriter();
        ok = true;
    }
};

void BM_ExportStoredRun(benchmark::State &state) {
    static StoredRun run;
    if (!run.ok) {
        state.SkipWithError("store set-up failed");
        return;
    }
    const std::string path = run.dir.filePath(QStringLiteral("export.csv")).toStdString();
    for (auto _ : state) {
        const auto written = exportRun(*run.store, run.runId, path);
        if (!written.ok())
            state.SkipWithError("export failed");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ExportStoredRun)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
