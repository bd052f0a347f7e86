#pragma once

#include "app/Window.h"
#include "web/Text.h"

#include <string>

namespace orbisel {

// The embedded browser of every web tool window.
inline const std::string kBrowserControl = "超文本浏览框1";

// A Custom control row for the embedded browser: a web view filling its rectangle.
ControlRow browserControl(int x, int y, int w, int h);

// Sets the browser's address and starts navigating there (asynchronously; load
// errors are shown by the view). An address without a scheme is taken as HTTP.
void setBrowserAddress(Window &window, const Text &address);
// The address last set; empty until the first one.
Text browserAddress(const Window &window);

} // namespace orbisel
