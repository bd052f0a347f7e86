#include "deepmining/DeepMiningWindow.h"

#include "app/FileDialogs.h"
#include "app/Gbk.h"
#include "app/Program.h"
#include "core/ResultWriters.h"
#include "orbisel/config.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <set>
#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace orbisel {
namespace {

using core::DeepRunOptions;
using core::ResultDelta;
using core::ResultRow;
using core::RunOutcome;

QString utf8(const std::string &text) {
    return QString::fromStdString(text);
}

QString storeErrorText(const core::StoreError &error) {
    const QString detail = utf8(error.detail);
    switch (error.kind) {
    case core::StoreErrorKind::CannotOpen:
        return QStringLiteral("无法打开任务存储（%1）。").arg(detail);
    case core::StoreErrorKind::Corrupt:
        return QStringLiteral("任务存储文件已损坏或不是任务存储（%1），未作任何改动。").arg(detail);
    case core::StoreErrorKind::Locked:
        return QStringLiteral(
            "这个任务正在被另一个程序（例如命令行 orbisel-mine）运行，同一时间只能有一个程序运行它；"
            "这里仍可查看和导出。");
    case core::StoreErrorKind::NewerProgram:
        return QStringLiteral("任务存储来自更新版本的程序（%1），请升级本软件；文件未作改动。").arg(detail);
    case core::StoreErrorKind::UnknownRun:
        return QStringLiteral("找不到这个任务（%1）。").arg(detail);
    case core::StoreErrorKind::WriteFailed:
        return QStringLiteral("无法写入任务存储（%1），请检查磁盘空间和权限。").arg(detail);
    }
    return detail;
}

// Why a results file could not be written, once its folder was found writable.
QString writeErrorText(const core::WriteError &error) {
    if (error.kind == core::WriteErrorKind::TooManyRows)
        return QStringLiteral("结果行数超过 Excel 工作表的上限，请改用 .csv 或 .jsonl 文件。");
    return QStringLiteral("写入失败，请检查磁盘空间和权限。");
}

QString stateText(core::RunState state) {
    switch (state) {
    case core::RunState::Running:
        return QStringLiteral("运行中");
    case core::RunState::Done:
        return QStringLiteral("完成");
    case core::RunState::Stopped:
        return QStringLiteral("已停止");
    case core::RunState::Blocked:
        return QStringLiteral("被限制");
    case core::RunState::Failed:
        return QStringLiteral("失败");
    }
    return {};
}

QString durationText(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    if (s >= 3600)
        return QStringLiteral("%1时%2分").arg(s / 3600).arg((s % 3600) / 60);
    if (s >= 60)
        return QStringLiteral("%1分%2秒").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1秒").arg(s);
}

// Comma lists of the include and exclude boxes; the full-width comma counts too.
std::vector<std::string> commaList(const QString &text) {
    std::vector<std::string> items;
    for (const QString &item : QString(text).replace(QChar(0xFF0C), QChar(',')).split(',')) {
        const QString trimmed = item.trimmed();
        if (!trimmed.isEmpty())
            items.push_back(trimmed.toStdString());
    }
    return items;
}

// The root-word dictionary, loaded once per process in the background.
std::shared_future<core::SegmentDictionary::Loaded> rootWordDictionary() {
    static const std::shared_future<core::SegmentDictionary::Loaded> loaded =
        std::async(std::launch::async, [] {
            return core::SegmentDictionary::load(config::kRootWordDictionary);
        }).share();
    return loaded;
}

// The calling thread, and the threads it starts later, yield the CPU to the window's.
void lowerThreadPriority() {
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5);
#endif
}

void setBuddy(QLabel *label, QWidget *field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text().remove('&').remove(QChar(0xFF1A)).remove(':'));
}

// Qt's own buttons inside a widget (a line edit's clear button, a table's select-all corner)
// come without a name for assistive technology.
void nameUnnamedButtons(QWidget *widget, const QString &name) {
    for (QAbstractButton *button : widget->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly))
        if (button->text().isEmpty() && button->accessibleName().isEmpty())
            button->setAccessibleName(name);
}

// Qt Charts draws a bar's name as "..." unless the bar's slot holds the text with padding
// above and below; thirty such slots are taller than the tab, so the chart scrolls instead.
// Whether a history row's run has queries left (its number cell holds the flag).
constexpr int kResumableRole = Qt::UserRole + 1;

constexpr int kCategoryPadding = 10;
constexpr int kChartFrameHeight = 120; // title, value axis and margins

// The height of the tallest name as the chart lays it out (as a text document).
int tallestLabel(const QFont &font, const QStringList &names) {
    QTextDocument document;
    document.setDefaultFont(font);
    int tallest = 0;
    for (const QString &name : names) {
        document.setPlainText(name);
        tallest = std::max(tallest, static_cast<int>(std::ceil(document.size().height())));
    }
    return tallest;
}

} // namespace

// Rows and progress on their way from a worker thread to the GUI thread.
struct DeepMiningWindow::Inbox {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::deque<ResultDelta> deltas;
    std::optional<core::RunProgress> progress;
    bool scheduled = false;
};

