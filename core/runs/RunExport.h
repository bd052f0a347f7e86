#pragma once

#include "core/base/Result.h"
#include "core/files/ResultWriters.h"
#include "core/runs/StoredRun.h"

#include <string>

namespace orbisel::core {

// Why a stored run's results file was not written: the store could not be
// opened or read (`store`), or the file could not be written (`write`).
enum class ExportErrorKind { Store, Write };
struct ExportError {
    ExportErrorKind kind;
    StoreError store;
    WriteError write{WriteErrorKind::WriteFailed, {}};
};

// Writes the stored results of a run to `path` (.csv, .xlsx or .jsonl by its
// extension) through writeResults; the number of rows written.
Result<long long, ExportError> exportRun(const StoredRun &run, const std::string &path);
Result<long long, ExportError> exportRun(RunStore &store, long long runId, const std::string &path);
// The same through a store of its own, for a thread of its own.
Result<long long, ExportError> exportRun(const std::string &storePath, long long runId,
                                         const std::string &path);

} // namespace orbisel::core
