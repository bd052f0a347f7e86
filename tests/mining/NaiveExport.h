#pragma once

// The export rows computed literally: every item of every kind tested against
// every seedLog entry. The reference for the indexed pass.
#include "mining/ExportRows.h"
#include "web/TextRules.h"

#include <tuple>
#include <vector>

namespace orbisel::test {

inline std::vector<ExportRow> naiveExportRows(const TextArray &seedLog, const HarvestArrays &harvest) {
    std::vector<ExportRow> rows;
    for (const Text &entry : seedLog) {
        const std::string_view seed = exportSeed(entry);
        const Text needle = Text(seed) + "|";
        for (size_t kind = 0; kind < harvest.size(); ++kind)
            for (const Text &item : harvest[kind])
                if (containsText(item, needle))
                    rows.push_back({seed, exportWord(item), static_cast<SourceKind>(kind)});
    }
    return rows;
}

using RowValues = std::tuple<Text, Text, int>;

inline std::vector<RowValues> rowValues(const std::vector<ExportRow> &rows) {
    std::vector<RowValues> values;
    values.reserve(rows.size());
    for (const ExportRow &r : rows)
        values.emplace_back(Text(r.seed), Text(r.word), static_cast<int>(r.kind));
    return values;
}

} // namespace orbisel::test
