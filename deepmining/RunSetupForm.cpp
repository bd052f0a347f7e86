#include "deepmining/RunSetupForm.h"

#include "core/base/SourceNames.h"
#include "deepmining/AccessibleNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <initializer_list>
#include <vector>

namespace orbisel::deepmining {

namespace {

template <int N> unsigned checkedBits(QCheckBox *const (&boxes)[N]) {
    unsigned bits = 0;
    for (int i = 0; i < N; ++i)
        if (boxes[i]->isChecked())
            bits |= 1u << i;
    return bits;
}

} // namespace

RunSetupForm::RunSetupForm(QWidget *parent) : QGroupBox(QStringLiteral("设置"), parent) {
    auto *form = new QFormLayout(this);
    auto addRow = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        setBuddy(label, field);
        form->addRow(label, field);
    };

    m_seeds = new QPlainTextEdit(this);
    m_seeds->setObjectName(QStringLiteral("种子词"));
    m_seeds->setPlaceholderText(QStringLiteral("每行一个种子词"));
    m_seeds->setTabChangesFocus(true);
    addRow(QStringLiteral("种子词(&S)："), m_seeds);

    auto checkRow = [&](const QString &caption, const std::vector<QString> &names, QCheckBox **boxes,
                        unsigned checked, const QString &objectPrefix) {
        auto *row = new QWidget(this);
        auto *rowLayout = new QGridLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        for (std::size_t i = 0; i < names.size(); ++i) {
            boxes[i] = new QCheckBox(names[i], row);
            boxes[i]->setObjectName(objectPrefix + names[i]);
            boxes[i]->setChecked(checked & (1u << i));
            boxes[i]->setAccessibleName(caption + names[i]);
            rowLayout->addWidget(boxes[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
        }
        form->addRow(new QLabel(caption + QStringLiteral("："), this), row);
    };
    checkRow(QStringLiteral("扩展"),
             {QStringLiteral("字母a-z"), QStringLiteral("数字0-9"), QStringLiteral("修饰词"),
              QStringLiteral("提问词")},
             m_expansions, 0, QStringLiteral("扩展"));
    std::vector<QString> sourceLabels;
    for (std::string_view label : core::kSourceLabels)
        sourceLabels.push_back(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    checkRow(QStringLiteral("来源"), sourceLabels, m_sources, core::kDefaultSources, QStringLiteral("来源"));

    auto spin = [&](const char *name, int low, int high, int value) {
        auto *s = new QSpinBox(this);
        s->setObjectName(QString::fromUtf8(name));
        s->setRange(low, high);
        s->setValue(value);
        return s;
    };
    m_depth = spin("深度", core::kMinDepth, core::kMaxDepth, 1);
    addRow(QStringLiteral("深度(&D)："), m_depth);
    m_concurrency = spin("并发", core::kMinConcurrency, core::kMaxConcurrency, 4);
    addRow(QStringLiteral("并发(&C)："), m_concurrency);
    m_pace = new QComboBox(this);
    m_pace->setObjectName(QStringLiteral("节奏"));
    // In the order of core::Pacing.
    m_pace->addItems({QStringLiteral("自适应（平台允许多快就多快）"), QStringLiteral("固定间隔")});
    m_pace->setToolTip(QStringLiteral("自适应：回答正常时逐步加快，被拒绝或回答明显变慢时大幅放慢；"
                                      "固定间隔：每次请求之间等待同样的时间"));
    addRow(QStringLiteral("请求节奏(&P)："), m_pace);
    m_include = new QLineEdit(this);
    m_include->setObjectName(QStringLiteral("包含"));
    m_include->setPlaceholderText(QStringLiteral("逗号分隔，含其中一个才保留"));
    addRow(QStringLiteral("包含(&I)："), m_include);
    m_exclude = new QLineEdit(this);
    m_exclude->setObjectName(QStringLiteral("排除"));
    m_exclude->setPlaceholderText(QStringLiteral("逗号分隔，含其中任一个就去掉"));
    addRow(QStringLiteral("排除(&E)："), m_exclude);
    m_minChars = spin("最少字数", 0, core::kMaxCharsBound, 0);
    m_minChars->setSpecialValueText(QStringLiteral("不限"));
    addRow(QStringLiteral("最少字数："), m_minChars);
    m_maxChars = spin("最多字数", 0, core::kMaxCharsBound, 0);
    m_maxChars->setSpecialValueText(QStringLiteral("不限"));
    addRow(QStringLiteral("最多字数："), m_maxChars);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("名称"));
    addRow(QStringLiteral("任务名称(&N)："), m_name);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(caption);
        buttons->addWidget(b);
        return b;
    };
    m_start = button(QStringLiteral("开始"));
    m_start->setDefault(true);
    m_start->setAutoDefault(true);
    m_stop = button(QStringLiteral("停止"));
    m_resume = button(QStringLiteral("继续"));
    form->addRow(buttons);
    // A plain window has no default button: the form presses 开始 itself.
    for (QWidget *field : std::initializer_list<QWidget *>{m_seeds, m_depth, m_concurrency, m_include,
                                                           m_exclude, m_minChars, m_maxChars, m_name})
        field->installEventFilter(this);
}

core::RunInputs RunSetupForm::inputs(const core::DeepRunOptions &hidden) const {
    core::RunInputs inputs;
    inputs.options = hidden;
    inputs.options.expansions = static_cast<core::ExpansionSet>(checkedBits(m_expansions));
    inputs.options.sources = static_cast<core::DeepSourceSet>(checkedBits(m_sources));
    inputs.options.depth = m_depth->value();
    inputs.options.concurrency = m_concurrency->value();
    inputs.options.pace = static_cast<core::Pacing>(m_pace->currentIndex());
    inputs.options.minChars = m_minChars->value();
    inputs.options.maxChars = m_maxChars->value();
    inputs.options.name = m_name->text().trimmed().toStdString();
    inputs.seedText = m_seeds->toPlainText().toStdString();
    inputs.include = m_include->text().toStdString();
    inputs.exclude = m_exclude->text().toStdString();
    return inputs;
}

QString RunSetupForm::seedText() const {
    return m_seeds->toPlainText();
}

void RunSetupForm::setSeedText(const QString &text) {
    m_seeds->setPlainText(text);
}

void RunSetupForm::focusSeeds() {
    m_seeds->setFocus();
}

bool RunSetupForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QGroupBox::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (!enter || (watched == m_seeds && !ctrl) || !m_start->isEnabled())
        return QGroupBox::eventFilter(watched, event);
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(watched))
        spin->interpretText();
    m_start->click();
    return true;
}

} // namespace orbisel::deepmining
