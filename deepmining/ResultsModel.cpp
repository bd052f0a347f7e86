#include "deepmining/ResultsModel.h"

#include "core/base/SourceNames.h"
#include "core/files/ResultColumns.h"

namespace orbisel::deepmining {
namespace {

QString qtText(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QVariant oneDecimalText(std::optional<double> value) {
    return value ? QVariant(QString::number(core::oneDecimal(*value), 'f', 1)) : QVariant();
}

// How 热度 and 机会 are computed, on their headers.
QVariant headerToolTip(int section) {
    switch (section) {
    case ResultsModel::Heat:
        return QStringLiteral(
            "热度 = 100 × 该词的热度和 ÷ 本次挖掘中最大的热度和（一位小数）。\n"
            "热度和：每个含该词的回答（PC、无线、每个长尾回答）中，该词是 n 条下拉词里的第 p 条时得 "
            "(n − p + 1) ÷ n；只作为箭头词或你是不是想找时得 0.5；同一回答取较大者、只计一次，各回答相加。\n"
            "这是由下拉词的先后顺序得出的估计，不是搜索次数。");
    case ResultsModel::Opportunity:
        return QStringLiteral(
            "机会 = 热度 ÷ log10(商品数 + 10)，再按本次挖掘中最大者为 100.0 换算（一位小数）；"
            "没有商品数时为空。\n"
            "这是由下拉词的先后顺序得出的估计，不是搜索次数。");
    default:
        return {};
    }
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
        return qtText(core::kResultColumns[section]);
    if (role == Qt::ToolTipRole)
        return headerToolTip(section);
    return {};
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const std::uint32_t row = m_table.view()[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
        const bool number = column == Listings || column == Depth || column == Occurrences ||
                            column == Heat || column == Opportunity;
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
        return qtText(core::sourceLabelsText(m_table.sources(row)));
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
    case Heat:
        return oneDecimalText(m_table.heat(row));
    case Opportunity:
        return oneDecimalText(m_table.opportunity(row));
    default:
        return {};
    }
}

// Announces a change of the table's view the way views expect it.
void ResultsModel::present(core::ResultTable::ViewChange change) {
    const int shownBefore = rowCount();
    if (change.view) {
        showView(m_table.view(), std::move(*change.view), storedRowCount(),
                 [this](View view) { m_table.setView(std::move(view)); });
    } else if (!change.appended.empty()) {
        beginInsertRows({}, shownBefore, shownBefore + static_cast<int>(change.appended.size()) - 1);
        m_table.extendView(change.appended);
        endInsertRows();
    }
    if (change.valuesChanged && rowCount() > 0) {
        const int rows = change.view ? rowCount() : std::min(shownBefore, rowCount());
        if (rows > 0)
            emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1));
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

void ResultsModel::appendRows(const std::vector<core::ResultRow> &rows) {
    present(m_table.appendRows(rows));
}

void ResultsModel::changeRows(const std::vector<std::pair<std::size_t, core::ResultRow>> &rows) {
    present(m_table.changeRows(rows));
}

} // namespace orbisel::deepmining
