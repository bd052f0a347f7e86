// Client-side cost of the mining run: the real main window and marketplace
// source against the local marketplace stand-in, which answers at once.
#include "MarketplaceServer.h"
#include "app/Program.h"
#include "core/marketplace/MarketplaceSource.h"
#include "mining/MainWindow.h"
#include "service/ServiceDb.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "web/Encoding.h"
#include "web/Gbk.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>

using namespace orbisel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSeeds = 5;
constexpr int kWordsPerAnswer = 10;

struct Timings {
    Clock::duration requests{};
    Clock::duration extractions{};
};

template <class F> auto timed(Clock::duration &sum, F &&f) {
    const auto start = Clock::now();
    auto result = f();
    sum += Clock::now() - start;
    return result;
}

// The program's source, timing its blocking requests (on the worker thread,
// while the GUI thread waits) and its extractions.
class TimedSource final : public SuggestionSource {
public:
    explicit TimedSource(Timings &t) : m_t(t) {}
    Text pcSuggestRequest(const Text &s) override {
        return timed(m_t.requests, [&] { return m_source.pcSuggestRequest(s); });
    }
    Text mobileSuggestRequest(const Text &k) override {
        return timed(m_t.requests, [&] { return m_source.mobileSuggestRequest(k); });
    }
    Text relatedRequest(const Text &s) override {
        return timed(m_t.requests, [&] { return m_source.relatedRequest(s); });
    }
    std::optional<TextArray> pcSuggest(const Text &r) override {
        return timed(m_t.extractions, [&] { return m_source.pcSuggest(r); });
    }
    TextArray pcArrow(int i, const Text &w) override {
        return timed(m_t.extractions, [&] { return m_source.pcArrow(i, w); });
    }
    std::optional<TextArray> mobileSuggest(const Text &r) override {
        return timed(m_t.extractions, [&] { return m_source.mobileSuggest(r); });
    }
    std::optional<TextArray> longTail(const Text &r) override {
        return timed(m_t.extractions, [&] { return m_source.longTail(r); });
    }
    std::optional<TextArray> related(const Text &p) override {
        return timed(m_t.extractions, [&] { return m_source.related(p); });
    }

private:
    Timings &m_t;
    MarketplaceSource m_source;
};

std::string quoted(const std::string &s) {
    return "\"" + s + "\"";
}

// Per seed: 10 PC suggestions with two arrow titles each, 10 mobile words with
// 10 long-tail words each, 10 related words.
void writeFixtures(const QString &dir) {
    std::string pc = "{", mobile = "{", search = "{";
    for (int s = 0; s < kSeeds; ++s) {
        const std::string seed = "连衣裙" + std::to_string(s);
        std::string result, magic, mobileResult, words;
        for (int j = 0; j < kWordsPerAnswer; ++j) {
            const std::string n = std::to_string(j);
            result += std::string(j ? "," : "") + "[\"<b>" + seed + "</b> 女" + n + "\",\"12345\"]";
            magic += std::string(j ? "," : "") + "{\"index\":\"" + std::to_string(j + 1) +
                     "\",\"type\":\"tag_group\",\"data\":[[{\"title\":\"长款\"},{\"title\":\"短款\",\"type\":"
                     "\"hot\"}]]}";
            const std::string mobileWord = seed + "无线" + n;
            mobileResult += std::string(j ? "," : "") + "[\"" + seed + " 无线" + n + "\",\"321\"]";
            std::string tail;
            for (int t = 0; t < kWordsPerAnswer; ++t)
                tail += std::string(t ? "," : "") + "[\"" + mobileWord + " <b>尾</b>" + std::to_string(t) +
                        "\",\"9\"]";
            mobile += quoted(mobileWord) + ":{\"result\":[" + tail + "]},";
            words += std::string(j ? "," : "") + "{\"text\":\"" + seed + "相关" + n +
                     "\",\"isHighlight\":false,\"href\":\"/search?q=x\"}";
        }
        pc += std::string(s ? "," : "") + quoted(seed) + ":{\"result\":[" + result + "],\"magic\":[" + magic +
              "]}";
        mobile += quoted(seed) + ":{\"result\":[" + mobileResult + "]}" + (s + 1 < kSeeds ? "," : "");
        search += std::string(s ? "," : "") + quoted(seed) + ":{\"status\":\"show\",\"data\":{\"words\":[" +
                  words + "]}}";
    }
    std::ofstream(dir.toStdString() + "/sug-pc.json") << pc << "}";
    std::ofstream(dir.toStdString() + "/sug-mobile.json") << mobile << "}";
    std::ofstream(dir.toStdString() + "/search.json") << search << "}";
}

QApplication &application() {
    static int argc = 3;
    static char arg0[] = "mining_run_bench", arg1[] = "-platform", arg2[] = "offscreen";
    static char *argv[] = {arg0, arg1, arg2, nullptr};
    static QApplication *app = [] {
        QStandardPaths::setTestModeEnabled(true);
        auto *a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        setProgramWindowNamespace(QStringLiteral("orbisel-bench-%1").arg(QCoreApplication::applicationPid()));
        return a;
    }();
    return *app;
}

// Makes the stand-in answer from this benchmark's generated fixtures.
bool serveBenchFixtures(test::MarketplaceServer &server, const QTemporaryDir &fixtures,
                        benchmark::State &state) {
    writeFixtures(fixtures.path());
    if (server.useFixtures(fixtures.path().toStdString()))
        return true;
    state.SkipWithError("marketplace stand-in did not start");
    return false;
}

