#pragma once

#include <QString>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QTableView;
class QWidget;

namespace orbisel::deepmining {

// A table of words over `model`: sortable by every column (first shown in the
// model's own order), whole rows selected, one line a row.
QTableView *newWordTable(QWidget *parent, const QString &objectName, const QString &accessibleName,
                         QAbstractItemModel *model);
// The box that filters such a table by a text in its words, `label` its buddy.
QLineEdit *newWordFilter(QWidget *parent, QLabel *label, const QString &objectName);

} // namespace orbisel::deepmining
