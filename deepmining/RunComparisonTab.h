#pragma once

#include "core/runs/RunDiff.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QThread;

namespace orbisel::deepmining {

class ComparisonModel;

// The 对比 page: two stored runs compared word by word, with a summary line,
// a text filter, sorting by every column and 导出.
class RunComparisonTab : public QWidget {
    Q_OBJECT
public:
    explicit RunComparisonTab(QWidget *parent = nullptr);
    ~RunComparisonTab() override; // waits for a comparison being made

    // Compares the runs of the store on a thread of its own, then shows them.
    void compare(const std::string &storePath, long long older, long long newer);
    bool busy() const { return !m_worker.isNull(); }
    ComparisonModel *model() const { return m_model; }
    QString summaryText() const;
    // The file name 导出 proposes.
    QString exportName() const;

signals:
    void compared(); // a comparison was shown or failed
    void exportRequested();

private:
    using Outcome = core::Result<core::RunComparison, core::ComparisonError>;
    void show(long long older, long long newer, Outcome &outcome);

    ComparisonModel *m_model = nullptr;
    QLabel *m_summary = nullptr;
    QLineEdit *m_filter = nullptr;
    QPushButton *m_export = nullptr;
    QTableView *m_table = nullptr;
    QPointer<QThread> m_worker;
    long long m_older = 0;
    long long m_newer = 0;
};

} // namespace orbisel::deepmining
