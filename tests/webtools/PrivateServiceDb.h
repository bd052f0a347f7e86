#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace orbisel::test {

// A private MariaDB server on 127.0.0.1 for one test run: its own data folder
// and a free port, with database group_data and the read-only account
// group_data. Statements run as root through its socket.
class PrivateServiceDb {
public:
    PrivateServiceDb();
    ~PrivateServiceDb();
    bool started() const { return m_started; }
    unsigned port() const { return m_port; }
    bool execute(const QString &sql);

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    unsigned m_port = 0;
    bool m_started = false;
};

// A port on 127.0.0.1 where nothing listens.
unsigned closedPort();

} // namespace orbisel::test
