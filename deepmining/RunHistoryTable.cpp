#include "deepmining/RunHistoryTable.h"

#include "deepmining/AccessibleNames.h"
#include "deepmining/DeepMiningTexts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace orbisel::deepmining {

namespace {

// Whether a row's run has queries left (its number cell holds the flag).
constexpr int kResumableRole = Qt::UserRole + 1;

} // namespace

RunHistoryTable::RunHistoryTable(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("历史表"));
    m_table->setAccessibleName(QStringLiteral("历史任务"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("名称"),
                                        QStringLiteral("开始时间"), QStringLiteral("状态"),
                                        QStringLiteral("已查询/计划"), QStringLiteral("词数")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setCornerButtonEnabled(false);
    nameUnnamedButtons(m_table, QStringLiteral("全选"));
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QStringLiteral("历史") + caption);
        buttons->addWidget(b);
        return b;
    };
    auto *refreshButton = button(QStringLiteral("刷新"));
    m_open = button(QStringLiteral("打开"));
    m_resume = button(QStringLiteral("继续"));
    m_export = button(QStringLiteral("导出"));
    m_delete = button(QStringLiteral("删除"));
    m_compare = button(QStringLiteral("对比"));
    m_compare->setToolTip(QStringLiteral("选中两个任务（按住 Ctrl 点击），逐词对比新增、消失和保留的关键词"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(refreshButton, &QPushButton::clicked, this, &RunHistoryTable::refreshRequested);
    connect(m_open, &QPushButton::clicked, this, &RunHistoryTable::openRequested);
    connect(m_resume, &QPushButton::clicked, this, &RunHistoryTable::resumeRequested);
    connect(m_export, &QPushButton::clicked, this, &RunHistoryTable::exportRequested);
    connect(m_delete, &QPushButton::clicked, this, &RunHistoryTable::deleteRequested);
    connect(m_compare, &QPushButton::clicked, this, &RunHistoryTable::compareRequested);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &RunHistoryTable::selectionChanged);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &RunHistoryTable::openRequested);
}

std::optional<core::StoreError> RunHistoryTable::refresh(core::RunStore *store) {
    const std::vector<long long> selected = selectedRuns();
    m_table->setRowCount(0);
    m_lastResumable = 0;
    if (!store)
        return std::nullopt;
    auto runs = store->listRuns();
    if (!runs.ok())
        return runs.error();
    m_table->setRowCount(static_cast<int>(runs.value().size()));
    int row = 0;
    for (const core::RunSummary &run : runs.value()) {
        if (run.state != core::RunState::Done)
            m_lastResumable = std::max(m_lastResumable, run.id);
        const QStringList cells = {
            QString::number(run.id),
            utf8(run.name),
            QDateTime::fromSecsSinceEpoch(run.startedUnix).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            stateText(run.state),
            QStringLiteral("%1/%2").arg(run.queriesDone).arg(run.queriesPlanned),
            QString::number(run.words)};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        m_table->item(row, 0)->setData(kResumableRole, run.state != core::RunState::Done);
        if (std::binary_search(selected.begin(), selected.end(), run.id))
            m_table->selectionModel()->select(m_table->model()->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        ++row;
    }
    return std::nullopt;
}

std::vector<long long> RunHistoryTable::selectedRuns() const {
    std::vector<long long> runs;
    if (!m_table->selectionModel())
        return runs;
    for (const QModelIndex &row : m_table->selectionModel()->selectedRows())
        if (const QTableWidgetItem *item = m_table->item(row.row(), 0))
            runs.push_back(item->text().toLongLong());
    std::sort(runs.begin(), runs.end());
    return runs;
}

long long RunHistoryTable::selectedRun() const {
    const std::vector<long long> runs = selectedRuns();
    return runs.size() == 1 ? runs.front() : 0;
}

std::optional<std::pair<long long, long long>> RunHistoryTable::comparedRuns() const {
    const std::vector<long long> runs = selectedRuns();
    if (runs.size() != 2)
        return std::nullopt;
    return std::pair(runs[0], runs[1]);
}

long long RunHistoryTable::resumeTarget() const {
    const auto rows =
        m_table->selectionModel() ? m_table->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty())
        return m_lastResumable;
    const QTableWidgetItem *item = rows.size() == 1 ? m_table->item(rows.front().row(), 0) : nullptr;
    return item && item->data(kResumableRole).toBool() ? item->text().toLongLong() : 0;
}

void RunHistoryTable::updateButtons(bool idle, bool storeOk) {
    const long long selected = selectedRun();
    m_open->setEnabled(idle && storeOk && selected > 0);
    m_resume->setEnabled(idle && storeOk && selected > 0 && resumeTarget() == selected);
    m_export->setEnabled(storeOk && selected > 0);
    m_delete->setEnabled(idle && storeOk && selected > 0);
    m_compare->setEnabled(storeOk && comparedRuns().has_value());
}

} // namespace orbisel::deepmining
