#pragma once

#include "web/HttpFetch.h"

#include <functional>
#include <string>

// How a deep run is driven: its pacing in tests and benchmarks, and how it ends.
namespace orbisel::core {

enum class RunOutcome { Done, MaxQueriesReached, Stopped, Blocked, NetworkDown, StoreFailed, Locked };

// Waits between attempts; tests shorten them.
struct EngineTiming {
    int retryBaseMs = 1000;       // first wait after a transient failure, doubling, plus jitter
    int maxAttempts = 4;          // one request and three retries
    int failuresInARow = 10;      // failed queries in a row, no success between: network down
    int progressIntervalMs = 250; // progress callbacks at most this often
};

// Sends one GET; the default is httpGet with the process-wide web request
// options. Benchmarks install synthetic answers. Called from engine threads.
using Fetcher = std::function<FetchResult(const std::string &url)>;

} // namespace orbisel::core
