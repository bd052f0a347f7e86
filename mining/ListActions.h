#pragma once

#include "mining/KeywordLists.h"

#include <string>

namespace orbisel {

class Window;

// The list filter of the main window: empties the result box, then writes the
// entries of the list box's text that contain a seed of the seed box
// kKeywordSeedBox. Does not pump input.
void runListFilter(Window &window, const std::string &listBox, const std::string &resultBox);

// Opens the published list file's address with the desktop's handler.
void openListDownload(ListDownload file);

} // namespace orbisel
