#include "core/store/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orbisel::core {

Result<void, StoreError> RunLock::acquire(const std::string &file, long long runId) {
    release();
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Failure{StoreError{StoreErrorKind::CannotOpen, file + ": cannot create the run lock"}};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Failure{StoreError{StoreErrorKind::Locked,
                                  "run " + std::to_string(runId) + " is in use by another process"}};
    }
    m_fd = fd;
    return {};
}

void RunLock::release() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool RunLock::heldElsewhere(const std::string &file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

} // namespace orbisel::core
