#include "core/ResultWriters.h"

#include "core/RunValues.h"

#include <array>

namespace orbisel::core {

namespace {

constexpr std::array<std::string_view, kDeepSourceCount> kSourceNames = {"pc", "arrow", "mobile", "longtail",
                                                                         "related"};

constexpr std::array<TableColumn, std::size(kResultColumns)> resultTableColumns() {
    constexpr ColumnKind T = ColumnKind::Text, N = ColumnKind::Number;
    constexpr std::array<ColumnKind, std::size(kResultColumns)> kinds = {T, T, T, N, T, T, T, N, N};
    std::array<TableColumn, std::size(kResultColumns)> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = {kResultColumns[i], kinds[i]};
    return columns;
}

TableCell oneDecimalCell(std::optional<double> value) {
    return value ? TableCell(oneDecimal(*value)) : TableCell();
}
constexpr auto kResultTableColumns = resultTableColumns();

} // namespace

std::string_view sourceName(DeepSource source) {
    return kSourceNames[static_cast<std::size_t>(source)];
}

std::string sourcesText(DeepSourceSet sources) {
    std::string text;
    for (int i = 0; i < kDeepSourceCount; ++i) {
        const auto source = static_cast<DeepSource>(i);
        if (!(sources & sourceBit(source)))
            continue;
        if (!text.empty())
            text += '|';
        text += sourceName(source);
    }
    return text;
}

Result<void, WriteError> writeResults(const std::string &path, const ValueScale &scale,
                                      const RowSource &rows) {
    return writeTable(path, kResultTableColumns, [&](const CellVisitor &visit) {
        std::string sources;
        return rows([&](const ResultRow &row) {
            sources = sourcesText(row.sources);
            const std::array<TableCell, kResultTableColumns.size()> cells = {
                std::string_view(row.word),
                std::string_view(row.seed),
                std::string_view(sources),
                row.listings ? TableCell(*row.listings) : TableCell(),
                static_cast<long long>(row.depth),
                std::string_view(row.parent),
                row.occurrences,
                oneDecimalCell(rowHeat(scale, row)),
                oneDecimalCell(rowOpportunity(scale, row)),
            };
            return visit(cells);
        });
    });
}

} // namespace orbisel::core
