#pragma once

#include <string>
#include <vector>

namespace orbisel {

// A text is a GBK byte string; lengths and positions are in bytes.
using Text = std::string;
using TextArray = std::vector<Text>;
// An owned byte sequence: request and response bodies, UTF-16 data.
using Bytes = std::string;

} // namespace orbisel
