// Before the X11 headers: their None and Bool macros break gtest.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "renderer/host_functions.h"
#include "support/virtual_display.h"

namespace lumetra {
namespace {

// Adds a monitor on the right half of a double-width screen, the way a
// second screen for the customer display shows up.
void addRightMonitor(Display* display) {
  XRRMonitorInfo* monitor = XRRAllocateMonitor(display, 0);
  monitor->name = XInternAtom(display, "CUSTOMER", False);
  monitor->x = 1366;
  monitor->width = 1366;
  monitor->height = 768;
  monitor->mwidth = 300;
  monitor->mheight = 170;
  XRRSetMonitor(display, DefaultRootWindow(display), monitor);
  XSync(display, False);
  XRRFreeMonitors(monitor);
}

TEST(GetMonitorsTest, CountsTheMonitorsXRandRReports) {
  test::VirtualDisplay screen({.screenSize = "2732x768"});
  EXPECT_EQ(getMonitors({}), CallResult::integer(1));

  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  addRightMonitor(display);
  EXPECT_EQ(getMonitors({}), CallResult::integer(2));
  XCloseDisplay(display);
}

TEST(GetMonitorsTest, GivesZeroWithoutADisplay) {
  test::ScopedEnv noDisplay("DISPLAY", "");
  EXPECT_EQ(getMonitors({}), CallResult::integer(0));
}

}  // namespace
}  // namespace lumetra
