#include "mining/MainWindow.h"

#include "app/Program.h"
#include "core/marketplace/SuggestionSource.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "web/Gbk.h"
#include "web/TextRules.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>

using namespace orbisel;
using orbisel::test::MariaDbServer;
using orbisel::test::ProgramSeams;
using orbisel::test::utf8;

namespace {

// Answers from tables keyed by keyword (UTF-8 in the test, GBK on the wire).
// A keyword missing from a table makes that extraction fail.
struct Script {
    std::map<std::string, std::vector<std::string>> pc, mobile, longTail, related;
    std::map<std::string, std::vector<std::string>> arrows; // key: pc word
    std::function<void(int, const Text &)> onArrow;         // GUI thread
    std::function<void(const Text &)> onPcSuggest;          // GUI thread
    std::function<void()> beforeRequest;                    // worker thread
    std::vector<std::string> requests;                      // "pc:seed", "m:word", "r:seed"
    std::mutex mutex;
};

TextArray toGbkArray(const std::vector<std::string> &words) {
    TextArray out;
    for (const auto &w : words)
        out.push_back(gbk(w));
    return out;
}

class ScriptedSource : public SuggestionSource {
public:
    explicit ScriptedSource(Script &s) : m_s(s) {}
    Text pcSuggestRequest(const Text &seed) override { return note("pc:", seed); }
    Text mobileSuggestRequest(const Text &keyword) override { return note("m:", keyword); }
    Text relatedRequest(const Text &seed) override { return note("r:", seed); }

    std::optional<TextArray> pcSuggest(const Text &response) override {
        if (m_s.onPcSuggest)
            m_s.onPcSuggest(response);
        return lookup(m_s.pc, response, "pc:");
    }
    TextArray pcArrow(int index, const Text &word) override {
        if (m_s.onArrow)
            m_s.onArrow(index, word);
        auto it = m_s.arrows.find(utf8(word));
        return it == m_s.arrows.end() ? TextArray{} : toGbkArray(it->second);
    }
    std::optional<TextArray> mobileSuggest(const Text &response) override {
        return lookup(m_s.mobile, response, "m:");
    }
    std::optional<TextArray> longTail(const Text &response) override {
        return lookup(m_s.longTail, response, "m:");
    }
    std::optional<TextArray> related(const Text &page) override { return lookup(m_s.related, page, "r:"); }

private:
    Text note(const char *prefix, const Text &keyword) {
        if (m_s.beforeRequest)
            m_s.beforeRequest();
        std::lock_guard lock(m_s.mutex);
        m_s.requests.push_back(prefix + utf8(keyword));
        return gbk(prefix) + keyword;
    }
    static std::optional<TextArray> lookup(const std::map<std::string, std::vector<std::string>> &table,
                                           const Text &response, const std::string &prefix) {
        const std::string r = utf8(response);
        if (r.rfind(prefix, 0) != 0)
            return std::nullopt;
        auto it = table.find(r.substr(prefix.size()));
        if (it == table.end())
            return std::nullopt;
        return toGbkArray(it->second);
    }
    Script &m_s;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        MariaDbServer &db = MariaDbServer::shared();
        ASSERT_TRUE(db.running()) << db.error();
        ASSERT_TRUE(db.resetData());
        serviceEndpoint().host = "127.0.0.1";
        serviceEndpoint().port = db.port();
        setSuggestionSourceFactory([this] { return std::make_unique<ScriptedSource>(script); });
        registerMainWindow();
        ASSERT_TRUE(loadWindow(WindowId::Main));
        window = static_cast<MainWindow *>(openWindow(WindowId::Main));
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { setSuggestionSourceFactory({}); }

    void setSeeds(const std::string &utf8Seeds) { window->setText("超级编辑框1", gbk(utf8Seeds)); }
    void untickAll() {
        for (const char *box : {"选择框1", "选择框2", "选择框3", "选择框4", "选择框5", "选择框6", "选择框7"})
            window->setChecked(box, false);
    }
    std::string column(const char *name) { return utf8(window->text(name)); }
    std::vector<std::string> harvest(SourceKind kind) {
        std::vector<std::string> out;
        for (const Text &item : globalState().harvestOf(kind))
            out.push_back(utf8(item));
        return out;
    }

