#pragma once

#include "web/SourceKind.h"
#include "web/Text.h"

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace orbisel {

using HarvestArrays = std::array<TextArray, kSourceKindCount>;

// Label of a kind in the exported rows, GBK and UTF-8.
const Text &exportLabel(SourceKind kind);
const char *exportLabelUtf8(SourceKind kind);

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

} // namespace orbisel