// The application and the service database every window benchmark needs.
bool prepareWindowBenchmark(benchmark::State &state) {
    application();
    test::MariaDbServer &db = test::MariaDbServer::shared();
    if (!db.running()) {
        state.SkipWithError(("service database: " + db.error()).c_str());
        return false;
    }
    serviceEndpoint().host = "127.0.0.1";
    serviceEndpoint().port = db.port();
    return true;
}

void BM_miningRun_allKinds(benchmark::State &state) {
    if (!prepareWindowBenchmark(state))
        return;
    test::MarketplaceServer server;
    QTemporaryDir fixtures;
    if (!serveBenchFixtures(server, fixtures, state))
        return;
    Timings timings;
    setSuggestionSourceFactory([&] { return std::make_unique<TimedSource>(timings); });
    test::ProgramSeams seams;
    registerMainWindow();
    loadWindow(WindowId::Main);
    auto *window = static_cast<MainWindow *>(openWindow(WindowId::Main));
    for (const char *box : {"选择框1", "选择框2", "选择框3", "选择框4", "选择框5"})
        window->setChecked(box, true);
    for (const char *box : {"选择框6", "选择框7"})
        window->setChecked(box, false);
    Text seeds;
    for (int s = 0; s < kSeeds; ++s)
        seeds += gbk("连衣裙") + std::to_string(s) + "\r\n";
    window->setText("超级编辑框1", seeds);

    Clock::duration total{};
    for (auto _ : state) {
        const auto start = Clock::now();
        window->click("按钮1");
        total += Clock::now() - start;
    }
    std::size_t words = 0;
    for (const TextArray &items : globalState().harvest)
        words += items.size();
    if (globalState().harvestOf(SourceKind::LongTail).size() != kSeeds * kWordsPerAnswer * kWordsPerAnswer ||
        !seams.messages.empty())
        state.SkipWithError("the run did not harvest every word");

    const double seconds = std::chrono::duration<double>(total).count();
    const double requests = std::chrono::duration<double>(timings.requests).count();
    const double extractions = std::chrono::duration<double>(timings.extractions).count();
    const double runs = static_cast<double>(state.iterations());
    state.counters["seeds/s"] = runs * kSeeds / seconds;
    state.counters["requests/seed"] = 3 + kWordsPerAnswer;
    state.counters["words/seed"] = static_cast<double>(words) / kSeeds;
    state.counters["ms/seed"] = seconds * 1000 / (runs * kSeeds);
    state.counters["network_ms/seed"] = requests * 1000 / (runs * kSeeds);
    state.counters["outside_network_share"] = (seconds - requests) / seconds;
    state.counters["extraction_share"] = extractions / seconds;
    state.counters["recording_pumping_share"] = (seconds - requests - extractions) / seconds;

    setSuggestionSourceFactory({});
    test::closeAllWindows();
}
// The same requests and extractions in run order without the window: the
// source's own cost beside the network wait.
void BM_sourceOnly_allKinds(benchmark::State &state) {
    test::MarketplaceServer server;
    QTemporaryDir fixtures;
    if (!serveBenchFixtures(server, fixtures, state))
        return;
    Timings timings;
    std::size_t words = 0;
    Clock::duration total{};
    for (auto _ : state) {
        const auto start = Clock::now();
        TimedSource source(timings);
        for (int s = 0; s < kSeeds; ++s) {
            const Text seed = utf8ToGbk("连衣裙") + std::to_string(s);
            const Text pc = source.pcSuggestRequest(seed);
            const Text mobile = source.mobileSuggestRequest(seed);
            const std::optional<TextArray> pcWords = source.pcSuggest(pc);
            for (std::size_t i = 0; pcWords && i < pcWords->size(); ++i)
                words += 1 + source.pcArrow(static_cast<int>(i), (*pcWords)[i]).size();
            const std::optional<TextArray> mobileWords = source.mobileSuggest(mobile);
            const std::optional<TextArray> related = source.related(source.relatedRequest(seed));
            words += (mobileWords ? mobileWords->size() : 0) + (related ? related->size() : 0);
            for (const Text &word : mobileWords.value_or(TextArray{}))
                words += source.longTail(source.mobileSuggestRequest(word)).value_or(TextArray{}).size();
        }
        total += Clock::now() - start;
    }
    const double seconds = std::chrono::duration<double>(total).count();
    const double runs = static_cast<double>(state.iterations());
    state.counters["seeds/s"] = runs * kSeeds / seconds;
    state.counters["words/seed"] = static_cast<double>(words) / (runs * kSeeds);
    state.counters["ms/seed"] = seconds * 1000 / (runs * kSeeds);
    state.counters["extraction_ms/seed"] =
        std::chrono::duration<double>(timings.extractions).count() * 1000 / (runs * kSeeds);
    state.counters["outside_network_share"] =
        (seconds - std::chrono::duration<double>(timings.requests).count()) / seconds;
}
BENCHMARK(BM_sourceOnly_allKinds)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

BENCHMARK(BM_miningRun_allKinds)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Opening the keyword window: service connection, both keyword lists into the
// hidden boxes, every control built and shown.
void BM_openMainWindow(benchmark::State &state) {
    if (!prepareWindowBenchmark(state))
        return;
    test::ProgramSeams seams;
    registerMainWindow();
    for (auto _ : state) {
        loadWindow(WindowId::Main);
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (!openWindow(WindowId::Main) || openWindow(WindowId::Main)->text("编辑框TOP").size() < 1000000)
            state.SkipWithError("the main window did not open with its lists");
        test::closeAllWindows();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_openMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
