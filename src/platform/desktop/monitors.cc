#include "platform/desktop/monitors.h"

#include <X11/extensions/Xrandr.h>

#include "platform/desktop/x_display.h"

namespace lumetra::platform {

int monitorCount() {
  const XDisplayConnection display;
  if (!display) return 0;
  // Monitors came with RandR 1.5; older servers only know their screens.
  int major = 0;
  int minor = 0;
  if (!XRRQueryVersion(display.get(), &major, &minor) || major * 100 + minor < 105) {
    return ScreenCount(display.get());
  }
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display.get(), DefaultRootWindow(display.get()), True, &count);
  if (monitors) XRRFreeMonitors(monitors);
  return count;
}

}  // namespace lumetra::platform
