// The deep-run engine: speed-up from concurrency against the local HTTPS
// stand-in answering after 100 ms, client CPU per request with answers made
// in process (no TLS), and peak memory and export time of a million words.
#include "MarketplaceServer.h"
#include "PacedRun.h"
#include "core/engine/DeepRunEngine.h"
#include "core/files/ResultWriters.h"
#include "core/runs/RunExport.h"
#include "core/store/RunStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>
#include <unordered_map>

using namespace orbisel;
using namespace orbisel::core;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double currentRssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

std::string fileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> seeds(int n, const std::string &stem) {
    std::vector<std::string> list;
    for (int i = 0; i < n; ++i)
        list.push_back(stem + std::to_string(i));
    return list;
}

// The q of a request URL, decoded.
std::string queryOf(const std::string &url) {
    std::size_t at = url.find("q=");
    if (at != std::string::npos && at > 0 && url[at - 1] != '?' && url[at - 1] != '&')
        at = url.find("&q=") + 1;
    std::string out;
    for (std::size_t i = at + 2; i < url.size() && url[i] != '&'; ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += url[i];
        }
    }
    return out;
}

// A suggestion answer of `n` words derived from q, each with a listing count.
std::string syntheticAnswer(const std::string &q, int n, bool magic) {
    std::string body = "{\"result\":[";
    for (int i = 0; i < n; ++i)
        body +=
            (i ? ",[\"" : "[\"") + q + "词" + std::to_string(i) + "\",\"" + std::to_string(1000 + i) + "\"]";
    body += "]";
    if (magic)
        body += ",\"magic\":[{\"index\":\"1\",\"type\":\"tag_group\",\"data\":[[{\"title\":\"长款\"},{"
                "\"title\":\"短款\"}]]}]";
    return body + "}";
}

// Runs one run to its end; the results as a CSV file's bytes.
struct Finished {
    RunOutcome outcome;
    double wallSeconds;
    long long requests;
    std::string csv;
};

Finished runToEnd(const std::string &folder, const DeepRunOptions &options,
                  const MarketplaceEndpoints &endpoints, Fetcher fetcher = {}) {
    auto store = RunStore::open(folder + "/mining.sqlite");
    if (!store.ok())
        return {RunOutcome::StoreFailed, 0, 0, {}};
    const long long id = store.value()->createRun(options).value();
    DeepRunEngine engine(*store.value(), id, endpoints);
    if (fetcher)
        engine.setFetcher(std::move(fetcher));
    const auto start = Clock::now();
    const RunOutcome outcome = engine.run();
    const double wall = seconds(Clock::now() - start);
    const std::string csv = folder + "/out.csv";
    exportRun(*store.value(), id, csv);
    return {outcome, wall, engine.requestsSent(), fileBytes(csv)};
}

