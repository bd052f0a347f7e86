#include "service/ServiceDb.h"

#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceWindows.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "web/Clock.h"
#include "web/Gbk.h"

#include <QProcess>
#include <QThread>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orbisel {
namespace {

using test::MariaDbServer;
using test::utf8;

std::vector<std::string> utf8Row(const ServiceRow &row) {
    std::vector<std::string> texts;
    for (const Text &column : row)
        texts.push_back(utf8(column));
    return texts;
}

const std::vector<std::string> kEmptyRow(4);

class ServiceDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server().running()) << server().error();
        ASSERT_TRUE(server().resetData());
        m_saved = serviceEndpoint();
        serviceEndpoint().host = "127.0.0.1";
        serviceEndpoint().port = server().port();
        serviceEndpoint().timeoutSeconds = 2;
        ASSERT_TRUE(connectService());
    }
    void TearDown() override {
        disconnectService();
        serviceEndpoint() = m_saved;
        setClockForTesting({});
    }

    static MariaDbServer &server() { return MariaDbServer::shared(); }
    static void sql(const std::string &statements) {
        ASSERT_TRUE(server().sql(statements)) << server().error();
    }
    static std::vector<std::string> read(const std::string &conditionUtf8) {
        return utf8Row(readServiceRow(gbk(conditionUtf8)));
    }

private:
    ServiceEndpoint m_saved;
};

TEST_F(ServiceDbTest, seedRows_giveEveryReaderItsColumn) {
    struct Case {
        const char *condition;
        std::size_t column;
        const char *value;
    };
    const Case cases[] = {
        {"账号=8787", 2, "V6.9.2"},
        {"ID=8", 1, "https://www.example.com/orbisel/update.html"},
        {"ID=8", 2, "V6.9.2"},
        {"账号=555", 2, "https://www.example.com/orbisel/download.html"},
        {"账号=555", 3, "新版本 V6.9.2 已发布，长尾词挖掘更快更稳，点击“下载更新”获取"},
        {"账号=666", 2, "https://ke.qq.com/course/2745312"},
        {"账号=666", 3, "今晚21点30分直播公开课：用长尾词给宝贝标题引流，欢迎准时参加"},
        {"账号=222", 2, "21点30分"},
        {"账号=456", 2, "假"},
        {"账号=9123", 2, "Orbisel-V6.9.2.zip"},
        {"账号=668", 2,
         "数据共享：登录后可查看团队成员共享的店铺与关键词数据，数据每日更新，仅供团队内部参考。"},
        {"mima=1900", 0, "12873"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(read(c.condition).at(c.column), c.value) << c.condition << " column " << c.column;
    EXPECT_EQ(std::string(config::kVersionText), read("ID=8")[2]);
}

TEST_F(ServiceDbTest, severalMatchingRows_firstRowWins) {
    sql("DELETE FROM woai;"
        "INSERT INTO woai (序号, 标识, 地址, 内容, 公告, 账号) VALUES"
        " (1, '甲', 'a1', 'v1', '公告一', '777'), (2, '乙', 'a2', 'v2', '公告二', '777');");
    EXPECT_EQ(read("账号=777"), (std::vector<std::string>{"甲", "a1", "v1", "公告一"}));
}

TEST_F(ServiceDbTest, nullColumns_readAsEmpty) {
    sql("UPDATE woai SET 内容 = NULL WHERE 账号 = '222';");
    EXPECT_EQ(read("账号=222"), (std::vector<std::string>{"开课时间", "", "", ""}));
}

TEST_F(ServiceDbTest, tableWithFewerColumns_missingColumnsEmpty) {
    sql("DROP TABLE woai; CREATE TABLE woai (标识 VARCHAR(16), 账号 VARCHAR(16)) DEFAULT CHARSET=gbk;"
        "INSERT INTO woai VALUES ('计数', '8787');");
    EXPECT_EQ(read("账号=8787"), (std::vector<std::string>{"计数", "8787", "", ""}));
}

TEST_F(ServiceDbTest, noMatchOrFailingStatement_givesEmptyRowSilently) {
    test::ProgramSeams seams;
    for (const char *condition : {"账号=99999", "账号=", "没有这列=1", "账号=8787 union select 1"})
        EXPECT_EQ(read(condition), kEmptyRow) << condition;

    sql("DROP TABLE woai;");
    EXPECT_EQ(read("账号=8787"), kEmptyRow);
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.endCodes.empty());

    // The connection survives failed statements.
    ASSERT_TRUE(server().resetData());
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");
}

TEST_F(ServiceDbTest, withoutConnection_readConnects) {
    disconnectService();
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");
}

TEST_F(ServiceDbTest, serverRestart_readsConnectAgainAtMostOncePerRetryInterval) {
    TimePoint clock = std::chrono::system_clock::now();
    setClockForTesting([&clock] { return clock; });

    // Restarted between two reads: the next read replaces the broken connection.
    server().stop();
    ASSERT_TRUE(server().start()) << server().error();
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");

    // Down during a read: that read's attempt fails; none follows within the retry interval,
    // even though the server is back.
    server().stop();
    EXPECT_EQ(read("账号=8787"), kEmptyRow);
    ASSERT_TRUE(server().start()) << server().error();
    EXPECT_EQ(read("账号=8787"), kEmptyRow);
    clock += std::chrono::seconds(config::kServiceDbRetrySeconds) - std::chrono::milliseconds(1);
    EXPECT_EQ(read("账号=8787"), kEmptyRow);
    clock += std::chrono::milliseconds(1);
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");
    EXPECT_EQ(read("ID=8")[1], "https://www.example.com/orbisel/update.html");
}

TEST_F(ServiceDbTest, reconnect_closesSupersededConnection) {
    const std::string count =
        "SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE USER = 'group_data';";
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(connectService());
    // The server notices a closed connection a moment after the client quits.
    std::string open;
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(server().sql(count, &open));
        if (open == "1\n")
            break;
        QThread::msleep(50);
    }
    EXPECT_EQ(open, "1\n");
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");
}

