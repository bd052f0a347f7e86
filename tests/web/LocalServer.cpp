#include "LocalServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orbisel::test {
namespace {
const std::string kDir = ORBISEL_WEB_TEST_DIR;
}

std::string LocalServer::certificateFile() {
    return kDir + "/fixtures/localhost-cert.pem";
}

LocalServer::LocalServer(Mode mode) : mode_(mode) {
    int out[2];
    if (pipe(out) != 0)
        return;
    const std::string script = kDir + "/local_server.py";
    const std::string key = kDir + "/fixtures/localhost-key.pem";
    const std::string cert = certificateFile();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (mode == Mode::Https)
            execl("/usr/bin/python3", "python3", script.c_str(), "--tls", cert.c_str(), key.c_str(), nullptr);
        else
            execl("/usr/bin/python3", "python3", script.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    port_ = line.empty() ? 0 : std::stoi(line);
}

LocalServer::~LocalServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string LocalServer::url(const std::string &path) const {
    return std::string(mode_ == Mode::Https ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
           path;
}

int unusedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

} // namespace orbisel::test
