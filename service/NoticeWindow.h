#pragma once

#include "app/Window.h"
#include "web/Clock.h"
#include "web/Text.h"

namespace orbisel {

// Caption of the notice window; it also marks the one notice window on the desktop.
Text noticeWindowCaption();

// The hidden notice window: keeps the course and notice rows fresh, opens the
// course address at its start time and follows the visibility switch.
Window *createNoticeWindow();

// Local hour + "点" + minute + "分" without leading zeros (GBK), e.g. 9点5分.
Text noticeTimeText(TimePoint time);

} // namespace orbisel
