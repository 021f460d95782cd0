#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <filesystem>
#include <string>

namespace lumetra::e2e {

// A private X server (Xvfb on a display number it picks itself) with, when
// asked, the kiosk session's window manager (openbox with the package's
// configuration), so that minimising, maximising, frames and close requests
// behave as on a till. Stopped with everything it started.
class XServer {
 public:
  struct Options {
    int width = 1366;
    int height = 768;
    bool windowManager = true;
    // Two monitors side by side, the left one primary, each width x height.
    bool secondMonitor = false;
  };
  XServer() : XServer(Options{}) {}
  explicit XServer(Options options);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& display() const { return display_; }  // ":N"
  Display* connection() const { return connection_; }
  int width() const { return options_.width; }
  int height() const { return options_.height; }

 private:
  void startXvfb();
  void addMonitors();
  void startWindowManager();

  Options options_;
  std::string display_;
  Display* connection_ = nullptr;
  pid_t xvfb_ = -1;
  pid_t windowManager_ = -1;
  std::filesystem::path home_;  // the window manager's own home, removed at the end
};

}  // namespace lumetra::e2e
