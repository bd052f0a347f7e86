#include "deepmining/DeepMiningWindow.h"

#include "MarketplaceServer.h"
#include "app/FileDialogs.h"
#include "app/Program.h"
#include "core/files/ResultWriters.h"
#include "core/inputs/Expansion.h"
#include "core/inputs/RunInputs.h"
#include "core/inputs/WordLists.h"
#include "core/runs/RunRootWords.h"
#include "deepmining/ComparisonModel.h"
#include "deepmining/RootWordsModel.h"
#include "deepmining/RunComparisonTab.h"
#include "deepmining/TitleTab.h"
#include "mining/MainWindow.h"
#include "tests/support/FileContents.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/MineProcess.h"
#include "tests/support/ProgramSeams.h"
#include "web/Gbk.h"
#include "web/WebRequest.h"

#include <QAccessible>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sstream>

namespace orbisel {
namespace {

const std::string kCliFixtures = ORBISEL_MARKET_FIXTURES "/run";
const std::string kOwnFixtures = ORBISEL_MARKET_FIXTURES;

using deepmining::ResultsModel;
using test::readFile;

std::vector<std::string> modelWords(const ResultsModel &model) {
    std::vector<std::string> words;
    for (int i = 0; i < model.rowCount(); ++i)
        words.push_back(model.index(i, ResultsModel::Word).data().toString().toStdString());
    return words;
}

// The shown rows through the command line's writer.
std::string modelCsv(const ResultsModel &model, const std::string &path) {
    auto written = core::writeResults(path, model.scale(), [&](const core::RowVisitor &visit) {
        for (int i = 0; i < model.rowCount(); ++i)
            if (!visit(model.storedRow(model.storedRowAt(i))))
                break;
        return true;
    });
    EXPECT_TRUE(written.ok());
    return readFile(path);
}

class DeepMiningWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new test::MarketplaceServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server->useFixtures(kCliFixtures));
        window = new DeepMiningWindow;
        window->setStorePath(file("store.sqlite"));
        window->setEndpoints(server->endpoints());
        core::EngineTiming timing;
        timing.retryBaseMs = 10;
        timing.progressIntervalMs = 50;
        window->setEngineTiming(timing);
        WebRequestOptions web = webRequestDefaults();
        web.deadlineSeconds = 10;
        setWebRequestDefaults(web);
        core::DeepRunOptions hidden;
        hidden.intervalMs = 0;
        hidden.backoffMs = 50;
        hidden.cacheHours = 0;
        window->setHiddenOptions(hidden);
        window->show();
    }
    void TearDown() override {
        delete window.data();
        test::closeAllWindows();
    }

    std::string file(const std::string &name) const {
        return home.filePath(QString::fromStdString(name)).toStdString();
    }
    template <class W> W *child(const char *name) const {
        return window->findChild<W *>(QString::fromUtf8(name));
    }
    void click(const char *button) const {
        QPushButton *b = child<QPushButton>(button);
        ASSERT_NE(b, nullptr) << button;
        ASSERT_TRUE(b->isEnabled()) << button;
        b->click();
    }
    // Seeds, PC suggestions only, one request at a time.
    void setUpRun(const QString &seeds) const {
        child<QPlainTextEdit>("种子词")->setPlainText(seeds);
        for (const char *source : {"来源箭头词", "来源无线下拉词"})
            child<QCheckBox>(source)->setChecked(false);
        child<QCheckBox>("来源PC下拉词")->setChecked(true);
        window->findChild<QSpinBox *>(QStringLiteral("并发"))->setValue(1);
    }
    bool waitIdle(int timeoutMs = 30000) const {
        return QTest::qWaitFor([&] { return !window->isBusy(); }, timeoutMs);
    }
    ResultsModel &model() const { return *window->resultsModel(); }
    QString slowSeeds() const {
        QStringList seeds;
        for (int i = 1; i <= 10; ++i)
            seeds << QStringLiteral("慢%1").arg(i);
        return seeds.join('\n');
    }
    // Presses an export button with the save dialog answering `path`; whether the export ended.
    bool exportThrough(const char *button, const std::string &path) const {
        setSaveFileDialogHandler([path](const SaveDialogRequest &) {
            return std::optional<QString>(QString::fromStdString(path));
        });
        QSignalSpy finished(window.data(), &DeepMiningWindow::workFinished);
        click(button);
        const bool ended = finished.wait(20000);
        setSaveFileDialogHandler({});
        return ended;
    }
    void selectHistoryRun(long long runId) const {
        auto *history = child<QTableWidget>("历史表");
        child<QPushButton>("历史刷新")->click();
        for (int row = 0; row < history->rowCount(); ++row)
            if (history->item(row, 0)->text().toLongLong() == runId)
                history->selectRow(row);
    }

    static inline test::MarketplaceServer *server = nullptr;
    QTemporaryDir home;
    test::ProgramSeams seams;
    QPointer<DeepMiningWindow> window;
};