// A TCP port on 127.0.0.1 that accepts connections into its backlog but never answers.
class SilentListener {
public:
    SilentListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
            ::listen(m_fd, 8) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_fd); }
    unsigned port() const { return m_port; }
    // Someone connected and waits to be accepted.
    bool connectionWaiting() const {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1;
    }

private:
    int m_fd = -1;
    unsigned m_port = 0;
};

TEST_F(ServiceDbTest, slowStatement_endsAtReadTimeoutWithEmptyRow_nextReadConnectsAgain) {
    // A reconnect within the timed-out read would wait a second time-out, here.
    SilentListener silent;
    ASSERT_NE(silent.port(), 0u);
    serviceEndpoint().port = silent.port();
    // Five seconds of server work against a two-second read time-out.
    EXPECT_EQ(read("账号=8787 and sleep(5)=0"), kEmptyRow);
    EXPECT_FALSE(silent.connectionWaiting());

    serviceEndpoint().port = server().port();
    EXPECT_EQ(read("账号=8787")[2], "V6.9.2");
    sql("SELECT GROUP_CONCAT(CONCAT('KILL ', ID, ';') SEPARATOR '') INTO @kill FROM "
        "information_schema.PROCESSLIST"
        " WHERE USER = 'group_data' AND COMMAND = 'Query'; SET @kill = IFNULL(@kill, 'DO 0'); PREPARE s FROM "
        "@kill; EXECUTE s;");
}

TEST_F(ServiceDbTest, unreachableServer_connectFailsAndDropsOldConnection) {
    SilentListener silent;
    ASSERT_NE(silent.port(), 0u);
    for (const unsigned port : {test::freeLocalPort(), silent.port()}) {
        ASSERT_TRUE(connectService());
        serviceEndpoint().port = port;
        EXPECT_FALSE(connectService()) << "port " << port;
        EXPECT_EQ(read("账号=8787"), kEmptyRow) << "port " << port;
        serviceEndpoint().port = server().port();
    }
}

TEST_F(ServiceDbTest, groupDataAccount_readsButCannotWrite) {
    QProcess client;
    client.start(QStringLiteral("mariadb"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("--protocol=TCP"),
                  QStringLiteral("-h127.0.0.1"), QStringLiteral("-P%1").arg(server().port()),
                  QStringLiteral("-ugroup_data"), QStringLiteral("-p583920174"), QStringLiteral("group_data"),
                  QStringLiteral("-e"), QStringLiteral("UPDATE woai SET ID = 9 WHERE ID = 8")});
    ASSERT_TRUE(client.waitForFinished(60000));
    EXPECT_NE(client.exitCode(), 0);
    EXPECT_NE(client.readAllStandardError().indexOf("UPDATE command denied"), -1);
    EXPECT_EQ(read("ID=8")[2], "V6.9.2");
}

TEST(ServiceStopped, showsMessageWithDefaultTitleThenEndsWithZero) {
    const std::pair<Text, std::string> cases[] = {
        {serviceStoppedMessage(), std::string("软件停止服务 联系QQ") + config::kSupportQq},
        {mainServiceStoppedMessage(), std::string("软件停止服务，请联系QQ") + config::kSupportQq},
    };
    for (const auto &[message, expected] : cases) {
        test::ProgramSeams seams;
        std::size_t endsBeforeAnswer = 99;
        setMessageBoxHandler([&](const MessageBoxRequest &request) {
            seams.messages.push_back(request);
            endsBeforeAnswer = seams.endCodes.size();
            return kIdOk;
        });
        serviceStopped(message);
        ASSERT_EQ(seams.messages.size(), 1u);
        EXPECT_EQ(utf8(seams.messages[0].text), expected);
        EXPECT_EQ(utf8(seams.messages[0].title), "信息：");
        EXPECT_EQ(seams.messages[0].buttons, kMbOk);
        EXPECT_EQ(endsBeforeAnswer, 0u);
        EXPECT_EQ(seams.endCodes, std::vector<int>{0});
    }
}

} // namespace
} // namespace orbisel