// The root words of the shown rows, kept by the worker threads as rows arrive.
struct DeepMiningWindow::Roots {
    std::recursive_mutex mutex;
    std::uint64_t generation = 0;
    std::unique_ptr<core::RootWordIndex> index;
    std::string error;
};

// The root-word table: 词根, 词数, 商品数合计; sortable.
class RootWordsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(std::vector<core::RootWordEntry> entries) {
        beginResetModel();
        m_entries = std::move(entries);
        sortEntries();
        endResetModel();
    }
    const std::vector<core::RootWordEntry> &entries() const { return m_entries; }

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char *const titles[] = {"词根", "词数", "商品数合计"};
        if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) &&
            section >= 0 && section < 3)
            return QString::fromUtf8(titles[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        const core::RootWordEntry &entry = m_entries[static_cast<std::size_t>(index.row())];
        switch (index.column()) {
        case 0:
            return utf8(entry.word);
        case 1:
            return QString::number(entry.resultWords);
        default:
            return QString::number(entry.listings);
        }
    }
    void sort(int column, Qt::SortOrder order) override {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        m_column = column;
        m_order = order;
        sortEntries();
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    // By the column in the chosen direction; equal counts by word.
    void sortEntries() {
        const bool descending = m_order == Qt::DescendingOrder;
        std::sort(m_entries.begin(), m_entries.end(), [&](const auto &a, const auto &b) {
            if (m_column != 0) {
                const long long x = m_column == 1 ? a.resultWords : a.listings;
                const long long y = m_column == 1 ? b.resultWords : b.listings;
                if (x != y)
                    return descending ? y < x : x < y;
                return a.word < b.word;
            }
            return descending ? b.word < a.word : a.word < b.word;
        });
    }

    std::vector<core::RootWordEntry> m_entries;
    int m_column = 1;
    Qt::SortOrder m_order = Qt::DescendingOrder;
};

DeepMiningWindow::DeepMiningWindow()
    : Window(WindowId::DeepMining, WindowSpec{.caption = "深度挖掘", .width = 1100, .height = 760}),
      m_endpoints(marketplaceEndpoints()), m_inbox(std::make_shared<Inbox>()),
      m_roots(std::make_shared<Roots>()) {
    setMinimumSize(760, 560);
    m_dictionary = rootWordDictionary();

    m_results = new core::ResultsModel(this);
    m_rootWords = new RootWordsModel(this);

    auto *layout = new QVBoxLayout(this);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildSetup());
    auto *right = new QWidget(splitter);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);

    m_progress = new QProgressBar(right);
    m_progress->setObjectName(QStringLiteral("进度"));
    m_progress->setAccessibleName(QStringLiteral("进度"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_counts = new QLabel(right);
    m_counts->setObjectName(QStringLiteral("统计"));
    m_status = new QLabel(right);
    m_status->setObjectName(QStringLiteral("状态"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rightLayout->addWidget(m_progress);
    rightLayout->addWidget(m_counts);
    rightLayout->addWidget(m_status);

    auto *tabs = new QTabWidget(right);
    tabs->setObjectName(QStringLiteral("页"));
    tabs->addTab(buildResultsTab(), QStringLiteral("结果"));
    tabs->addTab(buildRootsTab(), QStringLiteral("词根"));
    tabs->addTab(buildHistoryTab(), QStringLiteral("历史"));
    rightLayout->addWidget(tabs, 1);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);

    m_rootTimer = new QTimer(this);
    m_rootTimer->setInterval(1000);
    // The root-word table and chart are rebuilt only while they are shown.
    connect(m_rootTimer, &QTimer::timeout, this, [this] {
        if (m_rootsDirty && m_rootTable->isVisible())
            refreshRootWords();
    });
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (m_rootsDirty && m_rootTable->isVisible())
            refreshRootWords();
    });
    m_rootTimer->start();

    onCreated([this] { copyKeywordWindowSeeds(); });
    openStore();
}

DeepMiningWindow::~DeepMiningWindow() {
    for (const QPointer<QThread> &writer : m_exportThreads)
        if (writer)
            writer->wait();
    if (m_worker) {
        {
            std::lock_guard guard(m_engineMutex);
            m_stopRequested = true;
            if (m_engine)
                m_engine->requestStop();
        }
        m_worker->wait();
    }
}

