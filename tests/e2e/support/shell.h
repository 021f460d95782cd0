#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/support/x_server.h"
#include "support/temp_dir.h"

namespace lumetra::e2e {

// file:// URL of a test page in tests/e2e/pages.
std::string pageUrl(std::string_view page);

// A start-up directory of the shell's own, also its home and runtime folder
// (so the single-instance lock is private to the test), holding the sample
// printer models in dev/ as a shop's would, with message boxes going to a
// log.
class ShellHome {
 public:
  ShellHome();
  const std::filesystem::path& directory() const { return dir_.path(); }
  std::filesystem::path consoleLog() const { return directory() / "console.log"; }
  std::filesystem::path dialogLog() const { return directory() / "dialogs.log"; }
  std::string consoleText() const;
  // Polls until console.log holds `text`.
  bool waitForConsole(std::string_view text) const;
  // HOME and the XDG folders here, for anything that starts the shell.
  std::map<std::string, std::string> homeEnvironment() const;
  // For a shell on the X display `display` (":N"; empty: none).
  std::map<std::string, std::string> environment(const std::string& display) const;

 private:
  test::TempDir dir_;
};

// One run of the real lumetra executable, stopped at the end if still there.
class Shell {
 public:
  struct Options {
    std::string startPage = {};  // empty: the fixed start page
    std::vector<std::string> switches = {};
    std::map<std::string, std::string> environment = {};
    std::filesystem::path executable = LUMETRA_EXECUTABLE_PATH;
  };
  Shell(const XServer& x, const ShellHome& home, Options options) : Shell(x.display(), home, std::move(options)) {}
  // On the X display `display` (":N"; empty: none, as on a Wayland desktop
  // without XWayland).
  Shell(const std::string& display, const ShellHome& home, Options options);
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  pid_t pid() const { return pid_; }
  std::string errors() const;  // its stderr so far
  std::optional<int> waitForExit(std::chrono::seconds limit = std::chrono::seconds(90));

 private:
  pid_t pid_ = -1;
  std::filesystem::path errorFile_;
};

}  // namespace lumetra::e2e
