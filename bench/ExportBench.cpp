// Result export: 1,000 seeds with 100 items per kind (500,000 items) written to
// .xlsx and .csv, and the row matching alone, indexed and naive.
#include "app/Program.h"
#include "mining/ResultExport.h"
#include "tests/mining/NaiveExport.h"
#include "web/Encoding.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace orbisel;

namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "export_bench";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    setMessageBoxHandler([](const MessageBoxRequest &r) {
        std::fprintf(stderr, "message: %s\n", gbkToUtf8(r.text).c_str());
        return kIdOk;
    });
}

struct Run {
    TextArray seedLog;
    HarvestArrays harvest;
};

// Harvest shaped like a run: seed by seed, every kind, words that begin with the seed.
Run makeRun(int seeds, int perKind) {
    Run run;
    const Text base = utf8ToGbk("连衣裙");
    const Text word = utf8ToGbk("女夏季新款");
    for (int s = 0; s < seeds; ++s) {
        const Text seed = base + "S" + std::to_string(s) + "x";
        run.seedLog.push_back(seed);
        for (TextArray &items : run.harvest)
            for (int i = 0; i < perKind; ++i)
                items.push_back(seed + "|" + seed + word + std::to_string(i));
    }
    return run;
}

const Run &fullRun() {
    static const Run run = makeRun(1000, 100);
    return run;
}

void BM_ExportFile(benchmark::State &state, const char *fileName) {
    ensureApplication();
    const Run &run = fullRun();
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(fileName));
    for (auto _ : state)
        if (!exportResults(path, run.seedLog, run.harvest))
            state.SkipWithError("export failed");
    state.counters["rows"] = static_cast<double>(exportRows(run.seedLog, run.harvest).size());
}
BENCHMARK_CAPTURE(BM_ExportFile, xlsx, "out.xlsx")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ExportFile, csv, "out.csv")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RowsIndexed(benchmark::State &state) {
    const Run run = makeRun(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        forEachExportRow(run.seedLog, run.harvest, [&](const ExportRow &) { return ++rows, true; });
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RowsIndexed)->Args({1000, 100})->Args({200, 20})->Unit(benchmark::kMillisecond);

void BM_RowsNaive(benchmark::State &state) {
    const Run run = makeRun(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    size_t rows = 0;
    for (auto _ : state)
        rows = test::naiveExportRows(run.seedLog, run.harvest).size();
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RowsNaive)->Args({200, 20})->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
