#pragma once

#include "core/base/Result.h"
#include "core/base/StoreError.h"

#include <string>

namespace orbisel::core {

// The writer lock of one run: an exclusive flock on a file beside the store,
// held until release or the object's end, and gone with the process.
class RunLock {
public:
    RunLock() = default;
    ~RunLock() { release(); }
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // Locked when another open file holds the lock.
    Result<void, StoreError> acquire(const std::string &file, long long runId);
    void release();

    // Whether some open file holds the lock of the file now (a probe that takes and drops it).
    static bool heldElsewhere(const std::string &file);

private:
    int m_fd = -1;
};

} // namespace orbisel::core
