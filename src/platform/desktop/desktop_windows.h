#pragma once

#include <string_view>

namespace lumetra::platform {

// Both act on the first top-level window of the display (topmost first, any
// program) whose title, _NET_WM_NAME or else WM_NAME, equals `title` (UTF-8)
// exactly; no match does nothing. They only ask: the window's program and the
// window manager decide what happens.

// Asks the window manager to iconify the window (needs a window manager).
void iconifyWindowByTitle(std::string_view title);

// Asks the window manager to restore, raise and maximise the window (the
// running shell's, shown again by a second start).
void maximiseWindowByTitle(std::string_view title);

// Sends WM_DELETE_WINDOW, the window manager's own close request. A window
// that does not take part in that protocol is left alone.
void closeWindowByTitle(std::string_view title);

}  // namespace lumetra::platform
