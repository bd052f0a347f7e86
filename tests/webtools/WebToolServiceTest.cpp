// Creation steps of the web tool windows against a real service database.
#include "app/Program.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "tests/support/MariaDbServer.h"
#include "tests/support/ProgramSeams.h"
#include "tests/webtools/WebTestSupport.h"
#include "web/Gbk.h"
#include "webtools/Browser.h"
#include "webtools/WebToolPages.h"
#include "webtools/WebToolWindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>

namespace orbisel {
namespace {

using test::ProgramSeams;
using test::utf8;
using test::waitUntil;

void pointServiceAt(unsigned port) {
    ServiceEndpoint &endpoint = serviceEndpoint();
    endpoint.host = "127.0.0.1";
    endpoint.port = port;
    endpoint.user = config::kServiceDbUser;
    endpoint.password = config::kServiceDbPassword;
    endpoint.database = config::kServiceDbName;
}

class WebToolService : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerWebToolWindows(); }
    static void TearDownTestSuite() { disconnectService(); }
    void SetUp() override {
        test::MariaDbServer &db = test::MariaDbServer::shared();
        ASSERT_TRUE(db.running()) << db.error();
        ASSERT_TRUE(db.resetData());
        ASSERT_TRUE(db.sql("UPDATE woai SET 内容='数据共享说明 来自服务' WHERE 账号='668';"));
        pointServiceAt(db.port());
    }

    ProgramSeams seams;
};

TEST_F(WebToolService, dataSharingWindow_replacesExplanationWithServiceRow) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharing));
    Window *window = openWindow(WindowId::DataSharing);
    EXPECT_EQ(window->text("编辑框1"), dataSharingExplanation());
    EXPECT_EQ(window->timerPeriod("时钟1"), 1000);
    EXPECT_TRUE(waitUntil([&] { return utf8(window->text("编辑框1")) == "数据共享说明 来自服务"; }, 5000))
        << utf8(window->text("编辑框1"));
}

TEST_F(WebToolService, serviceWindows_showTheirPagesAndOpenOnce) {
    ASSERT_TRUE(loadWindow(WindowId::Index));
    ASSERT_TRUE(loadWindow(WindowId::CrowdQuery));
    ASSERT_TRUE(loadWindow(WindowId::PayersQuery));
    Window *index = openWindow(WindowId::Index);
    Window *crowd = openWindow(WindowId::CrowdQuery);
    Window *payers = openWindow(WindowId::PayersQuery);
    ASSERT_TRUE(index && crowd && payers);
    EXPECT_TRUE(index->isVisible());

    EXPECT_EQ(browserAddress(*index), indexSiteAddress());
    EXPECT_EQ(browserAddress(*crowd), crmSiteAddress());
    const FullScreenLayout layout = fullScreenLayout(QGuiApplication::primaryScreen()->geometry().size());
    EXPECT_EQ(crowd->pos(), QPoint(0, 0));
    EXPECT_EQ(crowd->size(), layout.window.size());
    EXPECT_EQ(browserAddress(*payers), "");
    EXPECT_EQ(payers->timerPeriod("时钟1"), 1000);
    EXPECT_EQ(payers->timerPeriod("时钟2"), 1000);

    index->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return index->isMinimized(); }, 5000));
    ASSERT_TRUE(loadWindow(WindowId::Index));
    EXPECT_EQ(openWindow(WindowId::Index), index);
    EXPECT_EQ(openWindowCount(), 3);
    EXPECT_TRUE(waitUntil([&] { return !index->isMinimized(); }, 5000));
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.endCodes.empty());
}

TEST_F(WebToolService, payersWindow_asksOnceWhenServiceVersionDiffers) {
    ASSERT_TRUE(loadWindow(WindowId::PayersQuery));
    Window *payers = openWindow(WindowId::PayersQuery);
    ASSERT_NE(payers, nullptr);
    payers->click("时钟1");
    payers->click("时钟2");
    EXPECT_TRUE(seams.messages.empty()); // the published version equals the built-in one

    ASSERT_TRUE(test::MariaDbServer::shared().sql("UPDATE woai SET 内容='V7.0.0' WHERE 账号='8787';"));
    payers->click("时钟1");
    EXPECT_EQ(utf8(payers->text("编辑框999")), "V7.0.0");
    payers->click("时钟2"); // No: the program ends
    EXPECT_EQ(payers->timerPeriod("时钟2"), 0);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), "发现新版本，是否更新软件");
    EXPECT_EQ(utf8(seams.messages[0].title), "标题");
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

// No server listens on the configured port.
class ServiceDown : public ::testing::TestWithParam<WindowId> {
protected:
    void SetUp() override {
        registerWebToolWindows();
        pointServiceAt(test::freeLocalPort());
    }
    ProgramSeams seams;
};

TEST_P(ServiceDown, window_endsProgramWithServiceStoppedMessageBeforeShowing) {
    EXPECT_FALSE(loadWindow(GetParam()));
    EXPECT_EQ(openWindow(GetParam()), nullptr);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), std::string("软件停止服务 联系QQ") + config::kSupportQq);
    EXPECT_EQ(seams.messages[0].title, defaultMessageTitle());
    EXPECT_EQ(seams.messages[0].buttons, kMbOk);
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

INSTANTIATE_TEST_SUITE_P(ServiceWindows, ServiceDown,
                         ::testing::Values(WindowId::Index, WindowId::CrowdQuery, WindowId::PayersQuery));

class DataSharingServiceDown : public ::testing::Test {
protected:
    void SetUp() override {
        registerWebToolWindows();
        pointServiceAt(test::freeLocalPort());
    }
    ProgramSeams seams;
};

TEST_F(DataSharingServiceDown, window_opensAnywayAndEmptiesExplanation) {
    ASSERT_TRUE(loadWindow(WindowId::DataSharing));
    Window *window = openWindow(WindowId::DataSharing);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(waitUntil([&] { return window->text("编辑框1").empty(); }, 5000));
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_TRUE(seams.endCodes.empty());
}

} // namespace
} // namespace orbisel
