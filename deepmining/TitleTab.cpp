#include "deepmining/TitleTab.h"

#include "core/base/WordText.h"
#include "core/runs/RunTitles.h"
#include "deepmining/AccessibleNames.h"
#include "deepmining/DeepMiningTexts.h"
#include "deepmining/RootWordCollector.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

namespace orbisel::deepmining {
namespace {

const QColor kProblemColor(0xC0, 0x00, 0x00);

QString figureText(long long tenths) {
    return QString::number(static_cast<double>(tenths) / core::kHeatTenths, 'f', 1);
}

QString wordListText(const QString &list, const core::WordListError &error) {
    const QString path = utf8(error.detail);
    switch (error.kind) {
    case core::WordListErrorKind::ControlCharacter:
        return QStringLiteral("%1 %2 第 %3 行含控制字符（NUL、制表符等），请改正后再试。")
            .arg(list, path)
            .arg(error.line);
    case core::WordListErrorKind::BadEncoding:
        return QStringLiteral("%1 %2 第 %3 行既不是 UTF-8 也不是 GBK 文本。").arg(list, path).arg(error.line);
    default:
        return QStringLiteral("无法读取%1 %2。").arg(list, path);
    }
}

QString titleInputText(const core::TitleInputError &error) {
    switch (error.kind) {
    case core::TitleInputErrorKind::Store:
        return storeErrorText(error.store);
    case core::TitleInputErrorKind::UnknownSeed:
        return QStringLiteral("这个任务没有种子词“%1”。").arg(utf8(error.seed));
    case core::TitleInputErrorKind::UserDictionary:
        return wordListText(QStringLiteral("用户词典"), error.list);
    case core::TitleInputErrorKind::BannedWords:
        break;
    }
    return wordListText(QStringLiteral("禁用词表"), error.list);
}

QString forbiddenKind(bool avoided) {
    return avoided ? QStringLiteral("避开词") : QStringLiteral("禁用词");
}

QString titleErrorText(const core::TitleError &error, const core::TitleRequest &request) {
    switch (error.kind) {
    case core::TitleErrorKind::UnknownSeed:
        return QStringLiteral("这个任务没有种子词“%1”。").arg(utf8(error.word));
    case core::TitleErrorKind::MustWordTooLong:
        return QStringLiteral("必含词“%1”占 %2 字节，超过上限 %3 字节。")
            .arg(utf8(error.word))
            .arg(core::titleBytes(error.word))
            .arg(request.byteLimit);
    case core::TitleErrorKind::MustWordForbidden:
        break;
    }
    return QStringLiteral("必含词“%1”含%2“%3”，标题不能用它。")
        .arg(utf8(error.word), forbiddenKind(error.avoided), utf8(error.forbidden));
}

QString problemText(const core::TitleProblem &problem, std::size_t limit) {
    if (problem.kind == core::TitleProblemKind::OverLimit)
        return QStringLiteral("超过 %1 字节上限").arg(limit);
    return QStringLiteral("含%1“%2”").arg(forbiddenKind(problem.avoided), utf8(problem.word));
}

std::vector<std::string> listItems(const QLineEdit *field) {
    return core::splitList(field->text().toStdString());
}

QTableWidgetItem *cell(const QString &text, bool number = false) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTableWidget *readOnlyTable(const QString &name, QWidget *parent) {
    auto *table = new QTableWidget(parent);
    table->setObjectName(name);
    table->setAccessibleName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    table->setCornerButtonEnabled(false);
    nameUnnamedButtons(table, QStringLiteral("全选"));
    return table;
}

} // namespace

// What a compose on the worker thread brings back.
struct TitleTab::Outcome {
    std::shared_ptr<const core::TitleIndex> index;
    core::TitleRequest request;
    std::optional<core::TitleSet> titles;
    QString failure;
};

TitleTab::TitleTab(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("标题页"));
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    m_seeds = new QListWidget(this);
    m_seeds->setObjectName(QStringLiteral("标题种子词"));
    m_seeds->setAccessibleName(QStringLiteral("种子词"));
    m_seeds->setMaximumHeight(110);
    top->addWidget(m_seeds, 1);

