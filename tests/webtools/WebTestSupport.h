#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace orbisel::test {

// Processes events until the condition holds or the time is up; returns the condition.
inline bool waitUntil(const std::function<bool()> &condition, int milliseconds = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// A static web server on 127.0.0.1 and a free port, serving a temporary folder.
class LocalWebServer {
public:
    LocalWebServer();
    ~LocalWebServer();
    bool started() const { return m_port != 0; }
    int port() const { return m_port; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_port); }
    // Writes a file (UTF-8 content) into the served folder.
    bool addFile(const QString &name, const QByteArray &content);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

} // namespace orbisel::test
