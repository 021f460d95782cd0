#pragma once

#include <sys/types.h>

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
// (so the single-instance lock is private to the test), with message boxes
// going to a log.
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
  std::map<std::string, std::string> environment(const XServer& x) const;

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
  };
  Shell(const XServer& x, const ShellHome& home, Options options);
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  pid_t pid() const { return pid_; }
  std::string errors() const;  // its stderr so far
  std::optional<int> waitForExit();

 private:
  pid_t pid_ = -1;
  std::filesystem::path errorFile_;
};

}  // namespace lumetra::e2e
