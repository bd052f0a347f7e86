#pragma once

namespace orbisel {

// Controls that one window reads from another window's table, by name.

// The keyword window's seed box, one seed a line; the deep-mining window starts with its seeds.
inline constexpr char kKeywordSeedBox[] = "超级编辑框1";

} // namespace orbisel
