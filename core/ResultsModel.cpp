#include "core/ResultsModel.h"

#include "core/ResultWriters.h"

namespace orbisel::core {
namespace {

QString qtText(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

ResultsModel::ResultsModel(QObject *parent) : ShownRowsModel(parent) {}

ResultsModel::~ResultsModel() = default;

int ResultsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.view().size());
}

int ResultsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return qtText(kResultColumns[section]);
    return {};
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::uint32_t row = m_table.view()[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        const bool number = column == Listings || column == Depth || column == Occurrences;
        return QVariant::fromValue(
            Qt::Alignment(number ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter));
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole)
        return {};
    switch (column) {
    case Word:
        return qtText(m_table.word(row));
    case Seed:
        return qtText(m_table.seed(row));
    case Sources:
        return qtText(sourceLabelsText(m_table.sources(row)));
    case Listings: {
        const std::optional<long long> listings = m_table.listings(row);
        return listings ? QVariant(QString::number(*listings)) : QVariant();
    }
    case Depth:
        return QString::number(m_table.depth(row));
    case Parent:
        return qtText(m_table.parent(row));
    case Occurrences:
        return QString::number(m_table.occurrences(row));
    default:
        return {};
    }
}

// Announces a change of the table's view the way views expect it.
void ResultsModel::present(ResultTable::ViewChange change) {
    if (change.view) {
        showView(m_table.view(), std::move(*change.view), storedRowCount(),
                 [this](View view) { m_table.setView(std::move(view)); });
    } else if (!change.appended.empty()) {
        const int at = rowCount();
        beginInsertRows({}, at, at + static_cast<int>(change.appended.size()) - 1);
        m_table.extendView(change.appended);
        endInsertRows();
    } else if (change.valuesChanged && rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

void ResultsModel::sort(int column, Qt::SortOrder order) {
    present(m_table.sort(column, order == Qt::DescendingOrder));
}

void ResultsModel::setTextFilter(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    present(m_table.setTextFilter(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
}

void ResultsModel::setRowFilter(std::function<bool(std::size_t)> accepts) {
    present(m_table.setRowFilter(std::move(accepts)));
}

void ResultsModel::clear() {
    beginResetModel();
    m_table.clear();
    endResetModel();
}

void ResultsModel::appendRows(const std::vector<ResultRow> &rows) {
    present(m_table.appendRows(rows));
}

void ResultsModel::changeRows(const std::vector<std::pair<std::size_t, ResultRow>> &rows) {
    present(m_table.changeRows(rows));
}

} // namespace orbisel::core
