#include "deepmining/ResultColumns.h"

#include "deepmining/ResultsModel.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>

namespace orbisel::deepmining {

namespace {

// Room for the cell's margins beside its text.
constexpr int kCellMargin = 12;

// A typical cell of the column; empty where the header is the widest.
QString typicalCell(int column) {
    switch (column) {
    case ResultsModel::Word:
        return QStringLiteral("连衣裙女夏季新款中长");
    case ResultsModel::Seed:
        return QStringLiteral("连衣裙女");
    case ResultsModel::Sources:
        return QStringLiteral("PC下拉词、无线下拉词");
    case ResultsModel::Listings:
        return QStringLiteral("1234567");
    case ResultsModel::Parent:
        return QStringLiteral("连衣裙女夏季新款");
    default:
        return {};
    }
}

} // namespace

void fitResultColumns(QTableView *table) {
    QHeaderView *header = table->horizontalHeader();
    const QFontMetrics metrics = table->fontMetrics();
    for (int column = 0; column < header->count(); ++column) {
        const QString sample = typicalCell(column);
        const int cell = sample.isEmpty() ? 0 : metrics.horizontalAdvance(sample) + kCellMargin;
        header->resizeSection(column, std::max(cell, header->sectionSizeHint(column)));
    }
}

} // namespace orbisel::deepmining
