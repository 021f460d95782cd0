#include "e2e/support/x_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <vector>

#include "e2e/support/processes.h"

namespace lumetra::e2e {
namespace {

// The 32-bit items of a property (longs, as Xlib hands them out).
std::vector<long> longProperty(Display* display, Window window, const char* name, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type, &actualType, &format,
                         &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* items = reinterpret_cast<const long*>(data);
    values.assign(items, items + count);
  }
  if (data) XFree(data);
  return values;
}

// Client windows (those a window manager gave WM_STATE) in and under
// `window`, for window managers that keep no client list (weston's).
void collectClients(Display* display, Window window, Atom wmState, std::vector<Window>& clients) {
  if (!longProperty(display, window, "WM_STATE", wmState).empty()) {
    clients.push_back(window);
    return;
  }
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) collectClients(display, children[i], wmState, clients);
  if (children) XFree(children);
}

std::vector<Window> clientWindows(Display* display) {
  std::vector<Window> clients;
  for (long window : longProperty(display, DefaultRootWindow(display), "_NET_CLIENT_LIST", XA_WINDOW)) {
    clients.push_back(static_cast<Window>(window));
  }
  if (clients.empty()) {
    collectClients(display, DefaultRootWindow(display), XInternAtom(display, "WM_STATE", False), clients);
  }
  return clients;
}

}  // namespace

std::string windowTitle(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return title;
}

std::optional<Window> findWindow(Display* display, const std::string& title) {
  for (Window window : clientWindows(display)) {
    if (windowTitle(display, window) == title) return window;
  }
  return std::nullopt;
}

std::optional<Window> findWindowOfClass(Display* display, const std::string& nameDotClass) {
  for (Window window : clientWindows(display)) {
    if (windowClass(display, window) == nameDotClass) return window;
  }
  return std::nullopt;
}

std::string windowClass(Display* display, Window window) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return {};
  std::string text = std::string(hint.res_name ? hint.res_name : "") + "." + (hint.res_class ? hint.res_class : "");
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return text;
}

Geometry clientGeometry(Display* display, Window window) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

FrameExtents frameExtents(Display* display, Window window) {
  const auto values = longProperty(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  if (values.size() != 4) return {};
  return {values[0], values[1], values[2], values[3]};
}

bool hasState(Display* display, Window window, const char* stateAtom) {
  const long wanted = static_cast<long>(XInternAtom(display, stateAtom, False));
  for (long state : longProperty(display, window, "_NET_WM_STATE", XA_ATOM)) {
    if (state == wanted) return true;
  }
  return false;
}

bool isManaged(Display* display, Window window) {
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  return !longProperty(display, window, "WM_STATE", wmState).empty();
}

bool isMinimised(Display* display, Window window) {
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  const auto values = longProperty(display, window, "WM_STATE", wmState);
  return !values.empty() && values[0] == IconicState;
}

bool isMaximised(Display* display, Window window) {
  return !isMinimised(display, window) && hasState(display, window, "_NET_WM_STATE_MAXIMIZED_VERT") &&
         hasState(display, window, "_NET_WM_STATE_MAXIMIZED_HORZ");
}

Window transientFor(Display* display, Window window) {
  Window owner = 0;
  return XGetTransientForHint(display, window, &owner) ? owner : 0;
}

void closeWindow(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_CLOSE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = 2;  // as a pager or taskbar would ask
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

Window activeWindow(Display* display) {
  const auto values = longProperty(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
  return values.empty() ? 0 : static_cast<Window>(values[0]);
}

std::vector<Window> viewableTopLevels(Display* display) {
  std::vector<Window> viewable;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return viewable;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
      viewable.push_back(children[i]);
    }
  }
  if (children) XFree(children);
  return viewable;
}

// The window manager reads its events in the order the server queued them,
// so once it has answered a request sent now, it has acted on every earlier
// key and click, and whatever it mapped for them is mapped.
bool windowManagerCaughtUp(Display* display) {
  const Window root = DefaultRootWindow(display);
  const Window probe = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = probe;
  event.xclient.message_type = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  event.xclient.format = 32;
  XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XSync(display, False);
  const bool answered =
      eventually([&] { return !longProperty(display, probe, "_NET_FRAME_EXTENTS", XA_CARDINAL).empty(); });
  XDestroyWindow(display, probe);
  XSync(display, False);
  return answered;
}

}  // namespace lumetra::e2e
