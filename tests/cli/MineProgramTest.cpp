#include "LocalServer.h"
#include "tests/support/FileContents.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/MineProcess.h"
#include "web/UrlCookies.h"
#include "web/WebRequest.h"

#include <QTemporaryDir>
#include <QUrlQuery>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <sstream>
#include <sys/file.h>
#include <thread>

namespace orbisel::test {
namespace {

using Args = std::vector<std::string>;

const std::string kFixtures = ORBISEL_MARKET_FIXTURES "/run";

// The CSV of a run over the slow fixture words 慢1..慢10: each the only suggestion of
// its answer (热度 100), 商品数 i, so 机会 100 × log10(11) / log10(10 + i).
std::string slowRunCsv() {
    const char *opportunity[] = {"100", "96.5", "93.5", "90.9", "88.5", "86.5", "84.6", "83", "81.4", "80"};
    std::string csv = "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n";
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i);
        csv += "慢" + n + "甲,慢" + n + ",pc," + n + ",1,慢" + n + ",1,100," + opportunity[i - 1] + "\r\n";
    }
    return csv;
}

class MineProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new LocalServer(LocalServer::Mode::Https);
        WebRequestOptions options;
        options.caFile = LocalServer::certificateFile();
        setWebRequestDefaults(options);
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
        setWebRequestDefaults(WebRequestOptions{});
    }
    void SetUp() override {
        ASSERT_TRUE(MariaDbServer::shared().running()) << MariaDbServer::shared().error();
        setUpMarket("");
    }
    // The fixtures with further set-up parameters of the stand-in ("&synthetic=N&rate=R&burst=B").
    static void setUpMarket(const std::string &parameters) {
        ASSERT_EQ(webRequest(server->url("/market/setup?dir=" + urlEncode(kFixtures) + parameters)), "ok");
    }
    static long long refusedByTheStandIn() {
        return std::atoll(webRequest(server->url("/market/refused")).c_str());
    }

    std::string home() const { return m_home.path().toStdString(); }
    std::string file(const std::string &name) const { return home() + "/" + name; }

    // The test servers and a store in the private home.
    Args withEndpoints(Args args, const std::string &store = "store.sqlite",
                       unsigned servicePort = MariaDbServer::shared().port()) const {
        const std::string host = "127.0.0.1:" + std::to_string(server->port());
        args.insert(args.end(),
                    {"--suggest-host", m_suggestHost.empty() ? host : m_suggestHost, "--search-host", host,
                     "--ca-file", LocalServer::certificateFile(), "--service-host", "127.0.0.1",
                     "--service-port", std::to_string(servicePort)});
        if (!store.empty())
            args.insert(args.end(), {"--store", file(store)});
        return args;
    }
    MineResult mine(const Args &args, const std::string &store = "store.sqlite") const {
        return runMine(home(), withEndpoints(args, store));
    }

    // The q of every PC suggestion request received since the set-up, in order.
    static std::vector<std::string> askedPc() {
        std::vector<std::string> asked;
        std::string log = webRequest(server->url("/market/log"));
        std::size_t start = 0;
        while (start < log.size()) {
            std::size_t end = log.find('\n', start);
            if (end == std::string::npos)
                end = log.size();
            const std::string line = log.substr(start, end - start);
            start = end + 1;
            const std::size_t question = line.find('?');
            if (line.rfind("GET /sug?", 0) != 0 || question == std::string::npos)
                continue;
            const std::string query = line.substr(question + 1, line.find(' ', question) - question - 1);
            const QUrlQuery items(QString::fromLatin1(query));
            if (items.hasQueryItem("_ksTS"))
                asked.push_back(
                    items.queryItemValue("q", QUrl::FullyDecoded).replace('+', ' ').toStdString());
        }
        return asked;
    }

    void waitForRequests(std::size_t count) const {
        for (int i = 0; i < 600 && askedPc().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }

    // Run 1: both dress seeds, two levels of PC suggestions.
    bool mineTheDressRun() const {
        const MineResult run = mine({"run", "--seed", "连衣裙", "--seed", "半身裙", "--depth", "2",
                                     "--sources", "pc", "--interval-ms", "0"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.exitCode == 0;
    }

    void writeSlowSeeds() const {
        std::ofstream seeds(file("slow.txt"));
        for (int i = 1; i <= 10; ++i)
            seeds << "慢" << i << "\n";
    }

    static inline LocalServer *server = nullptr;
    QTemporaryDir m_home;
    std::string m_suggestHost; // empty: the stand-in
};

TEST_F(MineProgramTest, run_writesTheDeepResultInOrder) {
    const MineResult run = mine({"run", "--seed", "连衣裙", "--seed", "半身裙", "--depth", "2", "--sources",
                                 "pc", "--interval-ms", "0", "--name", "裙子", "--out", file("r.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, 6), "run 1\n");
    EXPECT_EQ(readFile(file("r.csv")),
              "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n"
              "连衣裙夏,连衣裙,pc,100,1,连衣裙,1,66.7,63.7\r\n"
              "连衣裙女,连衣裙,pc,200,1,连衣裙,3,100,84\r\n"
              "半身裙长款,半身裙,pc,10,1,半身裙,1,66.7,100\r\n"
              "连衣裙夏季,连衣裙,pc,50,2,连衣裙夏,1,66.7,73.2\r\n"
              "连衣裙女装,连衣裙,pc,30,2,连衣裙女,1,66.7,81.2\r\n"
              "男士衬衫,连衣裙,pc,3,2,连衣裙女,1,33.3,58.4\r\n");
    // Each query once; words of the last level are not asked.
    Args asked = askedPc();
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (Args{"半身裙", "半身裙长款", "连衣裙", "连衣裙夏", "连衣裙女"}));

    const MineResult exported = mine({"export", "1", "--out", file("r.jsonl")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string jsonl = readFile(file("r.jsonl"));
    EXPECT_EQ(jsonl.substr(0, jsonl.find('\n')),
              "{\"关键词\":\"连衣裙夏\",\"种子词\":\"连衣裙\",\"来源\":\"pc\",\"商品数\":100,\"层级\":1,"
              "\"父词\":\"连衣裙\",\"出现次数\":1,\"热度\":66.7,\"机会\":63.7}");

    const MineResult list = mine({"list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("done"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("5/5"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("裙子"), std::string::npos) << list.out;
}

// The cells of each CSV line after the byte-order mark (no quoted fields).
std::vector<std::vector<std::string>> csvCells(const std::string &csv) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(csv.substr(3));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
            cells.push_back(line.substr(start, comma - start));
        cells.push_back(line.substr(start));
        lines.push_back(std::move(cells));
    }
    return lines;
}

// Two runs of the seed 对比 whose answers differ: the first lists 对比甲 100, 对比乙 50 and
// 对比丙 7, the second 对比乙 40, 对比丁 3 and 对比甲 150.
TEST_F(MineProgramTest, diff_comparesTwoRunsWordByWord) {
    for (int i = 0; i < 2; ++i) {
        const MineResult run =
            mine({"run", "--seed", "对比", "--sources", "pc", "--interval-ms", "0", "--cache-hours", "0"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const MineResult diff = mine({"diff", "1", "2", "--out", file("d.csv")});
    ASSERT_EQ(diff.exitCode, 0) << diff.err;
    const auto lines = csvCells(readFile(file("d.csv")));
    using Cells = std::vector<std::string>;
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (Cells{"关键词", "状态", "前商品数", "后商品数", "商品数变化", "变化率", "前热度",
                               "后热度", "热度变化"}));
    // 热度 by position in each answer of three: 1.0, 2/3 and 1/3 of the largest sum.
    const Cells expected[] = {{"对比丁", "新增", "", "3", "", "", "", "66.7", ""},
                              {"对比乙", "保留", "50", "40", "-10", "-20", "66.7", "100", "33.3"},
                              {"对比甲", "保留", "100", "150", "50", "50", "100", "33.3", "-66.7"},
                              {"对比丙", "消失", "7", "", "", "", "33.3", "", ""}};
    // The store keeps no popularity yet where its 热度 columns are all empty.
    const bool heat = lines[1][7] != "";
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        Cells want = expected[i];
        if (!heat)
            std::fill(want.begin() + 6, want.end(), "");
        EXPECT_EQ(lines[i + 1], want);
    }
    EXPECT_EQ(diff.out, std::string("1 new, 1 gone, 2 kept; largest rises of 热度: ") +
                            (heat ? "对比乙 +33.3" : "none") + "\n");

    const MineResult jsonl = mine({"diff", "1", "2", "--out", file("d.jsonl")});
    ASSERT_EQ(jsonl.exitCode, 0) << jsonl.err;
    EXPECT_NE(readFile(file("d.jsonl")).find("{\"关键词\":\"对比乙\",\"状态\":\"保留\",\"前商品数\":50,"),
              std::string::npos);
    const MineResult missing = mine({"diff", "1", "9", "--out", file("m.csv")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "orbisel-mine: unknown run 9 (orbisel-mine list shows the stored runs)\n");
    EXPECT_FALSE(std::filesystem::exists(file("m.csv")));
}

TEST_F(MineProgramTest, run_filtersKeepWordsAndLimitQueries) {
    const MineResult excluded = mine({"run", "--seed", "连衣裙", "--depth", "2", "--sources", "pc",
                                      "--interval-ms", "0", "--exclude", "男,夏", "--out", file("x.csv")});
    ASSERT_EQ(excluded.exitCode, 0) << excluded.err;
    EXPECT_EQ(readFile(file("x.csv")),
              "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n"
              "连衣裙女,连衣裙,pc,200,1,连衣裙,1,50,34.5\r\n"
              "连衣裙女装,连衣裙,pc,30,2,连衣裙女,1,100,100\r\n");

    const MineResult limited =
        mine({"run", "--seed", "连衣裙", "--depth", "2", "--sources", "pc", "--interval-ms", "0",
              "--max-queries", "2", "--cache-hours", "0", "--out", file("m.csv")});
    ASSERT_EQ(limited.exitCode, 0) << limited.err;
    EXPECT_NE(limited.err.find("query limit reached"), std::string::npos) << limited.err;
    EXPECT_TRUE(std::filesystem::exists(file("m.csv")));
}

TEST_F(MineProgramTest, sameAnswers_sameFileAtAnyConcurrency) {
    std::string files[2];
    const char *concurrency[2] = {"1", "8"};
    for (int i = 0; i < 2; ++i) {
        files[i] = file(std::string("c") + concurrency[i] + ".csv");
        const MineResult run =
            mine({"run", "--seed", "连衣裙", "--expand", "letters", "--depth", "2", "--sources",
                  "pc,arrow,mobile,longtail,related", "--concurrency", concurrency[i], "--interval-ms", "0",
                  "--cache-hours", "0", "--out", files[i]},
                 std::string("s") + concurrency[i] + ".sqlite");
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const std::string one = readFile(files[0]);
    EXPECT_EQ(one, readFile(files[1]));
    EXPECT_NE(one.find("连衣裙白色,连衣裙,mobile,8,1,连衣裙b,1"), std::string::npos) << one;
    EXPECT_NE(one.find("|longtail,"), std::string::npos) << one;
}

TEST_F(MineProgramTest, killedRun_resumesWithoutAskingFinishedQueriesAgain) {
    writeSlowSeeds();
    MineProcess killed(home(), withEndpoints({"run", "--seeds", file("slow.txt"), "--sources", "pc",
                                              "--concurrency", "1", "--interval-ms", "0"}));
    waitForRequests(4);
    killed.signal(SIGKILL);
    const MineResult end = killed.wait();
    ASSERT_EQ(end.exitCode, 128 + SIGKILL) << end.err;
    ASSERT_EQ(end.out, "run 1\n");
    ASSERT_LT(askedPc().size(), 10u);
    EXPECT_NE(mine({"list"}).out.find("stopped"), std::string::npos);

    const MineResult resumed = mine({"resume", "1", "--out", file("k.csv")});
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(readFile(file("k.csv")), slowRunCsv());
    // Only the query in flight at the kill may be asked twice.
    const std::vector<std::string> asked = askedPc();
    std::map<std::string, int> times;
    for (const std::string &q : asked)
        ++times[q];
    EXPECT_EQ(times.size(), 10u);
    EXPECT_LE(asked.size(), 11u);
}

TEST_F(MineProgramTest, interruptedRun_stopsWithResumeHintAndKeepsOneWriter) {
    writeSlowSeeds();
    MineProcess running(home(), withEndpoints({"run", "--seeds", file("slow.txt"), "--sources", "pc",
                                               "--concurrency", "2", "--interval-ms", "0"}));
    waitForRequests(2);
    const MineResult second = mine({"resume", "1"});
    EXPECT_EQ(second.exitCode, 2) << second.err;
    EXPECT_NE(second.err.find("another orbisel-mine"), std::string::npos) << second.err;

    running.signal(SIGINT);
    const MineResult stopped = running.wait();
    ASSERT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped; resume with: orbisel-mine resume 1\n"), std::string::npos)
        << stopped.err;
    EXPECT_NE(mine({"list"}).out.find("stopped"), std::string::npos);

    const MineResult resumed = mine({"resume", "1", "--out", file("i.csv")});
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(readFile(file("i.csv")), slowRunCsv());
}

TEST_F(MineProgramTest, interruptDuringABlockedPause_stopsAtOnce) {
    MineProcess running(home(),
                        withEndpoints({"run", "--seed", "拒1", "--sources", "pc", "--backoff-ms", "600000"}));
    waitForRequests(2); // the first refusal slows down, the second pauses
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // into the pause
    running.signal(SIGINT);
    const MineResult stopped = running.wait(30);
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err;
    EXPECT_EQ(askedPc().size(), 2u);
}

TEST_F(MineProgramTest, fixedPace_blockedRun_exitsThreeThenResumeFinishesIt) {
    const Args run = {"run",        "--seed",        "拒0", "--seed",        "拒1", "--seed",
                      "拒2",        "--sources",     "pc",  "--concurrency", "1",   "--pace",
                      "fixed",      "--interval-ms", "0",   "--backoff-ms",  "100", "--out",
                      file("b.csv")};
    const MineResult blocked = mine(run);
    ASSERT_EQ(blocked.exitCode, 3) << blocked.err;
    EXPECT_NE(blocked.err.find("blocked"), std::string::npos) << blocked.err;
    EXPECT_NE(blocked.err.find("resume with: orbisel-mine resume 1\n"), std::string::npos) << blocked.err;
    EXPECT_FALSE(std::filesystem::exists(file("b.csv")));
    EXPECT_NE(mine({"list"}).out.find("blocked"), std::string::npos);

    const MineResult resumed = mine({"resume", "1", "--out", file("b.csv")});
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(readFile(file("b.csv")),
              "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n"
              "拒0甲,拒0,pc,1,1,拒0,1,100,100\r\n"
              "拒1甲,拒1,pc,2,1,拒1,1,100,96.5\r\n"
              "拒2甲,拒2,pc,3,1,拒2,1,100,93.5\r\n");
    // The refused queries are asked again; the answered one is not.
    const Args asked = askedPc();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "拒0"), 1);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "拒1"), 4);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "拒2"), 3);
}

TEST_F(MineProgramTest, refusingEverything_exitsThreeAfterThreePauses) {
    const auto started = std::chrono::steady_clock::now();
    const MineResult blocked = mine({"run", "--seed", "拒9", "--sources", "pc", "--backoff-ms", "150"});
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(blocked.exitCode, 3) << blocked.err;
    EXPECT_NE(blocked.err.find("resume with: orbisel-mine resume 1\n"), std::string::npos) << blocked.err;
    // The first refusal slowed down; the pauses of 150, 300 and 600 ms were each followed by another.
    EXPECT_EQ(askedPc(), Args(5, "拒9"));
    EXPECT_GE(took, std::chrono::milliseconds(150 + 300 + 600));
}

// The stand-in refuses what goes beyond 20 requests a second (a bucket of 3),
// the run starts at the fastest pace with 8 requests in flight: it ends done,
// with the file of a run nobody throttled.
TEST_F(MineProgramTest, throttledRun_writesTheFileOfAnUnthrottledOne) {
    const Args run = {"run", "--seed",        "甲", "--seed",       "乙",        "--seed",
                      "丙",  "--depth",       "2",  "--sources",    "pc,mobile", "--concurrency",
                      "8",   "--interval-ms", "0",  "--backoff-ms", "200"};
    // The run into NAME.csv, with the store NAME.sqlite.
    auto runInto = [&](const std::string &name) {
        Args args = run;
        args.insert(args.end(), {"--out", file(name + ".csv")});
        return mine(args, name + ".sqlite");
    };
    setUpMarket("&synthetic=4");
    const MineResult unthrottled = runInto("free");
    ASSERT_EQ(unthrottled.exitCode, 0) << unthrottled.err;
    EXPECT_EQ(refusedByTheStandIn(), 0);

    setUpMarket("&synthetic=4&rate=20&burst=3");
    const MineResult throttled = runInto("paced");
    ASSERT_EQ(throttled.exitCode, 0) << throttled.err;
    EXPECT_GT(refusedByTheStandIn(), 0);
    EXPECT_EQ(readFile(file("paced.csv")), readFile(file("free.csv")));
    EXPECT_NE(readFile(file("free.csv")).find("丙词3词0"), std::string::npos); // depth 2 was asked
}

TEST_F(MineProgramTest, networkDown_exitsFourAndTheRunCanResume) {
    std::ofstream seeds(file("many.txt"));
    for (int i = 1; i <= 12; ++i)
        seeds << "网" << i << "\n";
    seeds.close();
    m_suggestHost = "127.0.0.1:" + std::to_string(unusedPort());
    const MineResult down = mine({"run", "--seeds", file("many.txt"), "--sources", "pc", "--concurrency",
                                  "16", "--interval-ms", "0", "--retry-base-ms", "1"});
    EXPECT_EQ(down.exitCode, 4) << down.err;
    EXPECT_NE(down.err.find("network down"), std::string::npos) << down.err;
    EXPECT_NE(down.err.find("resume with: orbisel-mine resume 1\n"), std::string::npos) << down.err;

    m_suggestHost.clear();
    const MineResult resumed = mine({"resume", "1", "--out", file("n.jsonl")});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(askedPc().size(), 12u);
}

TEST_F(MineProgramTest, userModifiers_replaceTheBuiltInOnes) {
    std::filesystem::create_directories(file("data/Orbisel"));
    std::ofstream(file("data/Orbisel/modifiers.txt")) << "加大\r\n\r\n修身\r\n";
    const MineResult run = mine({"run", "--seed", "裙", "--expand", "modifiers", "--sources", "pc",
                                 "--interval-ms", "0", "--concurrency", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(askedPc(), (Args{"裙", "裙 加大", "裙 修身"})) << run.err;
}

TEST_F(MineProgramTest, roots_writeTheRunsRootWordTableKeepingUserWordsAndSeedsWhole) {
    std::filesystem::create_directories(file("data/Orbisel"));
    std::ofstream(file("data/Orbisel/dictionary.txt")) << "韩都衣舍\r\n";
    const MineResult run = mine({"run", "--seed", "妈妈装", "--sources", "pc", "--interval-ms", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const MineResult roots = mine({"roots", "1", "--out", file("roots.csv")});
    ASSERT_EQ(roots.exitCode, 0) << roots.err;
    EXPECT_EQ(roots.err, "wrote 6 root words to " + file("roots.csv") + "\n");
    // 热度 of the four suggestions: 100, 75, 50, 25; 热度合计 adds those of the words holding each root.
    EXPECT_EQ(readFile(file("roots.csv")), readFile(ORBISEL_CLI_TEST_DIR "/fixtures/roots-of-mama.csv"));
    ASSERT_EQ(mine({"roots", "1", "--out", file("roots.jsonl")}).exitCode, 0);
    const std::string jsonl = readFile(file("roots.jsonl"));
    EXPECT_EQ(jsonl.substr(0, jsonl.find('\n')),
              "{\"词根\":\"妈妈装\",\"词数\":3,\"商品数合计\":425,\"热度合计\":200,\"种子词\":\"是\"}");

    std::ofstream(file("data/Orbisel/dictionary.txt")) << "韩都衣舍\n大\t码\n";
    const MineResult refused = mine({"roots", "1", "--out", file("refused.csv")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("dictionary.txt line 2: a control byte"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(file("refused.csv")));
}

TEST_F(MineProgramTest, serviceStopped_exitsFiveBeforeTouchingTheStore) {
    const MineResult run =
        runMine(home(), withEndpoints({"run", "--seed", "连衣裙"}, "store.sqlite", unusedPort()));
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(run.err, "软件停止服务，请联系QQ800012345\n");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(file("store.sqlite")));
    EXPECT_TRUE(askedPc().empty());
}

TEST_F(MineProgramTest, newerPublishedVersion_noticeAndTheRunGoesOn) {
    ASSERT_TRUE(MariaDbServer::shared().sql("UPDATE woai SET 内容 = 'V7.0.0' WHERE ID = 8;"));
    const MineResult run = mine({"run", "--seed", "半身裙", "--sources", "pc", "--interval-ms", "0"});
    MariaDbServer::shared().resetData();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("notice: version V7.0.0 is published (this is V6.9.2)"), std::string::npos)
        << run.err;
}

TEST_F(MineProgramTest, badInput_exitsTwoWithOneClearLine) {
    std::filesystem::create_directory(file("folder.csv"));
    std::ofstream(file("blank.txt")) << "\r\n \r\n";
    std::ofstream(file("corrupt.sqlite")) << std::string(4096, 'x');
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file("newer.sqlite").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 999999; CREATE TABLE t(x);", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    struct Case {
        Args args;
        std::string store;
        std::string message; // a part of the error line
    };
    const Case cases[] = {
        {{"run", "--seed", "a", "--bogus"}, "store.sqlite", "--bogus"},
        {{"frobnicate"}, "", "unknown command 'frobnicate'"},
        {{"run", "--seed", "a", "--sources", "pc,web"}, "store.sqlite", "unknown source 'web'"},
        {{"run", "--seed", "a", "--expand", "vowels"}, "store.sqlite", "unknown expansion 'vowels'"},
        {{"run", "--seed", "a", "--depth", "6"}, "store.sqlite", "--depth"},
        {{"run", "--seed", "a", "--concurrency", "0"}, "store.sqlite", "--concurrency"},
        {{"run", "--seed", "a", "--max-queries", "many"}, "store.sqlite", "--max-queries"},
        {{"run", "--seed", "a", "--min-chars", "5", "--max-chars", "3"}, "store.sqlite", "--min-chars 5"},
        {{"run"}, "store.sqlite", "no seeds"},
        {{"run", "--seed", " "}, "store.sqlite", "no seeds"},
        {{"run", "--seeds", file("missing.txt")}, "store.sqlite", "cannot read the seeds file"},
        {{"run", "--seeds", file("blank.txt")}, "store.sqlite", "no seeds in"},
        {{"run", "--seed", "a", "--out", file("r.txt")}, "store.sqlite", "unknown format"},
        {{"run", "--seed", "a", "--out", file("nowhere/r.csv")}, "store.sqlite", "no such folder"},
        {{"run", "--seed", "a", "--out", file("folder.csv")}, "store.sqlite", "is a folder"},
        {{"resume", "7"}, "store.sqlite", "unknown run 7"},
        {{"resume", "abc"}, "store.sqlite", "'abc' is not a run number"},
        {{"export", "7", "--out", file("e.csv")}, "store.sqlite", "unknown run 7"},
        {{"export", "7"}, "store.sqlite", "--out"},
        {{"diff", "1", "1", "--out", file("d.csv")}, "store.sqlite", "run 1 is compared with itself"},
        {{"diff", "1", "2", "--out", file("d.csv")}, "store.sqlite", "unknown run 1"},
        {{"diff", "1", "x", "--out", file("d.csv")}, "store.sqlite", "'x' is not a run number"},
        {{"diff", "1", "2", "--out", file("d.txt")}, "store.sqlite", "unknown format"},
        {{"diff", "1", "2"}, "store.sqlite", "--out"},
        {{"roots", "7", "--out", file("roots.csv")}, "store.sqlite", "unknown run 7"},
        {{"roots", "7"}, "store.sqlite", "--out"},
        {{"roots", "1", "--out", file("roots.txt")}, "store.sqlite", "unknown format"},
        {{"run", "--seed", "a"}, "corrupt.sqlite", "damaged"},
        {{"list"},
         "newer.sqlite",
         "written by a newer program: " + file("newer.sqlite") + " (store version 999999); it is left"},
    };
    for (const Case &c : cases) {
        const MineResult result = mine(c.args, c.store);
        EXPECT_EQ(result.exitCode, 2) << c.args[0] << " " << c.message << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.message << "\n" << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    // Nothing was asked, no results file or run was made, and refused stores are left as they were.
    EXPECT_TRUE(askedPc().empty());
    EXPECT_FALSE(std::filesystem::exists(file("r.txt")));
    EXPECT_FALSE(std::filesystem::exists(file("d.csv")));
    EXPECT_EQ(readFile(file("corrupt.sqlite")), std::string(4096, 'x'));
    const MineResult list = mine({"list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;
}

TEST_F(MineProgramTest, seedsThatAreNoText_exitTwoNamingTheLineBeforeAnythingIsAsked) {
    using namespace std::string_literals;
    struct Case {
        std::string name;
        std::string bytes;
        std::string line; // a part of the error line
    };
    const Case cases[] = {
        {"nul.txt", "连衣裙\nab\0cd\n"s, "nul.txt line 2: a control byte"},
        {"escape.txt", "连衣裙\r\n半身裙\r\n\x1B[1m\r\n", "escape.txt line 3: a control byte"},
        {"tab.txt", "连衣裙\t半身裙\n", "tab.txt line 1: a control byte"},
        {"neither.txt", "连衣裙\n\xFF\xFE\xFD\n", "neither.txt line 2: neither UTF-8 nor GBK"},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const Case &c : cases) {
        std::ofstream(file(c.name), std::ios::binary) << c.bytes;
        files.emplace_back(file(c.name), c.line);
    }
    files.emplace_back("/bin/ls", "/bin/ls line 1: a control byte");
    for (const auto &[path, line] : files) {
        const MineResult result = mine({"run", "--seeds", path, "--sources", "pc", "--interval-ms", "0"});
        EXPECT_EQ(result.exitCode, 2) << path << "\n" << result.err;
        EXPECT_NE(result.err.find(line), std::string::npos) << line << "\n" << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
    const MineResult seed = mine({"run", "--seed", "连衣裙", "--seed", "半身\t裙"});
    EXPECT_EQ(seed.exitCode, 2) << seed.err;
    EXPECT_NE(seed.err.find("--seed number 2: a control byte"), std::string::npos) << seed.err;
    EXPECT_EQ(webRequest(server->url("/market/log")), ""); // no request at all reached the stand-in
}

TEST_F(MineProgramTest, listsSplitAtFullWidthCommasAndEnumerationCommas) {
    const MineResult run =
        mine({"run", "--seed", "连衣裙", "--depth", "2", "--sources", "pc", "--interval-ms", "0", "--include",
              " 连衣裙，男士 ", "--exclude", "夏、 装", "--out", file("l.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(file("l.csv")),
              "\xEF\xBB\xBF关键词,种子词,来源,商品数,层级,父词,出现次数,热度,机会\r\n"
              "连衣裙女,连衣裙,pc,200,1,连衣裙,1,100,48\r\n"
              "男士衬衫,连衣裙,pc,3,2,连衣裙女,1,100,100\r\n");
}

TEST_F(MineProgramTest, title_composesTheSeedsTitlesForStandardOutputAndFiles) {
    ASSERT_TRUE(mineTheDressRun());
    const MineResult plain = mine({"title", "1", "--seed", "连衣裙"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    // 热度: 连衣裙女 100, 连衣裙夏, 连衣裙夏季 and 连衣裙女装 66.7, 男士衬衫 33.3; all fit.
    EXPECT_EQ(plain.out, "连衣裙女装夏季男士衬衫\n");

    const MineResult explained = mine({"title", "1", "--seed", "连衣裙", "--avoid", "男士", "--explain"});
    ASSERT_EQ(explained.exitCode, 0) << explained.err;
    EXPECT_EQ(explained.out, "连衣裙女装夏季\n"
                             "\n"
                             "词根\t价值\t1\n"
                             "连衣裙\t300.1\t✓\n"
                             "女\t100.0\t✓\n"
                             "夏\t66.7\t✓\n"
                             "夏季\t66.7\t✓\n"
                             "女装\t66.7\t✓\n");

    const MineResult csv = mine({"title", "1", "--seed", "连衣裙", "--must", "女装", "--limit", "20",
                                 "--count", "2", "--explain", "--out", file("t.csv")});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out, "");
    EXPECT_EQ(readFile(file("t.csv")),
              "\xEF\xBB\xBF标题,字节,字数,价值,覆盖词数,词根：连衣裙,词根：女,词根：夏,词根：夏季,词根：女装,"
              "词根：男士,词根：衬衫\r\n"
              "女装连衣裙夏季,14,7,300.1,4,1,1,1,1,1,0,0\r\n"
              "女装连衣裙夏男士衬衫,20,10,266.7,4,1,1,1,0,1,1,1\r\n");
    const MineResult jsonl = mine({"title", "1", "--seed", "半身裙", "--out", file("t.jsonl")});
    ASSERT_EQ(jsonl.exitCode, 0) << jsonl.err;
    EXPECT_EQ(readFile(file("t.jsonl")),
              "{\"标题\":\"半身裙长款\",\"字节\":10,\"字数\":5,\"价值\":66.7,\"覆盖词数\":1}\n");
}

TEST_F(MineProgramTest, title_refusedRequestsExitTwoAndWriteNothing) {
    ASSERT_TRUE(mineTheDressRun());
    struct Case {
        Args args;
        std::string message; // a part of the error line
    };
    const Case cases[] = {
        {{"--seed", "裙子"}, "the run has no seed '裙子' (its seeds: 连衣裙, 半身裙)"},
        {{"--seed", "连衣裙", "--limit", "4"}, "the must word '连衣裙' takes 6 bytes, more than --limit 4"},
        {{"--seed", "连衣裙", "--must", "连衣裙", "--must", "女装夏季", "--limit", "12"},
         "the must words together '连衣裙女装夏季' take 14 bytes, more than --limit 12"},
        {{"--seed", "连衣裙", "--must", "最好连衣裙"},
         "the must word '最好连衣裙' holds the banned word '最"},
        {{"--seed", "连衣裙", "--avoid", "衣裙"}, "the must word '连衣裙' holds the avoided word '衣裙'"},
        {{"--seed", "连衣裙", "--count", "0"}, "--count"},
        {{"--must", "女装"}, "--seed"},
    };
    for (const Case &c : cases) {
        Args args{"title", "1", "--out", file("t.csv")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const MineResult result = mine(args);
        EXPECT_EQ(result.exitCode, 2) << c.message << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.message << "\n" << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
    const MineResult unknownRun = mine({"title", "9", "--seed", "连衣裙"});
    EXPECT_EQ(unknownRun.exitCode, 2);
    EXPECT_NE(unknownRun.err.find("unknown run 9"), std::string::npos) << unknownRun.err;

    // The user's banned.txt: a word there is banned as the built-in ones are; a line that is no text refuses
    // it.
    std::filesystem::create_directories(file("data/Orbisel"));
    const std::pair<std::string, std::string> lists[] = {
        {"夏季\r\n连衣裙\r\n", "the must word '连衣裙' holds the banned word '连衣裙'"},
        {"夏季\n坏\x01词\n",
         "the banned words " + file("data/Orbisel/banned.txt") + " line 2: a control character"},
    };
    for (const auto &[content, message] : lists) {
        std::ofstream(file("data/Orbisel/banned.txt"), std::ios::binary) << content;
        const MineResult result = mine({"title", "1", "--seed", "连衣裙", "--out", file("t.csv")});
        EXPECT_EQ(result.exitCode, 2) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << message << "\n" << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(file("t.csv")));
}

TEST_F(MineProgramTest, helpAndVersion) {
    const MineResult help = runMine(home(), {"run", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *option :
         {"--seeds",       "--seed",         "--expand",      "--sources",     "--depth", "--concurrency",
          "--interval-ms", "--backoff-ms",   "--max-queries", "--cache-hours", "--pace",  "--min-interval-ms",
          "--include",     "--exclude",      "--min-chars",   "--max-chars",   "--name",  "--out",
          "--store",       "--suggest-host", "--ca-file",     "--service-port"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const MineResult top = runMine(home(), {"--help"});
    for (const char *command : {"run", "resume", "list", "export", "diff", "roots", "title", "Exit codes",
                                "(n - p + 1) / n", "not search counts"})
        EXPECT_NE(top.out.find(command), std::string::npos) << command;
    const MineResult roots = runMine(home(), {"roots", "--help"});
    EXPECT_EQ(roots.exitCode, 0);
    for (const char *text :
         {"RUN", "--out", "--store", "词根", "热度合计", "dictionary.txt", "not a search count"})
        EXPECT_NE(roots.out.find(text), std::string::npos) << text;
    const MineResult title = runMine(home(), {"title", "--help"});
    for (const char *option : {"--seed", "--must", "--avoid", "--limit", "--count", "--out", "--explain"})
        EXPECT_NE(title.out.find(option), std::string::npos) << option;
    const MineResult version = runMine(home(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "orbisel-mine V6.9.2\n");
}

} // namespace
} // namespace orbisel::test
