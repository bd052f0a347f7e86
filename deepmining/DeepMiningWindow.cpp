#include "deepmining/DeepMiningWindow.h"

#include "app/FileDialogs.h"
#include "app/Program.h"
#include "app/SharedControls.h"
#include "core/inputs/WordLists.h"
#include "deepmining/AccessibleNames.h"
#include "deepmining/ComparisonModel.h"
#include "deepmining/DeepMiningTexts.h"
#include "deepmining/ResultColumns.h"
#include "deepmining/RootWordChart.h"
#include "deepmining/RootWordsModel.h"
#include "deepmining/RunComparisonTab.h"
#include "deepmining/RunHistoryTable.h"
#include "deepmining/RunSetupForm.h"
#include "deepmining/TitleTab.h"
#include "deepmining/WordTables.h"
#include "web/Gbk.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace orbisel {

using namespace deepmining;

namespace {

// Rows applied to the table per turn of the event loop, so the window keeps answering.
constexpr std::size_t kRowsPerSlice = 50000;
constexpr int kWorkerNice = 5;

} // namespace

DeepMiningWindow::DeepMiningWindow()
    : Window(WindowId::DeepMining, WindowLayout{.caption = "深度挖掘", .width = 1340, .height = 680}),
      m_endpoints(marketplaceEndpoints()) {
    setMinimumSize(760, 560);
    m_results = new deepmining::ResultsModel(this);
    m_rootWords = new RootWordsModel(this);

    auto *layout = new QVBoxLayout(this);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    m_form = new RunSetupForm(this);
    splitter->addWidget(m_form);
    auto *right = new QWidget(splitter);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(buildStatus(right));

    auto *tabs = new QTabWidget(right);
    tabs->setObjectName(QStringLiteral("页"));
    tabs->addTab(buildResultsTab(), QStringLiteral("结果"));
    tabs->addTab(buildRootsTab(), QStringLiteral("词根"));
    tabs->addTab(m_titleTab = new TitleTab(this), QStringLiteral("标题"));
    m_history = new RunHistoryTable(this);
    tabs->addTab(m_history, QStringLiteral("历史"));
    tabs->addTab(m_comparison = new RunComparisonTab(this), QStringLiteral("对比"));
    rightLayout->addWidget(tabs, 1);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);

    connect(m_form->startButton(), &QPushButton::clicked, this, &DeepMiningWindow::startClicked);
    connect(m_form->stopButton(), &QPushButton::clicked, this, &DeepMiningWindow::stopClicked);
    connect(m_form->resumeButton(), &QPushButton::clicked, this, &DeepMiningWindow::resumeClicked);
    connect(m_history, &RunHistoryTable::refreshRequested, this, &DeepMiningWindow::refreshHistory);
    connect(m_history, &RunHistoryTable::openRequested, this, &DeepMiningWindow::openClicked);
    connect(m_history, &RunHistoryTable::resumeRequested, this, &DeepMiningWindow::resumeClicked);
    connect(m_history, &RunHistoryTable::exportRequested, this,
            [this] { exportClicked(m_history->selectedRun()); });
    connect(m_history, &RunHistoryTable::deleteRequested, this, &DeepMiningWindow::deleteClicked);
    connect(m_history, &RunHistoryTable::selectionChanged, this, &DeepMiningWindow::updateButtons);
    connect(m_history, &RunHistoryTable::compareRequested, this, [this, tabs] { compareClicked(tabs); });
    connect(m_comparison, &RunComparisonTab::exportRequested, this, &DeepMiningWindow::exportComparison);

    m_rootTimer = new QTimer(this);
    m_rootTimer->setInterval(1000);
    // The root-word table and chart are rebuilt only while they are shown.
    const auto refreshShownRoots = [this] {
        if (m_rootsDirty && m_rootTable->isVisible())
            refreshRootWords();
    };
    connect(m_rootTimer, &QTimer::timeout, this, refreshShownRoots);
    connect(tabs, &QTabWidget::currentChanged, this, refreshShownRoots);
    m_rootTimer->start();

    onCreated([this] { copyKeywordWindowSeeds(); });
    openStore();
}

DeepMiningWindow::~DeepMiningWindow() {
    for (const QPointer<QThread> &writer : m_exportThreads)
        if (writer)
            writer->wait();
    m_controller.reset(); // stops a run and waits for it
}