// orbisel-mine as a process with its service database and the stand-in at host; the file it wrote.
std::string commandLineFile(const std::string &home, const std::string &host, std::vector<std::string> args,
                            const std::string &out) {
    test::MariaDbServer &db = test::MariaDbServer::shared();
    EXPECT_TRUE(db.running()) << db.error();
    args.insert(args.end(), {"--out", out, "--suggest-host", host, "--search-host", host, "--ca-file",
                             test::LocalServer::certificateFile(), "--service-host", "127.0.0.1",
                             "--service-port", std::to_string(db.port())});
    const auto result = test::runMine(home, args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return readFile(out);
}

// The same run in orbisel-mine: PC suggestions, one request at a time, the seeds file and
// `options`; the results file it wrote.
std::string commandLineCsv(const std::string &home, const std::string &host, const std::string &seedsFile,
                           const std::string &out, const std::vector<std::string> &options = {}) {
    std::vector<std::string> args = {
        "run",           "--seeds", seedsFile,       "--sources", "pc",      "--concurrency",     "1",
        "--interval-ms", "0",       "--cache-hours", "0",         "--store", home + "/cli.sqlite"};
    args.insert(args.end(), options.begin(), options.end());
    return commandLineFile(home, host, args, out);
}

// The path and the query word of every request the stand-in received, in order.
std::vector<std::string> askedQueries(const test::MarketplaceServer &server) {
    std::vector<std::string> asked;
    for (const std::string &line : server.requestLines()) {
        const QUrl url(
            QString::fromStdString(line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1)));
        if (url.isValid() && !url.path().isEmpty())
            asked.push_back(
                url.path().toStdString() + " " +
                QUrlQuery(url).queryItemValue("q", QUrl::FullyDecoded).replace('+', ' ').toStdString());
    }
    return asked;
}

// HOME, and with it the user data folder of this process, set for one test.
class TemporaryHome {
public:
    explicit TemporaryHome(const QString &home) : m_old(qgetenv("HOME")) { qputenv("HOME", home.toUtf8()); }
    ~TemporaryHome() { qputenv("HOME", m_old); }

private:
    QByteArray m_old;
};

TEST_F(DeepMiningWindowTest, startStopResume_rowsArriveInOrderAndEqualTheCommandLineFile) {
    setUpRun(slowSeeds());
    EXPECT_FALSE(child<QPushButton>("停止")->isEnabled());
    click("开始");
    EXPECT_FALSE(child<QPushButton>("开始")->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().rowCount() >= 2; }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return child<QPushButton>("停止")->isEnabled(); }, 5000));
    const std::vector<std::string> early = modelWords(model());
    for (std::size_t i = 0; i < early.size(); ++i)
        EXPECT_EQ(early[i], "慢" + std::to_string(i + 1) + "甲");
    click("停止");
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("已停止")))
        << window->statusText().toStdString();
    EXPECT_LT(model().rowCount(), 10);
    const long long runId = window->shownRunId();

    click("继续"); // the last stopped run
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(window->shownRunId(), runId);
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("完成"))) << window->statusText().toStdString();
    ASSERT_EQ(model().rowCount(), 10);

    std::ofstream(file("slow.txt")) << slowSeeds().toStdString() << "\n";
    const std::string expected =
        commandLineCsv(home.path().toStdString(), server->host(), file("slow.txt"), file("cli.csv"));
    EXPECT_EQ(modelCsv(model(), file("window.csv")), expected);
}

