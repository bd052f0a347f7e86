// libFuzzer target: the analytics .csv reader (UTF-8 or GBK, comma or tab). A table it
// reads keeps the file's row order: rows and refused rows after the header, increasing.
#include "tests/fuzz/AnalyticsTableCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    orbisel::fuzz::checkAnalyticsResult(
        orbisel::core::readAnalyticsCsv(std::string_view(reinterpret_cast<const char *>(data), size), "fuzz.csv"));
    return 0;
}
