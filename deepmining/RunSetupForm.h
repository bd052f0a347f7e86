#pragma once

#include "core/inputs/RunInputs.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace orbisel::deepmining {

// The 设置 box: seeds, expansions, sources, depth, concurrency, pace, include / exclude
// words, characters, the run name and the 开始 / 停止 / 继续 buttons. Enter in a
// one-line field (Ctrl+Enter in the seed box) presses 开始.
class RunSetupForm : public QGroupBox {
    Q_OBJECT
public:
    explicit RunSetupForm(QWidget *parent = nullptr);

    // The form as given; `hidden` holds the options the form does not show.
    core::RunInputs inputs(const core::DeepRunOptions &hidden) const;
    QString seedText() const;
    void setSeedText(const QString &text);
    void focusSeeds();

    QPushButton *startButton() const { return m_start; }
    QPushButton *stopButton() const { return m_stop; }
    QPushButton *resumeButton() const { return m_resume; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *m_seeds = nullptr;
    QCheckBox *m_expansions[core::kExpansionCount] = {};
    QCheckBox *m_sources[core::kDeepSourceCount] = {};
    QSpinBox *m_depth = nullptr;
    QSpinBox *m_concurrency = nullptr;
    QComboBox *m_pace = nullptr;
    QLineEdit *m_include = nullptr;
    QLineEdit *m_exclude = nullptr;
    QSpinBox *m_minChars = nullptr;
    QSpinBox *m_maxChars = nullptr;
    QLineEdit *m_name = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_resume = nullptr;
};

} // namespace orbisel::deepmining