QWidget *DeepMiningWindow::buildSetup() {
    auto *box = new QGroupBox(QStringLiteral("设置"), this);
    auto *form = new QFormLayout(box);
    auto addRow = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, box);
        setBuddy(label, field);
        form->addRow(label, field);
    };

    m_seeds = new QPlainTextEdit(box);
    m_seeds->setObjectName(QStringLiteral("种子词"));
    m_seeds->setPlaceholderText(QStringLiteral("每行一个种子词"));
    m_seeds->setTabChangesFocus(true);
    addRow(QStringLiteral("种子词(&S)："), m_seeds);

    auto checkRow = [&](const QString &caption, const std::vector<QString> &names, QCheckBox **boxes,
                        unsigned checkedBits, const QString &objectPrefix) {
        auto *row = new QWidget(box);
        auto *rowLayout = new QGridLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        for (std::size_t i = 0; i < names.size(); ++i) {
            boxes[i] = new QCheckBox(names[i], row);
            boxes[i]->setObjectName(objectPrefix + names[i]);
            boxes[i]->setChecked(checkedBits & (1u << i));
            boxes[i]->setAccessibleName(caption + names[i]);
            rowLayout->addWidget(boxes[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
        }
        form->addRow(new QLabel(caption + QStringLiteral("："), box), row);
    };
    checkRow(QStringLiteral("扩展"),
             {QStringLiteral("字母a-z"), QStringLiteral("数字0-9"), QStringLiteral("修饰词"),
              QStringLiteral("提问词")},
             m_expansions, 0, QStringLiteral("扩展"));
    checkRow(QStringLiteral("来源"),
             {QStringLiteral("PC下拉词"), QStringLiteral("箭头词"), QStringLiteral("无线下拉词"),
              QStringLiteral("长尾词"), QStringLiteral("你是不是想找")},
             m_sources, core::kDefaultSources, QStringLiteral("来源"));

    auto spin = [&](const char *name, int low, int high, int value) {
        auto *s = new QSpinBox(box);
        s->setObjectName(QString::fromUtf8(name));
        s->setRange(low, high);
        s->setValue(value);
        return s;
    };
    m_depth = spin("深度", 1, 5, 1);
    addRow(QStringLiteral("深度(&D)："), m_depth);
    m_concurrency = spin("并发", 1, 16, 4);
    addRow(QStringLiteral("并发(&C)："), m_concurrency);
    m_include = new QLineEdit(box);
    m_include->setObjectName(QStringLiteral("包含"));
    m_include->setPlaceholderText(QStringLiteral("逗号分隔，含其中一个才保留"));
    addRow(QStringLiteral("包含(&I)："), m_include);
    m_exclude = new QLineEdit(box);
    m_exclude->setObjectName(QStringLiteral("排除"));
    m_exclude->setPlaceholderText(QStringLiteral("逗号分隔，含其中任一个就去掉"));
    addRow(QStringLiteral("排除(&E)："), m_exclude);
    m_minChars = spin("最少字数", 0, 100, 0);
    m_minChars->setSpecialValueText(QStringLiteral("不限"));
    addRow(QStringLiteral("最少字数："), m_minChars);
    m_maxChars = spin("最多字数", 0, 100, 0);
    m_maxChars->setSpecialValueText(QStringLiteral("不限"));
    addRow(QStringLiteral("最多字数："), m_maxChars);
    m_name = new QLineEdit(box);
    m_name->setObjectName(QStringLiteral("名称"));
    addRow(QStringLiteral("任务名称(&N)："), m_name);

    auto *buttons = new QHBoxLayout;
    m_start = new QPushButton(QStringLiteral("开始"), box);
    m_start->setObjectName(QStringLiteral("开始"));
    m_start->setDefault(true);
    m_start->setAutoDefault(true);
    m_stop = new QPushButton(QStringLiteral("停止"), box);
    m_stop->setObjectName(QStringLiteral("停止"));
    m_resume = new QPushButton(QStringLiteral("继续"), box);
    m_resume->setObjectName(QStringLiteral("继续"));
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_resume);
    form->addRow(buttons);
    connect(m_start, &QPushButton::clicked, this, &DeepMiningWindow::startClicked);
    // A plain window has no default button: Enter in a one-line field (Ctrl+Enter in
    // the seed box) presses 开始.
    for (QWidget *field : std::initializer_list<QWidget *>{m_seeds, m_depth, m_concurrency, m_include,
                                                           m_exclude, m_minChars, m_maxChars, m_name})
        field->installEventFilter(this);
    connect(m_stop, &QPushButton::clicked, this, &DeepMiningWindow::stopClicked);
    connect(m_resume, &QPushButton::clicked, this, &DeepMiningWindow::resumeClicked);
    return box;
}

