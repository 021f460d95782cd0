#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace lumetra::test {

// A private X server (Xvfb, on a display number it picks itself, so tests
// running side by side never collide), optionally with the openbox window
// manager, for the life of the object. DISPLAY names it meanwhile.
class VirtualDisplay {
 public:
  struct Options {
    std::string screenSize = "1280x800";
    bool windowManager = false;  // needed wherever iconify or maximise must be seen
  };

  VirtualDisplay() : VirtualDisplay(Options{}) {}
  explicit VirtualDisplay(const Options& options);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& name() const { return name_; }

 private:
  void startServer(const std::string& screenSize);
  void startWindowManager();

  TempDir files_;
  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  std::string name_;
  std::optional<ScopedEnv> display_;
};

// Waits until `condition` holds. The bound only keeps a broken test from
// hanging the suite; it is generous enough for a loaded machine.
bool eventually(const std::function<bool()>& condition);

}  // namespace lumetra::test
