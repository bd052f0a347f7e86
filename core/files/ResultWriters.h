#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/base/Result.h"
#include "core/base/SourceNames.h"
#include "core/base/WordValue.h"
#include "core/files/ResultColumns.h"
#include "core/files/TableWriter.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orbisel::core {

// Passes every row, in result order, to the visitor until it returns false;
// returns false when the rows could not all be read (a writer stop is no failure).
using RowVisitor = std::function<bool(const ResultRow &)>;
using RowSource = std::function<bool(const RowVisitor &)>;

// Writes the rows through writeTable, in the columns above: 商品数, 热度 and
// 机会 numbers in .xlsx (null in .jsonl when unknown), the other columns text
// there. 热度 and 机会 are on the run's scale, rounded to one decimal. 来源
// holds the command-line names in .csv and .jsonl, the shown names in .xlsx.
Result<void, WriteError> writeResults(const std::string &path, const ValueScale &scale,
                                      const RowSource &rows);

} // namespace orbisel::core
