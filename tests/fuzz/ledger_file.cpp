// libFuzzer target: the ledger file reader. A file it accepts must be exactly what the
// writer produces for the decoded content.
#include "ledger/LedgerFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto content = orbisel::decodeLedger(bytes);
    if (!content)
        return 0;
    if (content->cells.size() != static_cast<size_t>(content->rows) * static_cast<size_t>(content->columns) ||
        content->widths.size() != static_cast<size_t>(content->columns) ||
        orbisel::encodeLedger(*content) != bytes)
        std::abort();
    return 0;
}
