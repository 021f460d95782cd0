#include "platform/desktop/x_display.h"

namespace lumetra::platform {
namespace {

int ignoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

XDisplayConnection::XDisplayConnection() : display_(XOpenDisplay(nullptr)) {
  if (display_) previousHandler_ = XSetErrorHandler(ignoreError);
}

XDisplayConnection::~XDisplayConnection() {
  if (!display_) return;
  // Errors of requests still in flight must arrive while ours is installed.
  XSync(display_, False);
  XCloseDisplay(display_);
  XSetErrorHandler(previousHandler_);
}

}  // namespace lumetra::platform
