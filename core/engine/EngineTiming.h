#pragma once

// Waits between attempts of a deep run; tests shorten them.
namespace orbisel::core {

struct EngineTiming {
    int retryBaseMs = 1000;       // first wait after a transient failure, doubling, plus jitter
    int maxAttempts = 4;          // one request and three retries
    int failuresInARow = 10;      // failed queries in a row, no success between: network down
    int progressIntervalMs = 250; // progress callbacks at most this often
};

} // namespace orbisel::core