QWidget *DeepMiningWindow::buildResultsTab() {
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("筛选(&F)："), page);
    m_filter = new QLineEdit(page);
    m_filter->setObjectName(QStringLiteral("筛选"));
    m_filter->setClearButtonEnabled(true);
    nameUnnamedButtons(m_filter, QStringLiteral("清除筛选"));
    m_filter->setPlaceholderText(QStringLiteral("只显示含这段文字的关键词"));
    setBuddy(label, m_filter);
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

    m_table = new QTableView(page);
    m_table->setObjectName(QStringLiteral("结果表"));
    m_table->setAccessibleName(QStringLiteral("结果"));
    m_table->setModel(m_results);
    m_table->setSortingEnabled(true);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->resizeSection(0, 220);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    nameUnnamedButtons(m_table, QStringLiteral("全选"));
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
    m_chart = new QChartView(split);
    m_chart->setObjectName(QStringLiteral("词根图"));
    m_chart->setAccessibleName(QStringLiteral("前30个词根"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_rootTable->horizontalHeader()->setStretchLastSection(true);
    m_rootTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_rootTable->verticalHeader()->setDefaultSectionSize(m_rootTable->fontMetrics().height() + 6);
    auto *chartScroll = new QScrollArea(split);
    chartScroll->setWidgetResizable(true);
    chartScroll->setFrameShape(QFrame::NoFrame);
    chartScroll->setWidget(m_chart);
    split->addWidget(m_rootTable);
    split->addWidget(chartScroll);
    split->setStretchFactor(1, 1);
    split->setSizes({340, 560});
    layout->addWidget(split, 1);
    connect(m_rootTable, &QTableView::activated, this, [this](const QModelIndex &index) {
        filterByRootWord(m_rootWords->index(index.row(), 0).data().toString());
    });
    connect(m_rootTable, &QTableView::clicked, this, [this](const QModelIndex &index) {
        filterByRootWord(m_rootWords->index(index.row(), 0).data().toString());
    });
    return page;
}

QWidget *DeepMiningWindow::buildHistoryTab() {
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    m_history = new QTableWidget(0, 6, page);
    m_history->setObjectName(QStringLiteral("历史表"));
    m_history->setAccessibleName(QStringLiteral("历史任务"));
    m_history->setHorizontalHeaderLabels({QStringLiteral("编号"), QStringLiteral("名称"),
                                          QStringLiteral("开始时间"), QStringLiteral("状态"),
                                          QStringLiteral("已查询/计划"), QStringLiteral("词数")});
    m_history->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_history->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_history->setSelectionMode(QAbstractItemView::SingleSelection);
    m_history->setCornerButtonEnabled(false);
    nameUnnamedButtons(m_history, QStringLiteral("全选"));
    m_history->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_history, 1);
    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &caption) {
        auto *b = new QPushButton(caption, page);
        b->setObjectName(QStringLiteral("历史") + caption);
        buttons->addWidget(b);
        return b;
    };
    auto *refresh = button(QStringLiteral("刷新"));
    m_historyOpen = button(QStringLiteral("打开"));
    m_historyResume = button(QStringLiteral("继续"));
    m_historyExport = button(QStringLiteral("导出"));
    m_historyDelete = button(QStringLiteral("删除"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(refresh, &QPushButton::clicked, this, &DeepMiningWindow::refreshHistory);
    connect(m_historyOpen, &QPushButton::clicked, this, &DeepMiningWindow::openClicked);
    connect(m_historyResume, &QPushButton::clicked, this, &DeepMiningWindow::resumeClicked);
    connect(m_historyExport, &QPushButton::clicked, this, [this] { exportClicked(selectedHistoryRun()); });
    connect(m_historyDelete, &QPushButton::clicked, this, &DeepMiningWindow::deleteClicked);
    connect(m_history, &QTableWidget::itemSelectionChanged, this, &DeepMiningWindow::updateButtons);
    connect(m_history, &QTableWidget::cellDoubleClicked, this, &DeepMiningWindow::openClicked);
    return page;
}

void DeepMiningWindow::copyKeywordWindowSeeds() {
    Window *keywords = openWindow(WindowId::Main);
    if (!keywords || !keywords->hasControl("超级编辑框1") || !m_seeds->toPlainText().trimmed().isEmpty())
        return;
    QString seeds = fromGbk(keywords->text("超级编辑框1"));
    m_seeds->setPlainText(seeds.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
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
        m_storeError.clear();
        setStatus({});
    } else {
        m_storeError = storeErrorText(opened.error());
        setStatus(m_storeError + QStringLiteral(" 运行和历史暂不可用。"));
    }
    refreshHistory();
    updateButtons();
}

bool DeepMiningWindow::isRunning() {
    std::lock_guard guard(m_engineMutex);
    return m_engine != nullptr;
}

QString DeepMiningWindow::statusText() const {
    return m_status->text();
}

void DeepMiningWindow::setStatus(const QString &text) {
    m_status->setText(text);
}

void DeepMiningWindow::updateButtons() {
    const bool idle = m_worker == nullptr;
    const bool storeOk = m_store != nullptr;
    const long long selected = selectedHistoryRun();
    bool stoppable = false;
    {
        std::lock_guard guard(m_engineMutex);
        stoppable = m_engine != nullptr && !m_stopRequested;
    }
    m_start->setEnabled(idle && storeOk);
    m_stop->setEnabled(!idle && stoppable);
    m_resume->setEnabled(idle && storeOk && resumeTarget() > 0);
    m_export->setEnabled(storeOk && m_shownRun > 0);
    m_historyOpen->setEnabled(idle && storeOk && selected > 0);
    m_historyResume->setEnabled(idle && storeOk && selected > 0 && resumeTarget() == selected);
    m_historyExport->setEnabled(storeOk && selected > 0);
    m_historyDelete->setEnabled(idle && storeOk && selected > 0);
}

std::optional<DeepRunOptions> DeepMiningWindow::readOptions() {
    DeepRunOptions options = m_hiddenOptions;
    options.seeds.clear();
    std::set<QString> seen;
    for (const QString &line : m_seeds->toPlainText().split('\n')) {
        const QString seed = line.trimmed();
        if (!seed.isEmpty() && seen.insert(seed).second)
            options.seeds.push_back(seed.toStdString());
    }
    if (options.seeds.empty()) {
        setStatus(QStringLiteral("没有种子词：请在“种子词”框里每行输入一个词。"));
        messageBox(gbk("没有种子词：请在“种子词”框里每行输入一个词。"));
        m_seeds->setFocus();
        return std::nullopt;
    }
    options.expansions = 0;
    for (int i = 0; i < core::kExpansionCount; ++i)
        if (m_expansions[i]->isChecked())
            options.expansions |= core::expansionBit(static_cast<core::Expansion>(i));
    options.sources = 0;
    for (int i = 0; i < core::kDeepSourceCount; ++i)
        if (m_sources[i]->isChecked())
            options.sources |= core::sourceBit(static_cast<core::DeepSource>(i));
    if (options.sources == 0) {
        setStatus(QStringLiteral("请至少选择一个来源。"));
        return std::nullopt;
    }
    options.depth = m_depth->value();
    options.concurrency = m_concurrency->value();
    options.include = commaList(m_include->text());
    options.exclude = commaList(m_exclude->text());
    options.minChars = m_minChars->value();
    options.maxChars = m_maxChars->value();
    if (options.maxChars > 0 && options.minChars > options.maxChars) {
        setStatus(QStringLiteral("最少字数大于最多字数，没有词能保留，请改一下。"));
        return std::nullopt;
    }
    options.name = m_name->text().trimmed().toStdString();
    return options;
}

void DeepMiningWindow::startClicked() {
    if (m_worker || !m_store)
        return;
    const auto options = readOptions();
    if (!options)
        return;
    auto created = m_store->createRun(*options);
    if (!created.ok()) {
        setStatus(storeErrorText(created.error()));
        return;
    }
    startWorker(created.value(), true);
    refreshHistory();
}

void DeepMiningWindow::stopClicked() {
    std::lock_guard guard(m_engineMutex);
    m_stopRequested = true;
    if (m_engine)
        m_engine->requestStop();
    setStatus(QStringLiteral("正在停止：等正在进行的请求结束后保存，之后可点“继续”。"));
    m_stop->setEnabled(false);
}

long long DeepMiningWindow::selectedHistoryRun() const {
    const auto rows =
        m_history->selectionModel() ? m_history->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty())
        return 0;
    const QTableWidgetItem *item = m_history->item(rows.front().row(), 0);
    return item ? item->text().toLongLong() : 0;
}

