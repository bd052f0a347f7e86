#pragma once

#include "app/Window.h"
#include "web/Text.h"

#include <functional>
#include <optional>

namespace orbisel {

// ---- Window catalogue -------------------------------------------------------

using WindowFactory = std::function<Window *()>;
// Each subsystem registers the windows it owns; loadWindow builds them from here.
void registerWindow(WindowId id, WindowFactory factory);

// Opens the window (or restores/activates it when it is open already).
// Modal: every other window is blocked and the call returns when it closes.
bool loadWindow(WindowId id, bool modal = false);
// The open window with this id, or nullptr.
Window *openWindow(WindowId id);
// Destroys the window with its controls and timers.
void closeWindow(Window *window);
void closeWindow(WindowId id);
int openWindowCount();

// Ends the process at once with the exit code.
void endProgram(int exitCode);

// ---- Message boxes, shell, input ---------------------------------------------

inline constexpr int kMbOk = 0;
inline constexpr int kMbOkCancel = 1;
inline constexpr int kMbAbortRetryIgnore = 2;
inline constexpr int kMbYesNoCancel = 3;
inline constexpr int kMbYesNo = 4;
inline constexpr int kMbRetryCancel = 5;

inline constexpr int kIdOk = 0;
inline constexpr int kIdCancel = 1;
inline constexpr int kIdAbort = 2;
inline constexpr int kIdRetry = 3;
inline constexpr int kIdIgnore = 4;
inline constexpr int kIdYes = 5;
inline constexpr int kIdNo = 6;

// "信息：" in GBK.
const Text &defaultMessageTitle();

struct MessageBoxRequest {
    Text text; // GBK
    int buttons = kMbOk;
    Text title; // GBK
};

// Task-modal message box; timers of open windows keep ticking while it waits.
int messageBox(const Text &text, int buttons = kMbOk);
int messageBox(const Text &text, int buttons, const Text &title);

// Hands a web address or document name to the desktop's default handler.
void openAddress(const Text &address);

struct ProgramWindowRef {
    Window *local = nullptr; // set when the window belongs to this process
};
// Finds a window of this program by caption, in this and every other running
// instance of the same user.
std::optional<ProgramWindowRef> findProgramWindow(const Text &caption);

// Dispatches waiting input and events so windows stay usable inside long loops.
void pumpPendingInput();

// Appends the text at the end of an edit box's content.
void appendText(Window *window, const std::string &editBox, const Text &text);

// ---- Test seams -------------------------------------------------------------

void setMessageBoxHandler(std::function<int(const MessageBoxRequest &)> handler);
void setAddressOpener(std::function<void(const Text &)> opener);
void setEndProgramHandler(std::function<void(int)> handler);
// Called when the last window of the program is gone; the default quits the event loop.
void setLastWindowClosedHandler(std::function<void()> handler);
// Separates the published window markers of test runs from real instances.
void setProgramWindowNamespace(const QString &ns);
QString programWindowServerName(const Text &caption);

} // namespace orbisel
