#pragma once

#include "app/FileDialogs.h"
#include "app/GlobalState.h"

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace orbisel {

using HarvestArrays = std::array<TextArray, kSourceKindCount>;

// GBK label of a kind in the exported rows.
const Text &exportLabel(SourceKind kind);

// The seed a seedLog entry stands for: its text before the first ",".
std::string_view exportSeed(std::string_view entry);
// The exported word of a harvest item: its text after the last "|" character
// (the whole item when it has none).
std::string_view exportWord(std::string_view item);

struct ExportRow {
    std::string_view seed; // views into the seedLog and harvest passed in
    std::string_view word;
    SourceKind kind;
};

// Visits the exported rows in order: for each seedLog entry s (its exportSeed),
// each kind in export order and each of its items that contains s + "|" in
// harvest order. onRow returns false to stop; onSeedDone runs after each entry.
// One pass over the items builds the seed index, so the cost grows with the
// number of items plus the number of rows, not with seeds times items.
void forEachExportRow(const TextArray &seedLog, const HarvestArrays &harvest,
                      const std::function<bool(const ExportRow &)> &onRow,
                      const std::function<void()> &onSeedDone = {});
std::vector<ExportRow> exportRows(const TextArray &seedLog, const HarvestArrays &harvest);

// Writes the header and the rows to the file at `path`: CSV (UTF-8 with BOM)
// when the path contains ".csv", otherwise an .xlsx workbook. An existing file
// is replaced only by a complete new one. On failure a message box tells the
// user and the result is false. Input is dispatched between seeds, so the
// arrays must not change meanwhile.
bool exportResults(const QString &path, const TextArray &seedLog, const HarvestArrays &harvest);
// The same for the latest mining run (a snapshot of seedLog and harvest).
bool exportResults(const QString &path);

// The save dialog of the export, offering lastPath.
SaveDialogRequest exportDialogRequest(const QString &lastPath);
// Click on "导出结果": asks for a file, remembers it in lastPath and exports.
void exportButtonClicked(QString &lastPath);

} // namespace orbisel