// The selected run when it is not done (a done one has nothing left to ask), else the
// last such run when none is selected.
long long DeepMiningWindow::resumeTarget() const {
    const auto rows =
        m_history->selectionModel() ? m_history->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty())
        return m_lastResumable;
    const QTableWidgetItem *item = m_history->item(rows.front().row(), 0);
    return item && item->data(kResumableRole).toBool() ? item->text().toLongLong() : 0;
}

void DeepMiningWindow::resumeClicked() {
    if (m_worker || !m_store)
        return;
    const long long runId = resumeTarget();
    if (runId <= 0) {
        setStatus(QStringLiteral("没有可以继续的任务。"));
        return;
    }
    startWorker(runId, true);
}

void DeepMiningWindow::openClicked() {
    const long long runId = selectedHistoryRun();
    if (m_worker || runId <= 0)
        return;
    startWorker(runId, false);
}

void DeepMiningWindow::deleteClicked() {
    const long long runId = selectedHistoryRun();
    if (m_worker || runId <= 0 || !m_store)
        return;
    const std::string question =
        "确定删除任务 " + std::to_string(runId) + " 及其全部结果吗？此操作不能撤销。";
    if (messageBox(gbk(question), kMbYesNo) != kIdYes)
        return;
    auto deleted = m_store->deleteRun(runId);
    if (!deleted.ok()) {
        setStatus(storeErrorText(deleted.error()));
        messageBox(toGbk(storeErrorText(deleted.error())));
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
    const auto chosen = askSaveFileName({.title = gbk("导出结果"),
                                         .filter = gbk("Excel 文件 (*.xlsx)|*.xlsx|CSV 文件 (*.csv)|*.csv|"
                                                       "JSON Lines 文件 (*.jsonl)|*.jsonl"),
                                         .defaultExtension = "xlsx",
                                         .initialPath = QStringLiteral("深度挖掘%1.xlsx").arg(runId)});
    if (!chosen)
        return;
    const std::string path = QFile::encodeName(*chosen).toStdString();
    if (auto writable = core::checkOutputWritable(path); !writable.ok()) {
        const QString reason =
            writable.error().kind == core::WriteErrorKind::UnknownFormat
                ? QStringLiteral("无法导出：只支持 .xlsx、.csv 和 .jsonl 文件。")
                : QStringLiteral("无法导出：文件夹不能写入（%1）。").arg(utf8(writable.error().detail));
        setStatus(reason);
        messageBox(toGbk(reason));
        return;
    }
    // A million rows take seconds: the file is written on a thread of its own.
    setStatus(QStringLiteral("正在导出……"));
    m_exports += 1;
    const std::string storePath = m_storePath;
    QPointer<DeepMiningWindow> self(this);
    QThread *writer = QThread::create([self, storePath, runId, path] {
        QString failure;
        auto store = core::RunStore::open(storePath);
        if (!store.ok()) {
            failure = storeErrorText(store.error());
        } else {
            std::optional<core::StoreError> readError;
            auto written = core::writeResults(path, [&](const core::RowVisitor &visit) {
                auto read = store.value()->forEachResult(runId, visit);
                if (!read.ok())
                    readError = read.error();
                return read.ok();
            });
            if (!written.ok())
                failure = readError ? storeErrorText(*readError) : writeErrorText(written.error());
        }
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

void DeepMiningWindow::exportDone(const QString &path, const QString &failure) {
    m_exports -= 1;
    if (failure.isEmpty()) {
        setStatus(QStringLiteral("已导出到 %1").arg(path));
    } else {
        const QString reason = QStringLiteral("无法导出到 %1：%2").arg(path, failure);
        setStatus(reason);
        messageBox(toGbk(reason));
    }
    emit workFinished();
    if (m_closeWhenIdle && m_exports == 0)
        close();
}

void DeepMiningWindow::refreshHistory() {
    const long long selected = selectedHistoryRun();
    m_history->setRowCount(0);
    m_lastResumable = 0;
    if (!m_store) {
        updateButtons();
        return;
    }
    auto runs = m_store->listRuns();
    if (!runs.ok()) {
        setStatus(storeErrorText(runs.error()));
        return;
    }
    m_history->setRowCount(static_cast<int>(runs.value().size()));
    m_lastResumable = 0;
    int row = 0;
    for (const core::RunSummary &run : runs.value()) {
        if (run.state != core::RunState::Done)
            m_lastResumable = std::max(m_lastResumable, run.id);
        const QStringList cells = {
            QString::number(run.id),
            utf8(run.name),
            QDateTime::fromSecsSinceEpoch(run.startedUnix).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            stateText(run.state),
            QStringLiteral("%1/%2").arg(run.queriesDone).arg(run.queriesPlanned),
            QString::number(run.words)};
        for (int column = 0; column < cells.size(); ++column)
            m_history->setItem(row, column, new QTableWidgetItem(cells[column]));
        m_history->item(row, 0)->setData(kResumableRole, run.state != core::RunState::Done);
        if (run.id == selected)
            m_history->selectRow(row);
        ++row;
    }
    updateButtons();
}

std::uint64_t DeepMiningWindow::resetResults(long long runId) {
    std::uint64_t generation = 0;
    {
        std::lock_guard guard(m_inbox->mutex);
        generation = ++m_inbox->generation;
        m_inbox->deltas.clear();
        m_inbox->progress.reset();
    }
    {
        std::lock_guard guard(m_roots->mutex);
        m_roots->generation = generation;
        m_roots->index.reset();
    }
    m_results->setRowFilter({});
    m_results->clear();
    m_rootFilterLabel->clear();
    m_clearRoot->setVisible(false);
    m_rootWords->setEntries({});
    m_shownRun = runId;
    m_rootsDirty = true;
    return generation;
}

// A worker thread loads the run's stored rows (root words included) and, when `run`,
// runs or resumes it; everything reaches the GUI thread through the inbox.
void DeepMiningWindow::startWorker(long long runId, bool run) {
    const std::uint64_t generation = resetResults(runId);
    {
        std::lock_guard guard(m_engineMutex);
        m_stopRequested = false;
    }
    const std::string storePath = m_storePath;
    const MarketplaceEndpoints endpoints = m_endpoints;
    const core::EngineTiming timing = m_timing;
    auto inbox = m_inbox;
    auto roots = m_roots;
    auto dictionary = m_dictionary;
    QPointer<DeepMiningWindow> self(this);

    auto post = [self, inbox, generation](std::optional<ResultDelta> delta,
                                          std::optional<core::RunProgress> progress) {
        std::lock_guard guard(inbox->mutex);
        if (inbox->generation != generation)
            return;
        if (delta)
            inbox->deltas.push_back(std::move(*delta));
        if (progress)
            inbox->progress = progress;
        if (!inbox->scheduled) {
            inbox->scheduled = true;
            QMetaObject::invokeMethod(
                self.data(),
                [self] {
                    if (self)
                        self->drain();
                },
                Qt::QueuedConnection);
        }
    };
    // Words are cut before the index is locked: the GUI thread reads it meanwhile.
    auto feed = [roots, dictionary, generation, post](ResultDelta delta) {
        {
            const auto &loaded = dictionary.get();
            std::vector<std::vector<std::string>> cut;
            if (loaded.dictionary) {
                cut.reserve(delta.added.size());
                for (const ResultRow &row : delta.added)
                    cut.push_back(core::segmentWords(*loaded.dictionary, row.word));
            }
            std::lock_guard guard(roots->mutex);
            if (roots->generation != generation)
                return;
            if (!loaded.dictionary) {
                roots->error = loaded.error;
            } else {
                if (!roots->index)
                    roots->index = std::make_unique<core::RootWordIndex>(loaded.dictionary);
                for (std::size_t i = 0; i < delta.added.size(); ++i)
                    roots->index->addSegmentedRow(std::move(cut[i]), delta.added[i].listings);
                for (const auto &[at, row] : delta.changed)
                    roots->index->setListings(at, row.listings);
            }
        }
        post(std::move(delta), std::nullopt);
    };

    m_worker = QThread::create([this, self, runId, run, storePath, endpoints, timing, feed, post] {
        lowerThreadPriority();
        RunOutcome outcome = RunOutcome::Done;
        QString failure;
        auto store = core::RunStore::open(storePath);
        if (!store.ok()) {
            failure = storeErrorText(store.error());
        } else {
            ResultDelta chunk;
            auto loaded = store.value()->forEachResult(runId, [&](const ResultRow &row) {
                chunk.added.push_back(row);
                if (chunk.added.size() >= 20000) {
                    feed(std::move(chunk));
                    chunk = {};
                }
                return true;
            });
            if (!chunk.added.empty())
                feed(std::move(chunk));
            if (!loaded.ok()) {
                failure = storeErrorText(loaded.error());
            } else if (run) {
                core::DeepRunEngine engine(*store.value(), runId, endpoints);
                engine.setTiming(timing);
                {
                    std::lock_guard guard(m_engineMutex);
                    m_engine = &engine;
                    if (m_stopRequested)
                        engine.requestStop();
                }
                QMetaObject::invokeMethod(
                    self.data(),
                    [self] {
                        if (self)
                            self->updateButtons();
                    },
                    Qt::QueuedConnection);
                outcome = engine.run([&](const core::RunProgress &progress) { post(std::nullopt, progress); },
                                     [&](const ResultDelta &delta) { feed(delta); });
                {
                    std::lock_guard guard(m_engineMutex);
                    m_engine = nullptr;
                }
                if (engine.storeError())
                    failure = storeErrorText(*engine.storeError());
            }
        }
        QMetaObject::invokeMethod(
            self.data(),
            [self, outcome, failure, run] {
                if (self)
                    self->workerDone(outcome, failure, run);
            },
            Qt::QueuedConnection);
    });
    m_worker->setParent(this);
    m_worker->start();
    setStatus(run ? QStringLiteral("正在挖掘任务 %1……").arg(runId)
                  : QStringLiteral("正在打开任务 %1……").arg(runId));
    updateButtons();
}

// Applies the rows that arrived, in order; a large backlog goes in slices so the
// window keeps answering.
void DeepMiningWindow::drain() {
    constexpr std::size_t kRowsPerSlice = 50000;
    std::vector<ResultDelta> deltas;
    std::optional<core::RunProgress> progress;
    bool more = false;
    {
        std::lock_guard guard(m_inbox->mutex);
        std::size_t rows = 0;
        while (!m_inbox->deltas.empty() && rows < kRowsPerSlice) {
            rows += m_inbox->deltas.front().added.size() + m_inbox->deltas.front().changed.size();
            deltas.push_back(std::move(m_inbox->deltas.front()));
            m_inbox->deltas.pop_front();
        }
        progress = std::exchange(m_inbox->progress, std::nullopt);
        more = !m_inbox->deltas.empty();
        m_inbox->scheduled = more;
    }
    if (!deltas.empty()) {
        // One merge into the shown order per slice: rows only change values, so the
        // changes of every delta can follow all the added rows.
        ResultDelta slice = std::move(deltas.front());
        for (std::size_t i = 1; i < deltas.size(); ++i) {
            std::move(deltas[i].added.begin(), deltas[i].added.end(), std::back_inserter(slice.added));
            std::move(deltas[i].changed.begin(), deltas[i].changed.end(), std::back_inserter(slice.changed));
        }
        m_results->appendRows(slice.added);
        m_results->changeRows(slice.changed);
        m_rootsDirty = true;
    }
    if (progress)
        showProgress(*progress);
    else if (!deltas.empty() && !isRunning())
        m_counts->setText(QStringLiteral("词数 %1").arg(m_results->storedRowCount()));
    if (more)
        QMetaObject::invokeMethod(this, &DeepMiningWindow::drain, Qt::QueuedConnection);
}

void DeepMiningWindow::showProgress(const core::RunProgress &progress) {
    const long long planned = std::max<long long>(progress.queriesPlanned, 1);
    m_progress->setRange(0, static_cast<int>(std::min<long long>(planned, INT_MAX)));
    m_progress->setValue(static_cast<int>(std::min<long long>(progress.queriesDone, INT_MAX)));
    QString text = QStringLiteral("查询 %1/%2　词数 %3　每秒 %4 次请求")
                       .arg(progress.queriesDone)
                       .arg(progress.queriesPlanned)
                       .arg(progress.words)
                       .arg(progress.requestsPerSecond, 0, 'f', 1);
    if (progress.etaSeconds)
        text += QStringLiteral("　预计还需 %1").arg(durationText(*progress.etaSeconds));
    m_counts->setText(text);
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

void DeepMiningWindow::workerDone(RunOutcome outcome, const QString &failure, bool ran) {
    if (m_worker) {
        m_worker->wait();
        m_worker->deleteLater();
        m_worker = nullptr;
    }
    // Whatever is still in the inbox belongs before the outcome.
    {
        std::unique_lock guard(m_inbox->mutex);
        while (!m_inbox->deltas.empty() || m_inbox->progress) {
            guard.unlock();
            drain();
            guard.lock();
        }
    }
    const long long words = static_cast<long long>(m_results->storedRowCount());
    QString status;
    if (!failure.isEmpty() && (!ran || outcome == RunOutcome::StoreFailed || outcome == RunOutcome::Locked)) {
        status = failure;
    } else if (!ran) {
        status = QStringLiteral("任务 %1：%2 个词。").arg(m_shownRun).arg(words);
        showStoredProgress(m_shownRun);
    } else {
        switch (outcome) {
        case RunOutcome::Done:
            status = QStringLiteral("完成：任务 %1 共 %2 个词。").arg(m_shownRun).arg(words);
            break;
        case RunOutcome::MaxQueriesReached:
            status =
                QStringLiteral("完成：已达到查询次数上限，任务 %1 共 %2 个词。").arg(m_shownRun).arg(words);
            break;
        case RunOutcome::Stopped:
            status = QStringLiteral("已停止，结果已保存；点“继续”可接着挖（任务 %1）。").arg(m_shownRun);
            break;
        case RunOutcome::Blocked:
            status =
                QStringLiteral(
                    "平台连续拒绝请求（访问被限制），任务已停止并保存。请过几个小时再点“继续”（任务 %1）。")
                    .arg(m_shownRun);
            break;
        case RunOutcome::NetworkDown:
            status = QStringLiteral("网络不通，任务已停止并保存。请检查网络连接后点“继续”（任务 %1）。")
                         .arg(m_shownRun);
            break;
        case RunOutcome::StoreFailed:
        case RunOutcome::Locked:
            status = failure;
            break;
        }
    }
    setStatus(status);
    refreshRootWords();
    refreshHistory();
    updateButtons();
    emit workFinished();
    if (m_closeWhenIdle && m_exports == 0)
        close();
}

void DeepMiningWindow::refreshRootWords() {
    m_rootsDirty = false;
    std::vector<core::RootWordEntry> entries;
    {
        std::lock_guard guard(m_roots->mutex);
        if (!m_roots->error.empty())
            m_rootsStatus->setText(QStringLiteral("无法切分词根：%1").arg(utf8(m_roots->error)));
        if (m_roots->index)
            entries = m_roots->index->entries();
    }
    m_rootWords->setEntries(std::move(entries));
    const auto &all = m_rootWords->entries();
    std::vector<const core::RootWordEntry *> top;
    top.reserve(all.size());
    for (const core::RootWordEntry &entry : all)
        top.push_back(&entry);
    const std::size_t shown = std::min<std::size_t>(30, top.size());
    std::partial_sort(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(shown), top.end(),
                      [](const auto *a, const auto *b) {
                          return a->resultWords != b->resultWords ? a->resultWords > b->resultWords
                                                                  : a->word < b->word;
                      });
    top.resize(shown);
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("词数最多的 30 个词根"));
    chart->legend()->hide();
    auto *set = new QBarSet(QStringLiteral("词数"));
    QStringList categories;
    long long largest = 1;
    for (auto it = top.rbegin(); it != top.rend(); ++it) { // largest at the top
        *set << static_cast<qreal>((*it)->resultWords);
        categories << utf8((*it)->word);
        largest = std::max(largest, (*it)->resultWords);
    }
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto *names = new QBarCategoryAxis;
    names->append(categories);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    m_chart->setMinimumHeight(static_cast<int>(categories.size()) *
                                  (tallestLabel(names->labelsFont(), categories) + kCategoryPadding) +
                              kChartFrameHeight);
    auto *counts = new QValueAxis;
    // Whole-number ticks: counts of words.
    const long long step = std::max<long long>(1, (largest + 4) / 5);
    counts->setRange(0, static_cast<qreal>((largest + step - 1) / step * step));
    counts->setTickType(QValueAxis::TicksDynamic);
    counts->setTickAnchor(0);
    counts->setTickInterval(static_cast<qreal>(step));
    counts->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);
    connect(set, &QBarSet::clicked, this, [this, categories](int index) {
        if (index >= 0 && index < categories.size())
            filterByRootWord(categories[index]);
    });
    QChart *old = m_chart->chart();
    m_chart->setChart(chart);
    delete old;
}

void DeepMiningWindow::filterByRootWord(const QString &root) {
    if (root.isEmpty()) {
        m_results->setRowFilter({});
        m_rootFilterLabel->clear();
        m_clearRoot->setVisible(false);
        return;
    }
    auto roots = m_roots;
    int id = -1;
    {
        std::lock_guard guard(roots->mutex);
        if (roots->index)
            id = roots->index->rootId(root.toStdString());
    }
    // Worker threads add rows to the index while the filter reads it.
    m_results->setRowFilter([roots, id](std::size_t row) {
        std::lock_guard guard(roots->mutex);
        return roots->index && roots->index->rowContains(row, id);
    });
    m_rootFilterLabel->setText(QStringLiteral("词根：%1").arg(root));
    m_clearRoot->setVisible(true);
}

bool DeepMiningWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return Window::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (!enter || (watched == m_seeds && !ctrl) || !m_start->isEnabled())
        return Window::eventFilter(watched, event);
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(watched))
        spin->interpretText();
    m_start->click();
    return true;
}

bool DeepMiningWindow::canClose() {
    if (!m_worker && m_exports == 0)
        return true;
    if (!m_worker) { // an export is being written: close when it is done
        m_closeWhenIdle = true;
        return false;
    }
    // Stop, let the requests in flight finish and save; the window closes when the worker is done.
    m_closeWhenIdle = true;
    stopClicked();
    return false;
}

void registerDeepMiningWindow() {
    registerWindow(WindowId::DeepMining, [] { return new DeepMiningWindow; });
}

} // namespace orbisel
