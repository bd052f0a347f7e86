#pragma once

#include "app/Window.h"

#include <vector>

namespace orbisel {

// The windows that hold a version check.
enum class VersionCheckHost { KeywordWindow, PayersWindow };

// Appends the hidden group 分组框1, at (x, y), with the controls the version check
// reads and drives: 编辑框9 (this version), the latest version (编辑框8, in the payers
// window 编辑框999; this version until read), 按钮16 (read), 按钮17 (update question)
// and 时钟2 (check); the keyword window adds 编辑框10 (update address), the payers
// window 时钟1 (read).
void addVersionCheckControls(std::vector<ControlRow> &controls, VersionCheckHost host, int x, int y);

// Binds the main window's version check and update controls: 时钟2 (check),
// 按钮16 (read row ID=8), 按钮17 (update question), 按钮13 and 按钮4
// (web-address update). The window's creation handler starts 时钟2.
void installMainVersionCheck(Window &mainWindow);

// Binds the payers query window's version check: 时钟1 and 按钮16 (read row
// 账号=8787), 时钟2 (check), 按钮17 (update question).
void installPayersVersionCheck(Window &payersWindow);
// Starts the payers query window's 时钟1 and 时钟2 (called by its creation handler).
void startPayersVersionCheck(Window &payersWindow);

} // namespace orbisel
