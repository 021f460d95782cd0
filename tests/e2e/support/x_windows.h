#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

namespace lumetra::e2e {

// What the window manager and other clients see of top-level windows.
struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Geometry&) const = default;
};

struct FrameExtents {
  long left = 0, right = 0, top = 0, bottom = 0;
};

// The managed client window titled `title`, if any.
std::optional<Window> findWindow(Display* display, const std::string& title);
// The managed client window of class `nameDotClass` ("lumetra.LUMETRA"),
// whatever its title.
std::optional<Window> findWindowOfClass(Display* display, const std::string& nameDotClass);
std::string windowTitle(Display* display, Window window);
std::string windowClass(Display* display, Window window);  // "name.class"
// The client area in root coordinates.
Geometry clientGeometry(Display* display, Window window);
FrameExtents frameExtents(Display* display, Window window);
bool hasState(Display* display, Window window, const char* stateAtom);  // _NET_WM_STATE_...
// The window manager has taken the window in: it carries a WM_STATE.
bool isManaged(Display* display, Window window);
bool isMinimised(Display* display, Window window);
bool isMaximised(Display* display, Window window);
Window transientFor(Display* display, Window window);
// The close button of the window manager.
void closeWindow(Display* display, Window window);
// The window the window manager says has the focus (_NET_ACTIVE_WINDOW).
Window activeWindow(Display* display);
// Every mapped child of the root window: managed frames, and also what a
// window manager maps of its own (menus, pop-ups), which it does not list.
std::vector<Window> viewableTopLevels(Display* display);
// Returns once the window manager has handled every event the X server
// delivered to it before the call (it answers a frame extents request in
// turn); false if it never answers.
bool windowManagerCaughtUp(Display* display);

}  // namespace lumetra::e2e
