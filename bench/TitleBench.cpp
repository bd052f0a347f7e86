// The title composer: five titles for a seed of 100,000 run words (from memory, and from a
// stored run: read, cut and composed), and the figures of a title the seller edits (every keystroke).
#include "core/inputs/WordLists.h"
#include "core/insight/TitleIndex.h"
#include "core/runs/RunTitles.h"
#include "orbisel/config.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>
#include <unordered_set>

namespace {

using namespace orbisel::core;

// Run words of one seed: the seed with one to three of 64 attribute words, 热度 falling with
// the rank of the suggestion.
std::vector<RunWord> syntheticRun(std::size_t count) {
    static const char *const parts[] = {
        "女",   "夏季", "新款", "大码", "韩版", "纯棉", "加厚", "长款", "宽松",   "显瘦", "气质",
        "高腰", "雪纺", "碎花", "短款", "中长", "收腰", "法式", "复古", "小个子", "孕妇", "学生",
        "职业", "休闲", "春秋", "冬季", "针织", "真丝", "蕾丝", "吊带", "无袖",   "短袖", "长袖",
        "a字",  "v领",  "方领", "白色", "黑色", "红色", "蓝色", "绿色", "黄色",   "粉色", "紫色",
        "格子", "条纹", "波点", "印花", "2025", "xl",   "s码",  "m码",  "仙女",   "名媛", "温柔",
        "清新", "性感", "百搭", "时尚", "洋气", "高端", "轻奢", "网红", "同款"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> part(0, std::size(parts) - 1), extra(1, 3);
    std::vector<RunWord> run;
    std::unordered_set<std::string> seen;
    while (run.size() < count) {
        std::string word = "连衣裙";
        for (int k = extra(rng); k > 0; --k)
            word = rng() % 2 ? word + parts[part(rng)] : parts[part(rng)] + word;
        if (seen.insert(word).second)
            run.push_back({word, static_cast<int>(1000 - run.size() * 1000 / (count + 1)), "连衣裙"});
    }
    return run;
}

const std::shared_ptr<const SegmentDictionary> &dictionary() {
    static const auto loaded = SegmentDictionary::load(orbisel::config::kRootWordDictionary).dictionary;
    return loaded;
}

const TitleIndex &hundredThousandWords() {
    static const TitleIndex *index =
        new TitleIndex(dictionary(), PinnedWords{}, builtinBannedWords(), syntheticRun(100'000));
    return *index;
}

// A store holding one run of the synthetic words, each found in 1 to 8 answers.
struct StoredRun {
    QTemporaryDir dir;
    std::unique_ptr<RunStore> store;
    long long runId = 0;
};

const StoredRun &storedHundredThousandWords() {
    static StoredRun *stored = [] {
        auto *run = new StoredRun;
        run->store = RunStore::open(run->dir.filePath("mining.sqlite").toStdString()).value();
        DeepRunOptions options;
        options.seeds = {"连衣裙"};
        run->runId = run->store->createRun(options).value();
        StoreCommit commit;
        const std::vector<RunWord> words = syntheticRun(100'000);
        for (std::size_t i = 0; i < words.size(); ++i) {
            ResultRow row;
            row.word = words[i].word;
            row.seed = words[i].seed;
            row.occurrences =
                1 + static_cast<long long>(words.size() - i) * 8 / static_cast<long long>(words.size());
            commit.rows.emplace_back(i, std::move(row));
        }
        (void)run->store->commit(run->runId, commit);
        return run;
    }();
    return *stored;
}

void BM_IndexHundredThousandWords(benchmark::State &state) {
    const std::vector<RunWord> run = syntheticRun(100'000);
    for (auto _ : state) {
        TitleIndex index(dictionary(), PinnedWords{}, builtinBannedWords(), run);
        benchmark::DoNotOptimize(&index);
    }
}
BENCHMARK(BM_IndexHundredThousandWords)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FiveTitlesHundredThousandWords(benchmark::State &state) {
    const TitleIndex &index = hundredThousandWords();
    TitleRequest request;
    request.seed = "连衣裙";
    for (auto _ : state) {
        auto titles = index.compose(request);
        benchmark::DoNotOptimize(titles);
        state.SetLabel(titles->titles.at(0).text + " " + std::to_string(titles->titles.at(0).value));
    }
}
BENCHMARK(BM_FiveTitlesHundredThousandWords)->Unit(benchmark::kMillisecond)->Iterations(3);

// What orbisel-mine title and the 标题 page do after the dictionary is loaded: read the run's
// words, cut them into root words and compose five titles.
void BM_FiveTitlesStoredHundredThousandWords(benchmark::State &state) {
    const StoredRun &stored = storedHundredThousandWords();
    TitleRequest request;
    request.seed = "连衣裙";
    for (auto _ : state) {
        auto input = loadTitleInput(*stored.store, stored.runId, request.seed);
        auto titles = titleIndexOf(dictionary(), input.value())->compose(request);
        benchmark::DoNotOptimize(titles);
        state.SetLabel(std::to_string(input.value().words.size()) + " words, " +
                       std::to_string(titles->titles.size()) + " titles");
    }
}
BENCHMARK(BM_FiveTitlesStoredHundredThousandWords)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EditedTitleFigures(benchmark::State &state) {
    const TitleIndex &index = hundredThousandWords();
    TitleRequest request;
    request.seed = "连衣裙";
    const std::string title = "连衣裙女夏季新款法式复古碎花雪纺长款收腰显瘦气质2025";
    for (auto _ : state) {
        auto figures = index.figures(request, title);
        benchmark::DoNotOptimize(figures);
    }
}
BENCHMARK(BM_EditedTitleFigures)->Unit(benchmark::kMillisecond);

} // namespace
