#include "deepmining/RootWordsModel.h"

#include <algorithm>

namespace orbisel::deepmining {

void RootWordsModel::setEntries(std::vector<core::RootWordEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    sortEntries();
    endResetModel();
}

int RootWordsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int RootWordsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant RootWordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char *const titles[] = {"词根", "词数", "商品数合计"};
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) &&
        section >= 0 && section < 3)
        return QString::fromUtf8(titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant RootWordsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const core::RootWordEntry &entry = m_entries[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::fromStdString(entry.word);
    case 1:
        return QString::number(entry.resultWords);
    default:
        return QString::number(entry.listings);
    }
}

void RootWordsModel::sort(int column, Qt::SortOrder order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_column = column;
    m_order = order;
    sortEntries();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// By the column in the chosen direction; equal counts by word.
void RootWordsModel::sortEntries() {
    const bool descending = m_order == Qt::DescendingOrder;
    std::sort(m_entries.begin(), m_entries.end(), [&](const auto &a, const auto &b) {
        if (m_column != 0) {
            const long long x = m_column == 1 ? a.resultWords : a.listings;
            const long long y = m_column == 1 ? b.resultWords : b.listings;
            if (x != y)
                return descending ? y < x : x < y;
            return a.word < b.word;
        }
        return descending ? b.word < a.word : a.word < b.word;
    });
}

} // namespace orbisel::deepmining
