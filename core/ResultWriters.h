#pragma once

#include "core/DeepRunTypes.h"
#include "core/Result.h"
#include "core/SourceNames.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct lxw_workbook;
struct lxw_worksheet;

namespace orbisel::core {

// Files the results of a run are written to, chosen by the file name's extension.
enum class OutputFormat { Csv, Xlsx, Jsonl };
// ".csv", ".xlsx" or ".jsonl" in any letter case; nothing for any other name.
std::optional<OutputFormat> outputFormatFor(std::string_view path);

// The column names of every format, in column order.
inline constexpr std::string_view kResultColumns[] = {"关键词", "种子词", "来源",    "商品数",
                                                      "层级",   "父词",   "出现次数"};

enum class WriteErrorKind { UnknownFormat, FolderNotWritable, WriteFailed, TooManyRows, ReadFailed };
struct WriteError {
    WriteErrorKind kind;
    std::string detail;
};

// Whether a results file can be written at `path`: a known format, an existing
// folder we may create files in, and no folder in the way of the file.
Result<void, WriteError> checkOutputWritable(const std::string &path);

// Passes every row, in result order, to the visitor until it returns false;
// returns false when the rows could not all be read (a writer stop is no failure).
using RowVisitor = std::function<bool(const ResultRow &)>;
using RowSource = std::function<bool(const RowVisitor &)>;

// Streams the rows into the file in the format of its extension, the header
// row first. CSV: UTF-8 with byte-order mark, CRLF, RFC 4180 quoting. XLSX:
// text cells, 商品数 as numbers. JSONL: one object a row with the column names
// as keys; 商品数 null when unknown. An existing file is replaced only by a
// complete new one; nothing is left behind on failure.
Result<void, WriteError> writeResults(const std::string &path, const RowSource &rows);

// Replaces the file at `path` with a one-sheet XLSX workbook that `fill` writes.
// Rows go to disk as they come (constant memory), into temporary files of the
// target folder: the library does not check writes to them, but a full disk
// then also fails the final write, which it checks. `close` runs the closing,
// the long step that assembles the zip file. False when any step failed.
using WorksheetFill = std::function<bool(lxw_worksheet *)>;
using WorkbookClose = std::function<bool(const std::function<bool()> &)>;
bool replaceWithWorkbook(
    const std::string &path, const WorksheetFill &fill,
    const WorkbookClose &close = [](const std::function<bool()> &run) { return run(); });

} // namespace orbisel::core
