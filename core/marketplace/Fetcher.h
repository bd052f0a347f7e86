#pragma once

#include "web/HttpFetch.h"

#include <functional>
#include <string>

namespace orbisel::core {

// Sends one GET; the default is httpGet with the process-wide web request
// options. Benchmarks install synthetic answers. Called from engine threads.
using Fetcher = std::function<FetchResult(const std::string &url)>;

} // namespace orbisel::core
