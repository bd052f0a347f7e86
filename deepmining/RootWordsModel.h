#pragma once

#include "core/tables/RootWordTable.h"

#include <QAbstractTableModel>
#include <vector>

namespace orbisel::deepmining {

// The root-word table: 词根, 词数, 商品数合计, 热度合计 (one decimal), 种子词 (是 for a root word
// of the run's seeds); sortable, most result words first.
class RootWordsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<core::RootWordEntry> entries);
    const std::vector<core::RootWordEntry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    QString text(const core::RootWordEntry &entry, core::RootWordColumn column) const;

    std::vector<core::RootWordEntry> m_entries;
    core::RootWordColumn m_column = core::RootWordColumn::ResultWords;
    Qt::SortOrder m_order = Qt::DescendingOrder;
};

} // namespace orbisel::deepmining
