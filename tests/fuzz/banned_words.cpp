// libFuzzer target: the banned-words reader (banned.txt content). No title composed under
// an accepted list holds one of its words.
#include "core/inputs/WordLists.h"
#include "core/insight/TitleIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace orbisel::core;
    static const auto dictionary =
        SegmentDictionary::fromText("连衣裙 10\n女 5\n夏季 5\n长款 5\nxl 5\n").dictionary;
    const auto words = parseWordList(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!words)
        return 0;
    const std::vector<RunWord> run{
        {"连衣裙女夏季", 90, "连衣裙"}, {"连衣裙长款", 70, "连衣裙"}, {"XL连衣裙", 50, "连衣裙"}};
    const TitleIndex index(dictionary, PinnedWords{}, words.value(), run);
    TitleRequest request;
    request.seed = "连衣裙";
    request.byteLimit = 20;
    const auto titles = index.compose(request);
    if (!titles)
        return 0;
    const ForbiddenWords banned(words.value());
    for (const Title &title : titles->titles)
        if (!banned.foundIn(foldedAscii(title.text)).empty() || title.bytes > request.byteLimit)
            std::abort();
    return 0;
}
