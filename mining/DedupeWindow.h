#pragma once

#include "app/Window.h"

namespace orbisel {

// The dedupe window: a text box and the "删除重复" button.
WindowLayout dedupeWindowLayout();
Window *createDedupeWindow();
// Adds the window to the catalogue as WindowId::Dedupe.
void registerDedupeWindow();

} // namespace orbisel
