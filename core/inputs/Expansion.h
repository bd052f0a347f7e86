#pragma once

#include "core/base/DeepRunTypes.h"

#include <string>
#include <vector>

namespace orbisel::core {

// The built-in attribute words of the "modifiers" expansion.
const std::vector<std::string> &builtinModifiers();
// The built-in buyer-intent words of the "questions" expansion.
const std::vector<std::string> &builtinQuestions();

// The user's replacement of the modifier list: modifiers.txt in the user data folder.
std::string userModifiersPath();

// The queries one seed widens to: the seed itself, then its expansions in the
// order letters (a..z appended directly), digits (0..9 appended directly),
// modifiers and questions (each appended after one space).
std::vector<std::string> expandSeed(const std::string &seed, ExpansionSet expansions,
                                    const std::vector<std::string> &modifiers,
                                    const std::vector<std::string> &questions);
// The expansions of every seed, seed by seed.
std::vector<std::string> expandSeeds(const std::vector<std::string> &seeds, ExpansionSet expansions,
                                     const std::vector<std::string> &modifiers,
                                     const std::vector<std::string> &questions);
// With the run's modifier list (the built-in one when it holds none) and the built-in questions.
std::vector<std::string> expandSeed(const std::string &seed, const DeepRunOptions &options);

} // namespace orbisel::core
