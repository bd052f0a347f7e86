#pragma once

#include "core/base/Result.h"
#include "core/files/TableWriter.h"
#include "core/insight/RunComparison.h"
#include "core/runs/StoredRun.h"

#include <string>

namespace orbisel::core {

// Why two stored runs were not compared: the same run twice (`runId`), or the
// store could not be opened or read (an unknown run: UnknownRun, naming it in
// `runId`).
enum class ComparisonErrorKind { SameRun, Store };
struct ComparisonError {
    ComparisonErrorKind kind = ComparisonErrorKind::Store;
    long long runId = 0;
    StoreError store;
};

// The words of run `newer` against those of run `older`, 热度 on each run's
// own scale.
Result<RunComparison, ComparisonError> compareStoredRuns(const StoredRun &older, const StoredRun &newer);
Result<RunComparison, ComparisonError> compareStoredRuns(RunStore &store, long long older, long long newer);
// The same through a store of its own, for a thread of its own.
Result<RunComparison, ComparisonError> compareStoredRuns(const std::string &storePath, long long older,
                                                         long long newer);

// Writes the comparison, in its order, through writeTable: the columns of
// kComparisonColumns, the figures numbers in .xlsx and .jsonl (null when empty).
Result<void, WriteError> writeComparison(const std::string &path, const RunComparison &comparison);

} // namespace orbisel::core
