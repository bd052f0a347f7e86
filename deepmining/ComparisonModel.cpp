#include "deepmining/ComparisonModel.h"

namespace orbisel::deepmining {
namespace {

QString qtText(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QVariant cellText(const core::TableCell &cell) {
    if (const auto *text = std::get_if<std::string_view>(&cell))
        return qtText(*text);
    if (const auto *whole = std::get_if<long long>(&cell))
        return QString::number(*whole);
    if (const auto *decimal = std::get_if<double>(&cell))
        return QString::number(*decimal, 'f', 1);
    return {};
}

QString headerToolTip(int column) {
    switch (column) {
    case core::CompareState:
        return QStringLiteral("新增：只在后一个任务中；消失：只在前一个任务中；保留：两个任务都有");
    case core::CompareListingsPercent:
        return QStringLiteral("商品数变化 ÷ 前商品数 × 100（%），保留一位小数；缺少商品数时为空");
    case core::CompareOldHeat:
    case core::CompareNewHeat:
    case core::CompareHeatChange:
        return QStringLiteral("热度按各自任务计算：100 × 词的热度和 ÷ 该任务最大的热度和；"
                              "是根据下拉建议中的排位估算的，不是搜索次数");
    default:
        return {};
    }
}

} // namespace

ComparisonModel::ComparisonModel(QObject *parent) : ShownRowsModel(parent) {}

int ComparisonModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_table.view().size());
}

int ComparisonModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : core::kComparisonColumnCount;
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= core::kComparisonColumnCount)
        return ShownRowsModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return qtText(core::kComparisonColumns[section]);
    if (role == Qt::ToolTipRole) {
        const QString tip = headerToolTip(section);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    return {};
}

QVariant ComparisonModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(core::isTextColumn(index.column())
                                                     ? Qt::AlignLeft | Qt::AlignVCenter
                                                     : Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole)
        return {};
    return cellText(core::comparisonCell(shownWord(index.row()), index.column()));
}

void ComparisonModel::show(core::ComparisonTable::View view) {
    showView(m_table.view(), std::move(view), m_table.storedRowCount(),
             [this](core::ComparisonTable::View shown) { m_table.setView(std::move(shown)); });
}

void ComparisonModel::sort(int column, Qt::SortOrder order) {
    show(m_table.sort(column, order == Qt::DescendingOrder));
}

void ComparisonModel::setTextFilter(const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    if (auto view =
            m_table.setTextFilter(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))))
        show(std::move(*view));
}

void ComparisonModel::setComparison(std::shared_ptr<const core::RunComparison> comparison) {
    beginResetModel();
    m_table.setView(m_table.setComparison(std::move(comparison)));
    endResetModel();
}

} // namespace orbisel::deepmining
