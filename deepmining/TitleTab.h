#pragma once

#include "core/insight/TitleIndex.h"
#include "core/runs/StoredRun.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QThread;

namespace orbisel::deepmining {

// The 标题 page: listing titles composed from the shown run's words of one seed, the root words
// they hold, and an edit box whose bytes, value and covered words follow every keystroke.
class TitleTab : public QWidget {
    Q_OBJECT
public:
    explicit TitleTab(QWidget *parent = nullptr);
    ~TitleTab() override;

    // Offers the run's seeds (none for run 0); titles composed before are kept until the next compose.
    void showRun(core::RunStore *store, long long runId);
    bool isComposing() const { return !m_worker.isNull(); }

signals:
    void composeFinished(); // titles shown, or the reason why none

private:
    struct Outcome;
    // On the worker: reads the run's words and builds the index unless the job has one, then composes.
    static void compose(Outcome &job, const std::string &storePath, long long runId);
    void composeClicked();
    void composeDone(const Outcome &outcome);
    void showTitles(const core::TitleSet &titles);
    void showChecklist(const core::TitleSet &titles);
    void titleChosen(int row);
    void updateFigures();
    void copyClicked();
    void updateButtons();
    // The request of the fields, for the seed chosen in the list.
    core::TitleRequest fieldRequest() const;

    std::string m_storePath;
    long long m_runId = 0;
    // The index of the titles shown: of run m_indexRun and seed m_indexSeed (reused while they stay).
    std::shared_ptr<const core::TitleIndex> m_index;
    long long m_indexRun = 0;
    std::string m_indexSeed;
    QPointer<QThread> m_worker;

    QListWidget *m_seeds = nullptr;
    QLineEdit *m_must = nullptr;
    QLineEdit *m_avoid = nullptr;
    QSpinBox *m_limit = nullptr;
    QSpinBox *m_count = nullptr;
    QPushButton *m_compose = nullptr;
    QLabel *m_status = nullptr;
    QTableWidget *m_titles = nullptr;
    QLineEdit *m_edit = nullptr;
    QPushButton *m_copy = nullptr;
    QLabel *m_bytes = nullptr;
    QLabel *m_value = nullptr;
    QLabel *m_problems = nullptr;
    QTableWidget *m_checklist = nullptr;
};

} // namespace orbisel::deepmining
