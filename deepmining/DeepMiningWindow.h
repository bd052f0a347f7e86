#pragma once

#include "app/Window.h"
#include "core/DeepRunEngine.h"
#include "core/ResultsModel.h"
#include "core/RootWords.h"
#include "core/RunStore.h"

#include <QPointer>
#include <atomic>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QChartView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QThread;
class QTimer;

namespace orbisel {

class RootWordsModel;

// The deep-mining window: sets up, runs, stops and resumes deep runs on a worker
// thread, shows their rows as they arrive, their root words, and the stored runs.
class DeepMiningWindow : public Window {
    Q_OBJECT
public:
    DeepMiningWindow();
    ~DeepMiningWindow() override;

    // Seams for tests: the store file, the marketplace hosts and the engine's waits.
    void setStorePath(const std::string &path);
    void setEndpoints(const MarketplaceEndpoints &endpoints) { m_endpoints = endpoints; }
    void setEngineTiming(const core::EngineTiming &timing) { m_timing = timing; }
    // The options the form does not show (request spacing, back-off, query limit, cache).
    void setHiddenOptions(const core::DeepRunOptions &options) { m_hiddenOptions = options; }

    core::ResultsModel *resultsModel() const { return m_results; }
    bool isBusy() const { return m_worker != nullptr; }
    long long shownRunId() const { return m_shownRun; }
    QString statusText() const;
    // Rebuilds the root-word table now (it follows the results about once a second).
    void refreshRootWords();
    // Shows only the result words containing the root word (empty: all).
    void filterByRootWord(const QString &root);

signals:
    void workFinished(); // a run, a load or an export ended

protected:
    bool canClose() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Inbox;
    struct Roots;

    QWidget *buildSetup();
    QWidget *buildResultsTab();
    QWidget *buildRootsTab();
    QWidget *buildHistoryTab();
    void copyKeywordWindowSeeds();
    void openStore();
    void updateButtons();
    void setStatus(const QString &text);
    bool isRunning();

    std::optional<core::DeepRunOptions> readOptions();
    void startClicked();
    void stopClicked();
    void resumeClicked();
    void exportClicked(long long runId);
    void exportDone(const QString &path, const QString &failure);
    void openClicked();
    void deleteClicked();
    void refreshHistory();
    long long selectedHistoryRun() const;
    long long resumeTarget() const;

    // Worker side: rows and progress go through the inbox to the GUI thread.
    std::uint64_t resetResults(long long runId);
    void startWorker(long long runId, bool run);
    void drain();
    void showProgress(const core::RunProgress &progress);
    void showStoredProgress(long long runId);
    void workerDone(core::RunOutcome outcome, const QString &failure, bool ran);

    std::string m_storePath;
    std::unique_ptr<core::RunStore> m_store;
    QString m_storeError;
    MarketplaceEndpoints m_endpoints;
    core::EngineTiming m_timing;
    core::DeepRunOptions m_hiddenOptions;
    std::shared_future<core::SegmentDictionary::Loaded> m_dictionary;

    std::shared_ptr<Inbox> m_inbox;
    std::shared_ptr<Roots> m_roots;
    QThread *m_worker = nullptr;
    std::mutex m_engineMutex;
    core::DeepRunEngine *m_engine = nullptr; // while a worker runs one
    bool m_stopRequested = false;
    bool m_closeWhenIdle = false;
    long long m_shownRun = 0;
    long long m_lastResumable = 0; // the newest run not done, as the history last listed it
    bool m_rootsDirty = false;
    int m_exports = 0; // files being written
    std::vector<QPointer<QThread>> m_exportThreads;

    core::ResultsModel *m_results = nullptr;
    RootWordsModel *m_rootWords = nullptr;

    QPlainTextEdit *m_seeds = nullptr;
    QCheckBox *m_expansions[core::kExpansionCount] = {};
    QCheckBox *m_sources[core::kDeepSourceCount] = {};
    QSpinBox *m_depth = nullptr;
    QSpinBox *m_concurrency = nullptr;
    QLineEdit *m_include = nullptr;
    QLineEdit *m_exclude = nullptr;
    QSpinBox *m_minChars = nullptr;
    QSpinBox *m_maxChars = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_resume = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_filter = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_export = nullptr;
    QTableView *m_rootTable = nullptr;
    QChartView *m_chart = nullptr;
    QLabel *m_rootFilterLabel = nullptr;
    QPushButton *m_clearRoot = nullptr;
    QLabel *m_rootsStatus = nullptr;
    QTableWidget *m_history = nullptr;
    QPushButton *m_historyOpen = nullptr;
    QPushButton *m_historyResume = nullptr;
    QPushButton *m_historyExport = nullptr;
    QPushButton *m_historyDelete = nullptr;
    QTimer *m_rootTimer = nullptr;
};

void registerDeepMiningWindow();

} // namespace orbisel
