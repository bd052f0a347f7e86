#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace orbisel::test {

// A private MariaDB instance on 127.0.0.1 and a free port, created by
// scripts/service-db.sh in a temporary directory and seeded with the service rows.
// The destructor stops it (and kills it when a clean shutdown fails); a watchdog
// process also stops it should the test binary die first.
class MariaDbServer {
public:
    MariaDbServer();
    ~MariaDbServer();
    MariaDbServer(const MariaDbServer &) = delete;
    MariaDbServer &operator=(const MariaDbServer &) = delete;

    // One instance per test binary, started on first use and stopped after the last test.
    static MariaDbServer &shared();

    bool running() const { return m_running; }
    // What went wrong while starting (script output), for assertion messages.
    const std::string &error() const { return m_error; }
    unsigned port() const { return m_port; }
    QString dataDir() const { return m_dir.path(); }

    // Runs SQL (UTF-8) as MariaDB root through the socket, database group_data.
    // Tab-separated output without column names goes to *output.
    bool sql(const std::string &statements, std::string *output = nullptr);
    // Recreates table woai with the standard seed rows.
    bool resetData();
    // Shuts the server down (also done by the destructor).
    void stop();
    // Starts the stopped server again on the same port and data.
    bool start();

private:
    bool runScript(const QStringList &arguments, std::string *output);
    qint64 serverPid() const;

    QTemporaryDir m_dir;
    unsigned m_port = 0;
    bool m_running = false;
    std::string m_error;
};

// A free TCP port on 127.0.0.1 (nothing listens on it when this returns).
unsigned freeLocalPort();

} // namespace orbisel::test
