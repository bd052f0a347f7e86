#include "tests/support/MariaDbServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orbisel::test {

namespace {

const QString kScript = QStringLiteral(ORBISEL_SOURCE_DIR "/scripts/service-db.sh");

std::unique_ptr<MariaDbServer> &sharedInstance() {
    static std::unique_ptr<MariaDbServer> instance;
    return instance;
}

// Stops the shared server after the last test, while the application still exists.
class SharedServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { sharedInstance().reset(); }
};

[[maybe_unused]] ::testing::Environment *const g_environment =
    ::testing::AddGlobalTestEnvironment(new SharedServerEnvironment);

// Stops the server and removes its directory once the test process is gone, however it ended.
void startWatchdog(const QString &dataDir) {
    static const char *const watch = "while kill -0 \"$1\" 2>/dev/null; do sleep 1; done;"
                                     "if [ -d \"$2\" ]; then \"$3\" stop --datadir \"$2\"; rm -rf \"$2\"; fi";
    QProcess watchdog;
    watchdog.setProgram(QStringLiteral("/bin/sh"));
    watchdog.setArguments({QStringLiteral("-c"), QString::fromLatin1(watch),
                           QStringLiteral("orbisel-db-watchdog"), QString::number(::getpid()), dataDir,
                           kScript});
    watchdog.setStandardInputFile(QProcess::nullDevice());
    watchdog.setStandardOutputFile(QProcess::nullDevice());
    watchdog.setStandardErrorFile(QProcess::nullDevice());
    watchdog.startDetached();
}

} // namespace

unsigned freeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    unsigned port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

MariaDbServer::MariaDbServer() : m_dir(QDir::tempPath() + QStringLiteral("/orbisel-db-XXXXXX")) {
    if (!m_dir.isValid()) {
        m_error = "no temporary directory";
        return;
    }
    // Another process may take the free port before the server binds it: try a few.
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = freeLocalPort();
        if (m_port != 0)
            start();
        if (attempt == 0)
            startWatchdog(m_dir.path());
    }
}

MariaDbServer::~MariaDbServer() {
    stop();
}

MariaDbServer &MariaDbServer::shared() {
    auto &instance = sharedInstance();
    if (!instance)
        instance = std::make_unique<MariaDbServer>();
    return *instance;
}

bool MariaDbServer::runScript(const QStringList &arguments, std::string *output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/bin/bash"),
                  QStringList{kScript} + arguments + QStringList{QStringLiteral("--datadir"), m_dir.path()});
    const bool finished = process.waitForFinished(120000);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    if (output)
        *output = process.readAll().toStdString();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

qint64 MariaDbServer::serverPid() const {
    QFile file(m_dir.filePath(QStringLiteral("mariadbd.pid")));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}

bool MariaDbServer::sql(const std::string &statements, std::string *output) {
    QProcess process;
    process.start(QStringLiteral("mariadb"),
                  {QStringLiteral("--no-defaults"),
                   QStringLiteral("--socket=") + m_dir.filePath(QStringLiteral("sock")),
                   QStringLiteral("-uroot"), QStringLiteral("--default-character-set=utf8mb4"),
                   QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("group_data")});
    if (!process.waitForStarted())
        return false;
    process.write(statements.data(), static_cast<qint64>(statements.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput().toStdString();
    const QByteArray errors = process.readAllStandardError();
    if (!errors.isEmpty())
        m_error = errors.toStdString();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool MariaDbServer::start() {
    std::string output;
    m_running =
        runScript({QStringLiteral("start"), QStringLiteral("--port"), QString::number(m_port)}, &output);
    if (!m_running)
        m_error += output;
    return m_running;
}

bool MariaDbServer::resetData() {
    return runScript({QStringLiteral("reset")}, nullptr);
}

void MariaDbServer::stop() {
    if (!m_dir.isValid())
        return;
    const qint64 pid = serverPid();
    runScript({QStringLiteral("stop")}, nullptr);
    // The script kills a server that does not shut down; make sure of it anyway.
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(m_dir.path().toUtf8()))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    m_running = false;
}

} // namespace orbisel::test
