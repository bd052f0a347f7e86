#include "deepmining/RootWordsModel.h"

#include <QFont>

namespace orbisel::deepmining {

using core::RootWordColumn;

void RootWordsModel::setEntries(std::vector<core::RootWordEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    core::sortRootWords(m_entries, m_column, m_order == Qt::DescendingOrder);
    endResetModel();
}

int RootWordsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int RootWordsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : core::kRootWordColumnCount;
}

QVariant RootWordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) &&
        section >= 0 && section < core::kRootWordColumnCount)
        return QString::fromUtf8(core::kRootWordColumns[section].name.data(),
                                 static_cast<qsizetype>(core::kRootWordColumns[section].name.size()));
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole) {
        switch (static_cast<RootWordColumn>(section)) {
        case RootWordColumn::Heat:
            return QStringLiteral(
                "含这个词根的关键词的热度之和（一位小数）；热度按关键词在联想词里的排位估计，"
                "不是搜索次数。");
        case RootWordColumn::InSeeds:
            return QStringLiteral("“是”：词根是种子词的一部分；勾选“显示种子词”后词根图才显示它。");
        default:
            break;
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString RootWordsModel::text(const core::RootWordEntry &entry, RootWordColumn column) const {
    switch (column) {
    case RootWordColumn::Word:
        return QString::fromStdString(entry.word);
    case RootWordColumn::ResultWords:
        return QString::number(entry.resultWords);
    case RootWordColumn::Listings:
        return QString::number(entry.listings);
    case RootWordColumn::Heat:
        return entry.heat ? QString::number(core::oneDecimal(*entry.heat), 'f', 1) : QString();
    case RootWordColumn::InSeeds:
        break;
    }
    return entry.inSeeds ? QString::fromUtf8(core::kInSeedsMark.data(), core::kInSeedsMark.size())
                         : QString();
}

QVariant RootWordsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const core::RootWordEntry &entry = m_entries[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return text(entry, static_cast<RootWordColumn>(index.column()));
    if (role == Qt::ToolTipRole && entry.inSeeds)
        return QStringLiteral("种子词的一部分：词根图默认不显示它。");
    if (role == Qt::FontRole && entry.inSeeds) {
        QFont font;
        font.setItalic(true);
        return font;
    }
    return {};
}

void RootWordsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= core::kRootWordColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_column = static_cast<RootWordColumn>(column);
    m_order = order;
    core::sortRootWords(m_entries, m_column, m_order == Qt::DescendingOrder);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace orbisel::deepmining
