#include "core/runs/RunDiff.h"

#include "core/tables/ComparisonTable.h"

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
Result<void, ComparisonError> readRun(const StoredRun &stored, RunComparer &comparer, RunComparer::Run run) {
    ValueScale scale;
    ComparedSide side;
    const auto read = stored.forEachRow([&](const ResultRow &row) {
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
        return storeFailure(stored.id(), read.error());
    comparer.rescaleHeat(run, [&scale](double sum) { return scale.heat(sum); });
    return {};
}

} // namespace

Result<RunComparison, ComparisonError> compareStoredRuns(const StoredRun &older, const StoredRun &newer) {
    if (older.id() == newer.id())
        return Failure{ComparisonError{ComparisonErrorKind::SameRun, older.id(), {}}};
    RunComparer comparer;
    for (const auto &[stored, run] :
         {std::pair{&newer, RunComparer::Run::Newer}, std::pair{&older, RunComparer::Run::Older}})
        if (auto read = readRun(*stored, comparer, run); !read.ok())
            return Failure{read.error()};
    return comparer.finish();
}

Result<RunComparison, ComparisonError> compareStoredRuns(RunStore &store, long long older, long long newer) {
    if (older == newer)
        return Failure{ComparisonError{ComparisonErrorKind::SameRun, older, {}}};
    auto olderRun = StoredRun::open(store, older);
    if (!olderRun.ok())
        return storeFailure(older, olderRun.error());
    auto newerRun = StoredRun::open(store, newer);
    if (!newerRun.ok())
        return storeFailure(newer, newerRun.error());
    return compareStoredRuns(olderRun.value(), newerRun.value());
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