TEST_F(DeepMiningWindowTest, sameOptionsAsTheCommandLine_sameRequestsAndSameFile) {
    // Unknown queries are answered with two words derived from them.
    ASSERT_TRUE(server->useFixtures(kCliFixtures, 0, 2));
    TemporaryHome temporaryHome(home.path());
    const std::string modifiers = "加大\r\n\r\n修身\r\n";
    for (const std::string &path : {core::userModifiersPath(), file("data/Orbisel/modifiers.txt")}) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << modifiers;
    }
    std::ofstream(file("seeds.txt")) << "连衣裙\n半身裙\n";
    const std::string include = "连衣裙， 半身裙";
    const std::string exclude = "夏、词1";

    setUpRun(QStringLiteral("连衣裙\n半身裙\n"));
    child<QCheckBox>("扩展修饰词")->setChecked(true);
    child<QSpinBox>("深度")->setValue(2);
    child<QLineEdit>("包含")->setText(QString::fromStdString(include));
    child<QLineEdit>("排除")->setText(QString::fromStdString(exclude));
    child<QComboBox>("节奏")->setCurrentText(QStringLiteral("固定间隔"));
    server->clearLog();
    click("开始");
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(window->statusText().contains(QStringLiteral("完成"))) << window->statusText().toStdString();
    const QString counts = child<QLabel>("统计")->text();
    EXPECT_TRUE(counts.contains(QString::fromStdString(server->host()) + QStringLiteral(" ")))
        << counts.toStdString();
    EXPECT_EQ(core::RunStore::open(file("store.sqlite")).value()->options(window->shownRunId()).value().pace,
              core::Pacing::Fixed);
    const std::vector<std::string> windowAsked = askedQueries(*server);
    ASSERT_TRUE(exportThrough("导出", file("window.csv")));

    server->clearLog();
    const std::string cli =
        commandLineCsv(home.path().toStdString(), server->host(), file("seeds.txt"), file("cli.csv"),
                       {"--expand", "modifiers", "--depth", "2", "--include", include, "--exclude", exclude,
                        "--pace", "fixed"});
    EXPECT_EQ(askedQueries(*server), windowAsked);
    EXPECT_EQ(readFile(file("window.csv")), cli);
    // The user's modifier words were asked, the built-in ones not; the lists filtered.
    EXPECT_NE(std::find(windowAsked.begin(), windowAsked.end(), "/sug 连衣裙 加大"), windowAsked.end());
    EXPECT_EQ(std::find(windowAsked.begin(), windowAsked.end(), "/sug 连衣裙 女"), windowAsked.end());
    // First of its answer's two like every kept word (热度 100); 机会 against 半身裙长款's
    // 商品数 10: 100 × log10(20) / log10(1010).
    EXPECT_NE(cli.find("\r\n连衣裙加大词0,连衣裙,pc,1000,1,连衣裙 加大,1,100,43.3\r\n"), std::string::npos)
        << cli;
    EXPECT_EQ(cli.find("夏"), std::string::npos) << cli;
    EXPECT_EQ(cli.find("词1"), std::string::npos) << cli;
}

TEST_F(DeepMiningWindowTest, seedTextThatIsNoText_isRefusedNamingTheLine) {
    const QString ls = QString::fromLatin1(QByteArray::fromStdString(readFile("/bin/ls")).left(4096));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("连衣裙\nab") + QChar(0) + QStringLiteral("cd"), QStringLiteral("第 2 行")},
        {QStringLiteral("连衣裙\n半身裙\n\x01"), QStringLiteral("第 3 行")},
        {QStringLiteral("连衣裙\t半身裙"), QStringLiteral("第 1 行")},
        {ls, QStringLiteral("第 1 行")},
    };
    server->clearLog();
    for (const auto &[seeds, line] : cases) {
        seams.messages.clear();
        setUpRun(seeds);
        click("开始");
        EXPECT_FALSE(window->isBusy());
        EXPECT_TRUE(window->statusText().contains(line)) << window->statusText().toStdString();
        ASSERT_EQ(seams.messages.size(), 1u);
        EXPECT_NE(test::utf8(seams.messages[0].text).find(line.toStdString()), std::string::npos);
    }
    EXPECT_TRUE(server->requestLines().empty());
    EXPECT_EQ(child<QTableWidget>("历史表")->rowCount(), 0);
}

TEST_F(DeepMiningWindowTest, titlePage_composesFromTheShownRunsWordsOfTheChosenSeed) {
    setUpRun(QStringLiteral("连衣裙\n半身裙"));
    child<QSpinBox>("深度")->setValue(2);
    click("开始");
    ASSERT_TRUE(waitIdle());
    auto *seeds = child<QListWidget>("标题种子词");
    ASSERT_EQ(seeds->count(), 2);
    seeds->setCurrentRow(1);
    QSignalSpy composed(child<deepmining::TitleTab>("标题页"), &deepmining::TitleTab::composeFinished);
    click("生成标题");
    ASSERT_TRUE(composed.wait(20000));
    auto *titles = child<QTableWidget>("标题表");
    ASSERT_EQ(titles->rowCount(), 1) << child<QLabel>("标题状态")->text().toStdString();
    EXPECT_EQ(titles->item(0, 0)->text(), QStringLiteral("半身裙长款"));
    EXPECT_EQ(child<QLineEdit>("编辑标题")->text(), QStringLiteral("半身裙长款"));
}

