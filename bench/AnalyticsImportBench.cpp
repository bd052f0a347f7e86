// Reading a marketplace analytics export: a 100,000-row .xlsx (shared strings, text and
// numeric cells, percent styles) is to be read in under 3 s with under 300 MB resident.
#include "core/analytics/AnalyticsFile.h"

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kRows = 100'000;

bool writeExport(const std::string &path) {
    lxw_workbook *book = workbook_new(path.c_str());
    if (!book)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *percent = workbook_add_format(book);
    format_set_num_format(percent, "0.00%");
    worksheet_write_string(sheet, 0, 0, "搜索词排行榜", nullptr);
    worksheet_write_string(sheet, 1, 0, "统计时间：2026-11-01 ~ 2026-11-30", nullptr);
    const char *headers[] = {"搜索词", "搜索人气", "搜索热度", "点击率", "点击人气", "交易指数",
                             "支付转化率", "在线商品数", "商城点击占比", "直通车参考价"};
    for (lxw_col_t c = 0; c < std::size(headers); ++c)
        worksheet_write_string(sheet, 3, c, headers[c], nullptr);
    static const char *const parts[] = {"连衣裙", "女", "夏季", "新款", "大码", "韩版", "纯棉", "加厚"};
    for (int i = 0; i < kRows; ++i) {
        const lxw_row_t r = static_cast<lxw_row_t>(4 + i);
        const std::string word = std::string(parts[i % 8]) + parts[(i / 8) % 8] + std::to_string(i);
        const std::string popularity = std::to_string(1 + i % 99) + "," + std::to_string(100 + i % 900) + ".00";
        const std::string rate = std::to_string(i % 100) + "." + std::to_string(10 + i % 90) + "%";
        worksheet_write_string(sheet, r, 0, word.c_str(), nullptr);
        worksheet_write_string(sheet, r, 1, popularity.c_str(), nullptr);
        worksheet_write_number(sheet, r, 2, 500 + i % 777, nullptr);
        worksheet_write_string(sheet, r, 3, rate.c_str(), nullptr);
        worksheet_write_number(sheet, r, 4, i % 3000, nullptr);
        worksheet_write_string(sheet, r, 5, i % 10 ? "12,345" : "-", nullptr);
        worksheet_write_number(sheet, r, 6, (i % 1000) / 10000.0, percent);
        worksheet_write_number(sheet, r, 7, 100000 + i, nullptr);
        worksheet_write_string(sheet, r, 8, "45.60%", nullptr);
        worksheet_write_number(sheet, r, 9, 0.5 + (i % 50) / 10.0, nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

// A temporary folder, removed with what it holds when the program ends.
struct TemporaryFolder {
    std::filesystem::path path;
    TemporaryFolder() {
        char folder[] = "/tmp/orbisel-analytics-bench-XXXXXX";
        if (mkdtemp(folder))
            path = folder;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
};

// Written in a child process, so that the writer's memory does not count in this one's peak.
const std::string &exportPath() {
    static const TemporaryFolder folder;
    static const std::string path = [] {
        if (folder.path.empty())
            return std::string();
        std::string file = (folder.path / "搜索词_2026-11-01_2026-11-30.xlsx").string();
        const pid_t child = fork();
        if (child == 0)
            _exit(writeExport(file) ? 0 : 1);
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return std::string();
        return file;
    }();
    return path;
}

void BM_ReadHundredThousandRowXlsx(benchmark::State &state) {
    const std::string &path = exportPath();
    if (path.empty()) {
        state.SkipWithError("the export could not be written");
        return;
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        const orbisel::core::AnalyticsResult read = orbisel::core::readAnalyticsFile(path);
        if (!read.ok()) {
            state.SkipWithError(orbisel::core::describe(read.error()).c_str());
            return;
        }
        rows = read->rowsRead();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != kRows)
        state.SkipWithError("not every row was read");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["peak_rss_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ReadHundredThousandRowXlsx)->Unit(benchmark::kMillisecond);

} // namespace
