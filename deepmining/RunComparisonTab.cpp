#include "deepmining/RunComparisonTab.h"

#include "core/base/WordValue.h"
#include "deepmining/ComparisonModel.h"
#include "deepmining/DeepMiningTexts.h"
#include "deepmining/ResultColumns.h"
#include "deepmining/WordTables.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace orbisel::deepmining {
namespace {

QString comparisonErrorText(const core::ComparisonError &error) {
    if (error.kind == core::ComparisonErrorKind::SameRun)
        return QStringLiteral("请选择两个不同的任务进行对比。");
    if (error.store.kind == core::StoreErrorKind::UnknownRun)
        return QStringLiteral("找不到任务 %1，可能已被删除。").arg(error.runId);
    return storeErrorText(error.store);
}

QString summaryOf(long long older, long long newer, const core::RunComparison &comparison) {
    QString text = QStringLiteral("任务 %1 → 任务 %2：新增 %3，消失 %4，保留 %5")
                       .arg(older)
                       .arg(newer)
                       .arg(comparison.added)
                       .arg(comparison.gone)
                       .arg(comparison.kept);
    QStringList rises;
    for (std::size_t index : comparison.largestRises) {
        const core::ComparedWord &word = comparison.words[index];
        rises << QStringLiteral("%1 +%2")
                     .arg(utf8(word.word))
                     .arg(core::oneDecimal(*word.heatChange()), 0, 'f', 1);
    }
    if (!rises.isEmpty())
        text += QStringLiteral("；热度升幅最大：") + rises.join(QStringLiteral("、"));
    return text;
}

} // namespace

RunComparisonTab::RunComparisonTab(QWidget *parent) : QWidget(parent) {
    m_model = new ComparisonModel(this);
    auto *layout = new QVBoxLayout(this);
    m_summary = new QLabel(QStringLiteral("在“历史”中选中两个任务（按住 Ctrl 点击），再点“对比”。"), this);
    m_summary->setObjectName(QStringLiteral("对比摘要"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    auto *top = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("筛选对比(&B)："), this);
    m_filter = newWordFilter(this, label, QStringLiteral("对比筛选"));
    m_export = new QPushButton(QStringLiteral("导出..."), this);
    m_export->setObjectName(QStringLiteral("对比导出"));
    m_export->setEnabled(false);
    top->addWidget(label);
    top->addWidget(m_filter, 1);
    top->addWidget(m_export);
    layout->addLayout(top);

    m_table = newWordTable(this, QStringLiteral("对比表"), QStringLiteral("对比"), m_model);
    fitComparisonColumns(m_table);
    layout->addWidget(m_table, 1);

    connect(m_filter, &QLineEdit::textChanged, m_model, &ComparisonModel::setTextFilter);
    connect(m_export, &QPushButton::clicked, this, &RunComparisonTab::exportRequested);
}

RunComparisonTab::~RunComparisonTab() {
    if (m_worker)
        m_worker->wait();
}

QString RunComparisonTab::summaryText() const {
    return m_summary->text();
}

QString RunComparisonTab::exportName() const {
    return QStringLiteral("对比%1-%2.xlsx").arg(m_older).arg(m_newer);
}

void RunComparisonTab::compare(const std::string &storePath, long long older, long long newer) {
    if (busy())
        return;
    m_summary->setText(QStringLiteral("正在对比任务 %1 和任务 %2……").arg(older).arg(newer));
    m_export->setEnabled(false);
    QPointer<RunComparisonTab> self(this);
    m_worker = QThread::create([self, storePath, older, newer] {
        auto outcome = std::make_shared<Outcome>(core::compareStoredRuns(storePath, older, newer));
        QMetaObject::invokeMethod(
            self.data(),
            [self, older, newer, outcome] {
                if (self)
                    self->show(older, newer, *outcome);
            },
            Qt::QueuedConnection);
    });
    connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
    m_worker->start();
}

void RunComparisonTab::show(long long older, long long newer, Outcome &outcome) {
    if (!outcome.ok()) {
        m_summary->setText(QStringLiteral("无法对比：%1").arg(comparisonErrorText(outcome.error())));
        emit compared();
        return;
    }
    auto comparison = std::make_shared<const core::RunComparison>(std::move(outcome).value());
    m_older = older;
    m_newer = newer;
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_model->setComparison(comparison);
    m_summary->setText(summaryOf(older, newer, *comparison));
    m_export->setEnabled(true);
    emit compared();
}

} // namespace orbisel::deepmining