TEST_F(DeepMiningWindowTest, sortingByListingsAndFiltering_workOnTheTable) {
    setUpRun(slowSeeds());
    click("开始");
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(model().rowCount(), 10);
    auto *table = child<QTableView>("结果表");
    table->sortByColumn(ResultsModel::Listings, Qt::DescendingOrder);
    EXPECT_EQ(modelWords(model()).front(), "慢10甲"); // 10 > 9 as numbers, not as text
    EXPECT_EQ(table->verticalHeader()->count(), 10);

    child<QLineEdit>("筛选")->setText(QStringLiteral("慢1"));
    EXPECT_EQ(modelWords(model()), (std::vector<std::string>{"慢10甲", "慢1甲"}));
    EXPECT_EQ(table->verticalHeader()->count(), 2);

    // The seeds stay whole in the root words: 慢10甲 is 慢10|甲, so the root 慢1 is in 慢1甲 only.
    child<QLineEdit>("筛选")->clear();
    window->refreshRootWords();
    auto *roots = child<QTableView>("词根表");
    ASSERT_GT(roots->model()->rowCount(), 0);
    EXPECT_EQ(roots->model()->index(0, 0).data().toString(), QStringLiteral("甲")); // most result words first
    EXPECT_EQ(roots->model()->index(0, 1).data().toString(), QStringLiteral("10"));
    EXPECT_EQ(roots->model()->index(0, 2).data().toString(), QStringLiteral("55")); // 1 + 2 + … + 10
    window->filterByRootWord(QStringLiteral("慢1"));
    EXPECT_EQ(modelWords(model()), std::vector<std::string>{"慢1甲"});
    window->filterByRootWord({});
    EXPECT_EQ(model().rowCount(), 10);
}

// The ctest entry deepmining_window_laptop_screen runs this on a 1366x768 screen.
TEST_F(DeepMiningWindowTest, laptopScreen_opensOnScreenWithEveryWordColumnInView) {
    const QRect screen = window->screen()->availableGeometry();
    if (screen.size() != QSize(1366, 768))
        GTEST_SKIP() << "needs a 1366x768 screen";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(screen.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_LE(frame.height(), screen.height() - 70); // a title bar and a desktop panel
    auto *tabs = child<QTabWidget>("页");
    for (const char *name : {"结果表", "对比表"}) {
        auto *table = child<QTableView>(name);
        ASSERT_NE(table, nullptr) << name;
        tabs->setCurrentIndex(tabs->indexOf(table->parentWidget()));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(table)) << name;
        // The row header grows to seven digits with a million rows.
        const int rowHeaderGrowth =
            table->verticalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("1000000")) -
            table->verticalHeader()->width();
        EXPECT_LE(table->horizontalHeader()->length() + std::max(rowHeaderGrowth, 0),
                  table->viewport()->width())
            << name;
    }
}

// The form allows what the core allows.
TEST_F(DeepMiningWindowTest, formBounds_areTheCoreBounds) {
    const struct {
        const char *name;
        int low, high;
    } cases[] = {{"深度", core::kMinDepth, core::kMaxDepth},
                 {"并发", core::kMinConcurrency, core::kMaxConcurrency},
                 {"最少字数", 0, core::kMaxCharsBound},
                 {"最多字数", 0, core::kMaxCharsBound}};
    for (const auto &c : cases) {
        auto *spin = child<QSpinBox>(c.name);
        ASSERT_NE(spin, nullptr) << c.name;
        EXPECT_EQ(spin->minimum(), c.low) << c.name;
        EXPECT_EQ(spin->maximum(), c.high) << c.name;
    }
}

