#pragma once

#include <string>
#include <sys/types.h>

namespace orbisel::test {

// The local HTTP(S) server of local_server.py, running as a child process on
// 127.0.0.1 for the lifetime of the object.
class LocalServer {
public:
    enum class Mode { Http, Https };
    explicit LocalServer(Mode mode = Mode::Http);
    ~LocalServer();
    LocalServer(const LocalServer &) = delete;
    LocalServer &operator=(const LocalServer &) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT" followed by the path.
    std::string url(const std::string &path) const;

    static std::string certificateFile();

private:
    Mode mode_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on.
int unusedPort();

} // namespace orbisel::test
