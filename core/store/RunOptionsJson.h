#pragma once

#include "core/base/DeepRunTypes.h"

#include <optional>
#include <string>

// The options of a run as the store keeps them: one compact JSON object.
namespace orbisel::core {

std::string optionsJson(const DeepRunOptions &options);
// Missing members keep their defaults, but a run stored without a pace is paced
// fixed, as it ran; nothing when the text is not a JSON object.
std::optional<DeepRunOptions> optionsFromJson(const std::string &text);

} // namespace orbisel::core
