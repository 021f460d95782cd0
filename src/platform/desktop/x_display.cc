#include "platform/desktop/x_display.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "base/log.h"

namespace lumetra::platform {
namespace {

int ignoreError(Display*, XErrorEvent*) { return 0; }

// A Wayland desktop without XWayland has no X server: the window and
// monitor functions then do nothing, and the log says why, once.
void reportNoDisplay() {
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  const char* name = std::getenv("DISPLAY");
  logf(LogLevel::warning,
       "no X server (DISPLAY=%s): window and monitor functions (getMonitors, setWindowMinisize, "
       "closeOtherWindow) do nothing; run the shell under X or on a Wayland desktop with XWayland",
       name && *name ? name : "unset");
}

}  // namespace

XDisplayConnection::XDisplayConnection() : display_(XOpenDisplay(nullptr)) {
  if (display_) {
    previousHandler_ = XSetErrorHandler(ignoreError);
  } else {
    reportNoDisplay();
  }
}

XDisplayConnection::~XDisplayConnection() {
  if (!display_) return;
  // Errors of requests still in flight must arrive while ours is installed.
  XSync(display_, False);
  XCloseDisplay(display_);
  XSetErrorHandler(previousHandler_);
}

}  // namespace lumetra::platform