    auto *form = new QFormLayout;
    const auto addRow = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        setBuddy(label, field);
        form->addRow(label, field);
    };
    m_must = new QLineEdit(this);
    m_must->setObjectName(QStringLiteral("必含词"));
    m_must->setPlaceholderText(QStringLiteral("逗号分隔；不填则为种子词"));
    addRow(QStringLiteral("必含词(&M)："), m_must);
    m_avoid = new QLineEdit(this);
    m_avoid->setObjectName(QStringLiteral("避开词"));
    m_avoid->setPlaceholderText(QStringLiteral("逗号分隔，例如别家的品牌"));
    addRow(QStringLiteral("避开词(&V)："), m_avoid);
    auto *numbers = new QHBoxLayout;
    m_limit = new QSpinBox(this);
    m_limit->setObjectName(QStringLiteral("字节上限"));
    m_limit->setRange(1, 1000);
    m_limit->setValue(60);
    m_limit->setSuffix(QStringLiteral(" 字节"));
    m_count = new QSpinBox(this);
    m_count->setObjectName(QStringLiteral("标题数"));
    m_count->setRange(1, 20);
    m_count->setValue(5);
    m_compose = new QPushButton(QStringLiteral("生成标题"), this);
    m_compose->setObjectName(QStringLiteral("生成标题"));
    auto *countLabel = new QLabel(QStringLiteral("标题数："), this);
    setBuddy(countLabel, m_count);
    numbers->addWidget(m_limit);
    numbers->addWidget(countLabel);
    numbers->addWidget(m_count);
    numbers->addWidget(m_compose);
    auto *limitLabel = new QLabel(QStringLiteral("字节上限(&L)："), this);
    setBuddy(limitLabel, m_limit);
    form->addRow(limitLabel, numbers);
    top->addLayout(form, 2);
    layout->addLayout(top);

    m_status = new QLabel(QStringLiteral("选一个种子词，点“生成标题”。"), this);
    m_status->setObjectName(QStringLiteral("标题状态"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *split = new QSplitter(Qt::Vertical, this);
    m_titles = readOnlyTable(QStringLiteral("标题表"), split);
    m_titles->setColumnCount(5);
    m_titles->setHorizontalHeaderLabels({QStringLiteral("标题"), QStringLiteral("字节"),
                                         QStringLiteral("字数"), QStringLiteral("价值"),
                                         QStringLiteral("覆盖词数")});
    m_titles->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);

    auto *editor = new QWidget(split);
    auto *editorLayout = new QVBoxLayout(editor);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    auto *editRow = new QHBoxLayout;
    m_edit = new QLineEdit(editor);
    m_edit->setObjectName(QStringLiteral("编辑标题"));
    m_edit->setPlaceholderText(QStringLiteral("点上面的标题，在这里修改"));
    auto *editLabel = new QLabel(QStringLiteral("修改(&E)："), editor);
    setBuddy(editLabel, m_edit);
    m_copy = new QPushButton(QStringLiteral("复制"), editor);
    m_copy->setObjectName(QStringLiteral("复制"));
    editRow->addWidget(editLabel);
    editRow->addWidget(m_edit, 1);
    editRow->addWidget(m_copy);
    editorLayout->addLayout(editRow);
    auto *figures = new QHBoxLayout;
    m_bytes = new QLabel(editor);
    m_bytes->setObjectName(QStringLiteral("标题字节"));
    m_value = new QLabel(editor);
    m_value->setObjectName(QStringLiteral("标题价值"));
    m_problems = new QLabel(editor);
    m_problems->setObjectName(QStringLiteral("标题问题"));
    figures->addWidget(m_bytes);
    figures->addWidget(m_value);
    figures->addWidget(m_problems, 1);
    editorLayout->addLayout(figures);
    m_checklist = readOnlyTable(QStringLiteral("词根核对"), editor);
    editorLayout->addWidget(m_checklist, 1);
    split->addWidget(m_titles);
    split->addWidget(editor);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    connect(m_compose, &QPushButton::clicked, this, &TitleTab::composeClicked);
    connect(m_seeds, &QListWidget::currentRowChanged, this, &TitleTab::updateButtons);
    connect(m_titles, &QTableWidget::currentCellChanged, this, [this](int row) { titleChosen(row); });
    connect(m_edit, &QLineEdit::textChanged, this, &TitleTab::updateFigures);
    connect(m_avoid, &QLineEdit::textChanged, this, &TitleTab::updateFigures);
    connect(m_limit, &QSpinBox::valueChanged, this, &TitleTab::updateFigures);
    connect(m_copy, &QPushButton::clicked, this, &TitleTab::copyClicked);
    updateButtons();
    updateFigures();
}

