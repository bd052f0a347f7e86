#include "core/ResultWriters.h"

#include <array>

namespace orbisel::core {

namespace {

constexpr std::array<TableColumn, std::size(kResultColumns)> resultTableColumns() {
    std::array<TableColumn, std::size(kResultColumns)> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = {kResultColumns[i], i == 3 ? ColumnKind::Number : ColumnKind::Text};
    return columns;
}
constexpr auto kResultTableColumns = resultTableColumns();

} // namespace

Result<void, WriteError> writeResults(const std::string &path, const RowSource &rows) {
    const auto sourcesCell = outputFormatFor(path) == OutputFormat::Xlsx ? sourceLabelsText : sourcesText;
    return writeTable(path, kResultTableColumns, [&rows, sourcesCell](const CellVisitor &visit) {
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
            };
            return visit(cells);
        });
    });
}

} // namespace orbisel::core
