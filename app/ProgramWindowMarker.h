#pragma once

#include <QString>
#include <memory>

class QLocalServer;

namespace orbisel {

// Publishes a window caption as a named local socket so other instances of the
// program (same user) can find the window by caption.
class ProgramWindowMarker {
public:
    explicit ProgramWindowMarker(const QString &serverName);
    ~ProgramWindowMarker();
    bool isPublished() const;

    // True when some process answers on the name.
    static bool isAnswering(const QString &serverName);

private:
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace orbisel
