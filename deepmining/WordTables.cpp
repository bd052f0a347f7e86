#include "deepmining/WordTables.h"

#include "deepmining/AccessibleNames.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace orbisel::deepmining {

QTableView *newWordTable(QWidget *parent, const QString &objectName, const QString &accessibleName,
                         QAbstractItemModel *model) {
    auto *table = new QTableView(parent);
    table->setObjectName(objectName);
    table->setAccessibleName(accessibleName);
    table->setModel(model);
    table->setSortingEnabled(true);
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->resizeSection(0, 220);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    nameUnnamedButtons(table, QStringLiteral("全选"));
    return table;
}

QLineEdit *newWordFilter(QWidget *parent, QLabel *label, const QString &objectName) {
    auto *filter = new QLineEdit(parent);
    filter->setObjectName(objectName);
    filter->setClearButtonEnabled(true);
    nameUnnamedButtons(filter, QStringLiteral("清除筛选"));
    filter->setPlaceholderText(QStringLiteral("只显示含这段文字的关键词"));
    setBuddy(label, filter);
    return filter;
}

} // namespace orbisel::deepmining
