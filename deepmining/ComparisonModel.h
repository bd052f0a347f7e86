#pragma once

#include "core/tables/ComparisonTable.h"
#include "deepmining/ShownRowsModel.h"

#include <QString>
#include <memory>

namespace orbisel::deepmining {

// A comparison of two runs (a ComparisonTable) as a Qt table model: sorting and
// filtering keep persistent indexes on their rows.
class ComparisonModel : public ShownRowsModel {
    Q_OBJECT
public:
    explicit ComparisonModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Shows the comparison in its own order; the text filter stays.
    void setComparison(std::shared_ptr<const core::RunComparison> comparison);
    // Shows only words containing text, ASCII letters in either case (empty: every word).
    void setTextFilter(const QString &text);

    const std::shared_ptr<const core::RunComparison> &comparison() const { return m_table.comparison(); }
    const core::ComparedWord &shownWord(int row) const {
        return m_table.storedRow(m_table.view()[static_cast<std::size_t>(row)]);
    }

private:
    void show(core::ComparisonTable::View view);

    core::ComparisonTable m_table;
};

} // namespace orbisel::deepmining
