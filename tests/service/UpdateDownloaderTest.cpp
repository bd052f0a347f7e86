#include "FtpServer.h"
#include "ServiceWindowFixture.h"
#include "app/Program.h"
#include "service/ServiceWindows.h"
#include "service/UpdateFtp.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

namespace orbisel::test {
namespace {

QByteArray binaryContent(int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>((i * 7 + i / 251) & 0xFF)); // CR, LF and NUL bytes included
    bytes.append("\r\n\n\r\0tail", 9);
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A downloader talking to a loopback FTP server, downloading into its own
// working directory (a child of a scratch directory, so that escapes show).
class UpdateDownloaderTest : public ServiceWindowTest {
protected:
    UpdateDownloaderTest()
        : root(scratch.filePath("root")), work(scratch.filePath("work")), previousDir(QDir::currentPath()) {
        QDir().mkpath(root);
        QDir().mkpath(work);
        QDir::setCurrent(work);
        registerServiceWindows();
    }
    ~UpdateDownloaderTest() override {
        closeAllWindows();
        QDir::setCurrent(previousDir);
        ftpEndpoint() = savedEndpoint;
    }

    void startServer() {
        server = std::make_unique<FtpServer>(root, QStringLiteral("upd"), QStringLiteral("583920174"));
        ASSERT_NE(server->port(), 0u) << server->errors().toStdString();
        ftpEndpoint() = FtpEndpoint{"127.0.0.1", server->port(), "upd", "583920174", 10};
    }

    // Opens the downloader, lets it read the update file name and runs its driver.
    Window *runDownloader(const std::string &name) {
        setRow("账号=9123", {"", "", name, ""});
        EXPECT_TRUE(loadWindow(WindowId::UpdateDownloader));
        Window *w = openWindow(WindowId::UpdateDownloader);
        if (!w)
            return nullptr;
        EXPECT_EQ(w->timerPeriod("时钟1"), 1000);
        EXPECT_EQ(w->timerPeriod("时钟2"), 1000);
        w->click("时钟1");
        EXPECT_EQ(utf8(w->text("编辑框1")), name);
        w->click("时钟2");
        return w;
    }

    QStringList workEntries() const {
        return QDir(work).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    void expectDoneMessage(const std::string &name) {
        ASSERT_EQ(seams.messages.size(), 1u);
        EXPECT_EQ(utf8(seams.messages[0].text),
                  "当前新版本【" + name + "】,如果自动新版本更新失败 请联系QQ" + config::kSupportQq);
        EXPECT_EQ(utf8(seams.messages[0].title), "版本更新");
        EXPECT_EQ(seams.messages[0].buttons, kMbOk);
        EXPECT_EQ(openWindow(WindowId::UpdateDownloader), nullptr); // closed once the bar is at 100
        EXPECT_TRUE(seams.endCodes.empty());
    }

    QTemporaryDir scratch;
    QString root, work, previousDir;
    FtpEndpoint savedEndpoint = ftpEndpoint();
    std::unique_ptr<FtpServer> server;
};

TEST_F(UpdateDownloaderTest, newVersion_replacesExistingFileWithExactBytes) {
    const QByteArray content = binaryContent(300000);
    writeFile(root + "/OrbiselV7.0.exe", content);
    writeFile(work + "/OrbiselV7.0.exe", "old version");
    startServer();

    runDownloader("OrbiselV7.0.exe");

    EXPECT_EQ(readFile(work + "/OrbiselV7.0.exe"), content);
    EXPECT_EQ(workEntries(), QStringList{"OrbiselV7.0.exe"});
    expectDoneMessage("OrbiselV7.0.exe");
    EXPECT_EQ(connects(), 1);
}

TEST_F(UpdateDownloaderTest, failedTransfer_leavesExistingFileAndNoPartialFile) {
    // broken- files break off after their first 64 KiB.
    writeFile(root + "/broken-setup.exe", binaryContent(200000));
    writeFile(work + "/broken-setup.exe", "old version");
    startServer();

    for (const std::string name : {"missing.exe", "broken-setup.exe", "broken-new.exe"}) {
        SCOPED_TRACE(name);
        if (name == "broken-new.exe")
            writeFile(root + "/broken-new.exe", binaryContent(200000));
        seams.messages.clear();
        runDownloader(name);
        expectDoneMessage(name); // a failed download is not reported otherwise
    }
    EXPECT_EQ(readFile(work + "/broken-setup.exe"), QByteArray("old version"));
    EXPECT_EQ(workEntries(), QStringList{"broken-setup.exe"});
}

TEST_F(UpdateDownloaderTest, namesLeavingTheWorkingDirectory_areRefused) {
    writeFile(root + "/escape.exe", "payload");
    QDir(root).mkpath("sub");
    writeFile(root + "/sub/escape.exe", "payload");
    startServer();

    const std::string names[] = {"../escape.exe", "sub/escape.exe", "..\\escape.exe", "..", ".",
                                 "C:escape.exe",  "/escape.exe",    "sub\\escape.exe"};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(isPlainFileName(name));
        seams.messages.clear();
        runDownloader(name);
        expectDoneMessage(name);
    }
    EXPECT_TRUE(workEntries().isEmpty());
    EXPECT_TRUE(QDir(work).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"root", "work"}));
    EXPECT_TRUE(isPlainFileName(gbk("新版本V7.exe")));
}

TEST_F(UpdateDownloaderTest, ftpServerDown_saysSoAndEndsBeforeService) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const unsigned closedPort = probe.serverPort();
    probe.close();
    ftpEndpoint() = FtpEndpoint{"127.0.0.1", closedPort, "upd", "583920174", 5};

    loadWindow(WindowId::UpdateDownloader);

    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), "FTP连接失败!");
    EXPECT_EQ(seams.messages[0].title, defaultMessageTitle());
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
    EXPECT_EQ(connects(), 0);
}

TEST_F(UpdateDownloaderTest, wrongAccountOrServiceDown_endTheProgram) {
    startServer();
    ftpEndpoint().password = "wrong";
    loadWindow(WindowId::UpdateDownloader);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(utf8(seams.messages[0].text), "FTP连接失败!");
    closeAllWindows();

    seams.messages.clear();
    seams.endCodes.clear();
    ftpEndpoint().password = "583920174";
    serviceDown();
    loadWindow(WindowId::UpdateDownloader);
    ASSERT_EQ(seams.messages.size(), 1u);
    EXPECT_EQ(seams.messages[0].text, serviceStoppedText());
    EXPECT_EQ(seams.messages[0].title, defaultMessageTitle());
    EXPECT_EQ(seams.endCodes, std::vector<int>{0});
}

TEST_F(UpdateDownloaderTest, emptyFileName_waitsWithoutDownloading) {
    startServer();
    Window *w = runDownloader("");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(seams.messages.empty());
    EXPECT_FALSE(w->isClosed());
    EXPECT_NE(w->progress("进度条1"), 100);
}

} // namespace
} // namespace orbisel::test
