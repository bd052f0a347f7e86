#include "MarketplaceServer.h"
#include "app/Program.h"
#include "core/marketplace/SuggestionSource.h"
#include "mining/MainWindow.h"
#include "service/ServiceDb.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "web/Gbk.h"
#include "web/WebRequest.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <regex>

using namespace orbisel;
using orbisel::test::MariaDbServer;
using orbisel::test::MarketplaceServer;
using orbisel::test::MarketplaceServerTest;
using orbisel::test::ProgramSeams;
using orbisel::test::utf8;

namespace {

using Strings = std::vector<std::string>;

// The mining run of the main window with the program's own source, against
// the local marketplace stand-in.
class MarketplaceRunTest : public MarketplaceServerTest {
protected:
    void SetUp() override {
        MarketplaceServerTest::SetUp();
        if (HasFatalFailure())
            return;
        marketplaceEndpoints() = server->endpoints();
        MariaDbServer &db = MariaDbServer::shared();
        ASSERT_TRUE(db.running()) << db.error();
        serviceEndpoint().host = "127.0.0.1";
        serviceEndpoint().port = db.port();
        setSuggestionSourceFactory({}); // the default source
        registerMainWindow();
        ASSERT_TRUE(loadWindow(WindowId::Main));
        window = static_cast<MainWindow *>(openWindow(WindowId::Main));
        ASSERT_NE(window, nullptr);
        for (const char *box : {"选择框1", "选择框2", "选择框3", "选择框4", "选择框5"})
            window->setChecked(box, true);
        for (const char *box : {"选择框6", "选择框7"})
            window->setChecked(box, false);
    }
    void TearDown() override {
        marketplaceEndpoints() = server->endpoints();
        test::closeAllWindows();
    }

    void run(const std::string &utf8Seeds) {
        window->setText("超级编辑框1", gbk(utf8Seeds));
        window->click("按钮1");
    }
    std::string column(const char *name) { return utf8(window->text(name)); }
    Strings harvest(SourceKind kind) {
        Strings out;
        for (const Text &item : globalState().harvestOf(kind))
            out.push_back(utf8(item));
        return out;
    }
    Strings seedLog() {
        Strings out;
        for (const Text &seed : globalState().seedLog)
            out.push_back(utf8(seed));
        return out;
    }

