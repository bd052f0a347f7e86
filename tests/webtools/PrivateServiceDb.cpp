#include "tests/webtools/PrivateServiceDb.h"

#include "tests/webtools/WebTestSupport.h"

#include <QHostAddress>
#include <QTcpServer>

namespace orbisel::test {
namespace {

bool runTool(const QString &program, const QStringList &arguments, int timeoutMs = 120000) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

unsigned closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const unsigned port = probe.serverPort();
    probe.close();
    return port;
}

PrivateServiceDb::PrivateServiceDb() {
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (!runTool(QStringLiteral("mariadb-install-db"),
                 {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                  QStringLiteral("--user=root"), QStringLiteral("--auth-root-authentication-method=normal")}))
        return;
    m_port = closedPort();
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("mariadbd"),
                   {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                    QStringLiteral("--socket=") + m_dir.filePath(QStringLiteral("sock")),
                    QStringLiteral("--port=%1").arg(m_port), QStringLiteral("--bind-address=127.0.0.1"),
                    QStringLiteral("--user=root"), QStringLiteral("--skip-log-error")});
    if (!m_server.waitForStarted())
        return;
    if (!waitUntil(
            [&] { return m_server.state() != QProcess::Running || execute(QStringLiteral("select 1")); },
            60000) ||
        m_server.state() != QProcess::Running)
        return;
    m_started =
        execute(QStringLiteral("DROP USER IF EXISTS ''@'localhost';"
                               "CREATE DATABASE group_data;"
                               "CREATE TABLE group_data.woai (ID INT, 账号 VARCHAR(32), 内容 TEXT, 备注 TEXT,"
                               " mima VARCHAR(32)) DEFAULT CHARSET=gbk;"
                               "CREATE USER 'group_data'@'localhost' IDENTIFIED BY '583920174';"
                               "CREATE USER 'group_data'@'127.0.0.1' IDENTIFIED BY '583920174';"
                               "GRANT SELECT ON group_data.* TO 'group_data'@'localhost';"
                               "GRANT SELECT ON group_data.* TO 'group_data'@'127.0.0.1';"));
}

PrivateServiceDb::~PrivateServiceDb() {
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(30000)) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

bool PrivateServiceDb::execute(const QString &sql) {
    return runTool(QStringLiteral("mariadb"),
                   {QStringLiteral("--no-defaults"),
                    QStringLiteral("--socket=") + m_dir.filePath(QStringLiteral("sock")),
                    QStringLiteral("--user=root"), QStringLiteral("--default-character-set=utf8mb4"),
                    QStringLiteral("--execute=") + sql},
                   30000);
}

} // namespace orbisel::test
