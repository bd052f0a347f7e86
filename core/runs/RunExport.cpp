#include "core/runs/RunExport.h"

#include <optional>

namespace orbisel::core {

// Two passes over the stored rows: the run's 热度 and 机会 scale, then the file.
Result<long long, ExportError> exportRun(const StoredRun &run, const std::string &path) {
    const auto scale = run.scale();
    if (!scale.ok())
        return Failure{ExportError{ExportErrorKind::Store, scale.error()}};
    std::optional<StoreError> readError;
    long long rows = 0;
    const auto written = writeResults(path, scale.value(), [&](const RowVisitor &visit) {
        const auto read = run.forEachRow([&](const ResultRow &row) {
            ++rows;
            return visit(row);
        });
        if (!read.ok())
            readError = read.error();
        return read.ok();
    });
    if (written.ok())
        return rows;
    ExportError error{readError ? ExportErrorKind::Store : ExportErrorKind::Write};
    if (readError)
        error.store = *readError;
    else
        error.write = written.error();
    return Failure{std::move(error)};
}

Result<long long, ExportError> exportRun(RunStore &store, long long runId, const std::string &path) {
    auto run = StoredRun::open(store, runId);
    if (!run.ok())
        return Failure{ExportError{ExportErrorKind::Store, run.error()}};
    return exportRun(run.value(), path);
}

Result<long long, ExportError> exportRun(const std::string &storePath, long long runId,
                                         const std::string &path) {
    auto store = RunStore::open(storePath);
    if (!store.ok())
        return Failure{ExportError{ExportErrorKind::Store, store.error()}};
    return exportRun(*store.value(), runId, path);
}

} // namespace orbisel::core
