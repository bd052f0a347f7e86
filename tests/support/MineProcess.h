#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace orbisel::test {

// What a finished orbisel-mine process left behind.
struct MineResult {
    int exitCode = -1; // 128 + signal when killed
    std::string out;
    std::string err;
};

// orbisel-mine as a child process with a private home (the user data folder,
// hence the default store, lives there), its output captured in files.
class MineProcess {
public:
    MineProcess(std::string home, std::vector<std::string> arguments);
    ~MineProcess();
    MineProcess(const MineProcess &) = delete;
    MineProcess &operator=(const MineProcess &) = delete;

    pid_t pid() const { return m_pid; }
    void signal(int number) const;
    // Waits for the end (killing the process after timeoutSeconds).
    MineResult wait(int timeoutSeconds = 120);
    // The output so far.
    std::string outSoFar() const;

private:
    std::string m_outFile;
    std::string m_errFile;
    pid_t m_pid = -1;
};

// Runs orbisel-mine to its end.
MineResult runMine(const std::string &home, const std::vector<std::string> &arguments,
                   int timeoutSeconds = 120);

} // namespace orbisel::test