// Seeds per second at concurrency 1 and 8, every answer 100 ms late.
void BM_ConcurrencySpeedup(benchmark::State &state) {
    orbisel::test::MarketplaceServer server;
    QTemporaryDir dir;
    const std::string fixtures = dir.path().toStdString() + "/none";
    if (!server.running() || !server.useFixtures(fixtures, 0.1, 8)) {
        state.SkipWithError("marketplace stand-in did not start");
        return;
    }
    constexpr int kSeeds = 32;
    DeepRunOptions o;
    o.seeds = seeds(kSeeds, "连衣裙");
    o.pace = Pacing::Fixed; // concurrency, not the pacer's ramp, sets the rate
    o.intervalMs = 0;
    o.cacheHours = 0;
    double perSecond[2] = {};
    std::string csv[2];
    for (auto _ : state) {
        int k = 0;
        for (int concurrency : {1, 8}) {
            QTemporaryDir runDir;
            o.concurrency = concurrency;
            const Finished f = runToEnd(runDir.path().toStdString(), o, server.endpoints());
            if (f.outcome != RunOutcome::Done) {
                state.SkipWithError("run did not finish");
                return;
            }
            perSecond[k] = kSeeds / f.wallSeconds;
            csv[k++] = f.csv;
        }
    }
    state.counters["seeds_per_s_c1"] = perSecond[0];
    state.counters["seeds_per_s_c8"] = perSecond[1];
    state.counters["speedup"] = perSecond[1] / perSecond[0];
    state.counters["identical_csv"] = csv[0] == csv[1] && !csv[0].empty() ? 1 : 0;
}
BENCHMARK(BM_ConcurrencySpeedup)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The default pace with 8 requests in flight against a marketplace that
// refuses beyond state.range(0) requests a second.
void BM_AdaptivePace(benchmark::State &state) {
    const auto limit = static_cast<double>(state.range(0));
    orbisel::test::MarketplaceServer server;
    QTemporaryDir dir;
    if (!server.running() || !bench::limitStandIn(server, dir.path().toStdString() + "/none", limit)) {
        state.SkipWithError("marketplace stand-in did not start");
        return;
    }
    DeepRunOptions o;
    o.seeds = bench::pacedSeeds();
    o.depth = 2;
    o.concurrency = 8;
    for (auto _ : state) {
        QTemporaryDir runDir;
        const Finished f = runToEnd(runDir.path().toStdString(), o, server.endpoints());
        if (f.outcome != RunOutcome::Done) {
            state.SkipWithError("run did not finish");
            return;
        }
        bench::reportPace(state, server, limit, f.wallSeconds);
    }
}
BENCHMARK(BM_AdaptivePace)->Arg(20)->Arg(50)->Arg(3)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Process CPU per request: reading the answer, extracting, merging, storing.
void BM_ClientCpuPerRequest(benchmark::State &state) {
    constexpr int kSeeds = 1000;
    DeepRunOptions o;
    o.seeds = seeds(kSeeds, "半身裙");
    o.pace = Pacing::Fixed; // no spacing: answers as fast as they are made, merged in batches
    o.intervalMs = 0;
    o.cacheHours = 0;
    o.concurrency = 1;
    std::unordered_map<std::string, std::string> answers;
    for (const std::string &s : o.seeds)
        answers.emplace(s, syntheticAnswer(s, 10, true));
    Fetcher fetcher = [&answers](const std::string &url) {
        FetchResult r;
        r.status = 200;
        r.contentType = "application/json;charset=UTF-8";
        r.body = answers.at(queryOf(url));
        return r;
    };
    double cpu = 0;
    long long requests = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        const double before = cpuSeconds();
        const Finished f =
            runToEnd(dir.path().toStdString(), o, {"suggest.invalid", "search.invalid"}, fetcher);
        cpu += cpuSeconds() - before;
        requests += f.requests;
        if (f.outcome != RunOutcome::Done || f.requests != 2 * kSeeds) {
            state.SkipWithError("run did not finish");
            return;
        }
    }
    state.counters["us_cpu_per_request"] = requests ? cpu * 1e6 / static_cast<double>(requests) : 0;
}
BENCHMARK(BM_ClientCpuPerRequest)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A run of 1,000,000 distinct words: peak resident memory, then the export to .csv.
void BM_MillionWords(benchmark::State &state) {
    constexpr int kSeeds = 2000;
    constexpr int kWordsPerAnswer = 500;
    DeepRunOptions o;
    o.seeds = seeds(kSeeds, "外套");
    o.sources = sourceBit(DeepSource::Pc);
    o.pace = Pacing::Fixed; // no spacing: the engine and the store, not the pacer, set the time
    o.intervalMs = 0;
    o.cacheHours = 0;
    o.concurrency = 4;
    Fetcher fetcher = [](const std::string &url) {
        FetchResult r;
        r.status = 200;
        r.contentType = "application/json;charset=UTF-8";
        r.body = syntheticAnswer(queryOf(url), kWordsPerAnswer, false);
        return r;
    };
    for (auto _ : state) {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        auto store = RunStore::open(folder + "/mining.sqlite");
        const long long id = store.value()->createRun(o).value();
        DeepRunEngine engine(*store.value(), id, {"suggest.invalid", "search.invalid"});
        engine.setFetcher(fetcher);
        state.counters["rss_mb_before_run"] = currentRssMb();
        const auto start = Clock::now();
        if (engine.run() != RunOutcome::Done) {
            state.SkipWithError("run did not finish");
            return;
        }
        const double runSeconds = seconds(Clock::now() - start);
        const long long words = store.value()->summary(id).value().words;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        state.counters["rss_mb_after_run"] = currentRssMb();
        const auto exportStart = Clock::now();
        const auto written = exportRun(*store.value(), id, folder + "/words.csv");
        const double exportSeconds = seconds(Clock::now() - exportStart);
        if (!written.ok() || words != static_cast<long long>(kSeeds) * kWordsPerAnswer) {
            state.SkipWithError("export failed or words missing");
            return;
        }
        state.counters["words"] = static_cast<double>(words);
        state.counters["run_s"] = runSeconds;
        state.counters["peak_rss_mb_after_run"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
        state.counters["export_csv_s"] = exportSeconds;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_MillionWords)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
