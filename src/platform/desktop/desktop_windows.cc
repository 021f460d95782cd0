#include "platform/desktop/desktop_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/x_display.h"

namespace lumetra::platform {
namespace {

std::vector<Window> childrenBottomToTop(Display* display, Window parent) {
  Window root = 0;
  Window ignoredParent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &ignoredParent, &children, &count)) return {};
  std::vector<Window> result(children, children + count);
  if (children) XFree(children);
  return result;
}

bool hasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type, &format, &items, &remaining,
                     &data);
  if (data) XFree(data);
  return type != None;
}

// A window manager puts each program's window inside a frame of its own; the
// program's window is the one the window manager gave a WM_STATE.
std::optional<Window> clientInside(Display* display, Window window, Atom wmState) {
  if (hasProperty(display, window, wmState)) return window;
  for (Window child : childrenBottomToTop(display, window)) {
    if (auto client = clientInside(display, child, wmState)) return client;
  }
  return std::nullopt;
}

std::optional<std::string> utf8Property(Display* display, Window window, Atom property, Atom utf8String) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 1 << 16, False, utf8String, &type, &format,
                                        &items, &remaining, &data);
  std::optional<std::string> text;
  if (status == Success && type == utf8String && format == 8) text.emplace(reinterpret_cast<char*>(data), items);
  if (data) XFree(data);
  return text;
}

// WM_NAME may be Latin-1 or compound text; Xlib converts either to UTF-8.
std::optional<std::string> legacyName(Display* display, Window window) {
  XTextProperty property{};
  if (!XGetWMName(display, window, &property)) return std::nullopt;
  char** list = nullptr;
  int count = 0;
  std::optional<std::string> text;
  if (Xutf8TextPropertyToTextList(display, &property, &list, &count) >= Success && count > 0) text.emplace(list[0]);
  if (list) XFreeStringList(list);
  if (property.value) XFree(property.value);
  return text;
}

struct WindowAtoms {
  explicit WindowAtoms(Display* display)
      : wmState(XInternAtom(display, "WM_STATE", False)),
        netWmName(XInternAtom(display, "_NET_WM_NAME", False)),
        utf8String(XInternAtom(display, "UTF8_STRING", False)) {}
  Atom wmState;
  Atom netWmName;
  Atom utf8String;
};

std::optional<std::string> windowTitle(Display* display, Window window, const WindowAtoms& atoms) {
  if (auto title = utf8Property(display, window, atoms.netWmName, atoms.utf8String)) return title;
  return legacyName(display, window);
}

std::optional<Window> findTopLevelWindow(Display* display, std::string_view title) {
  const WindowAtoms atoms(display);
  const std::vector<Window> topLevels = childrenBottomToTop(display, DefaultRootWindow(display));
  for (auto it = topLevels.rbegin(); it != topLevels.rend(); ++it) {
    const Window window = clientInside(display, *it, atoms.wmState).value_or(*it);
    if (windowTitle(display, window, atoms) == title) return window;
  }
  return std::nullopt;
}

bool takesPartInProtocol(Display* display, Window window, Atom protocol) {
  Atom* protocols = nullptr;
  int count = 0;
  if (!XGetWMProtocols(display, window, &protocols, &count)) return false;
  const bool found = std::find(protocols, protocols + count, protocol) != protocols + count;
  XFree(protocols);
  return found;
}

void sendToWindowManager(Display* display, Window window, const char* messageType, long data0, long data1, long data2) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, messageType, False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = data0;
  event.xclient.data.l[1] = data1;
  event.xclient.data.l[2] = data2;
  event.xclient.data.l[3] = 1;  // a state change asked for by an application
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace

void maximiseWindowByTitle(std::string_view title) {
  const XDisplayConnection display;
  if (!display) return;
  const auto window = findTopLevelWindow(display.get(), title);
  if (!window) return;
  constexpr long kAddState = 1;
  // Activating a minimised window restores it first.
  sendToWindowManager(display.get(), *window, "_NET_ACTIVE_WINDOW", 2, CurrentTime, 0);
  sendToWindowManager(display.get(), *window, "_NET_WM_STATE", kAddState,
                      static_cast<long>(XInternAtom(display.get(), "_NET_WM_STATE_MAXIMIZED_VERT", False)),
                      static_cast<long>(XInternAtom(display.get(), "_NET_WM_STATE_MAXIMIZED_HORZ", False)));
  XMapRaised(display.get(), *window);
}

void iconifyWindowByTitle(std::string_view title) {
  const XDisplayConnection display;
  if (!display) return;
  if (auto window = findTopLevelWindow(display.get(), title)) {
    XIconifyWindow(display.get(), *window, DefaultScreen(display.get()));
  }
}

void closeWindowByTitle(std::string_view title) {
  const XDisplayConnection display;
  if (!display) return;
  const auto window = findTopLevelWindow(display.get(), title);
  const Atom deleteWindow = XInternAtom(display.get(), "WM_DELETE_WINDOW", False);
  if (!window || !takesPartInProtocol(display.get(), *window, deleteWindow)) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = *window;
  event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(deleteWindow);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display.get(), *window, False, NoEventMask, &event);
}

}  // namespace lumetra::platform
