#pragma once

#include "app/Window.h"
#include "core/runs/RunController.h"
#include "core/runs/StoredRun.h"
#include "deepmining/ResultsModel.h"
#include "deepmining/RootWordCollector.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QThread;
class QTimer;

namespace orbisel {

namespace deepmining {
class RootWordChart;
class RootWordsModel;
class RunComparisonTab;
class RunHistoryTable;
class RunSetupForm;
class TitleTab;
} // namespace deepmining

// The deep-mining window: sets up, runs, stops and resumes deep runs through the
// core's run controller, shows their rows as they arrive, their root words, and
// the stored runs.
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

    deepmining::ResultsModel *resultsModel() const { return m_results; }
    bool isBusy() const;
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

private:
    QWidget *buildStatus(QWidget *parent);
    QWidget *buildResultsTab();
    QWidget *buildRootsTab();
    void copyKeywordWindowSeeds();
    void openStore();
    void updateButtons();
    void setStatus(const QString &text);
    void sayAndShow(const QString &text);

    void startClicked();
    void stopClicked();
    void resumeClicked();
    void exportClicked(long long runId);
    void exportInBackground(const QString &initialName,
                            std::function<QString(const std::string &path)> write);
    void compareClicked(QTabWidget *tabs);
    void exportComparison();
    void exportDone(const QString &path, const QString &failure);
    void openClicked();
    void deleteClicked();
    void refreshHistory();

    void resetResults(long long runId);
    // The user's words and the run's seeds, kept whole in the run's root words.
    void resetRootWords(long long runId);
    void startWork(long long runId, bool run);
    void drain();
    void showProgress(const core::RunProgress &progress);
    void showStoredProgress(long long runId);
    void workDone(const core::RunEnd &end);
    void closeWhenIdle();

    std::string m_storePath;
    std::unique_ptr<core::RunStore> m_store;
    MarketplaceEndpoints m_endpoints;
    core::EngineTiming m_timing;
    core::DeepRunOptions m_hiddenOptions;

    deepmining::RootWordCollector m_roots;
    std::unique_ptr<core::RunController> m_controller;
    bool m_ran = false; // the work going on runs the engine (else it opens a run)
    bool m_closeWhenIdle = false;
    long long m_shownRun = 0;
    bool m_rootsDirty = false;
    int m_exports = 0; // files being written
    std::vector<QPointer<QThread>> m_exportThreads;

    deepmining::ResultsModel *m_results = nullptr;
    deepmining::RootWordsModel *m_rootWords = nullptr;

    deepmining::RunSetupForm *m_form = nullptr;
    deepmining::RunHistoryTable *m_history = nullptr;
    deepmining::RunComparisonTab *m_comparison = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_filter = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_export = nullptr;
    QTableView *m_rootTable = nullptr;
    deepmining::RootWordChart *m_chart = nullptr;
    QLabel *m_rootFilterLabel = nullptr;
    QPushButton *m_clearRoot = nullptr;
    QLabel *m_rootsStatus = nullptr;
    QCheckBox *m_showSeedRoots = nullptr;
    QTimer *m_rootTimer = nullptr;
    deepmining::TitleTab *m_titleTab = nullptr;
};

void registerDeepMiningWindow();

} // namespace orbisel
