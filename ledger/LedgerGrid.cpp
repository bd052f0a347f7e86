#include "ledger/LedgerGrid.h"

#include "web/Gbk.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace orbisel {
namespace {
constexpr int kGbkRole = Qt::UserRole + 1;
}

LedgerGrid::LedgerGrid(QWidget *parent) : QTableWidget(parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
}

Text LedgerGrid::cellText(int row, int column) const {
    const QTableWidgetItem *it = item(row, column);
    if (!it)
        return {};
    const QVariant bytes = it->data(kGbkRole);
    if (bytes.isValid()) {
        const QByteArray b = bytes.toByteArray();
        return Text(b.constData(), static_cast<size_t>(b.size()));
    }
    return toGbk(it->text());
}

void LedgerGrid::setCellText(int row, int column, const Text &gbkText) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    auto *it = new QTableWidgetItem(fromGbk(gbkText));
    it->setData(kGbkRole, QByteArray(gbkText.data(), static_cast<qsizetype>(gbkText.size())));
    if (row == 0) {
        QFont f = it->font();
        f.setBold(true);
        it->setFont(f);
        it->setBackground(palette().button());
    }
    setItem(row, column, it);
}

int LedgerGrid::appendRow() {
    const int row = rowCount();
    insertRow(row);
    return row;
}

int LedgerGrid::currentEntryRow() const {
    if (currentItem() || currentIndex().isValid())
        return currentIndex().row();
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty())
        return -1;
    int top = ranges.first().topRow();
    for (const auto &r : ranges)
        top = std::min(top, r.topRow());
    return top;
}

void LedgerGrid::setContent(const LedgerContent &content) {
    clear();
    setRowCount(content.rows);
    setColumnCount(content.columns);
    for (int r = 0; r < content.rows; ++r)
        for (int c = 0; c < content.columns; ++c)
            if (!content.cell(r, c).empty())
                setCellText(r, c, content.cell(r, c));
    for (int c = 0; c < content.columns && c < static_cast<int>(content.widths.size()); ++c)
        setColumnWidth(c, content.widths[c]);
}

LedgerContent LedgerGrid::content() const {
    LedgerContent out;
    out.rows = rowCount();
    out.columns = columnCount();
    out.cells.reserve(static_cast<size_t>(out.rows) * static_cast<size_t>(out.columns));
    for (int r = 0; r < out.rows; ++r)
        for (int c = 0; c < out.columns; ++c)
            out.cells.push_back(cellText(r, c));
    for (int c = 0; c < out.columns; ++c)
        out.widths.push_back(columnWidth(c));
    return out;
}

TextArray LedgerGrid::entryColumn(int column) const {
    TextArray out;
    for (int r = 1; r < rowCount(); ++r)
        out.push_back(cellText(r, column));
    return out;
}

void LedgerGrid::mousePressEvent(QMouseEvent *event) {
    QTableWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton)
        emit rightButtonPressed(event->globalPosition().toPoint());
}

} // namespace orbisel