TEST_F(DeepMiningWindowTest, rootWordChart_namesFitTheirBars) {
    // Thirty one-character seeds, each answered with one word: thirty-odd root words.
    ASSERT_TRUE(server->useFixtures(kCliFixtures, 0, 1));
    const QString roots = QStringLiteral("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉戌亥春夏秋冬东南西北");
    QStringList seeds;
    for (const QChar c : roots)
        seeds << QString(c);
    setUpRun(seeds.join('\n'));
    click("开始");
    ASSERT_TRUE(waitIdle());
    child<QCheckBox>("显示种子词")->setChecked(true);
    window->refreshRootWords();
    child<QTabWidget>("页")->setCurrentIndex(1);
    auto *view = child<QChartView>("词根图");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->chart()->plotArea().height() > 100; }, 5000));
    QTest::qWait(50);
    const auto axes = view->chart()->axes(Qt::Vertical);
    ASSERT_EQ(axes.size(), 1);
    auto *names = qobject_cast<QBarCategoryAxis *>(axes.front());
    ASSERT_NE(names, nullptr);
    ASSERT_EQ(names->count(), 30);
    // The chart draws a name that does not fit as "...".
    QStringList drawn;
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
            drawn << text->toPlainText();
    for (const QString &name : names->categories())
        EXPECT_TRUE(drawn.contains(name))
            << name.toStdString() << " drawn as one of: " << drawn.join(' ').toStdString();
}

// The bar names of the root-word chart, top bar first.
QStringList chartNames(QChartView *view) {
    const auto axes = view->chart()->axes(Qt::Vertical);
    auto *names = axes.size() == 1 ? qobject_cast<QBarCategoryAxis *>(axes.front()) : nullptr;
    QStringList shown = names ? names->categories() : QStringList();
    std::reverse(shown.begin(), shown.end());
    return shown;
}

TEST_F(DeepMiningWindowTest, rootWords_keepUserWordsAndSeedsWholeMarkTheSeedsAndEqualTheCommandLine) {
    TemporaryHome temporaryHome(home.path());
    for (const std::string &path : {core::userDictionaryPath(), file("data/Orbisel/dictionary.txt")}) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << "韩都衣舍\n";
    }
    setUpRun(QStringLiteral("妈妈装"));
    click("开始");
    ASSERT_TRUE(waitIdle());
    child<QTabWidget>("页")->setCurrentIndex(1);
    window->refreshRootWords();

    // Every shown cell, a line a row as a .csv file holds it.
    const QAbstractItemModel *roots = child<QTableView>("词根表")->model();
    std::string shown;
    for (int row = 0; row < roots->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < roots->columnCount(); ++column)
            cells << roots->index(row, column).data().toString();
        shown += cells.join(',').toStdString() + "\r\n";
    }
    EXPECT_EQ(shown, "妈妈装,3,425,200.0,是\r\n"
                     "夏装,2,340,150.0,\r\n"
                     "中老年,1,120,75.0,\r\n"
                     "妈妈,1,40,50.0,是\r\n"
                     "连衣裙,1,40,50.0,\r\n"
                     "韩都衣舍,1,5,25.0,\r\n");
    // orbisel-mine roots builds the same table from the store.
    const std::string cli = commandLineFile(
        home.path().toStdString(), server->host(),
        {"roots", std::to_string(window->shownRunId()), "--store", file("store.sqlite")}, file("roots.csv"));
    EXPECT_EQ(cli, readFile(ORBISEL_SOURCE_DIR "/tests/cli/fixtures/roots-of-mama.csv"));
    const auto *model = dynamic_cast<const deepmining::RootWordsModel *>(roots);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(core::writeRootWordTable(file("window-roots.csv"), model->entries()).ok());
    EXPECT_EQ(readFile(file("window-roots.csv")), cli);

    // The chart leaves the seed's own root words out until they are asked for.
    auto *chart = child<QChartView>("词根图");
    EXPECT_EQ(chartNames(chart), (QStringList{"夏装", "中老年", "连衣裙", "韩都衣舍"}));
    child<QCheckBox>("显示种子词")->setChecked(true);
    EXPECT_EQ(chartNames(chart), (QStringList{"妈妈装", "夏装", "中老年", "妈妈", "连衣裙", "韩都衣舍"}));
}

TEST_F(DeepMiningWindowTest, blockedRun_saysSoAndCanBeResumed) {
    ASSERT_TRUE(server->useFixtures(kOwnFixtures + "/blocked"));
    setUpRun(QStringLiteral("封"));
    click("开始");
    ASSERT_TRUE(waitIdle()) << window->statusText().toStdString() << " / "
                            << window->findChild<QLabel *>(QStringLiteral("统计"))->text().toStdString()
                            << " / " << ::testing::PrintToString(server->requestLines());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("拒绝"))) << window->statusText().toStdString();
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("继续")));
    EXPECT_TRUE(child<QPushButton>("开始")->isEnabled());

    ASSERT_TRUE(server->useFixtures(kOwnFixtures + "/synthetic", 0, 2)); // the marketplace answers again
    click("继续");
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("完成"))) << window->statusText().toStdString();
    EXPECT_EQ(modelWords(model()), (std::vector<std::string>{"封词0", "封词1"}));
}

