#include "deepmining/ResultColumns.h"

#include "core/tables/ComparisonTable.h"
#include "deepmining/ResultsModel.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>

namespace orbisel::deepmining {

namespace {

// Room for the cell's margins beside its text.
constexpr int kCellMargin = 12;

constexpr auto kTypicalWord = "连衣裙女夏季新款中长";
constexpr auto kTypicalCount = "1234567";

// A typical cell of the column; empty where the header is the widest.
QString typicalResultCell(int column) {
    switch (column) {
    case ResultsModel::Word:
        return QString::fromUtf8(kTypicalWord);
    case ResultsModel::Seed:
        return QStringLiteral("连衣裙女");
    case ResultsModel::Sources:
        return QStringLiteral("PC下拉词、无线下拉词");
    case ResultsModel::Listings:
        return QString::fromUtf8(kTypicalCount);
    case ResultsModel::Parent:
        return QStringLiteral("连衣裙女夏季新款");
    default:
        return {};
    }
}

QString typicalComparisonCell(int column) {
    switch (column) {
    case core::CompareWord:
        return QString::fromUtf8(kTypicalWord);
    case core::CompareOldListings:
    case core::CompareNewListings:
        return QString::fromUtf8(kTypicalCount);
    case core::CompareListingsChange:
        return QStringLiteral("-1234567");
    default:
        return {};
    }
}

void fitColumns(QTableView *table, QString (*typicalCell)(int)) {
    QHeaderView *header = table->horizontalHeader();
    const QFontMetrics metrics = table->fontMetrics();
    for (int column = 0; column < header->count(); ++column) {
        const QString sample = typicalCell(column);
        const int cell = sample.isEmpty() ? 0 : metrics.horizontalAdvance(sample) + kCellMargin;
        header->resizeSection(column, std::max(cell, header->sectionSizeHint(column)));
    }
}

} // namespace

void fitResultColumns(QTableView *table) {
    fitColumns(table, typicalResultCell);
}

void fitComparisonColumns(QTableView *table) {
    fitColumns(table, typicalComparisonCell);
}

} // namespace orbisel::deepmining
