// The shell on a Wayland desktop: a headless weston smaller than the
// splash picture, with XWayland and without.
#include <gtest/gtest.h>

#include "e2e/support/processes.h"
#include "e2e/support/shell.h"
#include "e2e/support/weston.h"
#include "e2e/support/x_windows.h"

namespace lumetra::e2e {
namespace {

// With XWayland there the shell's windows go through it, so the window and
// monitor functions see them, and the splash is shrunk to the 1024x600 screen.
TEST(WaylandTest, WithXWaylandTheWindowFunctionsWorkAndTheSplashFitsTheScreen) {
  Weston weston;
  ShellHome home;
  Shell shell(weston.xDisplay(), home,
              {.startPage = pageUrl("wayland.html"), .environment = {{"WAYLAND_DISPLAY", weston.waylandDisplay()}}});
  Display* x = XOpenDisplay(weston.xDisplay().c_str());
  ASSERT_NE(x, nullptr);
  std::optional<Window> splash;
  ASSERT_TRUE(eventually([&] { return (splash = findWindow(x, "Splash Screen")).has_value(); })) << shell.errors();
  const Geometry area = clientGeometry(x, *splash);
  EXPECT_EQ(std::make_pair(area.width, area.height), std::make_pair(1024, 575));

  ASSERT_TRUE(home.waitForConsole("wayland page done")) << shell.errors();
  EXPECT_NE(home.consoleText().find("Message: monitors 1\r\n"), std::string::npos) << home.consoleText();
  std::optional<Window> till;
  EXPECT_TRUE(eventually([&] { return (till = findWindow(x, "Velmora")) && !findWindow(x, "Splash Screen"); }));
  EXPECT_EQ(shell.errors().find("no X server"), std::string::npos) << shell.errors();
  XCloseDisplay(x);
}

// A plain Wayland client: the functions answer what they document, say why
// once on stderr, and the shell outlives its splash.
TEST(WaylandTest, WithoutAnXServerTheWindowFunctionsSayWhyOnceAndTheShellStaysUp) {
  Weston weston;
  ShellHome home;
  Shell shell("", home,
              {.startPage = pageUrl("wayland.html"), .environment = {{"WAYLAND_DISPLAY", weston.waylandDisplay()}}});
  ASSERT_TRUE(home.waitForConsole("wayland page done")) << shell.errors();
  const std::string console = home.consoleText();
  for (const char* answer : {"monitors 0", "minimise true", "close true"}) {
    EXPECT_NE(console.find(std::string("Message: ") + answer + "\r\n"), std::string::npos) << answer << console;
  }
  EXPECT_FALSE(shell.waitForExit(std::chrono::seconds(7))) << "the shell ended after its splash: " << shell.errors();
  const std::string errors = shell.errors();
  EXPECT_EQ(occurrences(errors, "lumetra: no X server (DISPLAY=unset): window and monitor functions"), 1u) << errors;
  EXPECT_EQ(occurrences(errors, "lumetra: no X server (DISPLAY is unset): running as a plain Wayland client"), 1u)
      << errors;
}

}  // namespace
}  // namespace lumetra::e2e