TitleTab::~TitleTab() {
    if (m_worker)
        m_worker->wait();
}

void TitleTab::showRun(core::RunStore *store, long long runId) {
    const QString chosen = m_seeds->currentItem() ? m_seeds->currentItem()->text() : QString();
    m_seeds->clear();
    m_storePath = store ? store->path() : std::string();
    m_runId = store ? runId : 0;
    m_indexRun = 0; // the run's words may have changed: read them again
    if (m_runId > 0)
        if (const auto options = store->options(runId); options.ok())
            for (const std::string &seed : options.value().seeds)
                m_seeds->addItem(utf8(seed));
    const auto same = m_seeds->findItems(chosen, Qt::MatchExactly);
    m_seeds->setCurrentRow(same.isEmpty() ? 0 : m_seeds->row(same.first()));
    updateButtons();
}

core::TitleRequest TitleTab::fieldRequest() const {
    core::TitleRequest request;
    if (m_seeds->currentItem())
        request.seed = m_seeds->currentItem()->text().toStdString();
    if (std::vector<std::string> must = listItems(m_must); !must.empty())
        request.mustWords = std::move(must);
    request.avoidWords = listItems(m_avoid);
    request.byteLimit = static_cast<std::size_t>(m_limit->value());
    request.titleCount = static_cast<std::size_t>(m_count->value());
    return request;
}

void TitleTab::updateButtons() {
    m_compose->setEnabled(!isComposing() && m_runId > 0 && m_seeds->currentItem() != nullptr);
    m_copy->setEnabled(!m_edit->text().isEmpty());
}

