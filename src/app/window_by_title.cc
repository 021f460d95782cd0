#include "app/window_by_title.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <cstring>
#include <string>
#include <vector>

namespace lumetra::shell {
namespace {

std::string windowTitle(Display* display, Window window) {
  const Atom utf8Name = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, utf8Name, 0, 1024, False, utf8String, &type, &format, &count,
                         &after, &data) == Success && data && format == 8) {
    title.assign(reinterpret_cast<char*>(data), count);
  } else {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
      title = name;
      XFree(name);
    }
  }
  if (data) XFree(data);
  return title;
}

// Depth first through the window tree: a window manager reparents clients
// into frames, so top-level clients are not always children of the root.
Window findTitled(Display* display, Window parent, const char* title) {
  Window root = 0, parentOut = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &parentOut, &children, &count)) return 0;
  std::vector<Window> list(children, children + count);
  if (children) XFree(children);
  for (Window child : list) {
    if (windowTitle(display, child) == title) return child;
  }
  for (Window child : list) {
    if (Window found = findTitled(display, child, title)) return found;
  }
  return 0;
}

void sendToWindowManager(Display* display, Window window, const char* messageType, long data0, long data1,
                         long data2) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, messageType, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = data0;
  event.xclient.data.l[1] = data1;
  event.xclient.data.l[2] = data2;
  event.xclient.data.l[3] = 1;  // a state change asked for by an application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &event);
}

void maximise(Display* display, Window window) {
  constexpr long kAddState = 1;
  // Activating a minimised window restores it first.
  sendToWindowManager(display, window, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
  sendToWindowManager(display, window, "_NET_WM_STATE", kAddState,
                      static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False)),
                      static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False)));
  XMapRaised(display, window);
  XFlush(display);
}

}  // namespace

bool maximiseWindowTitled(const char* title) {
  GdkDisplay* gdkDisplay = gdk_display_get_default();
  if (!gdkDisplay || !GDK_IS_X11_DISPLAY(gdkDisplay)) return false;
  Display* display = gdk_x11_display_get_xdisplay(gdkDisplay);
  // Windows of other clients can vanish while they are looked at; their
  // errors must not end the shell.
  gdk_x11_display_error_trap_push(gdkDisplay);
  const Window window = findTitled(display, DefaultRootWindow(display), title);
  if (window) maximise(display, window);
  gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
  return window != 0;
}

}  // namespace lumetra::shell

