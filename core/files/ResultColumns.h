#pragma once

#include <string_view>

namespace orbisel::core {

// The column names of the results in every format and table, in column order.
inline constexpr std::string_view kResultColumns[] = {"关键词", "种子词",   "来源", "商品数", "层级",
                                                      "父词",   "出现次数", "热度", "机会"};

} // namespace orbisel::core
