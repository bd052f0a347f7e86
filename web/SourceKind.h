#pragma once

namespace orbisel {

// The five kinds of harvested words.
enum class SourceKind { PcSuggest, PcArrow, MobileSuggest, LongTail, Related };
inline constexpr int kSourceKindCount = 5;

} // namespace orbisel
