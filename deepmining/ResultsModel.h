#pragma once

#include "core/base/DeepRunTypes.h"
#include "core/tables/ResultTable.h"
#include "deepmining/ShownRowsModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbisel::deepmining {

// The rows of a deep run (a core::ResultTable) as a Qt table model: sorting and
// filtering keep persistent indexes (selection, current cell) on their rows.
class ResultsModel : public ShownRowsModel {
    Q_OBJECT
public:
    enum Column {
        Word = core::ResultTable::Word,
        Seed = core::ResultTable::Seed,
        Sources = core::ResultTable::Sources,
        Listings = core::ResultTable::Listings,
        Depth = core::ResultTable::Depth,
        Parent = core::ResultTable::Parent,
        Occurrences = core::ResultTable::Occurrences,
        Heat = core::ResultTable::Heat,
        Opportunity = core::ResultTable::Opportunity,
        ColumnCount = core::ResultTable::ColumnCount
    };
    // Sorting with no column shows the result order.
    static constexpr int kResultOrder = core::ResultTable::kResultOrder;

    explicit ResultsModel(QObject *parent = nullptr);
    ~ResultsModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Rows appended at the end of the result order.
    void appendRows(const std::vector<core::ResultRow> &rows);
    // Stored rows replaced in place (index in result order); unknown indexes are ignored.
    void changeRows(const std::vector<std::pair<std::size_t, core::ResultRow>> &rows);
    void clear();

    // Shows only words containing text, ASCII letters in either case (empty: every word).
    void setTextFilter(const QString &text);
    // Shows only stored rows the predicate accepts (empty: every row).
    void setRowFilter(std::function<bool(std::size_t storedRow)> accepts);

    int sortColumn() const { return m_table.sortColumn(); }
    Qt::SortOrder sortOrder() const {
        return m_table.descending() ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    std::size_t storedRowCount() const { return m_table.storedRowCount(); }
    std::size_t storedRowAt(int viewRow) const { return m_table.view()[static_cast<std::size_t>(viewRow)]; }
    core::ResultRow storedRow(std::size_t row) const { return m_table.storedRow(row); }
    std::string_view word(std::size_t row) const { return m_table.word(row); }
    // The 热度 and 机会 scale of every stored row.
    const core::ValueScale &scale() const { return m_table.scale(); }

private:
    void present(core::ResultTable::ViewChange change);

    core::ResultTable m_table;
};

} // namespace orbisel::deepmining
