#include "core/files/ResultWriters.h"

#include <array>

namespace orbisel::core {

namespace {

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

Result<void, WriteError> writeResults(const std::string &path, const ValueScale &scale,
                                      const RowSource &rows) {
    const auto sourcesCell = outputFormatFor(path) == OutputFormat::Xlsx ? sourceLabelsText : sourcesText;
    return writeTable(path, kResultTableColumns, [&rows, &scale, sourcesCell](const CellVisitor &visit) {
        std::string sources;
        return rows([&](const ResultRow &row) {
            sources = sourcesCell(row.sources);
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
