#include "cli/MineProgram.h"

#include "cli/MineCommandLine.h"
#include "cli/Progress.h"
#include "cli/TitleText.h"
#include "core/base/WordValue.h"
#include "core/inputs/RunInputs.h"
#include "core/inputs/WordLists.h"
#include "core/runs/RunController.h"
#include "core/runs/RunDiff.h"
#include "core/runs/RunExport.h"
#include "core/runs/RunRootWords.h"
#include "core/runs/RunTitles.h"
#include "core/runs/StoredRun.h"
#include "orbisel/config.h"
#include "service/ServiceDb.h"
#include "web/Encoding.h"
#include "web/WebRequest.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace orbisel::cli {

namespace {

using core::RunOutcome;
using core::RunStore;
using namespace std::chrono_literals;

volatile std::sig_atomic_t g_stopSignal = 0;

void onStopSignal(int signal) {
    g_stopSignal = signal;
}

// SIGINT and SIGTERM ask the run to stop; a second one ends the process at once
// (the store stays consistent: every answer is committed in its own transaction).
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int fail(int code, const std::string &message) {
    std::cerr << "orbisel-mine: " << message << std::endl;
    return code;
}

std::string resumeHint(long long runId) {
    return "orbisel-mine resume " + std::to_string(runId);
}

MarketplaceEndpoints applyNetworkSettings(const NetworkSettings &network) {
    ServiceEndpoint &service = serviceEndpoint();
    if (!network.serviceHost.empty())
        service.host = network.serviceHost;
    if (network.servicePort)
        service.port = network.servicePort;
    if (!network.caFile.empty()) {
        WebRequestOptions options = webRequestDefaults();
        options.caFile = network.caFile;
        setWebRequestDefaults(options);
    }
    return {network.suggestHost.empty() ? config::kSuggestHost : network.suggestHost,
            network.searchHost.empty() ? config::kSearchHost : network.searchHost};
}

// Like the keyword window: no service database, no run. A newer published
// version is only mentioned.
bool passServiceGate() {
    if (!connectService()) {
        std::cerr << gbkToUtf8(mainServiceStoppedMessage()) << std::endl;
        return false;
    }
    const Text published = readServiceRow("ID=8")[2];
    if (!published.empty() && published != config::kVersionText)
        std::cerr << "notice: version " << gbkToUtf8(published) << " is published (this is "
                  << config::kVersionText << ")" << std::endl;
    disconnectService();
    return true;
}

std::string storeProblem(const core::StoreError &error, const std::string &path) {
    switch (error.kind) {
    case core::StoreErrorKind::Corrupt:
        return core::describe(error) + " (the file is left as it is; use --store for another one)";
    case core::StoreErrorKind::NewerProgram:
        return core::describe(error) +
               "; it is left as it is (use a newer orbisel-mine, or --store for another one)";
    case core::StoreErrorKind::Locked:
        return core::describe(error) + " (another orbisel-mine is running it)";
    default:
        return core::describe(error) + " (" + path + ")";
    }
}

std::string writeProblem(const core::WriteError &error) {
    switch (error.kind) {
    case core::WriteErrorKind::UnknownFormat:
        return error.detail + ": unknown format; use a .csv, .xlsx or .jsonl file";
    case core::WriteErrorKind::FolderNotWritable:
        return "cannot write " + error.detail;
    case core::WriteErrorKind::TooManyRows:
        return error.detail + ": too many rows for a worksheet; use .csv or .jsonl";
    case core::WriteErrorKind::ReadFailed:
        return error.detail + ": the stored results could not be read";
    case core::WriteErrorKind::WriteFailed:
        break;
    }
    return "writing " + error.detail + " failed (disk full?)";
}

const char *stateName(core::RunState state) {
    switch (state) {
    case core::RunState::Running:
        return "running";
    case core::RunState::Done:
        return "done";
    case core::RunState::Stopped:
        return "stopped";
    case core::RunState::Blocked:
        return "blocked";
    case core::RunState::Failed:
        break;
    }
    return "failed";
}

std::string localTimeText(std::int64_t unixSeconds) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

core::Result<std::unique_ptr<RunStore>, std::string> openStore(const std::string &given) {
    const std::string path = given.empty() ? core::defaultStorePath() : given;
    auto store = RunStore::open(path);
    if (!store.ok())
        return core::Failure{storeProblem(store.error(), path)};
    return std::move(store).value();
}

// Writes the run's stored results to `out`; the exit code.
int exportResults(const core::StoredRun &run, const std::string &out) {
    const auto written = core::exportRun(run, out);
    if (!written.ok()) {
        if (written.error().kind == core::ExportErrorKind::Store)
            return fail(kExitFailed, storeProblem(written.error().store, run.storePath()));
        return fail(kExitFailed, writeProblem(written.error().write) +
                                     "; the run is kept: orbisel-mine export " + std::to_string(run.id()) +
                                     " --out FILE");
    }
    std::cerr << "wrote " << written.value() << " rows to " << out << std::endl;
    return kExitDone;
}

// Prints the progress line: live on a terminal, else a plain line every few seconds.
class ProgressPrinter {
public:
    void show(const core::RunProgress &progress, bool final) {
        if (m_terminal) {
            std::cerr << '\r' << progressLine(progress, true) << "\x1b[K" << std::flush;
            m_liveLineShown = true;
        } else if (final || std::chrono::steady_clock::now() - m_lastPlain >= 5s) {
            std::cerr << progressLine(progress, false) << std::endl;
            m_lastPlain = std::chrono::steady_clock::now();
        }
    }
    // Ends the live line so that a message can follow.
    void endLine() {
        if (m_liveLineShown)
            std::cerr << '\n';
        m_liveLineShown = false;
    }
    bool terminal() const { return m_terminal; }

private:
    const bool m_terminal = isatty(STDERR_FILENO);
    std::chrono::steady_clock::time_point m_lastPlain = std::chrono::steady_clock::now();
    bool m_liveLineShown = false;
};

// Runs the run on the controller's worker thread while this one shows progress and
// watches for Ctrl-C.
core::RunEnd driveRun(const std::string &storePath, long long runId, const MarketplaceEndpoints &endpoints,
                      const NetworkSettings &network) {
    core::RunControllerSettings settings{.storePath = storePath, .endpoints = endpoints};
    if (network.retryBaseMs > 0)
        settings.timing.retryBaseMs = network.retryBaseMs;
    core::RunController controller(std::move(settings));
    catchStopSignals();
    controller.start(runId, true);
    ProgressPrinter printer;
    bool stopRequested = false;
    std::optional<core::RunProgress> unshown;
    while (true) {
        std::this_thread::sleep_for(100ms);
        if (g_stopSignal && !stopRequested) {
            stopRequested = true;
            controller.requestStop();
            printer.endLine();
            std::cerr << "stopping: waiting for the requests in flight" << std::endl;
        }
        core::RunBatch batch = controller.take();
        if (batch.progress)
            unshown = batch.progress;
        if (unshown && (printer.terminal() || !stopRequested || batch.end))
            printer.show(*std::exchange(unshown, std::nullopt), batch.end.has_value());
        if (batch.end) {
            printer.endLine();
            return std::move(*batch.end);
        }
    }
}

int finishRun(RunStore &store, long long runId, const core::RunEnd &end, const std::string &out) {
    if (!end.ran)
        return fail(kExitFailed, storeProblem(end.storeError.value_or(core::StoreError{}), store.path()));
    const auto run = core::StoredRun::open(store, runId);
    const long long words = run.ok() ? run.value().summary().words : 0;
    const long long queries = run.ok() ? run.value().summary().queriesDone : 0;
    const std::string hint = resumeHint(runId);
    switch (end.outcome) {
    case RunOutcome::Done:
    case RunOutcome::MaxQueriesReached:
        std::cerr << (end.outcome == RunOutcome::Done ? "done: " : "query limit reached: ") << queries
                  << " queries, " << words << " words" << std::endl;
        if (out.empty())
            return kExitDone;
        return run.ok() ? exportResults(run.value(), out)
                        : fail(kExitFailed, storeProblem(run.error(), store.path()));
    case RunOutcome::Stopped:
        return fail(kExitInterrupted, "stopped; resume with: " + hint);
    case RunOutcome::Blocked:
        return fail(kExitBlocked,
                    "blocked: the marketplace refused our requests 3 times in a row; wait a while "
                    "or change network, then resume with: " +
                        hint);
    case RunOutcome::NetworkDown:
        return fail(
            kExitNetworkDown,
            "network down: the marketplace could not be reached; check the connection, then resume with: " +
                hint);
    case RunOutcome::Locked:
        return fail(kExitUsage, "run " + std::to_string(runId) + " is being run by another orbisel-mine");
    case RunOutcome::StoreFailed:
        break;
    }
    return fail(kExitFailed, (end.storeError ? storeProblem(*end.storeError, store.path())
                                             : std::string("the run store failed")) +
                                 "; what was committed is kept: " + hint);
}

int checkOut(const std::string &out) {
    if (out.empty())
        return kExitDone;
    const auto writable = core::checkOutputWritable(out);
    return writable.ok() ? kExitDone : fail(kExitUsage, writeProblem(writable.error()));
}

int runCommand(const MineRequest &request, const MarketplaceEndpoints &endpoints) {
    const auto options = core::buildRunOptions(request.inputs);
    if (!options.ok())
        return fail(kExitUsage, inputProblem(options.error(), request));
    if (int code = checkOut(request.out))
        return code;
    auto store = openStore(request.store);
    if (!store.ok())
        return fail(kExitUsage, store.error());
    const auto runId = store.value()->createRun(options.value());
    if (!runId.ok())
        return fail(kExitFailed, storeProblem(runId.error(), store.value()->path()));
    std::cout << "run " << runId.value() << std::endl;
    const core::RunEnd end = driveRun(store.value()->path(), runId.value(), endpoints, request.network);
    return finishRun(*store.value(), runId.value(), end, request.out);
}

struct KnownRun {
    std::unique_ptr<RunStore> store;
    core::StoredRun run; // on *store
};

// The store holding the request's run and the run read from it, the output
// file checked first; or the exit code of why there is none.
core::Result<KnownRun, int> openKnownRun(const MineRequest &request) {
    if (int code = checkOut(request.out))
        return core::Failure{code};
    auto store = openStore(request.store);
    if (!store.ok())
        return core::Failure{fail(kExitUsage, store.error())};
    auto run = core::StoredRun::open(*store.value(), request.runId);
    if (run.ok())
        return KnownRun{std::move(store).value(), std::move(run).value()};
    if (run.error().kind == core::StoreErrorKind::UnknownRun)
        return core::Failure{fail(kExitUsage, "unknown run " + std::to_string(request.runId) +
                                                  " (orbisel-mine list shows the stored runs)")};
    return core::Failure{fail(kExitUsage, storeProblem(run.error(), store.value()->path()))};
}

int resumeCommand(const MineRequest &request, const MarketplaceEndpoints &endpoints) {
    auto run = openKnownRun(request);
    if (!run.ok())
        return run.error();
    RunStore &store = *run.value().store;
    std::cout << "run " << request.runId << std::endl;
    if (run.value().run.summary().state == core::RunState::Done) {
        std::cerr << "run " << request.runId << " is already done" << std::endl;
        return request.out.empty() ? kExitDone : exportResults(run.value().run, request.out);
    }
    const core::RunEnd end = driveRun(store.path(), request.runId, endpoints, request.network);
    return finishRun(store, request.runId, end, request.out);
}

int listCommand(const MineRequest &request) {
    auto store = openStore(request.store);
    if (!store.ok())
        return fail(kExitUsage, store.error());
    const auto runs = store.value()->listRuns();
    if (!runs.ok())
        return fail(kExitUsage, storeProblem(runs.error(), store.value()->path()));
    char line[256];
    std::snprintf(line, sizeof line, "%5s  %-16s  %-8s  %15s  %9s  %s\n", "run", "started", "state",
                  "queries", "words", "name");
    std::cout << line;
    for (const core::RunSummary &run : runs.value()) {
        const std::string queries =
            std::to_string(run.queriesDone) + "/" + std::to_string(run.queriesPlanned);
        std::snprintf(line, sizeof line, "%5lld  %-16s  %-8s  %15s  %9lld  ", run.id,
                      localTimeText(run.startedUnix).c_str(), stateName(run.state), queries.c_str(),
                      run.words);
        std::cout << line << run.name << '\n';
    }
    std::cout << std::flush;
    return kExitDone;
}

int exportCommand(const MineRequest &request) {
    auto run = openKnownRun(request);
    if (!run.ok())
        return run.error();
    return exportResults(run.value().run, request.out);
}

std::string comparisonProblem(const core::ComparisonError &error, const std::string &storePath) {
    if (error.kind == core::ComparisonErrorKind::SameRun)
        return "diff: run " + std::to_string(error.runId) +
               " is compared with itself; give two different runs";
    if (error.store.kind == core::StoreErrorKind::UnknownRun)
        return "unknown run " + std::to_string(error.runId) + " (orbisel-mine list shows the stored runs)";
    return storeProblem(error.store, storePath);
}

// "3 new, 1 gone, 2 kept; largest rises of 热度: 连衣裙 +10.0, dress +2.5"
std::string comparisonSummary(const core::RunComparison &comparison) {
    std::string line = std::to_string(comparison.added) + " new, " + std::to_string(comparison.gone) +
                       " gone, " + std::to_string(comparison.kept) + " kept; largest rises of 热度: ";
    if (comparison.largestRises.empty())
        return line + "none";
    for (std::size_t i = 0; i < comparison.largestRises.size(); ++i) {
        const core::ComparedWord &word = comparison.words[comparison.largestRises[i]];
        char rise[32];
        std::snprintf(rise, sizeof rise, " +%.1f", core::oneDecimal(*word.heatChange()));
        line += (i ? ", " : "") + word.word + rise;
    }
    return line;
}

int diffCommand(const MineRequest &request) {
    if (int code = checkOut(request.out))
        return code;
    auto store = openStore(request.store);
    if (!store.ok())
        return fail(kExitUsage, store.error());
    const auto compared = core::compareStoredRuns(*store.value(), request.runId, request.newerRunId);
    if (!compared.ok()) {
        const bool usage = compared.error().kind == core::ComparisonErrorKind::SameRun ||
                           compared.error().store.kind == core::StoreErrorKind::UnknownRun;
        return fail(usage ? kExitUsage : kExitFailed,
                    comparisonProblem(compared.error(), store.value()->path()));
    }
    if (const auto written = core::writeComparison(request.out, compared.value()); !written.ok())
        return fail(kExitFailed, writeProblem(written.error()));
    std::cout << comparisonSummary(compared.value()) << std::endl;
    std::cerr << "wrote " << compared.value().words.size() << " rows to " << request.out << std::endl;
    return kExitDone;
}

std::string userDictionaryProblem(const core::WordListError &error) {
    const std::string where = "the user dictionary " + error.detail;
    switch (error.kind) {
    case core::WordListErrorKind::ControlCharacter:
        return where + " line " + std::to_string(error.line) + ": a control byte (NUL, tab, ...) in a word";
    case core::WordListErrorKind::BadEncoding:
        return where + " line " + std::to_string(error.line) + ": neither UTF-8 nor GBK text";
    case core::WordListErrorKind::NotFound:
    case core::WordListErrorKind::CannotRead:
        break;
    }
    return "cannot read " + where;
}

int rootsCommand(const MineRequest &request) {
    auto run = openKnownRun(request);
    if (!run.ok())
        return run.error();
    auto userWords = core::readOptionalWordList(core::userDictionaryPath());
    if (!userWords.ok())
        return fail(kExitUsage, userDictionaryProblem(userWords.error()));
    const auto loaded = core::SegmentDictionary::load(config::kRootWordDictionary);
    if (!loaded.dictionary)
        return fail(kExitFailed, loaded.error);
    const core::StoredRun &stored = run.value().run;
    const auto table = core::storedRootWordTable(
        stored, core::RootWordSetup{loaded.dictionary, std::move(userWords).value(), {}});
    if (!table.ok())
        return fail(kExitFailed, storeProblem(table.error(), stored.storePath()));
    const auto written = core::writeRootWordTable(request.out, table.value());
    if (!written.ok())
        return fail(kExitFailed, writeProblem(written.error()));
    std::cerr << "wrote " << table.value().size() << " root words to " << request.out << std::endl;
    return kExitDone;
}

// Composes the titles before anything is written: a refused request writes nothing.
int titleCommand(const MineRequest &request) {
    auto run = openKnownRun(request);
    if (!run.ok())
        return run.error();
    const core::StoredRun &stored = run.value().run;
    const auto input = core::loadTitleInput(stored, request.title.seed);
    if (!input.ok())
        return input.error().kind == core::TitleInputErrorKind::Store
                   ? fail(kExitFailed, storeProblem(input.error().store, stored.storePath()))
                   : fail(kExitUsage, titleInputProblem(input.error()));
    const auto dictionary = core::SegmentDictionary::load(config::kRootWordDictionary);
    if (!dictionary.dictionary)
        return fail(kExitFailed, "cannot load the root-word dictionary: " + dictionary.error);
    const auto titles = core::titleIndexOf(dictionary.dictionary, input.value())->compose(request.title);
    if (!titles.ok())
        return fail(kExitUsage, titleProblem(titles.error(), request.title));
    if (request.out.empty()) {
        std::cout << titleLines(titles.value(), request.explain) << std::flush;
        return kExitDone;
    }
    const auto written = core::writeTitles(request.out, titles.value(), request.explain);
    if (!written.ok())
        return fail(kExitFailed, writeProblem(written.error()));
    std::cerr << "wrote " << titles.value().titles.size() << " titles to " << request.out << std::endl;
    return kExitDone;
}

} // namespace

int runMineProgram(int argc, const char *const *argv) {
    ParseOutcome parsed = parseCommandLine(argc, argv);
    std::cout << parsed.output << std::flush;
    std::cerr << parsed.error << std::flush;
    if (!parsed.request)
        return parsed.exitCode;
    const MineRequest &request = *parsed.request;
    const MarketplaceEndpoints endpoints = applyNetworkSettings(request.network);
    if (!passServiceGate())
        return kExitServiceStopped;
    switch (request.command) {
    case Command::Run:
        return runCommand(request, endpoints);
    case Command::Resume:
        return resumeCommand(request, endpoints);
    case Command::List:
        return listCommand(request);
    case Command::Diff:
        return diffCommand(request);
    case Command::Roots:
        return rootsCommand(request);
    case Command::Title:
        return titleCommand(request);
    case Command::Export:
        break;
    }
    return exportCommand(request);
}

} // namespace orbisel::cli
