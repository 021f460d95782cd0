#pragma once

#include <X11/Xlib.h>

namespace lumetra::platform {

// A connection to the display named by DISPLAY for the length of one call:
// the web process has no X connection of its own to borrow. While it is open,
// X errors are ignored instead of ending the process (Xlib's default): a
// window of another program may vanish between two requests about it.
class XDisplayConnection {
 public:
  XDisplayConnection();
  ~XDisplayConnection();
  XDisplayConnection(const XDisplayConnection&) = delete;
  XDisplayConnection& operator=(const XDisplayConnection&) = delete;

  Display* get() const { return display_; }
  explicit operator bool() const { return display_ != nullptr; }

 private:
  Display* display_;
  XErrorHandler previousHandler_ = nullptr;
};

}  // namespace lumetra::platform
