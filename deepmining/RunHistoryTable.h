#pragma once

#include "core/runs/StoredRun.h"

#include <QWidget>
#include <optional>
#include <utility>
#include <vector>

class QPushButton;
class QTableWidget;

namespace orbisel::deepmining {

// The 历史 page: the stored runs and the buttons 刷新, 打开, 继续, 导出, 删除
// (one run selected) and 对比 (two).
class RunHistoryTable : public QWidget {
    Q_OBJECT
public:
    explicit RunHistoryTable(QWidget *parent = nullptr);

    // Lists the runs of the store (none without one); the store's failure, if any.
    std::optional<core::StoreError> refresh(core::RunStore *store);
    long long selectedRun() const; // 0: none, or more than one
    // The two selected runs, the earlier first; nothing unless two are selected.
    std::optional<std::pair<long long, long long>> comparedRuns() const;
    // The selected run when it has queries left, else 0; with none selected, the
    // newest run that is not done.
    long long resumeTarget() const;
    // `idle`: no run or opening is going on.
    void updateButtons(bool idle, bool storeOk);

signals:
    void refreshRequested();
    void openRequested();
    void resumeRequested();
    void exportRequested();
    void deleteRequested();
    void compareRequested();
    void selectionChanged();

private:
    std::vector<long long> selectedRuns() const; // in ascending order

    QTableWidget *m_table = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_resume = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_compare = nullptr;
    long long m_lastResumable = 0; // the newest run not done, as last listed
};

} // namespace orbisel::deepmining
