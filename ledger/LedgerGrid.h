#pragma once

#include "ledger/LedgerFile.h"
#include "web/Text.h"

#include <QPoint>
#include <QTableWidget>

namespace orbisel {

// The ledger grid `高级表格1`: a table of GBK cell texts whose row 0 is the header
// row. Cells keep their exact GBK bytes; the shown text is their Unicode form.
class LedgerGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit LedgerGrid(QWidget *parent = nullptr);

    Text cellText(int row, int column) const;
    void setCellText(int row, int column, const Text &gbk);
    int appendRow(); // the new row's index

    // The row of the current cell, or the top row of the selection; -1 for none.
    int currentEntryRow() const;

    // Replaces the whole content (rows, columns, texts, widths) / takes a copy of it.
    void setContent(const LedgerContent &content);
    LedgerContent content() const;
    // Column c of rows 1 and up.
    TextArray entryColumn(int column) const;

signals:
    void rightButtonPressed(QPoint globalPosition);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

} // namespace orbisel