// Composing 100,000 words takes about half a second, reading and cutting them more: a worker does both.
void TitleTab::composeClicked() {
    if (isComposing() || m_runId <= 0 || !m_seeds->currentItem())
        return;
    auto job = std::make_shared<Outcome>();
    job->request = fieldRequest();
    if (m_indexRun == m_runId && m_indexSeed == job->request.seed)
        job->index = m_index;
    m_status->setText(job->index ? QStringLiteral("正在生成标题……")
                                 : QStringLiteral("正在读取任务的关键词并生成标题……"));
    QPointer<TitleTab> self(this);
    QThread *worker = QThread::create([self, job, storePath = m_storePath, runId = m_runId] {
        compose(*job, storePath, runId);
        QMetaObject::invokeMethod(
            self.data(),
            [self, job, runId] {
                if (self && self->m_runId == runId)
                    self->composeDone(*job);
            },
            Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this] {
        m_worker.clear();
        updateButtons();
        emit composeFinished();
    });
    m_worker = worker;
    worker->start();
    updateButtons();
}

void TitleTab::composeDone(const Outcome &outcome) {
    if (outcome.index) {
        m_index = outcome.index;
        m_indexRun = m_runId;
        m_indexSeed = outcome.request.seed;
    }
    if (!outcome.titles) {
        m_status->setText(outcome.failure);
        return;
    }
    m_status->setText(QStringLiteral("种子词“%1”的 %2 个标题；点一个标题可在下面修改。")
                          .arg(utf8(m_indexSeed))
                          .arg(outcome.titles->titles.size()));
    showTitles(*outcome.titles);
    showChecklist(*outcome.titles);
}

void TitleTab::showTitles(const core::TitleSet &titles) {
    m_titles->setRowCount(static_cast<int>(titles.titles.size()));
    for (int row = 0; row < m_titles->rowCount(); ++row) {
        const core::Title &title = titles.titles[static_cast<std::size_t>(row)];
        m_titles->setItem(row, 0, cell(utf8(title.text)));
        m_titles->setItem(row, 1, cell(QString::number(title.bytes), true));
        m_titles->setItem(row, 2, cell(QString::number(title.characters), true));
        m_titles->setItem(row, 3, cell(figureText(title.value), true));
        m_titles->setItem(row, 4, cell(QString::number(title.coveredWords), true));
    }
    m_titles->setCurrentCell(-1, -1);
    m_titles->setCurrentCell(0, 0);
}

// One row per explained root word: the word, its value and a ✓ under each title that holds it.
void TitleTab::showChecklist(const core::TitleSet &titles) {
    QStringList header{QStringLiteral("词根"), QStringLiteral("价值")};
    for (std::size_t t = 1; t <= titles.titles.size(); ++t)
        header << QStringLiteral("标题%1").arg(t);
    m_checklist->clear();
    m_checklist->setColumnCount(static_cast<int>(header.size()));
    m_checklist->setHorizontalHeaderLabels(header);
    m_checklist->setRowCount(static_cast<int>(titles.explanation.size()));
    for (int row = 0; row < m_checklist->rowCount(); ++row) {
        const core::RootWordUse &use = titles.explanation[static_cast<std::size_t>(row)];
        m_checklist->setItem(row, 0, cell(utf8(use.rootWord)));
        m_checklist->setItem(row, 1, cell(figureText(use.value), true));
        for (std::size_t t = 0; t < use.inTitle.size(); ++t) {
            QTableWidgetItem *mark = cell(use.inTitle[t] ? QStringLiteral("✓") : QString());
            mark->setTextAlignment(Qt::AlignCenter);
            m_checklist->setItem(row, static_cast<int>(t) + 2, mark);
        }
    }
}

void TitleTab::titleChosen(int row) {
    if (const QTableWidgetItem *item = row >= 0 ? m_titles->item(row, 0) : nullptr)
        m_edit->setText(item->text());
}

void TitleTab::updateFigures() {
    updateButtons();
    if (!m_index) {
        m_bytes->setText(QStringLiteral("%1 字节").arg(core::titleBytes(m_edit->text().toStdString())));
        return;
    }
    core::TitleRequest request = fieldRequest();
    request.seed = m_indexSeed;
    const auto figures = m_index->figures(request, m_edit->text().toStdString());
    if (!figures.ok())
        return;
    const core::TitleFigures &f = figures.value();
    m_bytes->setText(QStringLiteral("%1 / %2 字节").arg(f.bytes).arg(request.byteLimit));
    m_value->setText(QStringLiteral("%1 字 · 价值 %2 · 覆盖 %3 个词")
                         .arg(f.characters)
                         .arg(figureText(f.value))
                         .arg(f.coveredWords));
    QStringList reasons;
    for (const core::TitleProblem &problem : f.problems)
        reasons << problemText(problem, request.byteLimit);
    m_problems->setText(reasons.join(QStringLiteral("；")));
    QPalette palette;
    if (!reasons.isEmpty())
        palette.setColor(QPalette::WindowText, kProblemColor);
    for (QLabel *label : {m_bytes, m_problems})
        label->setPalette(palette);
}

void TitleTab::copyClicked() {
    QGuiApplication::clipboard()->setText(m_edit->text());
    m_status->setText(QStringLiteral("已复制标题。"));
}

void TitleTab::compose(Outcome &job, const std::string &storePath, long long runId) {
    if (!job.index) {
        auto store = core::RunStore::open(storePath);
        if (!store.ok()) {
            job.failure = storeErrorText(store.error());
            return;
        }
        const auto input = core::loadTitleInput(*store.value(), runId, job.request.seed);
        if (!input.ok()) {
            job.failure = titleInputText(input.error());
            return;
        }
        // Held by name: the reference points into the future's shared state.
        const auto dictionary = rootWordDictionary();
        const auto &loaded = dictionary.get();
        if (!loaded.dictionary) {
            job.failure = QStringLiteral("无法切分词根：%1").arg(utf8(loaded.error));
            return;
        }
        job.index = core::titleIndexOf(loaded.dictionary, input.value());
    }
    auto titles = job.index->compose(job.request);
    if (titles.ok())
        job.titles = std::move(titles).value();
    else
        job.failure = titleErrorText(titles.error(), job.request);
}

} // namespace orbisel::deepmining
