#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace orbisel::test {

// A pyftpdlib server on 127.0.0.1 serving `root` to one account; stopped when destroyed.
class FtpServer {
public:
    FtpServer(const QString &root, const QString &user, const QString &password) {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(ORBISEL_FTP_SERVER_SCRIPT), root, user, password});
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(10000);
        m_port = m_process.readLine().trimmed().toUShort();
    }
    ~FtpServer() {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    unsigned port() const { return m_port; }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    unsigned m_port = 0;
};

} // namespace orbisel::test
