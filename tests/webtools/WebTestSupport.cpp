#include "tests/webtools/WebTestSupport.h"

#include <QFile>
#include <QRegularExpression>

namespace orbisel::test {

LocalWebServer::LocalWebServer() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                     QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("--directory"), m_dir.path()});
    if (!m_process.waitForStarted())
        return;
    static const QRegularExpression portLine(QStringLiteral("port (\\d+)"));
    QByteArray output;
    waitUntil(
        [&] {
            output += m_process.readAll();
            const auto match = portLine.match(QString::fromUtf8(output));
            if (match.hasMatch())
                m_port = match.captured(1).toInt();
            return m_port != 0 || m_process.state() == QProcess::NotRunning;
        },
        15000);
}

LocalWebServer::~LocalWebServer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
}

bool LocalWebServer::addFile(const QString &name, const QByteArray &content) {
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace orbisel::test
