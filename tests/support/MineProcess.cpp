#include "tests/support/MineProcess.h"

#include "tests/support/FileContents.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orbisel::test {

MineProcess::MineProcess(std::string home, std::vector<std::string> arguments) {
    static int counter = 0;
    const std::string stem = home + "/mine-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    m_outFile = stem + ".out";
    m_errFile = stem + ".err";
    std::vector<std::string> environment = {"HOME=" + home,
                                            "XDG_DATA_HOME=" + home + "/data",
                                            "XDG_CONFIG_HOME=" + home + "/config",
                                            "LC_ALL=C.UTF-8",
                                            "TZ=Asia/Shanghai",
                                            "PATH=/usr/bin:/bin"};
    arguments.insert(arguments.begin(), ORBISEL_MINE_BINARY);
    m_pid = fork();
    if (m_pid == 0) {
        const int out = open(m_outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(m_errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int none = open("/dev/null", O_RDONLY);
        dup2(none, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char *> argv, envp;
        for (std::string &a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (std::string &e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
}

MineProcess::~MineProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void MineProcess::signal(int number) const {
    if (m_pid > 0)
        kill(m_pid, number);
}

MineResult MineProcess::wait(int timeoutSeconds) {
    MineResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (m_pid > 0) {
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            result.err = "(killed after the time-out)\n";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(m_outFile);
    result.err += readFile(m_errFile);
    return result;
}

std::string MineProcess::outSoFar() const {
    return readFile(m_outFile);
}

MineResult runMine(const std::string &home, const std::vector<std::string> &arguments, int timeoutSeconds) {
    return MineProcess(home, arguments).wait(timeoutSeconds);
}

} // namespace orbisel::test