TEST_F(DeepMiningWindowTest, runHeldByAnotherWriter_isRefusedButViewable) {
    setUpRun(slowSeeds());
    click("开始");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().rowCount() >= 1; }, 20000));
    click("停止");
    ASSERT_TRUE(waitIdle());
    const int stored = model().rowCount();
    const long long runId = window->shownRunId();
    auto other = core::RunStore::open(file("store.sqlite"));
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(other.value()->acquireWriter(runId).ok());

    selectHistoryRun(runId);
    click("继续");
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("另一个程序")))
        << window->statusText().toStdString();
    EXPECT_EQ(model().rowCount(), stored); // the stored rows are still shown
}

TEST_F(DeepMiningWindowTest, history_opensExportsAndDeletesWithConfirmation) {
    setUpRun(slowSeeds());
    click("开始");
    ASSERT_TRUE(waitIdle());
    const long long runId = window->shownRunId();
    const std::string shown = modelCsv(model(), file("shown.csv"));

    child<QLineEdit>("筛选")->setText(QStringLiteral("慢2")); // opening shows every row again
    selectHistoryRun(runId);
    EXPECT_FALSE(child<QPushButton>("历史继续")->isEnabled()); // a done run has nothing to resume
    EXPECT_FALSE(child<QPushButton>("继续")->isEnabled());
    click("历史打开");
    ASSERT_TRUE(waitIdle());
    child<QLineEdit>("筛选")->clear();
    EXPECT_EQ(model().rowCount(), 10);

    // A window opened afresh shows the opened run's progress as stored.
    {
        DeepMiningWindow fresh;
        fresh.setStorePath(file("store.sqlite"));
        auto *history = fresh.findChild<QTableWidget *>(QStringLiteral("历史表"));
        ASSERT_EQ(history->rowCount(), 1);
        history->selectRow(0);
        fresh.findChild<QPushButton *>(QStringLiteral("历史打开"))->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !fresh.isBusy(); }, 20000));
        auto *progress = fresh.findChild<QProgressBar *>(QStringLiteral("进度"));
        EXPECT_EQ(progress->value(), 10);
        EXPECT_EQ(progress->maximum(), 10);
        EXPECT_TRUE(fresh.findChild<QLabel *>(QStringLiteral("统计"))
                        ->text()
                        .startsWith(QStringLiteral("查询 10/10")));
    }

    ASSERT_TRUE(exportThrough("历史导出", file("out.csv")));
    EXPECT_EQ(readFile(file("out.csv")), shown);
    setSaveFileDialogHandler([&](const SaveDialogRequest &) {
        return std::optional<QString>(QString::fromStdString(file("none/out.csv")));
    });
    click("历史导出");
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_NE(test::utf8(seams.messages[0].text).find("无法导出"), std::string::npos);
    setSaveFileDialogHandler({});

    seams.answerNext(kIdNo);
    click("历史删除");
    EXPECT_EQ(child<QTableWidget>("历史表")->rowCount(), 1);
    seams.answerNext(kIdYes);
    click("历史删除");
    EXPECT_EQ(child<QTableWidget>("历史表")->rowCount(), 0);
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_NE(test::utf8(seams.messages.back().text).find("删除"), std::string::npos);
}

