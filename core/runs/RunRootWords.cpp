#include "core/runs/RunRootWords.h"

namespace orbisel::core {

Result<std::vector<RootWordEntry>, StoreError> storedRootWordTable(const StoredRun &run,
                                                                   RootWordSetup setup) {
    auto options = run.options();
    if (!options.ok())
        return Failure{options.error()};
    setup.seeds = std::move(options.value().seeds);
    RootWordTable table(setup);
    const auto read = run.forEachRow([&table](const ResultRow &row) {
        table.addRow(table.cut(row.word), row);
        return true;
    });
    if (!read.ok())
        return Failure{read.error()};
    return table.entries();
}

Result<std::vector<RootWordEntry>, StoreError> storedRootWordTable(RunStore &store, long long runId,
                                                                   RootWordSetup setup) {
    auto run = StoredRun::open(store, runId);
    if (!run.ok())
        return Failure{run.error()};
    return storedRootWordTable(run.value(), std::move(setup));
}

Result<void, WriteError> writeRootWordTable(const std::string &path,
                                            const std::vector<RootWordEntry> &entries) {
    return writeTable(path, kRootWordColumns, [&entries](const CellVisitor &visit) {
        for (const RootWordEntry &entry : entries) {
            const TableCell cells[kRootWordColumnCount] = {
                std::string_view(entry.word), entry.resultWords, entry.listings,
                entry.heat ? TableCell(oneDecimal(*entry.heat)) : TableCell(),
                entry.inSeeds ? TableCell(kInSeedsMark) : TableCell()};
            if (!visit(cells))
                break;
        }
        return true;
    });
}

} // namespace orbisel::core
