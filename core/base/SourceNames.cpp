#include "core/base/SourceNames.h"

namespace orbisel::core {

namespace {

std::string joinNames(DeepSourceSet sources, const SourceNameTable &names, std::string_view separator) {
    std::string text;
    for (int i = 0; i < kDeepSourceCount; ++i) {
        if (!(sources & sourceBit(static_cast<DeepSource>(i))))
            continue;
        if (!text.empty())
            text += separator;
        text += names[static_cast<std::size_t>(i)];
    }
    return text;
}

} // namespace

std::string_view sourceName(DeepSource source) {
    return kSourceNames[static_cast<std::size_t>(source)];
}

std::string sourcesText(DeepSourceSet sources) {
    return joinNames(sources, kSourceNames, "|");
}

std::string sourceLabelsText(DeepSourceSet sources) {
    return joinNames(sources, kSourceLabels, "、");
}

} // namespace orbisel::core
