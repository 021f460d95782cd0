#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

namespace lumetra::e2e {

// A headless Wayland compositor (weston) of the test's own, with XWayland
// started on the first X client: a Wayland desktop without a screen. Its
// socket and runtime folder are private; stopped by its pid at the end.
class Weston {
 public:
  struct Options {
    int width = 1024;
    int height = 600;
  };
  Weston() : Weston(Options{}) {}
  explicit Weston(Options options);
  ~Weston();
  Weston(const Weston&) = delete;
  Weston& operator=(const Weston&) = delete;

  // For WAYLAND_DISPLAY: the socket's absolute path.
  std::string waylandDisplay() const;
  // For DISPLAY: ":N", its XWayland server.
  const std::string& xDisplay() const { return xDisplay_; }

 private:
  test::TempDir dir_;
  pid_t pid_ = -1;
  std::string xDisplay_;
};

}  // namespace lumetra::e2e
