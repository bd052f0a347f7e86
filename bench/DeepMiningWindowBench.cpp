// The longest stall of the deep-mining window's event loop while it runs 1,000 queries
// against the local HTTPS stand-in (synthetic answers, 19 words each), and the pace a
// run through the window reaches against the stand-in's token bucket.
#include "MarketplaceServer.h"
#include "PacedRun.h"
#include "deepmining/DeepMiningWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

using namespace orbisel;

// CPU time of the calling thread: the wall-clock stall also counts other programs on a
// shared machine.
qint64 threadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

// A window on the stand-in whose form holds these seeds, two levels and 8 requests in flight.
void fillForm(DeepMiningWindow &window, const test::MarketplaceServer &server, const QString &store,
              const QStringList &seeds) {
    window.setStorePath(store.toStdString());
    window.setEndpoints(server.endpoints());
    window.show();
    window.findChild<QPlainTextEdit *>(QStringLiteral("种子词"))->setPlainText(seeds.join('\n'));
    window.findChild<QSpinBox *>(QStringLiteral("深度"))->setValue(2);
    window.findChild<QSpinBox *>(QStringLiteral("并发"))->setValue(8);
}

void BM_WindowStallDuringThousandQueryRun(benchmark::State &state) {
    test::MarketplaceServer server;
    QTemporaryDir home;
    // 50 seeds, each answering 19 words that are asked at depth 2: 50 + 950 queries.
    if (!server.useFixtures(ORBISEL_MARKET_FIXTURES "/synthetic", 0, 19)) {
        state.SkipWithError("the stand-in did not start");
        return;
    }
    for (auto _ : state) {
        DeepMiningWindow window;
        core::DeepRunOptions hidden;
        hidden.intervalMs = 0;
        hidden.cacheHours = 0;
        window.setHiddenOptions(hidden);
        QStringList seeds;
        for (int i = 0; i < 50; ++i)
            seeds << QStringLiteral("种子%1").arg(i);
        fillForm(window, server, home.filePath(QStringLiteral("store.sqlite")), seeds);
        window.findChild<QCheckBox *>(QStringLiteral("来源箭头词"))->setChecked(false);
        window.findChild<QCheckBox *>(QStringLiteral("来源无线下拉词"))->setChecked(false);
        // No spacing: answers arrive as fast as the stand-in makes them.
        window.findChild<QComboBox *>(QStringLiteral("节奏"))
            ->setCurrentIndex(static_cast<int>(core::Pacing::Fixed));

        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        qint64 lastCpu = 0, longestCpu = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(2);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
            const qint64 cpu = threadCpuUs();
            longestCpu = std::max(longestCpu, cpu - lastCpu);
            lastCpu = cpu;
        });
        QEventLoop loop;
        QObject::connect(&window, &DeepMiningWindow::workFinished, &loop, &QEventLoop::quit);
        clock.start();
        const qint64 startCpu = threadCpuUs();
        lastCpu = startCpu;
        tick.start();
        window.findChild<QPushButton *>(QStringLiteral("开始"))->click();
        loop.exec();
        tick.stop();
        state.counters["longest_stall_ms"] = static_cast<double>(longest);
        // The most CPU the GUI thread spent between two ticks, and in all.
        state.counters["longest_stall_cpu_ms"] = static_cast<double>(longestCpu) / 1000.0;
        state.counters["gui_cpu_ms"] = static_cast<double>(threadCpuUs() - startCpu) / 1000.0;
        state.counters["rows"] = static_cast<double>(window.resultsModel()->storedRowCount());
        state.counters["run_s"] = static_cast<double>(clock.elapsed()) / 1000.0;
    }
}
BENCHMARK(BM_WindowStallDuringThousandQueryRun)->Iterations(1)->Unit(benchmark::kMillisecond);

// The run of deep_run_bench's BM_AdaptivePace through the window: its form's defaults, 8 in flight.
void BM_WindowAdaptivePace(benchmark::State &state) {
    const auto limit = static_cast<double>(state.range(0));
    test::MarketplaceServer server;
    QTemporaryDir home;
    if (!bench::limitStandIn(server, home.filePath(QStringLiteral("none")).toStdString(), limit)) {
        state.SkipWithError("the stand-in did not start");
        return;
    }
    for (auto _ : state) {
        DeepMiningWindow window;
        QStringList seeds;
        for (const std::string &seed : bench::pacedSeeds())
            seeds << QString::fromStdString(seed);
        fillForm(window, server, home.filePath(QStringLiteral("paced.sqlite")), seeds);
        QEventLoop loop;
        QObject::connect(&window, &DeepMiningWindow::workFinished, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        window.findChild<QPushButton *>(QStringLiteral("开始"))->click();
        loop.exec();
        bench::reportPace(state, server, limit, static_cast<double>(clock.elapsed()) / 1000.0);
    }
}
BENCHMARK(BM_WindowAdaptivePace)
    ->Arg(20)
    ->Arg(50)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
