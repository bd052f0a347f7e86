#pragma once

#include "core/base/Result.h"
#include "core/files/TableWriter.h"
#include "core/runs/StoredRun.h"
#include "core/tables/RootWordTable.h"

#include <string>
#include <vector>

// The 词根 table of a stored run, and its file as orbisel-mine roots writes it.
namespace orbisel::core {

// The table of a stored run, its rows read in result order.
Result<std::vector<RootWordEntry>, StoreError> storedRootWordTable(const StoredRun &run, RootWordSetup setup);
Result<std::vector<RootWordEntry>, StoreError> storedRootWordTable(RunStore &store, long long runId,
                                                                   RootWordSetup setup);

// Writes the table to a .csv, .xlsx or .jsonl file (by its extension): 热度合计 rounded to one
// decimal, empty when none; 种子词 kInSeedsMark or empty.
Result<void, WriteError> writeRootWordTable(const std::string &path,
                                            const std::vector<RootWordEntry> &entries);

} // namespace orbisel::core
