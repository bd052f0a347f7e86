#pragma once

#include "core/inputs/RunInputs.h"
#include "core/insight/TitleIndex.h"

#include <optional>
#include <string>
#include <vector>

namespace orbisel::cli {

// Exit codes of orbisel-mine.
enum ExitCode : int {
    kExitDone = 0,
    kExitFailed = 1, // the store or the results file failed while running
    kExitUsage = 2,  // usage or input error
    kExitBlocked = 3,
    kExitNetworkDown = 4,
    kExitServiceStopped = 5,
    kExitInterrupted = 130,
};

enum class Command { Run, Resume, List, Export, Diff, Roots, Title };

// Where the program talks to and how patiently; the defaults come from the
// build configuration. Tests point them at their local servers.
struct NetworkSettings {
    std::string suggestHost;
    std::string searchHost;
    std::string caFile;       // empty: the system's certificate authorities
    std::string serviceHost;  // empty: the configured one
    unsigned servicePort = 0; // 0: the configured one
    int retryBaseMs = 0;      // first wait before asking again after a transient failure; 0: the default
};

struct MineRequest {
    Command command = Command::Run;
    core::RunInputs inputs;   // run: the options as given, checked when the run starts
    long long runId = 0;      // resume, export, roots, title; diff: the older run
    long long newerRunId = 0; // diff
    std::string out;          // empty: no results file
    std::string store;        // empty: the default store
    NetworkSettings network;

    core::TitleRequest title; // title: the seed, the must and avoided words, the limit and count
    bool explain = false;     // title: add the most valuable root words
};

// What the command line asks for, or what to print and the exit code when it
// is --help, --version or a usage error.
struct ParseOutcome {
    std::optional<MineRequest> request;
    int exitCode = kExitDone;
    std::string output; // for stdout (help, version)
    std::string error;  // for stderr
};
ParseOutcome parseCommandLine(int argc, const char *const *argv);

// The line orbisel-mine prints for a refused input of `run`.
std::string inputProblem(const core::RunInputError &error, const MineRequest &request);

} // namespace orbisel::cli
