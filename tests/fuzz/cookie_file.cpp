// libFuzzer target: the cookie file reader (cookies.txt content into the cookie jar and back).
#include "web/WebRequest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string read =
        orbisel::readCookieFile(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!read.starts_with("# Netscape HTTP Cookie File\n") || read.find('\r') != std::string::npos)
        std::abort();
    (void)orbisel::readCookieFile(read);
    return 0;
}
