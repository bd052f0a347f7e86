#pragma once

#include "core/base/DeepRunTypes.h"

#include <array>
#include <string>
#include <string_view>

namespace orbisel::core {

using SourceNameTable = std::array<std::string_view, kDeepSourceCount>;

// The command-line names of the sources, in source order (--sources, 来源 of .csv and .jsonl).
inline constexpr SourceNameTable kSourceNames = {"pc", "arrow", "mobile", "longtail", "related"};
// The names the form, the window and the workbook show, in source order.
inline constexpr SourceNameTable kSourceLabels = {"PC下拉词", "箭头词", "无线下拉词", "长尾词",
                                                  "你是不是想找"};

// The command-line name of a source: pc, arrow, mobile, longtail, related.
std::string_view sourceName(DeepSource source);
// The names of the sources in the set, in source order, joined by "|" (pc|mobile).
std::string sourcesText(DeepSourceSet sources);
// The shown names of the sources in the set, in source order, joined by "、" (PC下拉词、无线下拉词).
std::string sourceLabelsText(DeepSourceSet sources);

} // namespace orbisel::core
