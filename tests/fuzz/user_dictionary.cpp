// libFuzzer target: the user dictionary reader (dictionary.txt content). An accepted list
// holds non-empty words without control characters, and pinning them keeps each whole.
#include "core/inputs/Seeds.h"
#include "core/inputs/WordLists.h"
#include "core/insight/Segmenter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const auto dictionary = orbisel::core::SegmentDictionary::fromText("连衣裙 10\n女 5\n").dictionary;
    const auto words =
        orbisel::core::parseWordList(std::string_view(reinterpret_cast<const char *>(data), size));
    if (!words)
        return 0;
    const orbisel::core::PinnedWords pinned(words.value());
    for (const std::string &word : words.value()) {
        if (word.empty() || !orbisel::core::isValidUtf8(word))
            std::abort();
        for (unsigned char c : word)
            if (c < 0x20 || c == 0x7F)
                std::abort();
        orbisel::core::segmentWords(*dictionary, pinned, word);
    }
    return 0;
}
