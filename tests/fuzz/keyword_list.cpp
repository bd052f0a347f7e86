// libFuzzer target: the user keyword-list reader (top.csv / potential.csv content). A list
// it yields is the header line and non-empty keyword lines, each ended by CRLF.
#include "mining/KeywordLists.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

const orbisel::Text &headerLine() {
    static const orbisel::Text header = [] {
        const orbisel::Text list = orbisel::keywordListFromCsv("h\nk\n");
        return list.substr(0, list.find("\r\n") + 2);
    }();
    return header;
}

bool wellFormed(std::string_view list) {
    if (!list.starts_with(headerLine()) || !list.ends_with("\r\n"))
        return false;
    list.remove_prefix(headerLine().size());
    while (!list.empty()) {
        const size_t end = list.find("\r\n");
        const std::string_view line = list.substr(0, end);
        if (line.empty() || line.find_first_of("\r\n") != std::string_view::npos)
            return false;
        list.remove_prefix(end + 2);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const orbisel::Text list =
        orbisel::keywordListFromCsv(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!list.empty() && !wellFormed(list))
        std::abort();
    return 0;
}
