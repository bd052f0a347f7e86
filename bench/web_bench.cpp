#include "LocalServer.h"
#include "web/Encoding.h"
#include "web/TextRules.h"
#include "web/WebRequest.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

using namespace orbisel;

static void BM_utf8ToGbk_1MB(benchmark::State &state) {
    std::string text;
    while (text.size() < (1u << 20))
        text += "连衣裙女夏季 dress-2024 新款　修身显瘦 {\"q\":\"长款\"} ";
    text.resize(1u << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(utf8ToGbk(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_utf8ToGbk_1MB)->Unit(benchmark::kMillisecond);

static void BM_textBetween_300KB(benchmark::State &state) {
    std::string page;
    while (page.size() < 300 * 1024)
        page += utf8ToGbk("<div class=\"item\">商品标题 连衣裙 <span>¥128.00</span></div>\n");
    page += "g_page_config = {\"related\":{\"words\":[]}};\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(textBetween(page, "g_page_config = ", ";\n"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_textBetween_300KB)->Unit(benchmark::kMicrosecond);

static void BM_webRequest_roundTrip(benchmark::State &state) {
    test::LocalServer server;
    WebRequestOptions options;
    char dir[] = "/tmp/orbisel-bench-XXXXXX";
    options.cookieStoreDir = mkdtemp(dir);
    const std::string url = server.url("/echo");
    for (auto _ : state) {
        Text cookies;
        benchmark::DoNotOptimize(
            webRequest(url, 0, {}, &cookies, nullptr, nullptr, nullptr, false, nullptr, {}, true, options));
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(options.cookieStoreDir);
}
BENCHMARK(BM_webRequest_roundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