// Two runs of the seed 对比 whose answers differ (see the command line's diff test).
TEST_F(DeepMiningWindowTest, history_comparesTwoRunsLikeTheCommandLine) {
    setUpRun(QStringLiteral("对比"));
    for (int i = 0; i < 2; ++i) {
        click("开始");
        ASSERT_TRUE(waitIdle());
    }
    selectHistoryRun(2);
    EXPECT_FALSE(child<QPushButton>("历史对比")->isEnabled()); // one run is no comparison
    auto *history = child<QTableWidget>("历史表");
    for (int row = 0; row < history->rowCount(); ++row)
        history->selectionModel()->select(history->model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_FALSE(child<QPushButton>("历史打开")->isEnabled());
    auto *tab = window->findChild<deepmining::RunComparisonTab *>();
    ASSERT_NE(tab, nullptr);
    QSignalSpy compared(tab, &deepmining::RunComparisonTab::compared);
    click("历史对比");
    ASSERT_TRUE(compared.wait(20000));
    EXPECT_EQ(child<QTabWidget>("页")->currentWidget(), tab);
    EXPECT_TRUE(tab->summaryText().contains(QStringLiteral("任务 1 → 任务 2：新增 1，消失 1，保留 2")))
        << tab->summaryText().toStdString();

    deepmining::ComparisonModel &diff = *tab->model();
    auto words = [&] {
        std::vector<std::string> shown;
        for (int i = 0; i < diff.rowCount(); ++i)
            shown.push_back(diff.index(i, core::CompareWord).data().toString().toStdString());
        return shown;
    };
    using Words = std::vector<std::string>;
    EXPECT_EQ(words(), (Words{"对比丁", "对比乙", "对比甲", "对比丙"}));
    EXPECT_EQ(diff.index(1, core::CompareListingsPercent).data().toString(), QStringLiteral("-20.0"));
    auto *table = child<QTableView>("对比表");
    table->selectRow(2); // 对比甲 stays selected through sorting
    table->sortByColumn(core::CompareNewListings, Qt::DescendingOrder);
    EXPECT_EQ(words(), (Words{"对比甲", "对比乙", "对比丁", "对比丙"}));
    ASSERT_EQ(table->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table->selectionModel()->selectedRows().front().row(), 0);
    child<QLineEdit>("对比筛选")->setText(QStringLiteral("丁"));
    EXPECT_EQ(words(), (Words{"对比丁"}));
    child<QLineEdit>("对比筛选")->clear();

    // 导出 writes the whole comparison in its own order, as orbisel-mine diff does.
    ASSERT_TRUE(exportThrough("对比导出", file("window.csv")));
    test::MariaDbServer &db = test::MariaDbServer::shared();
    ASSERT_TRUE(db.running()) << db.error();
    const auto cli =
        test::runMine(home.path().toStdString(),
                      {"diff", "1", "2", "--out", file("cli.csv"), "--store", file("store.sqlite"),
                       "--service-host", "127.0.0.1", "--service-port", std::to_string(db.port())});
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(readFile(file("window.csv")), readFile(file("cli.csv")));
}

TEST_F(DeepMiningWindowTest, exportOfUnreadableResults_saysWhyAndWritesNothing) {
    setUpRun(slowSeeds());
    click("开始");
    ASSERT_TRUE(waitIdle());
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file("store.sqlite").c_str(), &db), SQLITE_OK);
    // The store opens, but reading a row fails.
    EXPECT_EQ(sqlite3_exec(db,
                           "ALTER TABLE results RENAME TO kept; CREATE VIEW results AS SELECT run, pos, "
                           "json('x') AS word, seed, sources, listings, depth, parent, occurrences FROM kept",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    ASSERT_TRUE(exportThrough("导出", file("out.csv")));
    ASSERT_EQ(seams.messages.size(), 1u);
    const std::string message = test::utf8(seams.messages[0].text);
    EXPECT_NE(message.find("无法导出"), std::string::npos) << message;
    EXPECT_NE(message.find("任务存储"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(file("out.csv")));
}

TEST_F(DeepMiningWindowTest, closingDuringARun_stopsItResumably) {
    setUpRun(slowSeeds());
    click("开始");
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().rowCount() >= 1; }, 20000));
    const long long runId = window->shownRunId();
    window->close();
    EXPECT_FALSE(window.isNull()); // closes once the requests in flight are done
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 15000));
    auto store = core::RunStore::open(file("store.sqlite"));
    ASSERT_TRUE(store.ok());
    auto summary = store.value()->summary(runId);
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary.value().state, core::RunState::Stopped);
    EXPECT_LT(summary.value().words, 10);
}

