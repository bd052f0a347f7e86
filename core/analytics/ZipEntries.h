#pragma once

#include "core/analytics/AnalyticsTable.h"
#include "core/base/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orbisel::core {

// The entries of a zip archive held in memory, inflated chunk by chunk within the size and
// ratio limits (kMaxEntryBytes, kMaxCompressionRatio): the central directory's sizes are
// checked first, and the inflated bytes are counted as well.
class ZipEntries {
public:
    explicit ZipEntries(std::string_view bytes);
    ~ZipEntries();
    ZipEntries(const ZipEntries &) = delete;
    ZipEntries &operator=(const ZipEntries &) = delete;

    bool opened() const { return m_file != nullptr; }
    bool has(const std::string &name);

    // Hands the entry's bytes to `sink` until it returns false.
    Result<void, AnalyticsError> read(const std::string &name,
                                      const std::function<bool(std::string_view)> &sink);

    // The archive's bytes and the reading position, for minizip's callbacks.
    struct Memory {
        std::string_view bytes;
        std::uint64_t position = 0;
    };

private:
    Memory m_memory;
    void *m_file = nullptr; // unzFile
};

} // namespace orbisel::core
