#pragma once

#include "core/base/Result.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

struct lxw_workbook;
struct lxw_worksheet;

// Tables written to .csv, .xlsx or .jsonl files, chosen by the file name's
// extension: the results of a run and every table derived from runs.
namespace orbisel::core {

enum class OutputFormat { Csv, Xlsx, Jsonl };
// ".csv", ".xlsx" or ".jsonl" in any letter case; nothing for any other name.
std::optional<OutputFormat> outputFormatFor(std::string_view path);

enum class WriteErrorKind { UnknownFormat, FolderNotWritable, WriteFailed, TooManyRows, ReadFailed };
struct WriteError {
    WriteErrorKind kind;
    std::string detail;
};

// Whether a file can be written at `path`: a known format, an existing
// folder we may create files in, and no folder in the way of the file.
Result<void, WriteError> checkOutputWritable(const std::string &path);

// How a column's cells go into .xlsx: as text, or numbers as numeric cells.
enum class ColumnKind { Text, Number };
struct TableColumn {
    std::string_view name;
    ColumnKind kind = ColumnKind::Text;
};

// One cell: empty, text (UTF-8), a whole number or a decimal (callers round).
using TableCell = std::variant<std::monostate, std::string_view, long long, double>;
// Passes every row, a cell per column, to the visitor until it returns false;
// returns false when the rows could not all be read (a writer stop is no failure).
using CellVisitor = std::function<bool(std::span<const TableCell>)>;
using CellSource = std::function<bool(const CellVisitor &)>;

// Streams the rows into the file in the format of its extension, the header
// row first. CSV: UTF-8 with byte-order mark, CRLF, RFC 4180 quoting, text
// that a spreadsheet would take for a formula kept as text (web/CsvField.h).
// XLSX: text cells, numbers of Number columns as numbers, the header frozen,
// an autofilter and fitted column widths (web/TableSheet.h). JSONL: one object
// a row with the column names as keys, text as strings, numbers as numbers,
// empty cells null. An existing file is replaced only by a complete new one;
// nothing is left behind on failure.
Result<void, WriteError> writeTable(const std::string &path, std::span<const TableColumn> columns,
                                    const CellSource &rows);

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
