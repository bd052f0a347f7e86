#include "core/RunDiff.h"

#include "core/ComparisonTable.h"
#include "core/RunValues.h"

#include <array>

namespace orbisel::core {
namespace {

constexpr std::array<TableColumn, kComparisonColumnCount> comparisonTableColumns() {
    std::array<TableColumn, kComparisonColumnCount> columns{};
    for (int i = 0; i < kComparisonColumnCount; ++i)
        columns[i] = {kComparisonColumns[i], isTextColumn(i) ? ColumnKind::Text : ColumnKind::Number};
    return columns;
}

Failure<ComparisonError> storeFailure(long long runId, StoreError error) {
    return Failure{ComparisonError{ComparisonErrorKind::Store, runId, std::move(error)}};
}

// Passes every word of the run to the comparer, then puts its 热度 on the run's scale
// (one pass over the run: the sums are scaled once all are read).
Result<void, ComparisonError> readRun(RunStore &store, long long runId, RunComparer &comparer,
                                      RunComparer::Run run) {
    ValueScale scale;
    ComparedSide side;
    const auto read = store.forEachResult(runId, [&](const ResultRow &row) {
        addToScale(scale, row);
        side.word = row.word;
        side.listings = row.listings;
        side.heat = row.popularity;
        if (run == RunComparer::Run::Newer)
            comparer.addNewer(side);
        else
            comparer.addOlder(side);
        return true;
    });
    if (!read.ok())
        return storeFailure(runId, read.error());
    comparer.rescaleHeat(run, [&scale](double sum) { return scale.heat(sum); });
    return {};
}

} // namespace

Result<RunComparison, ComparisonError> compareStoredRuns(RunStore &store, long long older, long long newer) {
    if (older == newer)
        return Failure{ComparisonError{ComparisonErrorKind::SameRun, older, {}}};
    for (const long long runId : {older, newer})
        if (const auto summary = store.summary(runId); !summary.ok())
            return storeFailure(runId, summary.error());
    RunComparer comparer;
    for (const auto &[runId, run] :
         {std::pair{newer, RunComparer::Run::Newer}, std::pair{older, RunComparer::Run::Older}})
        if (auto read = readRun(store, runId, comparer, run); !read.ok())
            return Failure{read.error()};
    return comparer.finish();
}

Result<RunComparison, ComparisonError> compareStoredRuns(const std::string &storePath, long long older,
                                                         long long newer) {
    auto store = RunStore::open(storePath);
    if (!store.ok())
        return storeFailure(0, store.error());
    return compareStoredRuns(*store.value(), older, newer);
}

Result<void, WriteError> writeComparison(const std::string &path, const RunComparison &comparison) {
    static constexpr auto kColumns = comparisonTableColumns();
    return writeTable(path, kColumns, [&comparison](const CellVisitor &visit) {
        std::array<TableCell, kComparisonColumnCount> cells;
        for (const ComparedWord &word : comparison.words) {
            for (int column = 0; column < kComparisonColumnCount; ++column)
                cells[column] = comparisonCell(word, column);
            if (!visit(cells))
                break;
        }
        return true;
    });
}

} // namespace orbisel::core
