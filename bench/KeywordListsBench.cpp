// Speed of the keyword-list tools: one seed over the TOP list, the dedupe of
// 100,000 pasted lines, and loading both lists into hidden edit boxes.
#include "app/Window.h"
#include "mining/KeywordLists.h"
#include "web/Gbk.h"
#include "web/TextRules.h"

#include <benchmark/benchmark.h>

namespace {

using namespace orbisel;

void BM_ListFilterOneSeedOverTop(benchmark::State &state) {
    const Text &list = topKeywordList();
    const Text seed = gbk("羽绒服");
    for (auto _ : state)
        benchmark::DoNotOptimize(listFilter(seed, list));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(BM_ListFilterOneSeedOverTop)->Unit(benchmark::kMillisecond);

void BM_RemoveDuplicates100kLines(benchmark::State &state) {
    // 100,000 lines of the TOP list: real keywords, repeats and parts of others.
    const auto entries = splitTextViews(topKeywordList(), "\r\n");
    Text text;
    for (size_t i = 1; i <= 100000; ++i)
        text.append(entries[i]).append("\r\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(removeDuplicates(text));
}
BENCHMARK(BM_RemoveDuplicates100kLines)->Unit(benchmark::kMillisecond);

void BM_LoadBothListsIntoHiddenEditBoxes(benchmark::State &state) {
    WindowLayout layout{.caption = "lists", .width = 200, .height = 200};
    layout.controls = {
        {.name = "编辑框TOP", .kind = ControlKind::MultiLineEdit, .w = 88, .h = 112, .shown = false},
        {.name = "编辑框潜力", .kind = ControlKind::MultiLineEdit, .w = 88, .h = 112, .shown = false},
    };
    const Text &top = topKeywordList();
    const Text &potential = potentialKeywordList();
    for (auto _ : state) {
        Window window(WindowId::Main, layout);
        window.setText("编辑框TOP", top);
        window.setText("编辑框潜力", potential);
        benchmark::DoNotOptimize(window.text("编辑框TOP").size());
    }
}
BENCHMARK(BM_LoadBothListsIntoHiddenEditBoxes)->Unit(benchmark::kMillisecond);

void BM_FirstLoadOfBothLists(benchmark::State &state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadKeywordList(KeywordList::Top));
        benchmark::DoNotOptimize(loadKeywordList(KeywordList::Potential));
    }
}
BENCHMARK(BM_FirstLoadOfBothLists)->Unit(benchmark::kMillisecond);

} // namespace