TEST_F(DeepMiningWindowTest, enterInAOneLineField_startsARunAsTheDefaultButton) {
    ASSERT_TRUE(server->useFixtures(kOwnFixtures + "/synthetic", 0, 2));
    setUpRun(QStringLiteral("键"));
    auto *seeds = child<QPlainTextEdit>("种子词");
    seeds->moveCursor(QTextCursor::End);
    QTest::keyClick(seeds, Qt::Key_Return); // a new line in the seed box
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(seeds->toPlainText(), QStringLiteral("键\n"));

    long long lastRun = 0;
    auto startsOnKey = [&](QWidget *field, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(field, key, modifiers);
        EXPECT_TRUE(window->isBusy()) << field->objectName().toStdString();
        EXPECT_GT(window->shownRunId(), lastRun) << field->objectName().toStdString();
        lastRun = window->shownRunId();
        QTest::keyClick(field, key, modifiers); // 开始 is disabled while the run goes
        EXPECT_EQ(window->shownRunId(), lastRun);
        ASSERT_TRUE(waitIdle());
        EXPECT_TRUE(window->statusText().contains(QStringLiteral("完成")))
            << window->statusText().toStdString();
        EXPECT_EQ(modelWords(model()), (std::vector<std::string>{"键词0", "键词1"}));
    };
    for (const char *name : {"名称", "包含", "排除", "深度", "并发", "最少字数", "最多字数"})
        startsOnKey(child<QWidget>(name), Qt::Key_Return, Qt::NoModifier);
    startsOnKey(child<QWidget>("名称"), Qt::Key_Enter, Qt::KeypadModifier);
    startsOnKey(seeds, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(seeds->toPlainText(), QStringLiteral("键\n"));
}

TEST_F(DeepMiningWindowTest, noSeedsOrBrokenStore_areSaidInPlainWords) {
    child<QPlainTextEdit>("种子词")->setPlainText(QStringLiteral("  \n\n"));
    click("开始");
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("没有种子词")));
    ASSERT_EQ(seams.messages.size(), 1u);

    std::ofstream(file("junk.sqlite")) << std::string(4096, 'x');
    window->setStorePath(file("junk.sqlite"));
    EXPECT_TRUE(window->statusText().contains(QStringLiteral("损坏"))) << window->statusText().toStdString();
    EXPECT_FALSE(child<QPushButton>("开始")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("继续")->isEnabled());
}

TEST(DeepMiningEntry, keywordWindowButton_fitsTheFreeStripAndOpensOneWindow) {
    const WindowLayout layout = mainWindowLayout();
    QRect button;
    for (const ControlRow &c : layout.controls)
        if (c.name == "按钮深度挖掘")
            button = QRect(c.x, c.y, c.w, c.h);
    ASSERT_FALSE(button.isEmpty());
    EXPECT_GE(button.left(), 480);
    EXPECT_LE(button.right(), 840);
    std::map<std::string, QPoint> origin;
    for (const ControlRow &c : layout.controls) {
        const QPoint at = QPoint(c.x, c.y) + (c.container.empty() ? QPoint() : origin[c.container]);
        origin[c.name] = at;
        if (c.name != "按钮深度挖掘" && c.kind != ControlKind::Timer) {
            EXPECT_FALSE(QRect(at, QSize(c.w, c.h)).intersects(button)) << c.name;
        }
    }

    test::ProgramSeams seams;
    registerDeepMiningWindow();
    ASSERT_TRUE(loadWindow(WindowId::DeepMining));
    Window *first = openWindow(WindowId::DeepMining);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(test::utf8(first->caption()), "深度挖掘");
    ASSERT_TRUE(loadWindow(WindowId::DeepMining));
    EXPECT_EQ(openWindow(WindowId::DeepMining), first);
    auto *start = first->findChild<QPushButton *>(QStringLiteral("开始"));
    ASSERT_NE(start, nullptr);
    EXPECT_TRUE(start->isDefault());
    closeWindow(first);

    // The keyword window's seeds fill an empty seed box when the window opens.
    WindowLayout keywords{.caption = "关键词", .width = 200, .height = 200};
    keywords.controls = {{.name = "超级编辑框1", .kind = ControlKind::MultiLineEdit, .w = 100, .h = 100}};
    registerWindow(WindowId::Main, [&] { return new Window(WindowId::Main, keywords); });
    ASSERT_TRUE(loadWindow(WindowId::Main));
    openWindow(WindowId::Main)->setText("超级编辑框1", gbk("连衣裙\r\n半身裙\r\n"));
    ASSERT_TRUE(loadWindow(WindowId::DeepMining));
    first = openWindow(WindowId::DeepMining);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->findChild<QPlainTextEdit *>(QStringLiteral("种子词"))->toPlainText(),
              QStringLiteral("连衣裙\n半身裙\n"));
    for (QWidget *field : first->findChildren<QWidget *>()) {
        const bool input = qobject_cast<QLineEdit *>(field) || qobject_cast<QSpinBox *>(field) ||
                           qobject_cast<QPlainTextEdit *>(field);
        if (input && !field->objectName().startsWith("qt_")) {
            EXPECT_FALSE(field->accessibleName().isEmpty()) << field->objectName().toStdString();
        }
        // Buttons, the filter box's clear button among them, are named by what assistive technology reads.
        if (qobject_cast<QAbstractButton *>(field)) {
            QAccessibleInterface *button = QAccessible::queryAccessibleInterface(field);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->text(QAccessible::Name).isEmpty())
                << field->metaObject()->className() << " in " << field->parent()->objectName().toStdString();
        }
    }
    test::closeAllWindows();
}

} // namespace
} // namespace orbisel