    ProgramSeams seams;
    Script script;
    MainWindow *window = nullptr;
};

TEST_F(MainWindowTest, fullRun_fillsColumnsAndHarvestInRunOrder) {
    script.pc = {{"连衣裙", {"连衣裙女", "连衣裙夏"}}, {"羽绒服", {"羽绒服女"}}};
    script.arrows = {{"连衣裙女", {"连衣裙女长款", "连衣裙女短款"}}, {"连衣裙夏", {"连衣裙夏雪纺"}}};
    script.mobile = {{"连衣裙", {"连衣裙m1", "连衣裙m2"}}, {"羽绒服", {"羽绒服m1"}}};
    script.longTail = {{"连衣裙m1", {"t1", "t2"}}, {"连衣裙m2", {"t3"}}, {"羽绒服m1", {"t4"}}};
    script.related = {{"连衣裙", {"裙子"}}, {"羽绒服", {"棉服"}}};
    // The arrow words of a suggestion come before the next suggestion appears.
    std::vector<std::string> pcColumnAtArrow;
    script.onArrow = [&](int, const Text &) { pcColumnAtArrow.push_back(column("编辑框1")); };
    window->setChecked("选择框5", true);
    setSeeds("连衣裙\r\n羽绒服\r\n");

    window->click("按钮1");

    EXPECT_EQ(column("编辑框1"), "连衣裙女\r\n连衣裙夏\r\n羽绒服女\r\n");
    EXPECT_EQ(column("编辑框2"), "连衣裙女长款\r\n连衣裙女短款\r\n连衣裙夏雪纺\r\n");
    EXPECT_EQ(column("编辑框3"), "连衣裙m1\r\n连衣裙m2\r\n羽绒服m1\r\n");
    EXPECT_EQ(column("编辑框4"), "t1\r\nt2\r\nt3\r\nt4\r\n");
    EXPECT_EQ(column("编辑框5"), "裙子\r\n棉服\r\n");
    EXPECT_EQ(pcColumnAtArrow, (std::vector<std::string>{"连衣裙女\r\n", "连衣裙女\r\n连衣裙夏\r\n",
                                                         "连衣裙女\r\n连衣裙夏\r\n羽绒服女\r\n"}));
    EXPECT_EQ(harvest(SourceKind::PcSuggest),
              (std::vector<std::string>{"连衣裙|连衣裙女", "连衣裙|连衣裙夏", "羽绒服|羽绒服女"}));
    EXPECT_EQ(
        harvest(SourceKind::PcArrow),
        (std::vector<std::string>{"连衣裙|连衣裙女长款", "连衣裙|连衣裙女短款", "连衣裙|连衣裙夏雪纺"}));
    EXPECT_EQ(harvest(SourceKind::LongTail),
              (std::vector<std::string>{"连衣裙|t1", "连衣裙|t2", "连衣裙|t3", "羽绒服|t4"}));
    EXPECT_EQ(harvest(SourceKind::Related), (std::vector<std::string>{"连衣裙|裙子", "羽绒服|棉服"}));
    EXPECT_EQ(globalState().seedLog, (TextArray{gbk("连衣裙"), gbk("羽绒服")}));
    EXPECT_EQ(script.requests,
              (std::vector<std::string>{"pc:连衣裙", "m:连衣裙", "r:连衣裙", "m:连衣裙m1", "m:连衣裙m2",
                                        "pc:羽绒服", "m:羽绒服", "r:羽绒服", "m:羽绒服m1"}));
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(MainWindowTest, failures_showTheirMessagesAndTheRunGoesOn) {
    // "坏" fails everywhere; "好" works, but one of its mobile words has no long tail.
    script.pc = {{"好", {"好1"}}};
    script.mobile = {{"好", {"好m1", "好m2"}}};
    script.longTail = {{"好m2", {"尾"}}};
    window->setChecked("选择框5", true);
    setSeeds("坏\r\n好");

    window->click("按钮1");

    EXPECT_EQ(seams.messageTextsUtf8(),
              (std::vector<std::string>{"抓取下拉词失败", "移动端抓取下拉词失败", "移动端抓取下拉词失败"}));
    EXPECT_EQ(utf8(seams.messages[0].title), "信息：");
    EXPECT_EQ(column("编辑框1"), "好1\r\n");
    EXPECT_EQ(column("编辑框4"), "尾\r\n");
    EXPECT_EQ(column("编辑框5"), "");
    EXPECT_EQ(globalState().seedLog.size(), 2u);
}

TEST_F(MainWindowTest, seedList_keepsEmptyAndRepeatedSeeds_dropsTrailingEmpty) {
    untickAll();
    window->setChecked("选择框1", true);
    script.pc = {{"a", {"a1"}}, {"", {"空"}}};
    setSeeds("a\r\n\r\na\r\n");

    window->click("按钮1");

    EXPECT_EQ(globalState().seedLog, (TextArray{"a", "", "a"}));
    EXPECT_EQ(script.requests, (std::vector<std::string>{"pc:a", "pc:", "pc:a"}));
    EXPECT_EQ(harvest(SourceKind::PcSuggest), (std::vector<std::string>{"a|a1", "|空", "a|a1"}));
}

TEST_F(MainWindowTest, dependentKindsAlone_sendNoRequest) {
    for (const char *box : {"选择框2", "选择框4"}) {
        untickAll();
        window->setChecked(box, true);
        setSeeds("连衣裙");
        window->click("按钮1");
        EXPECT_TRUE(script.requests.empty()) << box;
        EXPECT_EQ(column("编辑框2") + column("编辑框4"), "");
        EXPECT_EQ(globalState().seedLog.size(), 1u);
    }
    setSeeds("");
    window->click("按钮1");
    EXPECT_TRUE(globalState().seedLog.empty());
}

TEST_F(MainWindowTest, checkboxesAreReadAtEachStep) {
    script.pc = {{"s1", {"p1", "p2"}}, {"s2", {"p3"}}};
    script.arrows = {{"p1", {"a1"}}, {"p2", {"a2"}}, {"p3", {"a3"}}};
    script.mobile = {{"s1", {"m1"}}, {"s2", {"m2"}}};
    script.longTail = {{"m1", {"t1"}}, {"m2", {"t2"}}};
    // Unticking arrows after the first arrow word, and long tail during the first seed.
    script.onArrow = [&](int index, const Text &) {
        if (index == 0) {
            window->setChecked("选择框2", false);
            window->setChecked("选择框4", false);
        }
    };
    setSeeds("s1\r\ns2");
    window->click("按钮1");
    EXPECT_EQ(column("编辑框2"), "a1\r\n");
    EXPECT_EQ(column("编辑框4"), "");
    EXPECT_EQ(column("编辑框3"), "m1\r\nm2\r\n");
}

TEST_F(MainWindowTest, secondRun_clearsColumnsAndHarvestBeforeFirstRequest) {
    script.pc = {{"s", {"p"}}};
    script.mobile = {{"s", {"m"}}};
    script.longTail = {{"m", {"t"}}};
    setSeeds("s");
    window->click("按钮1");
    ASSERT_EQ(globalState().harvestOf(SourceKind::LongTail).size(), 1u);

    bool clearedFirst = false;
    script.onPcSuggest = [&](const Text &) {
        clearedFirst = column("编辑框1").empty() && column("编辑框4").empty() &&
                       globalState().harvestOf(SourceKind::PcSuggest).empty() &&
                       globalState().harvestOf(SourceKind::LongTail).empty() && globalState().seedLog.empty();
    };
    window->click("按钮1");
    EXPECT_TRUE(clearedFirst);
    EXPECT_EQ(harvest(SourceKind::PcSuggest), (std::vector<std::string>{"s|p"}));
}

// A request that waits until the test releases it.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    std::atomic<int> waiting{0};
    void wait() {
        ++waiting;
        std::unique_lock lock(m);
        cv.wait(lock, [this] { return open; });
    }
    void release() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

// Opens the gate when the scope ends, also when a check in it gives up early.
struct ReleaseAtExit {
    Gate &gate;
    ~ReleaseAtExit() { gate.release(); }
};

TEST_F(MainWindowTest, whileRequestIsOutstanding_windowStaysUsableAndRefusesSecondRun) {
    Gate gate;
    script.beforeRequest = [&] { gate.wait(); };
    script.pc = {{"s", {"p"}}};
    untickAll();
    window->setChecked("选择框1", true);
    setSeeds("s");

    bool timerRan = false;
    bool searchDisabled = false;
    QTimer::singleShot(0, [&] {
        ReleaseAtExit releaseAtExit{gate};
        QTRY_VERIFY_WITH_TIMEOUT(gate.waiting.load() == 1, 5000);
        QTimer::singleShot(20, [&] { timerRan = true; });
        QTRY_VERIFY_WITH_TIMEOUT(timerRan, 5000);
        searchDisabled = !window->widgetAs<QPushButton>("按钮1")->isEnabled() &&
                         !window->widgetAs<QPushButton>("按钮2")->isEnabled();
        window->click("按钮1"); // refused while running
    });
    window->click("按钮1");

    EXPECT_TRUE(timerRan);
    EXPECT_TRUE(searchDisabled);
    EXPECT_EQ(script.requests.size(), 1u);
    EXPECT_EQ(column("编辑框1"), "p\r\n");
    EXPECT_TRUE(window->widgetAs<QPushButton>("按钮1")->isEnabled());
}

TEST_F(MainWindowTest, closingDuringRun_endsRunAndClosesWindow) {
    Gate gate;
    script.beforeRequest = [&] { gate.wait(); };
    script.pc = {{"s1", {"p1"}}, {"s2", {"p2"}}};
    untickAll();
    window->setChecked("选择框1", true);
    setSeeds("s1\r\ns2");

    QTimer::singleShot(0, [&] {
        ReleaseAtExit releaseAtExit{gate};
        QTRY_VERIFY_WITH_TIMEOUT(gate.waiting.load() == 1, 5000);
        window->close();
        EXPECT_NE(openWindow(WindowId::Main), nullptr); // deferred until the request returns
    });
    window->click("按钮1");

    EXPECT_EQ(openWindow(WindowId::Main), nullptr);
    EXPECT_EQ(script.requests.size(), 1u);
    EXPECT_TRUE(seams.messages.empty());
}

TEST_F(MainWindowTest, statusLine_rotatesSloganAndServiceNotices) {
    const std::string version = config::kVersionText;
    EXPECT_EQ(utf8(window->text("标签2")), "Vantelo" + version);
    EXPECT_TRUE(containsText(utf8(window->caption()), "【版本 " + version + "】"));
    EXPECT_EQ(utf8(window->text("编辑框9")), version);
    EXPECT_EQ(utf8(window->text("编辑框8")), version); // until the first read of the latest version
    EXPECT_EQ(window->timerPeriod("时钟1"), 2000);
    EXPECT_EQ(window->timerPeriod("时钟2"), 1000);

    window->click("时钟1");
    EXPECT_EQ(utf8(window->text("标签2")), "Kelmira---我们不生产关键词  我们是关键词的搬运工");
    const Text noticeA = readServiceRow(gbk("账号=666"))[3];
    const Text noticeB = readServiceRow(gbk("账号=555"))[3];
    ASSERT_FALSE(noticeA.empty());
    ASSERT_FALSE(noticeB.empty());
    EXPECT_EQ(window->text("编辑框7"), noticeA);
    EXPECT_EQ(window->text("编辑框6"), noticeB);
    EXPECT_EQ(window->text("编辑框8"), readServiceRow(gbk("ID=8"))[2]);

    window->click("时钟1");
    EXPECT_EQ(window->text("标签2"), noticeA);
    window->click("时钟1");
    EXPECT_EQ(window->text("标签2"), noticeB);
    window->click("时钟1");
    EXPECT_EQ(utf8(window->text("标签2")), "Kelmira---我们不生产关键词  我们是关键词的搬运工");
}

TEST(MainWindowServiceDown, creation_showsServiceStoppedAndEndsProgram) {
    ProgramSeams seams;
    serviceEndpoint().host = "127.0.0.1";
    serviceEndpoint().port = orbisel::test::freeLocalPort();
    registerMainWindow();
    loadWindow(WindowId::Main);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), std::string("软件停止服务，请联系QQ") + config::kSupportQq);
    EXPECT_EQ(utf8(seams.messages[0].title), "信息：");
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

} // namespace