QWidget *DeepMiningWindow::buildStatus(QWidget *parent) {
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar(box);
    m_progress->setObjectName(QStringLiteral("进度"));
    m_progress->setAccessibleName(QStringLiteral("进度"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_counts = new QLabel(box);
    m_counts->setObjectName(QStringLiteral("统计"));
    m_status = new QLabel(box);
    m_status->setObjectName(QStringLiteral("状态"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_progress);
    layout->addWidget(m_counts);
    layout->addWidget(m_status);
    return box;
}

QWidget *DeepMiningWindow::buildResultsTab() {
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("筛选(&F)："), page);
    m_filter = newWordFilter(page, label, QStringLiteral("筛选"));
    m_rootFilterLabel = new QLabel(page);
    m_rootFilterLabel->setObjectName(QStringLiteral("词根筛选"));
    m_clearRoot = new QPushButton(QStringLiteral("显示全部"), page);
    m_clearRoot->setObjectName(QStringLiteral("显示全部"));
    m_clearRoot->setVisible(false);
    m_export = new QPushButton(QStringLiteral("导出..."), page);
    m_export->setObjectName(QStringLiteral("导出"));
    top->addWidget(label);
    top->addWidget(m_filter, 1);
    top->addWidget(m_rootFilterLabel);
    top->addWidget(m_clearRoot);
    top->addWidget(m_export);
    layout->addLayout(top);

    m_table = newWordTable(page, QStringLiteral("结果表"), QStringLiteral("结果"), m_results);
    fitResultColumns(m_table);
    layout->addWidget(m_table, 1);

    connect(m_filter, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_results->setTextFilter(text); });
    connect(m_clearRoot, &QPushButton::clicked, this, [this] { filterByRootWord({}); });
    connect(m_export, &QPushButton::clicked, this, [this] { exportClicked(m_shownRun); });
    return page;
}

QWidget *DeepMiningWindow::buildRootsTab() {
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    m_rootsStatus = new QLabel(QStringLiteral("点击词根，结果表只显示含它的关键词。"), page);
    m_rootsStatus->setObjectName(QStringLiteral("词根说明"));
    m_rootsStatus->setWordWrap(true);
    layout->addWidget(m_rootsStatus);
    m_showSeedRoots = new QCheckBox(QStringLiteral("显示种子词"), page);
    m_showSeedRoots->setObjectName(QStringLiteral("显示种子词"));
    m_showSeedRoots->setToolTip(QStringLiteral("词根图也显示种子词自己的词根（表中“种子词”一栏为“是”）"));
    layout->addWidget(m_showSeedRoots);
    auto *split = new QSplitter(Qt::Horizontal, page);
    m_rootTable = new QTableView(split);
    m_rootTable->setObjectName(QStringLiteral("词根表"));
    m_rootTable->setAccessibleName(QStringLiteral("词根"));
    m_rootTable->setModel(m_rootWords);
    m_rootTable->setSortingEnabled(true);
    m_rootTable->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    m_rootTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rootTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rootTable->setCornerButtonEnabled(false);
    nameUnnamedButtons(m_rootTable, QStringLiteral("全选"));
    m_chart = new RootWordChart(split);
    m_chart->setObjectName(QStringLiteral("词根图"));
    m_chart->setAccessibleName(QStringLiteral("前30个词根"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_rootTable->horizontalHeader()->setStretchLastSection(true);
    m_rootTable->horizontalHeader()->setDefaultSectionSize(
        m_rootTable->fontMetrics().horizontalAdvance(QStringLiteral("商品数合计")) + 16);
    m_rootTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_rootTable->verticalHeader()->setDefaultSectionSize(m_rootTable->fontMetrics().height() + 6);
    auto *chartScroll = new QScrollArea(split);
    chartScroll->setWidgetResizable(true);
    chartScroll->setFrameShape(QFrame::NoFrame);
    chartScroll->setWidget(m_chart);
    split->addWidget(m_rootTable);
    split->addWidget(chartScroll);
    split->setStretchFactor(1, 1);
    split->setSizes({400, 500});
    layout->addWidget(split, 1);
    const auto filterByRow = [this](const QModelIndex &index) {
        filterByRootWord(m_rootWords->index(index.row(), 0).data().toString());
    };
    connect(m_rootTable, &QTableView::activated, this, filterByRow);
    connect(m_rootTable, &QTableView::clicked, this, filterByRow);
    connect(m_chart, &RootWordChart::rootClicked, this, &DeepMiningWindow::filterByRootWord);
    connect(m_showSeedRoots, &QCheckBox::toggled, this,
            [this](bool shown) { m_chart->showEntries(m_rootWords->entries(), shown); });
    return page;
}

void DeepMiningWindow::copyKeywordWindowSeeds() {
    Window *keywords = openWindow(WindowId::Main);
    if (!keywords || !keywords->hasControl(kKeywordSeedBox) || !m_form->seedText().trimmed().isEmpty())
        return;
    QString seeds = fromGbk(keywords->text(kKeywordSeedBox));
    m_form->setSeedText(seeds.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void DeepMiningWindow::setStorePath(const std::string &path) {
    m_storePath = path;
    openStore();
}

void DeepMiningWindow::openStore() {
    if (m_storePath.empty())
        m_storePath = core::defaultStorePath();
    m_store.reset();
    auto opened = core::RunStore::open(m_storePath);
    if (opened.ok()) {
        m_store = std::move(opened.value());
        setStatus({});
    } else {
        setStatus(storeErrorText(opened.error()) + QStringLiteral(" 运行和历史暂不可用。"));
    }
    refreshHistory();
    updateButtons();
}

bool DeepMiningWindow::isBusy() const {
    return m_controller && m_controller->busy();
}

QString DeepMiningWindow::statusText() const {
    return m_status->text();
}

void DeepMiningWindow::setStatus(const QString &text) {
    m_status->setText(text);
}

void DeepMiningWindow::sayAndShow(const QString &text) {
    setStatus(text);
    messageBox(toGbk(text));
}

void DeepMiningWindow::updateButtons() {
    const bool idle = !isBusy();
    const bool storeOk = m_store != nullptr;
    m_form->startButton()->setEnabled(idle && storeOk);
    m_form->stopButton()->setEnabled(!idle && m_controller->stoppable());
    m_form->resumeButton()->setEnabled(idle && storeOk && m_history->resumeTarget() > 0);
    m_export->setEnabled(storeOk && m_shownRun > 0);
    m_history->updateButtons(idle, storeOk);
}

void DeepMiningWindow::startClicked() {
    if (isBusy() || !m_store)
        return;
    const auto options = core::buildRunOptions(m_form->inputs(m_hiddenOptions));
    if (!options.ok()) {
        const QString reason = inputErrorText(options.error());
        if (isSeedsError(options.error())) {
            sayAndShow(reason);
            m_form->focusSeeds();
        } else {
            setStatus(reason);
        }
        return;
    }
    auto created = m_store->createRun(options.value());
    if (!created.ok()) {
        setStatus(storeErrorText(created.error()));
        return;
    }
    startWork(created.value(), true);
    refreshHistory();
}

void DeepMiningWindow::stopClicked() {
    if (m_controller)
        m_controller->requestStop();
    setStatus(QStringLiteral("正在停止：等正在进行的请求结束后保存，之后可点“继续”。"));
    m_form->stopButton()->setEnabled(false);
}

void DeepMiningWindow::resumeClicked() {
    if (isBusy() || !m_store)
        return;
    const long long runId = m_history->resumeTarget();
    if (runId <= 0) {
        setStatus(QStringLiteral("没有可以继续的任务。"));
        return;
    }
    startWork(runId, true);
}

void DeepMiningWindow::openClicked() {
    const long long runId = m_history->selectedRun();
    if (isBusy() || runId <= 0)
        return;
    startWork(runId, false);
}

void DeepMiningWindow::deleteClicked() {
    const long long runId = m_history->selectedRun();
    if (isBusy() || runId <= 0 || !m_store)
        return;
    const std::string question =
        "确定删除任务 " + std::to_string(runId) + " 及其全部结果吗？此操作不能撤销。";
    if (messageBox(gbk(question), kMbYesNo) != kIdYes)
        return;
    auto deleted = m_store->deleteRun(runId);
    if (!deleted.ok()) {
        sayAndShow(storeErrorText(deleted.error()));
        return;
    }
    if (runId == m_shownRun) {
        resetResults(0);
        m_counts->clear();
    }
    setStatus(QStringLiteral("已删除任务 %1。").arg(runId));
    refreshHistory();
}

void DeepMiningWindow::exportClicked(long long runId) {
    if (runId <= 0 || !m_store)
        return;
    exportInBackground(QStringLiteral("深度挖掘%1.xlsx").arg(runId),
                       [storePath = m_storePath, runId](const std::string &path) {
                           const auto written = core::exportRun(storePath, runId, path);
                           return written.ok() ? QString() : exportErrorText(written.error());
                       });
}

// Asks for the file, then writes it on a thread of its own (a million rows take seconds);
// `write` gives the failure, empty when written.
void DeepMiningWindow::exportInBackground(const QString &initialName,
                                          std::function<QString(const std::string &path)> write) {
    const auto chosen = askSaveFileName({.title = gbk("导出结果"),
                                         .filter = gbk("Excel 文件 (*.xlsx)|*.xlsx|CSV 文件 (*.csv)|*.csv|"
                                                       "JSON Lines 文件 (*.jsonl)|*.jsonl"),
                                         .defaultExtension = "xlsx",
                                         .initialPath = initialName});
    if (!chosen)
        return;
    const std::string path = QFile::encodeName(*chosen).toStdString();
    if (auto writable = core::checkOutputWritable(path); !writable.ok()) {
        sayAndShow(unwritableText(writable.error()));
        return;
    }
    setStatus(QStringLiteral("正在导出……"));
    m_exports += 1;
    QPointer<DeepMiningWindow> self(this);
    QThread *writer = QThread::create([self, path, write = std::move(write)] {
        const QString failure = write(path);
        QMetaObject::invokeMethod(
            self.data(),
            [self, path, failure] {
                if (self)
                    self->exportDone(QString::fromStdString(path), failure);
            },
            Qt::QueuedConnection);
    });
    connect(writer, &QThread::finished, writer, &QObject::deleteLater);
    std::erase_if(m_exportThreads, [](const QPointer<QThread> &t) { return t.isNull(); });
    m_exportThreads.push_back(writer);
    writer->start();
}

void DeepMiningWindow::compareClicked(QTabWidget *tabs) {
    if (const auto runs = m_history->comparedRuns()) {
        m_comparison->compare(m_storePath, runs->first, runs->second);
        tabs->setCurrentWidget(m_comparison);
    }
}

void DeepMiningWindow::exportComparison() {
    exportInBackground(m_comparison->exportName(),
                       [comparison = m_comparison->model()->comparison()](const std::string &path) {
                           const auto written = core::writeComparison(path, *comparison);
                           return written.ok() ? QString() : writeErrorText(written.error());
                       });
}

void DeepMiningWindow::exportDone(const QString &path, const QString &failure) {
    m_exports -= 1;
    if (failure.isEmpty())
        setStatus(QStringLiteral("已导出到 %1").arg(path));
    else
        sayAndShow(QStringLiteral("无法导出到 %1：%2").arg(path, failure));
    emit workFinished();
    closeWhenIdle();
}

void DeepMiningWindow::refreshHistory() {
    if (const auto failure = m_history->refresh(m_store.get()))
        setStatus(storeErrorText(*failure));
    updateButtons();
}

void DeepMiningWindow::resetRootWords(long long runId) {
    m_rootsStatus->setText(QStringLiteral("点击词根，结果表只显示含它的关键词。"));
    auto userWords = core::readOptionalWordList(core::userDictionaryPath());
    if (!userWords.ok())
        m_rootsStatus->setText(userDictionaryErrorText(userWords.error()));
    std::vector<std::string> seeds;
    if (m_store && runId > 0)
        if (auto options = m_store->options(runId); options.ok())
            seeds = std::move(options.value().seeds);
    m_roots.reset(userWords.ok() ? std::move(userWords).value() : std::vector<std::string>{},
                  std::move(seeds));
}

void DeepMiningWindow::resetResults(long long runId) {
    resetRootWords(runId);
    m_results->setRowFilter({});
    m_results->clear();
    m_rootFilterLabel->clear();
    m_clearRoot->setVisible(false);
    m_rootWords->setEntries({});
    m_shownRun = runId;
    m_rootsDirty = true;
    m_titleTab->showRun(m_store.get(), runId);
}

// The controller's worker loads the run's stored rows (root words cut as they come) and,
// when `run`, runs or resumes it.
void DeepMiningWindow::startWork(long long runId, bool run) {
    if (isBusy())
        return;
    resetResults(runId);
    m_controller =
        std::make_unique<core::RunController>(core::RunControllerSettings{.storePath = m_storePath,
                                                                          .endpoints = m_endpoints,
                                                                          .timing = m_timing,
                                                                          .deliverRows = true,
                                                                          .workerNice = kWorkerNice});
    m_controller->setRowsHook(m_roots.rowsHook());
    QPointer<DeepMiningWindow> self(this);
    m_controller->setWake([self] {
        QMetaObject::invokeMethod(
            self.data(),
            [self] {
                if (self)
                    self->drain();
            },
            Qt::QueuedConnection);
    });
    m_controller->start(runId, run);
    m_ran = run;
    setStatus(run ? QStringLiteral("正在挖掘任务 %1……").arg(runId)
                  : QStringLiteral("正在打开任务 %1……").arg(runId));
    updateButtons();
}

// Applies what arrived, in order; a large backlog goes in slices.
void DeepMiningWindow::drain() {
    if (!m_controller)
        return;
    core::RunBatch batch = m_controller->take(kRowsPerSlice);
    if (!batch.rows.added.empty() || !batch.rows.changed.empty()) {
        m_results->appendRows(batch.rows.added);
        m_results->changeRows(batch.rows.changed);
        m_rootsDirty = true;
    }
    if (batch.progress)
        showProgress(*batch.progress);
    else if (!batch.rows.added.empty() && !m_controller->engineRunning())
        m_counts->setText(QStringLiteral("词数 %1").arg(m_results->storedRowCount()));
    if (batch.engineStarted)
        updateButtons();
    if (batch.more)
        QMetaObject::invokeMethod(this, &DeepMiningWindow::drain, Qt::QueuedConnection);
    if (batch.end)
        workDone(*batch.end);
}

void DeepMiningWindow::showProgress(const core::RunProgress &progress) {
    const long long planned = std::max<long long>(progress.queriesPlanned, 1);
    m_progress->setRange(0, static_cast<int>(std::min<long long>(planned, INT_MAX)));
    m_progress->setValue(static_cast<int>(std::min<long long>(progress.queriesDone, INT_MAX)));
    m_counts->setText(progressText(progress));
    if (progress.pausedBlocked)
        setStatus(QStringLiteral("平台暂时拒绝了请求，正在等待后重试；可以点“停止”，以后再“继续”。"));
}

// A run opened for viewing shows where it stands in the store, not the last run's figures.
void DeepMiningWindow::showStoredProgress(long long runId) {
    if (!m_store)
        return;
    const auto summary = m_store->summary(runId);
    if (!summary.ok())
        return;
    core::RunProgress progress;
    progress.queriesDone = summary.value().queriesDone;
    progress.queriesPlanned = summary.value().queriesPlanned;
    progress.words = summary.value().words;
    showProgress(progress);
}

void DeepMiningWindow::workDone(const core::RunEnd &end) {
    const long long words = static_cast<long long>(m_results->storedRowCount());
    if (!end.ran && end.storeError) {
        setStatus(storeErrorText(*end.storeError));
    } else if (!m_ran) {
        setStatus(QStringLiteral("任务 %1：%2 个词。").arg(m_shownRun).arg(words));
        showStoredProgress(m_shownRun);
    } else {
        setStatus(runEndText(end, m_shownRun, words));
    }
    refreshRootWords();
    m_titleTab->showRun(m_store.get(), m_shownRun);
    refreshHistory();
    updateButtons();
    emit workFinished();
    closeWhenIdle();
}

void DeepMiningWindow::closeWhenIdle() {
    if (m_closeWhenIdle && m_exports == 0 && !isBusy())
        close();
}

void DeepMiningWindow::refreshRootWords() {
    m_rootsDirty = false;
    const std::string error = m_roots.error();
    if (!error.empty())
        m_rootsStatus->setText(QStringLiteral("无法切分词根：%1").arg(utf8(error)));
    m_rootWords->setEntries(m_roots.entries());
    m_chart->showEntries(m_rootWords->entries(), m_showSeedRoots->isChecked());
}

void DeepMiningWindow::filterByRootWord(const QString &root) {
    if (root.isEmpty()) {
        m_results->setRowFilter({});
        m_rootFilterLabel->clear();
        m_clearRoot->setVisible(false);
        return;
    }
    m_results->setRowFilter(m_roots.rowFilter(root.toStdString()));
    m_rootFilterLabel->setText(QStringLiteral("词根：%1").arg(root));
    m_clearRoot->setVisible(true);
}

bool DeepMiningWindow::canClose() {
    if (!isBusy() && m_exports == 0)
        return true;
    // Stop a run, let the requests in flight finish and save; close when everything is done.
    m_closeWhenIdle = true;
    if (isBusy())
        stopClicked();
    return false;
}

void registerDeepMiningWindow() {
    registerWindow(WindowId::DeepMining, [] { return new DeepMiningWindow; });
}

} // namespace orbisel
