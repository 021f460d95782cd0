#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

// Presses keys or clicks as a cashier would. The query at the end is a
// round trip: once xdotool returns, the X server has handled every key and
// click before it.
bool xdotool(const XServer& x, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "xdotool");
  arguments.push_back("getmouselocation");
  SpawnOptions options;
  options.arguments = std::move(arguments);
  options.environment = {{"DISPLAY", x.display()}};
  return waitForExit(spawn(options)) == 0;
}

int lastXError = 0;
int recordXError(Display*, XErrorEvent* error) {
  lastXError = error->error_code;
  return 0;
}

// Whether another client holds a passive grab of any key on the root
// window, as a window manager does for each of its key bindings.
bool someKeyIsGrabbed(Display* display) {
  const Window root = DefaultRootWindow(display);
  XSync(display, False);
  lastXError = 0;
  const auto previous = XSetErrorHandler(recordXError);
  XGrabKey(display, AnyKey, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
  XSync(display, False);
  XUngrabKey(display, AnyKey, AnyModifier, root);
  XSync(display, False);
  XSetErrorHandler(previous);
  return lastXError == BadAccess;
}

std::set<Window> shownWindows(Display* display) {
  const std::vector<Window> windows = viewableTopLevels(display);
  return {windows.begin(), windows.end()};
}

std::size_t desktopCount(Display* display) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::size_t desktops = 0;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_NUMBER_OF_DESKTOPS", False), 0,
                         1, False, AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
      data && format == 32 && count == 1) {
    desktops = static_cast<std::size_t>(*reinterpret_cast<long*>(data));
  }
  if (data) XFree(data);
  return desktops;
}

// The kiosk session's window manager (openbox with packaging/openbox, as
// XServer runs it) leaves the cashier no way out of the till: the chords
// and clicks that open Openbox's menus, close, iconify, cycle or switch
// windows and desktops do nothing (they reach the page as any key does),
// and the till keeps the screen and the focus. The right monitor shows bare
// desktop (the root window) to click on.
TEST(KioskSessionTest, NoChordOrClickOpensAWindowOrTakesTheScreenFromTheTill) {
  XServer x({.secondMonitor = true});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("velmora.html")});
  Display* display = x.connection();
  ASSERT_TRUE(home.waitForConsole("velmora loaded")) << shell.errors();
  const std::optional<Window> till = findWindow(display, "Velmora");
  ASSERT_TRUE(till);
  ASSERT_TRUE(eventually([&] { return isMaximised(display, *till) && activeWindow(display) == *till; }));
  EXPECT_EQ(desktopCount(display), 1u);
  // Every key goes to the till; the X server's own chords (Ctrl+Alt+F2 to a
  // text console) stay the server's.
  EXPECT_FALSE(someKeyIsGrabbed(display)) << "the window manager binds keys";

  const std::set<Window> shown = shownWindows(display);
  const std::string desktopX = std::to_string(x.width() + x.width() / 2);
  const std::string desktopY = std::to_string(x.height() / 2);
  const struct {
    const char* what;
    std::vector<std::string> input;
  } kAttempts[] = {
      {"Ctrl+Alt+Right", {"key", "ctrl+alt+Right"}},
      {"a right click on the desktop", {"mousemove", desktopX, desktopY, "click", "3"}},
      {"a middle click on the desktop", {"mousemove", desktopX, desktopY, "click", "2"}},
      {"Alt+F4", {"key", "alt+F4"}},
      {"Alt+Space", {"key", "alt+space"}},
      {"Win+D", {"key", "super+d"}},
      {"Alt+Tab", {"key", "alt+Tab"}},
  };
  for (const auto& attempt : kAttempts) {
    ASSERT_TRUE(xdotool(x, attempt.input)) << attempt.what;
    ASSERT_TRUE(windowManagerCaughtUp(display)) << attempt.what;
    EXPECT_EQ(shownWindows(display), shown) << attempt.what << " opened or closed a window";
    EXPECT_TRUE(isMaximised(display, *till)) << attempt.what << " took the screen from the till";
    EXPECT_EQ(activeWindow(display), *till) << attempt.what << " took the focus from the till";
  }
}

}  // namespace
}  // namespace lumetra::e2e
