#pragma once

#include "core/insight/TitleIndex.h"
#include "core/runs/RunTitles.h"

#include <string>

// What orbisel-mine title prints.
namespace orbisel::cli {

// A 热度 figure in tenths as text with one decimal ("123.4").
std::string tenthsText(long long tenths);

// The titles one a line; with the explanation, after a blank line, a tab-separated table of the
// root words: 词根, 价值 and one column per title (numbered from 1) holding ✓ or -.
std::string titleLines(const core::TitleSet &titles, bool explain);

// Why the composer's input could not be read (every kind but Store).
std::string titleInputProblem(const core::TitleInputError &error);
// Why no title can be composed for the request.
std::string titleProblem(const core::TitleError &error, const core::TitleRequest &request);

} // namespace orbisel::cli
