#include "app/ProgramWindowMarker.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace orbisel {

ProgramWindowMarker::ProgramWindowMarker(const QString &serverName)
    : m_server(std::make_unique<QLocalServer>()) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A caller only checks that someone answers; drop each connection so none pile up.
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [server = m_server.get()] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            socket->disconnectFromServer();
            socket->deleteLater();
        }
    });
    if (m_server->listen(serverName))
        return;
    // A name left behind by a process that died can be reclaimed; a live one is kept.
    if (m_server->serverError() == QAbstractSocket::AddressInUseError && !isAnswering(serverName)) {
        QLocalServer::removeServer(serverName);
        m_server->listen(serverName);
    }
}

ProgramWindowMarker::~ProgramWindowMarker() = default;

bool ProgramWindowMarker::isPublished() const {
    return m_server->isListening();
}

bool ProgramWindowMarker::isAnswering(const QString &serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    const bool ok = socket.waitForConnected(200);
    socket.abort();
    return ok;
}

} // namespace orbisel
