#pragma once

#include "core/base/DeepRunTypes.h"

#include <string>

namespace orbisel::cli {

// A progress line: queries done / planned, words, requests per second (in
// all, and the current pace of each host) and the time left; with a bar in
// front for the live line of a terminal.
std::string progressLine(const core::RunProgress &progress, bool bar);
// "1:05:09", "4:07" or "0:09".
std::string durationText(double seconds);

} // namespace orbisel::cli