    ProgramSeams seams;
    MainWindow *window = nullptr;
};

TEST_F(MarketplaceRunTest, twoSeedsEveryKind_fillColumnsAndHarvestInRunOrder) {
    run("连衣裙\r\n帽 女\r\n");

    EXPECT_EQ(column("编辑框1"), "连衣裙女\r\n连衣裙夏\r\n帽子女冬\r\n毛线帽\r\n");
    // Groups with index 0 and 3 (beyond the two suggestions) are never harvested.
    EXPECT_EQ(column("编辑框2"),
              "连衣裙女长款\r\n连衣裙女短款\r\n连衣裙女雪纺\r\n连衣裙女 韩版\r\n连衣裙夏碎花\r\n");
    EXPECT_EQ(column("编辑框3"), "连衣裙长款\r\n连衣裙短\r\n帽女冬\r\n");
    EXPECT_EQ(column("编辑框4"), "连衣裙长款 夏季\r\n连衣裙长款  显瘦 \r\n连衣裙短 裤\r\n");
    EXPECT_EQ(column("编辑框5"), "连衣裙 女 夏\r\n<b>长裙</b>\r\n\r\n");

    EXPECT_EQ(harvest(SourceKind::PcSuggest),
              (Strings{"连衣裙|连衣裙女", "连衣裙|连衣裙夏", "帽 女|帽子女冬", "帽 女|毛线帽"}));
    EXPECT_EQ(harvest(SourceKind::PcArrow),
              (Strings{"连衣裙|连衣裙女长款", "连衣裙|连衣裙女短款", "连衣裙|连衣裙女雪纺",
                       "连衣裙|连衣裙女 韩版", "连衣裙|连衣裙夏碎花"}));
    EXPECT_EQ(harvest(SourceKind::MobileSuggest),
              (Strings{"连衣裙|连衣裙长款", "连衣裙|连衣裙短", "帽 女|帽女冬"}));
    EXPECT_EQ(harvest(SourceKind::LongTail),
              (Strings{"连衣裙|连衣裙长款 夏季", "连衣裙|连衣裙长款  显瘦 ", "连衣裙|连衣裙短 裤"}));
    EXPECT_EQ(harvest(SourceKind::Related),
              (Strings{"连衣裙|连衣裙 女 夏", "连衣裙|<b>长裙</b>", "连衣裙|"}));
    EXPECT_EQ(seedLog(), (Strings{"连衣裙", "帽 女"}));
    // The search page of 帽 女 has no related block: nothing shown.
    EXPECT_TRUE(seams.messages.empty());

    // Request lines with the time stamp and the date masked.
    Strings lines;
    for (const std::string &line : server->requestLines())
        lines.push_back(
            std::regex_replace(std::regex_replace(line, std::regex("_ksTS=[0-9]{13}_"), "_ksTS=TS_"),
                               std::regex("staobaoz_[0-9]{8}&"), "staobaoz_DATE&"));
    auto pc = [](const std::string &q) {
        return "GET /sug?code=utf-8&q=" + q + "&_ksTS=TS_3909&callback=&k=1&area=c2c&bucketid=11 HTTP/1.1";
    };
    auto mobile = [](const std::string &q) {
        return "GET /sug?q=" + q + "&code=utf-8&area=c2c&nick=&sid=null&callback= HTTP/1.1";
    };
    auto search = [](const std::string &q) {
        return "GET /search?&initiative_id=staobaoz_DATE&q=" + q +
               "&suggest=history_1&_input_charset=utf-8&wq=&suggest_query=&source=suggest HTTP/1.1";
    };
    const std::string dress = "%E8%BF%9E%E8%A1%A3%E8%A3%99";
    const std::string hat = "%E5%B8%BD%20%E5%A5%B3";
    EXPECT_EQ(lines, (Strings{pc(dress), mobile(dress), search(dress), mobile(dress + "%E9%95%BF%E6%AC%BE"),
                              mobile(dress + "%E7%9F%AD"), pc(hat), mobile(hat), search(hat),
                              mobile("%E5%B8%BD%E5%A5%B3%E5%86%AC")}));
}

TEST_F(MarketplaceRunTest, failedExtractions_showTheirMessagesAndTheRunGoesOn) {
    // 回调: both suggestion answers wrapped in a callback. 尾错: no PC words, no
    // related block, the long tail of its first mobile word is an error page.
    run("回调\r\n尾错");

    EXPECT_EQ(seams.messageTextsUtf8(),
              (Strings{"抓取下拉词失败", "移动端抓取下拉词失败", "移动端抓取下拉词失败"}));
    EXPECT_EQ(column("编辑框1") + column("编辑框2") + column("编辑框5"), "");
    EXPECT_EQ(column("编辑框3"), "尾错一\r\n尾错二\r\n");
    EXPECT_EQ(column("编辑框4"), "尾错 二 好\r\n");
    EXPECT_EQ(seedLog(), (Strings{"回调", "尾错"}));
}

TEST_F(MarketplaceRunTest, networkDown_twoMessagesPerSeedAndTheRunGoesOn) {
    const std::string down = "127.0.0.1:" + std::to_string(orbisel::test::unusedPort());
    marketplaceEndpoints() = {down, down};

    run("连衣裙\r\n帽 女");

    EXPECT_EQ(seams.messageTextsUtf8(),
              (Strings{"抓取下拉词失败", "移动端抓取下拉词失败", "抓取下拉词失败", "移动端抓取下拉词失败"}));
    for (const auto &message : seams.messages)
        EXPECT_EQ(utf8(message.title), "信息：");
    for (const char *name : {"编辑框1", "编辑框2", "编辑框3", "编辑框4", "编辑框5"})
        EXPECT_EQ(column(name), "") << name;
    EXPECT_EQ(seedLog(), (Strings{"连衣裙", "帽 女"}));
}

TEST_F(MarketplaceRunTest, closingDuringADrippingAnswer_waitsNoLongerThanTheDeadline) {
    const WebRequestOptions defaults = webRequestDefaults();
    WebRequestOptions options = defaults;
    options.deadlineSeconds = 2; // the answer of 滴 takes 30 s, a byte a second
    setWebRequestDefaults(options);
    for (const char *box : {"选择框2", "选择框3", "选择框4", "选择框5"})
        window->setChecked(box, false);

    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(300, window, [this] { window->close(); });
    run("滴\r\n连衣裙");
    const qint64 waited = clock.elapsed();
    setWebRequestDefaults(defaults);

    EXPECT_EQ(openWindow(WindowId::Main), nullptr);
    EXPECT_LT(waited, 20000);
    EXPECT_EQ(server->requestLines().size(), 1u);
    EXPECT_TRUE(seams.messages.empty());
}

} // namespace
